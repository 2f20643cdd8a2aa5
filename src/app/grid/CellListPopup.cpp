#include "app/grid/CellListPopup.h"

#include "app/grid/GridCellDelegate.h"
#include "app/grid/ListFilterModel.h"
#include "app/window/DisplayCap.h"
#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace cac::app {
namespace {

constexpr int MaxVisibleEntries = 16;

bool isNavigationKey(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}

} // namespace

CellListPopup::CellListPopup(QComboBox* owner)
    : QFrame(owner, Qt::Popup), m_owner(owner), m_filter(new QLineEdit(this)),
      m_view(new QListView(this)), m_entries(new ListFilterModel(this)) {
    setObjectName(names::ListPopup);
    setFrameShape(QFrame::StyledPanel);
    setAttribute(Qt::WA_NoMouseReplay);
    m_filter->setObjectName(names::ListFilter);
    m_filter->setClearButtonEnabled(true);
    m_filter->setPlaceholderText(texts::ListFilterPlaceholder);
    m_filter->hide();
    m_view->setObjectName(names::ListView);
    m_view->setUniformItemSizes(true); // thousands of entries lay out at once
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setMouseTracking(true);
    m_view->setItemDelegate(new GridCellDelegate(m_view)); // entries may be long
    m_entries->setSourceModel(owner->model());
    m_view->setModel(m_entries);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_filter);
    layout->addWidget(m_view);

    const auto entriesChanged = [this] { m_widestEntry = -1; };
    connect(owner->model(), &QAbstractItemModel::modelReset, this, entriesChanged);
    connect(owner->model(), &QAbstractItemModel::rowsInserted, this, entriesChanged);
    connect(owner->model(), &QAbstractItemModel::rowsRemoved, this, entriesChanged);
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_entries->setFilterText(text);
        selectRow(0);
    });
    connect(m_view, &QAbstractItemView::clicked, this, &CellListPopup::pick);
    m_filter->installEventFilter(this);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    setFilterable(false);
}

void CellListPopup::setFilterable(bool filterable) {
    m_filter->setVisible(filterable);
    setFocusProxy(filterable ? static_cast<QWidget*>(m_filter) : m_view);
}

void CellListPopup::open(const QString& typed) {
    const bool filterable = !m_filter->isHidden();
    {
        const QSignalBlocker quiet(m_filter);
        m_filter->setText(filterable ? typed : QString());
        m_entries->setFilterText(m_filter->text());
    }
    const QModelIndex current = m_entries->mapFromSource(
        m_owner->model()->index(m_owner->currentIndex(), m_owner->modelColumn()));
    // Filtered by what was typed, the first entry shown is the one Enter picks.
    const bool filtered = filterable && !typed.isEmpty();
    selectRow(current.isValid() && !filtered ? current.row() : 0);
    m_sinceLastKey.invalidate();
    if (!filterable && !typed.isEmpty())
        keyboardSearch(typed);
    placeBelowOwner();
    show();
    setFocus(Qt::PopupFocusReason);
    m_view->scrollTo(m_view->currentIndex(), QAbstractItemView::PositionAtCenter);
}

void CellListPopup::selectRow(int row) {
    const QModelIndex index = m_entries->index(row, 0);
    m_view->setCurrentIndex(index); // selects it too: the view has single selection
    if (index.isValid())
        m_view->scrollTo(index);
}

void CellListPopup::keyboardSearch(const QString& typed) {
    const bool goesOn = m_sinceLastKey.isValid() &&
                        m_sinceLastKey.elapsed() <= QApplication::keyboardInputInterval();
    m_sinceLastKey.start();
    m_search = goesOn ? m_search + typed : typed;
    QModelIndexList hits =
        m_entries->match(m_entries->index(0, 0), Qt::DisplayRole, m_search, 1, Qt::MatchStartsWith);
    // One key again and again walks through the entries that begin with it.
    const bool sameKey = m_search.count(m_search.front()) == m_search.size();
    if (hits.isEmpty() && sameKey && m_entries->rowCount() > 0) {
        const int next = (m_view->currentIndex().row() + 1) % m_entries->rowCount();
        hits = m_entries->match(m_entries->index(next, 0), Qt::DisplayRole, m_search.left(1), 1,
                                Qt::MatchStartsWith | Qt::MatchWrap);
    }
    if (!hits.isEmpty())
        selectRow(hits.first().row());
}

