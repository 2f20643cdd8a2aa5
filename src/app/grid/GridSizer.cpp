#include "app/grid/GridSizer.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace cac::app {
namespace {

// The titles of the narrow columns need every pixel: the same slim margin
// around them in every style.
class SlimTitleStyle final : public QProxyStyle {
public:
    SlimTitleStyle() : QProxyStyle(QApplication::style()->name()) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        return metric == PM_HeaderMargin ? 2 : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QString titleOf(const QTableView* grid, int column) {
    return grid->model()->headerData(column, Qt::Horizontal).toString();
}

// Room a title's text loses to the section's margins on each side.
int titleMargin(const QHeaderView* header) {
    return header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
}

} // namespace

QSize GridView::sizeHint() const {
    QSize hint = QTableView::sizeHint();
    if (m_naturalHeight >= 0)
        hint.setHeight(m_naturalHeight);
    return hint;
}

QItemSelectionModel::SelectionFlags GridView::selectionCommand(const QModelIndex& index,
                                                               const QEvent* event) const {
    if (!event || event->type() != QEvent::KeyPress)
        return QTableView::selectionCommand(index, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    static const QList<int> moves = {Qt::Key_Up,   Qt::Key_Down,   Qt::Key_Left,   Qt::Key_Right,
                                     Qt::Key_Home, Qt::Key_End,    Qt::Key_PageUp, Qt::Key_PageDown,
                                     Qt::Key_Tab,  Qt::Key_Backtab};
    if (!(key->modifiers() & Qt::ControlModifier) || !moves.contains(key->key()))
        return QTableView::selectionCommand(index, event);
    // Qt moves the current cell under Ctrl without selecting it, for a
    // Ctrl+Space that picks cells one by one; here the highlight must show
    // the cell that typing edits.
    const QKeyEvent withoutControl(QEvent::KeyPress, key->key(),
                                   key->modifiers() & ~Qt::ControlModifier);
    return QTableView::selectionCommand(index, &withoutControl);
}

void GridView::setNaturalHeight(int height) {
    if (height == m_naturalHeight)
        return;
    m_naturalHeight = height;
    updateGeometry();
}

GridSizer::GridSizer(GridView* grid, QList<double> weights, int rowHeight, double growth)
    : QObject(grid), m_grid(grid), m_weights(std::move(weights)), m_rowHeight(rowHeight),
      m_tallestRow(std::max(rowHeight, static_cast<int>(std::floor(rowHeight * growth)))) {
    QHeaderView* rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(rowHeight);
    rows->setDefaultSectionSize(rowHeight);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setTextElideMode(Qt::ElideNone); // titles wrap instead
    auto* titleStyle = new SlimTitleStyle;
    titleStyle->setParent(grid->horizontalHeader());
    grid->horizontalHeader()->setStyle(titleStyle);
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (!m_applying)
            m_userSized = true;
    });
    grid->viewport()->installEventFilter(this);
}

bool GridSizer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == m_grid->viewport())
        apply();
    return QObject::eventFilter(watched, event);
}

void GridSizer::apply() {
    if (m_applying) {
        m_again = true; // a change made here resized the grid once more
        return;
    }
    m_applying = true;
    for (int round = 0; round < 3; ++round) {
        m_again = false;
        if (!m_userSized)
            fitColumns();
        fitRowsToHeight(fitTitleRow());
        if (!m_again)
            break;
    }
    m_applying = false;
}

void GridSizer::setLimits(const QSize& least, const QSize& most) {
    if (least == m_grid->minimumSize() && most == m_grid->maximumSize())
        return;
    m_grid->setMinimumSize(least);
    m_grid->setMaximumSize(most);
    // A splitter keeps its child's new limits to itself: the layouts above
    // it, up to the window's least size, hear of them only this way.
    if (QWidget* holder = m_grid->parentWidget())
        holder->updateGeometry();
}

