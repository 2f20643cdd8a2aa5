#include "app/window/FocusChain.h"

#include "app/discover/DiscoverNames.h"
#include "app/preview/PreviewNames.h"
#include "app/window/ObjectNames.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QTabBar>
#include <QTabWidget>

namespace cac::app {
namespace {

// Ctrl+Tab and Ctrl+Shift+Tab in a view whose Tab moves between cells: the
// view passes the focus on as it would with Tab if Tab did not move between
// cells. An open in-cell editor is closed first by the grid taking the focus.
class LeaveByCtrlTab : public QObject {
public:
    explicit LeaveByCtrlTab(QAbstractItemView* view) : QObject(view), m_view(view) {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_view || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (!(key->modifiers() & Qt::ControlModifier) ||
            (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab))
            return false;
        const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
        if (QApplication::focusWidget() != m_view)
            m_view->setFocus(Qt::TabFocusReason);
        m_view->setTabKeyNavigation(false);
        QKeyEvent tab(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view, &tab);
        m_view->setTabKeyNavigation(true);
        return true;
    }

private:
    QAbstractItemView* m_view;
};

} // namespace

void SetUpFocusChain(QWidget* window) {
    const auto control = [window](const QString& name) {
        return window->findChild<QWidget*>(name);
    };
    QWidget* const chain[] = {
        control(names::ObdModeCheck),      control(names::Tabs),
        control(names::ChannelGrid),       control(names::ChecksList),
        control(names::FrameLayoutRoom),   control(names::BaudRateList),
        control(names::ObdGrid),           control(names::PortList),
        control(names::SendButton),        control(names::PreviewCancel),
        control(names::PreviewDisconnect), control(names::PreviewTable),
        control(names::DiscoverCancel),    control(names::DiscoverIdentifiers),
        control(names::DiscoverFields),    control(names::DiscoverReference),
        control(names::DiscoverCsv),       control(names::DiscoverHint),
        control(names::DiscoverMatches),   control(names::DiscoverChannel),
        control(names::DiscoverUse),
    };
    QWidget* previous = nullptr;
    for (QWidget* next : chain) {
        if (!next)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, next);
        // The tab widget passes the focus to its tab bar, which follows it;
        // what comes after the tab widget would come after all its pages hold.
        auto* tabs = qobject_cast<QTabWidget*>(next);
        previous = tabs ? tabs->tabBar() : next;
    }
    // The grids, and any other view whose Tab stays inside it.
    for (auto* view : window->findChildren<QAbstractItemView*>())
        if (view->tabKeyNavigation())
            new LeaveByCtrlTab(view);
}

} // namespace cac::app
