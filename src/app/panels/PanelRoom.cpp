#include "app/panels/PanelRoom.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QScrollArea>
#include <QTabBar>

namespace cac::app {

void SetScrollingBody(QDockWidget* panel, QWidget* body) {
    auto* scroller = new QScrollArea(panel);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus); // Tab goes to its controls, which it scrolls to
    scroller->setWidget(body);
    panel->setWidget(scroller);
}

void OpenBelow(QDockWidget* panel) {
    auto* window = qobject_cast<QMainWindow*>(panel->parentWidget());
    if (!window || !panel->isHidden() || panel->isFloating()) {
        panel->show();
        panel->raise();
        return;
    }
    const Qt::DockWidgetArea area = window->dockWidgetArea(panel);
    for (QDockWidget* other : window->findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other == panel || other->isHidden() || other->isFloating() ||
            window->dockWidgetArea(other) != area)
            continue;
        window->tabifyDockWidget(other, panel);
        // The bar of the panels' tabs takes the keys: it is named for readers.
        for (QTabBar* bar : window->findChildren<QTabBar*>(Qt::FindDirectChildrenOnly))
            if (bar->accessibleName().isEmpty())
                bar->setAccessibleName(QStringLiteral("Panels below the channel table"));
        break;
    }
    panel->show();
    panel->raise();
    window->resizeDocks({panel}, {window->height() / 2}, Qt::Vertical);
}

} // namespace cac::app