int CellListPopup::widestEntry() {
    if (m_widestEntry >= 0)
        return m_widestEntry;
    // Measuring thousands of texts would take longer than opening may; the
    // widest entry is among those with the most characters.
    QList<QString> texts;
    texts.reserve(m_owner->count());
    for (int i = 0; i < m_owner->count(); ++i)
        texts << m_owner->itemText(i);
    const qsizetype measured = std::min<qsizetype>(texts.size(), 16);
    std::partial_sort(texts.begin(), texts.begin() + measured, texts.end(),
                      [](const QString& a, const QString& b) { return a.size() > b.size(); });
    const QFontMetrics metrics = m_view->fontMetrics();
    m_widestEntry = 0;
    for (qsizetype i = 0; i < measured; ++i)
        m_widestEntry =
            std::max(m_widestEntry, metrics.horizontalAdvance(displayCapped(texts.at(i))));
    return m_widestEntry;
}

void CellListPopup::placeBelowOwner() {
    const QRect screen = m_owner->screen()->availableGeometry();
    const int rowHeight = std::max(m_view->sizeHintForRow(0), m_view->fontMetrics().height());
    const int rows = std::clamp(m_owner->count(), 1, MaxVisibleEntries);
    const int frame = 2 * frameWidth();
    const int height = rows * rowHeight + frame + 2 * m_view->frameWidth() +
                       (m_filter->isHidden() ? 0 : m_filter->sizeHint().height());
    const int scrollBar =
        m_owner->count() > rows ? m_view->verticalScrollBar()->sizeHint().width() : 0;
    const int width = std::min(std::max(m_owner->width(), widestEntry() + scrollBar + frame + 16),
                               screen.width() / 2);

    QPoint at = m_owner->mapToGlobal(QPoint(0, m_owner->height()));
    if (at.y() + height > screen.bottom() && at.y() - m_owner->height() - height >= screen.top())
        at.ry() -= m_owner->height() + height;
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - width)));
    setGeometry(QRect(at, QSize(width, height)));
}

void CellListPopup::pick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const int entry = m_entries->mapToSource(index).row();
    hide();
    emit picked(entry);
}

bool CellListPopup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && watched == m_view->viewport()) {
        // The entry under the pointer is the one a click or Enter picks.
        const QModelIndex hovered =
            m_view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (hovered.isValid() && hovered != m_view->currentIndex())
            m_view->setCurrentIndex(hovered);
        return false;
    }
    if (event->type() != QEvent::KeyPress || watched == m_view->viewport())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        pick(m_view->currentIndex());
        return true;
    }
    if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_F4 ||
        ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
         key->modifiers().testFlag(Qt::AltModifier))) {
        hide();
        return true;
    }
    if (watched == m_filter && isNavigationKey(key->key())) {
        QCoreApplication::sendEvent(m_view, event); // arrows walk the entries below the field
        return true;
    }
    const QString typed = key->text();
    if (watched == m_view && !typed.isEmpty() && typed.front().isPrint() &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        keyboardSearch(typed); // the view's own search would forget the key that opened it
        return true;
    }
    return false;
}

void CellListPopup::mousePressEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint()))
        emit dismissedByPress(event->globalPosition().toPoint());
    QFrame::mousePressEvent(event); // closes the popup when the press is outside
}

void CellListPopup::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    emit closed();
}

} // namespace cac::app
