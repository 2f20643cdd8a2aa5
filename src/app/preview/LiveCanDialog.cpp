#include "app/preview/LiveCanDialog.h"

#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewTexts.h"
#include "live/BusBitRate.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace cac::app {

LiveCanDialog::LiveCanDialog(LiveInterfaceList available, int windowRate,
                             const QString& windowEntry, QWidget* parent)
    : QDialog(parent), m_available(std::move(available)), m_windowRate(windowRate),
      m_windowEntry(windowEntry), m_interfaces(new QComboBox(this)), m_address(new QLineEdit(this)),
      m_rates(new QComboBox(this)), m_note(new QLabel(this)), m_missing(new QLabel(this)) {
    setObjectName(names::LiveDialog);
    setWindowTitle(texts::PreviewLiveTitle);
    m_interfaces->setObjectName(names::LiveInterface);
    for (const LiveInterface& i : m_available.interfaces)
        m_interfaces->addItem(i.title);
    m_interfaces->setMinimumContentsLength(28);
    m_address->setObjectName(names::LiveAddress);
    m_rates->setObjectName(names::LiveBitRate);
    m_note->setObjectName(names::LiveNote);
    m_note->setWordWrap(true);
    QStringList missing = m_available.notes;
    if (m_available.interfaces.isEmpty())
        missing.prepend(texts::LiveNothing);
    m_missing->setObjectName(names::LiveMissing);
    m_missing->setWordWrap(true);
    m_missing->setText(missing.join(QLatin1Char('\n')));
    m_missing->setVisible(!missing.isEmpty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* connectButton = buttons->button(QDialogButtonBox::Ok);
    connectButton->setText(texts::PreviewConnect);
    connectButton->setObjectName(names::LiveConnect);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(texts::PreviewInterface, m_interfaces);
    form->addRow(texts::PreviewAddress, m_address);
    form->addRow(texts::PreviewBitRate, m_rates);
    form->addRow(m_note);
    form->addRow(m_missing);
    form->addRow(buttons);

    const auto canConnect = [this, connectButton] {
        connectButton->setEnabled(
            m_interfaces->currentIndex() >= 0 &&
            (choice().kind != LiveInterface::Kind::System || !address().isEmpty()));
    };
    connect(m_interfaces, &QComboBox::currentIndexChanged, this, [this, canConnect] {
        showChoice();
        canConnect();
    });
    connect(m_address, &QLineEdit::textChanged, this, canConnect);
    showChoice();
    canConnect();
}

LiveInterface LiveCanDialog::choice() const {
    const int row = m_interfaces->currentIndex();
    return row >= 0 ? m_available.interfaces.at(row) : LiveInterface();
}

int LiveCanDialog::bitRate() const {
    return m_rates->currentData().toInt();
}

QString LiveCanDialog::address() const {
    return m_address->text().trimmed();
}

// The name line for a system interface, the bit rates for the others; the
// window's bit rate chosen where the interface has it.
void LiveCanDialog::showChoice() {
    const LiveInterface chosen = choice();
    const bool system = chosen.kind == LiveInterface::Kind::System;
    auto* form = static_cast<QFormLayout*>(layout());
    form->setRowVisible(m_address, system && m_interfaces->currentIndex() >= 0);
    form->setRowVisible(m_rates, !system && m_interfaces->currentIndex() >= 0);
    m_address->setText(chosen.address);
    const int kept = m_rates->currentData().toInt();
    m_rates->clear();
    for (const int rate : chosen.bitRates)
        m_rates->addItem(BitRateText(rate), rate);
    QString note;
    if (system) {
        note = texts::LiveRateBySystem;
    } else if (m_interfaces->currentIndex() >= 0) {
        int row = m_rates->findData(m_windowRate);
        if (row < 0) {
            note = texts::liveRateNotOffered(m_windowEntry);
            row = m_rates->findData(kept);
        }
        m_rates->setCurrentIndex(row >= 0 ? row : 0);
    }
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

} // namespace cac::app
