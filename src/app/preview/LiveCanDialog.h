#pragma once

#include "app/live/LiveInterfaces.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace cac::app {

// Asks which CAN interface to read live traffic from, and at which bit rate:
// the window's when the interface can be set to it, else the user's choice
// (the note says why). A system interface is named in an editable line: the
// list may not find it (a remote virtual bus).
class LiveCanDialog : public QDialog {
    Q_OBJECT
public:
    // `windowRate` in bit/s (0 when the window's entry is no rate), `windowEntry` as shown.
    LiveCanDialog(LiveInterfaceList available, int windowRate, const QString& windowEntry,
                  QWidget* parent = nullptr);

    LiveInterface choice() const;
    int bitRate() const;
    QString address() const;

private:
    void showChoice();

    LiveInterfaceList m_available;
    int m_windowRate;
    QString m_windowEntry;
    QComboBox* m_interfaces;
    QLineEdit* m_address;
    QComboBox* m_rates;
    QLabel* m_note;
    QLabel* m_missing;
};

} // namespace cac::app