void GridSizer::fitColumns() {
    QHeaderView* rows = m_grid->verticalHeader();
    const bool rowHeaderShown = !rows->isHidden();
    const int room = m_grid->viewport()->width() + (rowHeaderShown ? rows->width() : 0);
    const double total = std::accumulate(m_weights.cbegin(), m_weights.cend(), 0.0);
    // Each edge is rounded, not each width, so the widths add up to the room.
    double share = 0;
    int edge = 0;
    for (qsizetype i = 0; i < m_weights.size(); ++i) {
        share += m_weights.at(i);
        const int next = static_cast<int>(std::lround(share * room / total));
        if (rowHeaderShown && i == 0)
            rows->setFixedWidth(next - edge);
        else
            m_grid->setColumnWidth(static_cast<int>(i) - (rowHeaderShown ? 1 : 0), next - edge);
        edge = next;
    }
}

int GridSizer::fitTitleRow() {
    QHeaderView* titles = m_grid->horizontalHeader();
    const QFontMetrics metrics = titles->fontMetrics();
    const int margin = titleMargin(titles);
    int height = 2 * m_rowHeight;
    int unit = 0; // narrowest width of one share that fits every title's longest word
    const bool rowHeaderShown = !m_grid->verticalHeader()->isHidden();
    for (int column = 0; column < titles->count(); ++column) {
        const QString title = titleOf(m_grid, column);
        const QRect room(0, 0, titles->sectionSize(column) - 2 * margin, 1 << 16);
        height = std::max(
            height,
            metrics.boundingRect(room, Qt::AlignHCenter | Qt::TextWordWrap, title).height() +
                2 * margin);
        int longestWord = 0;
        for (const QString& word : title.split(QRegularExpression(QStringLiteral("\\s+"))))
            longestWord = std::max(longestWord, metrics.horizontalAdvance(word));
        const double weight = m_weights.value(column + (rowHeaderShown ? 1 : 0), 1.0);
        unit = std::max(unit, static_cast<int>(std::ceil((longestWord + 2 * margin) / weight)));
    }
    const double total = std::accumulate(m_weights.cbegin(), m_weights.cend(), 0.0);
    setLimits(QSize(static_cast<int>(std::ceil(unit * total)) + 2 * m_grid->frameWidth(),
                    m_grid->minimumHeight()),
              m_grid->maximumSize());
    return height; // what the titles need; the rows may make it taller
}

void GridSizer::fitRowsToHeight(int titleNeeds) {
    QHeaderView* rows = m_grid->verticalHeader();
    const int count = rows->count();
    const QScrollBar* across = m_grid->horizontalScrollBar();
    const int outside = 2 * m_grid->frameWidth() + (across->isVisible() ? across->height() : 0);
    setLimits(QSize(m_grid->minimumWidth(),
                    outside + titleNeeds + std::min(count, FewestRows) * m_rowHeight),
              QSize(m_grid->maximumWidth(),
                    outside + std::max(titleNeeds, 2 * m_tallestRow) + count * m_tallestRow));
    m_grid->setNaturalHeight(outside + titleNeeds + count * m_rowHeight);
    if (count == 0)
        return;
    // The rows grow with the room, and the title row with them, twice as
    // tall; the pixels left over go to the title row, so that the last row
    // ends where the grid does.
    const int inside = m_grid->height() - outside;
    int each = std::clamp(inside / (count + 2), m_rowHeight, m_tallestRow);
    int title = std::max(titleNeeds, 2 * each);
    if (title > 2 * each) // long titles: the rows share what they leave
        each = std::clamp((inside - title) / count, m_rowHeight, m_tallestRow);
    title = std::max(title, inside - each * count);
    m_grid->horizontalHeader()->setFixedHeight(title);
    for (int row = 0; row < count; ++row) {
        if (rows->sectionSize(row) != each)
            rows->resizeSection(row, each);
    }
}

} // namespace cac::app
