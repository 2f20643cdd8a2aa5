#include "app/discover/ChannelChooser.h"

#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverTexts.h"
#include "channels/ConfigModel.h"
#include "dbc/ChannelFill.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace cac::app {

ChannelChooser::ChannelChooser(const ConfigModel* model, CurrentRow currentRow, QWidget* parent)
    : QWidget(parent), m_model(model), m_currentRow(std::move(currentRow)), m_channel(new QSpinBox),
      m_use(new QPushButton), m_note(new QLabel) {
    m_channel->setObjectName(names::DiscoverChannel);
    m_channel->setRange(1, ChannelCount);
    m_use->setObjectName(names::DiscoverUse);
    m_note->setObjectName(names::DiscoverChannelNote);
    m_note->setWordWrap(true);
    auto* label = new QLabel(texts::DiscoverChannel);
    label->setBuddy(m_channel);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_channel);
    row->addWidget(m_use);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(m_note);
    connect(m_channel, &QSpinBox::valueChanged, this, &ChannelChooser::describe);
    connect(m_use, &QPushButton::clicked, this, [this] { emit useRequested(channel()); });
    // A filled or emptied channel changes what Use would do there.
    connect(model, &QAbstractItemModel::dataChanged, this, &ChannelChooser::describe);
    connect(model, &QAbstractItemModel::modelReset, this, &ChannelChooser::describe);
    connect(model, &ConfigModel::obdModeChanged, this, &ChannelChooser::describe);
    propose();
}

int ChannelChooser::channel() const {
    return m_channel->value();
}

void ChannelChooser::propose() {
    const int current = m_currentRow ? m_currentRow() : 0;
    int chosen = current;
    if (current < 1 || current > ChannelCount || !IsChannelFree(*m_model, current)) {
        const QList<int> free = FreeChannels(*m_model);
        chosen = !free.isEmpty() ? free.first() : std::clamp(current, 1, ChannelCount);
    }
    m_channel->setValue(chosen);
    describe(); // also when the value stayed
}

void ChannelChooser::setUsable(bool usable) {
    m_usable = usable;
    describe();
}

void ChannelChooser::describe() {
    const int n = channel();
    m_use->setText(texts::discoverUse(n));
    const bool locked = IsChannelLocked(*m_model, n);
    m_use->setEnabled(m_usable && !locked);
    m_note->setVisible(m_usable); // without a match there is nothing to say of the channel
    const QList<int> free = FreeChannels(*m_model);
    if (locked)
        m_note->setText(texts::discoverChannelObd(n));
    else if (!IsChannelFree(*m_model, n))
        m_note->setText(texts::discoverChannelReplaces(n));
    else if (m_currentRow && m_currentRow() == n)
        m_note->setText(texts::discoverChannelCurrent(n));
    else if (free.first() == n)
        m_note->setText(texts::discoverChannelFirstFree(n));
    else
        m_note->setText(texts::discoverChannelEmpty(n));
}

} // namespace cac::app
