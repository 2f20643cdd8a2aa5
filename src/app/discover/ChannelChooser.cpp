#include "app/discover/ChannelChooser.h"

#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverTexts.h"
#include "channels/ConfigModel.h"
#include "dbc/ChannelFill.h"
#include "dbc/VariableProposals.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace cac::app {

ChannelChooser::ChannelChooser(const ConfigModel* model, const VariableCatalogue& catalogue,
                               CurrentRow currentRow, QWidget* parent)
    : QWidget(parent), m_model(model), m_catalogue(catalogue), m_currentRow(std::move(currentRow)),
      m_scale(new QLineEdit), m_offset(new QLineEdit), m_variable(new QComboBox),
      m_channel(new QSpinBox), m_use(new QPushButton), m_note(new QLabel), m_unitNote(new QLabel) {
    m_scale->setObjectName(names::DiscoverScale);
    m_offset->setObjectName(names::DiscoverOffset);
    m_variable->setObjectName(names::DiscoverVariable);
    // A long variable name widens the popup, never the panel.
    m_variable->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_variable->setMinimumContentsLength(12);
    const auto labelled = [](QHBoxLayout* row, const QString& text, QWidget* widget, int stretch) {
        auto* label = new QLabel(text);
        label->setBuddy(widget);
        row->addWidget(label);
        row->addWidget(widget, stretch);
    };
    auto* settings = new QHBoxLayout;
    labelled(settings, texts::DiscoverScale, m_scale, 1);
    labelled(settings, texts::DiscoverOffset, m_offset, 1);
    labelled(settings, texts::DiscoverVariable, m_variable, 2);
    m_channel->setObjectName(names::DiscoverChannel);
    m_channel->setRange(1, ChannelCount);
    m_use->setObjectName(names::DiscoverUse);
    m_note->setObjectName(names::DiscoverChannelNote);
    m_note->setWordWrap(true);
    m_unitNote->setObjectName(names::DiscoverUnitNote);
    m_unitNote->setWordWrap(true);
    m_unitNote->hide();
    auto* label = new QLabel(texts::DiscoverChannel);
    label->setBuddy(m_channel);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_channel);
    row->addWidget(m_use);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(settings);
    layout->addWidget(m_unitNote);
    layout->addLayout(row);
    layout->addWidget(m_note);
    connect(m_channel, &QSpinBox::valueChanged, this, &ChannelChooser::describe);
    connect(m_channel, &QSpinBox::valueChanged, this, &ChannelChooser::compareUnits);
    connect(m_variable, &QComboBox::currentIndexChanged, this, &ChannelChooser::compareUnits);
    connect(m_use, &QPushButton::clicked, this, [this] { emit useRequested(channel()); });
    // A filled or emptied channel changes what Use would do there.
    connect(model, &QAbstractItemModel::dataChanged, this, &ChannelChooser::describe);
    connect(model, &QAbstractItemModel::modelReset, this, &ChannelChooser::describe);
    connect(model, &ConfigModel::obdModeChanged, this, &ChannelChooser::describe);
    withdraw();
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

void ChannelChooser::offer(const QString& scale, const QString& offset, const QString& variable,
                           const QString& unit) {
    const bool first = !m_usable;
    // The same offer again (live traffic analysed anew) keeps what was typed.
    const QStringList offered{scale, offset, variable, unit};
    if (!first && offered == m_offered)
        return describe();
    m_offered = offered;
    m_usable = true;
    // The proposal stays readable behind whatever is typed over it.
    for (auto [box, text] : {std::pair{m_scale, scale}, std::pair{m_offset, offset}}) {
        box->setText(text);
        box->setPlaceholderText(text);
        box->setEnabled(true);
    }
    // The list is filled again only when the catalogue changed it.
    if (const QStringList entries = m_model->choiceList(0);
        m_variable->count() != entries.size() + 1 || m_entries != entries) {
        m_entries = entries;
        m_variable->clear();
        m_variable->addItem(texts::DiscoverVariableKept, QString());
        for (const QString& entry : entries)
            m_variable->addItem(entry, entry);
    }
    m_variable->setCurrentIndex(std::max(0, m_variable->findData(variable)));
    m_variable->setEnabled(true);
    compareUnits();
    if (first)
        propose();
    describe();
}

void ChannelChooser::withdraw() {
    m_usable = false;
    m_offered.clear();
    for (QLineEdit* box : {m_scale, m_offset}) {
        box->clear();
        box->setPlaceholderText({});
        box->setEnabled(false);
    }
    m_variable->setCurrentIndex(-1);
    m_variable->setEnabled(false);
    compareUnits();
    describe();
}

QString ChannelChooser::scaleText() const {
    const QString typed = m_scale->text().trimmed();
    return typed.isEmpty() ? m_scale->placeholderText() : typed;
}

QString ChannelChooser::offsetText() const {
    const QString typed = m_offset->text().trimmed();
    return typed.isEmpty() ? m_offset->placeholderText() : typed;
}

QString ChannelChooser::variableEntry() const {
    return m_variable->currentData().toString();
}

// Said before Use: a scale fitted in kPa logged as a variable in [mBar] is a
// factor of ten off. The channel's own variable, kept, is looked up too.
void ChannelChooser::compareUnits() {
    QString entry = variableEntry();
    if (entry.isEmpty() && m_usable)
        entry = m_model->cell(channel(), ColVariable);
    const QString why = m_usable && m_offered.size() == 4
                            ? UnitMismatchText(m_offered[3], m_catalogue, entry)
                            : QString();
    m_unitNote->setText(why.isEmpty() ? QString() : texts::discoverUnitsDiffer(why));
    m_unitNote->setVisible(!why.isEmpty());
}

void ChannelChooser::describe() {
    const int n = channel();
    m_use->setText(texts::discoverUse(n));
    const bool locked = IsChannelLocked(*m_model, n);
    m_use->setEnabled(m_usable && !locked);
    m_note->setVisible(m_usable); // without a field there is nothing to say of the channel
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
