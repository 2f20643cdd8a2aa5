#pragma once

#include <QDialog>

class QComboBox;

namespace cac::app {

// Asks which Qt SerialBus plugin and interface to read live traffic from.
// The interface list is editable: a plugin may not list its interfaces, or
// the user may name a remote hub ("tcp://127.0.0.1:35468/can0").
class LiveCanDialog : public QDialog {
    Q_OBJECT
public:
    explicit LiveCanDialog(QWidget* parent = nullptr);

    QString plugin() const;
    QString interfaceName() const;

private:
    void listInterfaces();

    QComboBox* m_plugins;
    QComboBox* m_interfaces;
};

} // namespace cac::app
