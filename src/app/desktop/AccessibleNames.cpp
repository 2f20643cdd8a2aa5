#include "app/desktop/AccessibleNames.h"

#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

namespace cac::app {

void nameControlsForReaders(QWidget* window) {
    const struct {
        const QString& objectName;
        QString name;
    } unnamed[] = {
        {names::BaudRateList, texts::BaudRateFrame},
        {names::PortList, QStringLiteral("Serial port")},
        {names::ChannelGrid, QStringLiteral("Channel table")},
        {names::ObdGrid, QStringLiteral("OBD parameters")},
        {names::ChecksList, QStringLiteral("Checks")},
        {names::FrameLayout, QStringLiteral("Frame layout")},
        {names::StatusBar, QStringLiteral("Status")},
        {names::GridSplitter, QStringLiteral("Channel table and checks")},
        {names::Tabs, QStringLiteral("Tables")},
    };
    for (const auto& control : unnamed) {
        auto* widget = window->findChild<QWidget*>(control.objectName);
        if (!widget)
            continue;
        widget->setAccessibleName(control.name);
        // The edit field of a list is spoken on its own when it has the keys.
        if (auto* list = qobject_cast<QComboBox*>(widget); list && list->lineEdit())
            list->lineEdit()->setAccessibleName(control.name);
    }
}

} // namespace cac::app
