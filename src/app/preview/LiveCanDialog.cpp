#include "app/preview/LiveCanDialog.h"

#include "app/preview/LiveCanSource.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

namespace cac::app {

LiveCanDialog::LiveCanDialog(QWidget* parent)
    : QDialog(parent), m_plugins(new QComboBox(this)), m_interfaces(new QComboBox(this)) {
    setObjectName(names::LiveDialog);
    setWindowTitle(texts::PreviewLiveTitle);
    m_plugins->setObjectName(names::LivePlugin);
    m_plugins->addItems(LiveCanSource::plugins());
    m_interfaces->setObjectName(names::LiveInterface);
    m_interfaces->setEditable(true);
    m_interfaces->setInsertPolicy(QComboBox::NoInsert);
    m_interfaces->setMinimumContentsLength(24);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* connectButton = buttons->button(QDialogButtonBox::Ok);
    connectButton->setText(texts::PreviewConnect);
    connectButton->setObjectName(names::LiveConnect);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(texts::PreviewPlugin, m_plugins);
    form->addRow(texts::PreviewInterface, m_interfaces);
    form->addRow(buttons);

    const auto canConnect = [this, connectButton] {
        connectButton->setEnabled(!m_plugins->currentText().isEmpty() &&
                                  !m_interfaces->currentText().trimmed().isEmpty());
    };
    connect(m_plugins, &QComboBox::currentTextChanged, this, [this, canConnect] {
        listInterfaces();
        canConnect();
    });
    connect(m_interfaces, &QComboBox::currentTextChanged, this, canConnect);
    // On Linux, USB interfaces appear through socketcan: it comes first.
    const int socketCan = m_plugins->findText(QStringLiteral("socketcan"));
    m_plugins->setCurrentIndex(socketCan >= 0 ? socketCan : 0);
    listInterfaces();
    canConnect();
}

QString LiveCanDialog::plugin() const {
    return m_plugins->currentText();
}

QString LiveCanDialog::interfaceName() const {
    return m_interfaces->currentText().trimmed();
}

void LiveCanDialog::listInterfaces() {
    m_interfaces->clear();
    m_interfaces->addItems(LiveCanSource::interfaces(m_plugins->currentText()));
}

} // namespace cac::app
