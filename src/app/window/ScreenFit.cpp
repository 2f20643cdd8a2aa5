#include "app/window/ScreenFit.h"

#include "app/window/ContentScroller.h"

#include <QDockWidget>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>

#include <algorithm>

namespace cac::app {

namespace {
// The least share of the window's height a panel worked in takes below. With
// 36 %, Find signals shows two rows of its identifiers on 1366x768 at 150 %
// in the Fusion and the Windows style, while at 100 % the contents above
// still keep their least height and need no scrolling.
constexpr double PanelShareBelow = 0.36;
} // namespace

ScreenFit::ScreenFit(QMainWindow* window) : QObject(window), m_window(window) {
    window->installEventFilter(this);
}

void ScreenFit::watch(QDockWidget* panel, Room room) {
    if (room == Room::Share)
        m_sharing << panel;
    // Queued: the window's layout has taken the panel in (or out) by then.
    connect(panel, &QDockWidget::visibilityChanged, this,
            [this] { QTimer::singleShot(0, this, &ScreenFit::panelShownOrHidden); });
    connect(panel, &QDockWidget::topLevelChanged, this,
            [this] { QTimer::singleShot(0, this, &ScreenFit::fit); });
}

QList<QDockWidget*> ScreenFit::dockedPanels() const {
    QList<QDockWidget*> docked;
    for (QDockWidget* panel : m_window->findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly))
        if (!panel->isHidden() && !panel->isFloating())
            docked << panel;
    return docked;
}

QSize ScreenFit::most() const {
    const QRect room = m_window->screen()->availableGeometry();
    const QSize frame = m_window->frameGeometry().size() - m_window->size();
    const QSize least = m_window->minimumSize().expandedTo(m_window->minimumSizeHint());
    return (room.size() - frame).expandedTo(least);
}

int ScreenFit::tabsHeight() const {
    QTabBar tabs;
    tabs.setFont(m_window->font());
    tabs.addTab(m_window->windowTitle());
    return tabs.sizeHint().height();
}

void ScreenFit::panelShownOrHidden() {
    boundContents();
    const QList<QDockWidget*> docked = dockedPanels();
    const bool first = !docked.isEmpty() && m_panelsOpen == 0;
    // A panel joining another's tab group brings the group's tabs with it:
    // the group is sized again, so the panel keeps its share below them.
    const bool opened = docked.size() > m_panelsOpen;
    m_panelsOpen = docked.size();
    if (opened && m_window->isVisible() && !m_window->isMaximized() && !m_window->isFullScreen()) {
        // The grid keeps its rows and the panel gets half of a window as
        // tall as the screen allows.
        if (first && m_window->height() < most().height())
            m_window->resize(m_window->width(), most().height());
        // Half, as far as the contents above keep their least height; the
        // size is the tab group's, its tabs included.
        const int tabs = m_window->tabifiedDockWidgets(docked.first()).isEmpty() ? 0 : tabsHeight();
        const int spare = m_window->height() - m_window->minimumSizeHint().height() +
                          docked.first()->minimumSizeHint().height() + tabs;
        m_window->resizeDocks({docked.first()}, {std::min(m_window->height() / 2, spare)},
                              Qt::Vertical);
        // The layout may still grow the window for the panel: fit it then.
        QTimer::singleShot(0, this, &ScreenFit::fit);
    } else if (docked.isEmpty() && m_withoutPanels.isValid()) {
        // The last panel closed: the room it made the window take goes back.
        const QSize before = m_withoutPanels.expandedTo(m_window->minimumSizeHint());
        if (m_window->height() > before.height() || m_window->width() > before.width())
            m_window->resize(m_window->size().boundedTo(before));
    }
    fit();
}

// The window's contents keep their least size where the screen has room for
// it beside the menus, the status bar and the panels docked below and
// beside them; on a smaller screen they scroll instead (1366x768 at 150 %).
void ScreenFit::boundContents() {
    auto* scroller = qobject_cast<ContentScroller*>(m_window->centralWidget());
    if (!scroller || !scroller->widget())
        return;
    int below = 0, beside = 0, panelsBelow = 0;
    bool sharing = false;
    const int separator = m_window->style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
    for (QDockWidget* panel : dockedPanels()) {
        panelsBelow += m_window->dockWidgetArea(panel) == Qt::BottomDockWidgetArea ? 1 : 0;
        const QSize panelLeast = panel->minimumSizeHint().expandedTo(panel->minimumSize());
        // Panels sharing a tab group take their room once: the largest.
        if (m_window->dockWidgetArea(panel) == Qt::BottomDockWidgetArea) {
            below = std::max(below, panelLeast.height() + separator);
            sharing = sharing || m_sharing.contains(panel);
        } else
            beside = std::max(beside, panelLeast.width() + separator);
    }
    int chrome = 0;
    if (const QWidget* menus = m_window->menuWidget(); menus && !menus->isHidden())
        chrome += menus->sizeHint().height();
    if (const QStatusBar* status = m_window->findChild<QStatusBar*>();
        status && !status->isHidden())
        chrome += status->sizeHint().height();
    const QSize frame = m_window->frameGeometry().size() - m_window->size();
    if (sharing) {
        // A panel's least height is a sliver of its lists: opened below, it
        // shows its first rows at once, and the contents above scroll for it.
        const int free = m_window->screen()->availableGeometry().height() - frame.height() - chrome;
        below = std::max(below, static_cast<int>(free * PanelShareBelow));
    }
    if (panelsBelow > 1)
        below += tabsHeight(); // they share a tab group: the panel room puts them in one
    // Scaled sizes round to whole pixels each: a pixel or two spare.
    constexpr int RoundingSlack = 2;
    const QSize room = m_window->screen()->availableGeometry().size() - frame -
                       QSize(beside + RoundingSlack, chrome + below + RoundingSlack);
    if (scroller->room() == room)
        return;
    scroller->setRoom(room);
    // The window's own least size follows at once, so a fit may shrink it.
    m_window->layout()->activate();
}

void ScreenFit::fit() {
    boundContents();
    if (!m_window->isVisible() || m_window->isMaximized() || m_window->isFullScreen())
        return;
    const QSize largest = most();
    if (m_window->width() > largest.width() || m_window->height() > largest.height())
        m_window->resize(m_window->size().boundedTo(largest));
    const QRect room = m_window->screen()->availableGeometry();
    // All of it on the screen, the status bar too, as far as the screen is
    // big enough for the window's least size.
    const QRect outer = m_window->frameGeometry();
    const auto pull = [](int spill, int left) { return left >= spill ? -std::max(0, spill) : 0; };
    const QPoint by(pull(outer.right() - room.right(), outer.left() - room.left()),
                    pull(outer.bottom() - room.bottom(), outer.top() - room.top()));
    if (!by.isNull())
        m_window->move(m_window->pos() + by);
    if (!anyPanelDocked())
        m_withoutPanels = m_window->size();
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Resize && !anyPanelDocked())
        m_withoutPanels = m_window->size();
    // The frame arrives after the window is shown: fit once it is known.
    if (watched == m_window && !m_framed &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::Show) &&
        m_window->frameGeometry() != m_window->geometry()) {
        m_framed = true;
        QTimer::singleShot(0, this, &ScreenFit::fit);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace cac::app
