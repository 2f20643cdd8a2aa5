#include "app/window/ScreenFit.h"

#include <QDockWidget>
#include <QEvent>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace cac::app {

ScreenFit::ScreenFit(QMainWindow* window) : QObject(window), m_window(window) {
    window->installEventFilter(this);
}

void ScreenFit::watch(QDockWidget* panel) {
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

void ScreenFit::panelShownOrHidden() {
    const QList<QDockWidget*> docked = dockedPanels();
    const bool opened = !docked.isEmpty() && !m_panelsOpen;
    m_panelsOpen = !docked.isEmpty();
    if (opened && m_window->isVisible() && !m_window->isMaximized() && !m_window->isFullScreen()) {
        // The grid keeps its rows and the panel gets half of a window as
        // tall as the screen allows.
        if (m_window->height() < most().height())
            m_window->resize(m_window->width(), most().height());
        m_window->resizeDocks({docked.first()}, {m_window->height() / 2}, Qt::Vertical);
    } else if (docked.isEmpty() && m_withoutPanels.isValid()) {
        // The last panel closed: the room it made the window take goes back.
        const QSize before = m_withoutPanels.expandedTo(m_window->minimumSizeHint());
        if (m_window->height() > before.height() || m_window->width() > before.width())
            m_window->resize(m_window->size().boundedTo(before));
    }
    fit();
}

void ScreenFit::fit() {
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
