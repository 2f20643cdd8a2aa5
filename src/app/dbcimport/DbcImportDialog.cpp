#include "app/dbcimport/DbcImportDialog.h"

#include "app/dbcimport/SignalPreview.h"
#include "app/dbcimport/SignalTree.h"
#include "app/grid/ListFilterModel.h"
#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"
#include "channels/ConfigModel.h"
#include "dbc/ChannelFill.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace cac::app {
namespace {

constexpr int DefaultWidth = 1100;
constexpr int DefaultHeight = 720;
constexpr int ListLines = 4; // lines a list shows at once: of problems, of the plan

// "&Label: [widget...]", the label's mnemonic taking the keys to the widget.
QHBoxLayout* newLabelledRow(const QString& text, QWidget* widget) {
    auto* label = new QLabel(text);
    label->setBuddy(widget);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(widget, 1);
    return row;
}

// `lines` lines of text at most; more scroll.
void showAtMost(QListWidget* list, int lines, const QFontMetrics& metrics) {
    list->setMaximumHeight(lines * metrics.lineSpacing() + 2 * list->frameWidth() + 4);
}

} // namespace

DbcImportDialog::DbcImportDialog(const QString& path, const ConfigModel& model,
                                 const VariableCatalogue& catalogue, QWidget* parent)
    : QDialog(parent), m_model(model), m_catalogue(catalogue),
      m_proposals(catalogue, model.choiceList(0)) {
    setObjectName(names::DbcDialog);
    setWindowTitle(texts::DbcDialogTitle);

    m_file = new QLabel(this);
    m_file->setObjectName(names::DbcFile);
    m_file->setWordWrap(true);
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problemsBox = new QGroupBox(texts::DbcProblemsTitle, this);
    m_problems = new QListWidget(m_problemsBox);
    m_problems->setObjectName(names::DbcProblems);
    showAtMost(m_problems, ListLines, fontMetrics());
    (new QVBoxLayout(m_problemsBox))->addWidget(m_problems);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(buildSignalSide());
    // The row's twelve cells are taller than a laptop's screen at 150 %:
    // they scroll there, and the dialog keeps to the screen.
    auto* rowSide = new QScrollArea(splitter);
    rowSide->setFrameShape(QFrame::NoFrame);
    rowSide->setWidgetResizable(true);
    rowSide->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rowSide->setFocusPolicy(Qt::NoFocus); // the variable's controls in it take the keys
    rowSide->setWidget(buildRowSide());
    rowSide->setMinimumWidth(rowSide->widget()->minimumSizeHint().width() +
                             rowSide->verticalScrollBar()->sizeHint().width());
    splitter->addWidget(rowSide);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);

    QLayout* channelChoice = buildChannelChoice(); // made before the buttons: Tab reaches it first
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_fill = buttons->addButton(texts::DbcFillButton, QDialogButtonBox::AcceptRole);
    m_fill->setObjectName(names::DbcFill);
    m_fill->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_file);
    layout->addWidget(m_problemsBox);
    layout->addWidget(splitter, 1);
    layout->addLayout(channelChoice);
    layout->addWidget(buttons);

    connect(m_tree, &SignalTree::currentSignalChanged, this, &DbcImportDialog::showCurrentSignal);
    connect(m_tree, &SignalTree::pickedChanged, this, &DbcImportDialog::showPlan);
    read(path);

    const QSize room = (parent ? parent->screen() : screen())->availableGeometry().size() * 0.9;
    resize(std::min(DefaultWidth, room.width()), std::min(DefaultHeight, room.height()));
    m_search->setFocus(Qt::OtherFocusReason);
}

DbcImportDialog::~DbcImportDialog() = default;

QWidget* DbcImportDialog::buildSignalSide() {
    auto* side = new QWidget;
    m_search = new QLineEdit(side);
    m_search->setObjectName(names::DbcSearch);
    m_search->setPlaceholderText(texts::DbcSearchPlaceholder);
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    m_tree = new SignalTree(side);
    m_tree->setObjectName(names::DbcSignals);
    connect(m_search, &QLineEdit::textChanged, m_tree, &SignalTree::filter);

    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(newLabelledRow(texts::DbcSearchLabel, m_search));
    layout->addWidget(m_tree, 1);
    return side;
}

QWidget* DbcImportDialog::buildRowSide() {
    auto* side = new QWidget;
    m_preview = new SignalPreview(m_catalogue, side);
    m_variable = new QComboBox(side);
    m_variable->setObjectName(names::DbcVariable);
    m_variable->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_variable->setMinimumContentsLength(24);
    connect(m_variable, &QComboBox::currentIndexChanged, this, &DbcImportDialog::chooseVariable);
    m_variableFilter = new QLineEdit(side);
    m_variableFilter->setObjectName(names::DbcVariableFilter);
    m_variableFilter->setPlaceholderText(texts::ListFilterPlaceholder);
    m_variableFilter->setClearButtonEnabled(true);
    connect(m_variableFilter, &QLineEdit::textChanged, this, &DbcImportDialog::showCurrentSignal);
    m_variableFilter->installEventFilter(this);

    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_preview);
    QHBoxLayout* variableRow = newLabelledRow(texts::DbcVariableLabel, m_variable);
    variableRow->addWidget(m_variableFilter);
    layout->addLayout(variableRow);
    layout->addStretch(1);
    return side;
}

QLayout* DbcImportDialog::buildChannelChoice() {
    m_channels = new QComboBox(this);
    m_channels->setObjectName(names::DbcChannels);
    m_channels->addItem(texts::DbcNextFree, 0);
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        if (!IsChannelLocked(m_model, channel))
            m_channels->addItem(texts::dbcFromChannel(channel), channel);
    }
    connect(m_channels, &QComboBox::currentIndexChanged, this, &DbcImportDialog::showPlan);
    m_plan = new QListWidget(this);
    m_plan->setObjectName(names::DbcPlan);
    m_plan->setFocusPolicy(Qt::NoFocus); // it only shows what the choices above do
    m_plan->setSelectionMode(QAbstractItemView::NoSelection);
    showAtMost(m_plan, ListLines, fontMetrics());

    auto* choice = new QVBoxLayout;
    choice->addLayout(newLabelledRow(texts::DbcChannelsLabel, m_channels));
    choice->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(choice);
    row->addWidget(m_plan, 1);
    return row;
}

void DbcImportDialog::read(const QString& path) {
    QString error;
    const bool opened = LoadCanDatabase(path, m_database, &error);
    int signalCount = 0;
    for (const DbcMessage& message : m_database.messages)
        signalCount += static_cast<int>(message.signalList.size());
    m_file->setText(texts::dbcFileSummary(
        QDir::toNativeSeparators(path), static_cast<int>(m_database.messages.size()), signalCount));
    m_problems->clear();
    if (!opened)
        m_problems->addItem(texts::dbcCannotRead(error));
    else if (m_database.messages.isEmpty())
        m_problems->addItem(texts::DbcNoMessages);
    for (const DbcProblem& problem : m_database.problems)
        m_problems->addItem(texts::dbcProblem(problem.line, problem.message));
    m_problemsBox->setVisible(m_problems->count() > 0);
    m_tree->showDatabase(m_database, m_model.choiceList(0));
    showCurrentSignal();
    showPlan();
}

void DbcImportDialog::showCurrentSignal() {
    const SignalRef ref = m_tree->currentSignal();
    const QSignalBlocker quiet(m_variable);
    m_variable->clear();
    m_variable->addItem(m_model.choiceList(0).value(0)); // "**Do not use**"
    if (ref.signal < 0) {
        m_variable->setEnabled(false);
        m_preview->showNothing();
        return;
    }
    const DbcMessage& message = m_database.messages.at(ref.message);
    const DbcSignal& signal = message.signalList.at(ref.signal);
    SignalRow row = MapSignalToRow(message, signal);
    const QString chosen = m_tree->currentVariable();
    if (row.importable()) {
        const QString filter = m_variableFilter->text();
        for (const QString& entry : m_proposals.ranked(signal)) {
            // The variable chosen stays, whatever the filter: it is what the box shows.
            if (entry == chosen || EntryMatchesFilter(entry, filter))
                m_variable->addItem(entry);
        }
        if (m_proposals.forSignal(signal).isEmpty())
            row.notes.append({false, ColVariable, texts::dbcNoProposal(signal.unit)});
    }
    m_variable->setEnabled(row.importable());
    m_variableFilter->setEnabled(row.importable());
    m_variable->setCurrentIndex(std::max(m_variable->findText(chosen), 0));
    m_preview->showRow(SignalPath(m_database, ref), row, m_variable->currentText());
}

void DbcImportDialog::chooseVariable(int index) {
    m_tree->setCurrentVariable(index > 0 ? m_variable->itemText(index) : QString());
    showCurrentSignal();
}

QList<int> DbcImportDialog::channelsFor(int count) const {
    return ChannelsToFill(m_model, count, m_channels->currentData().toInt());
}

QList<ChannelImport> DbcImportDialog::plan() const {
    const QList<PickedSignal> picks = m_tree->picked();
    return planFor(picks, channelsFor(static_cast<int>(picks.size())));
}

QList<ChannelImport> DbcImportDialog::planFor(const QList<PickedSignal>& picks,
                                              const QList<int>& channels) const {
    if (picks.isEmpty() || channels.size() < picks.size())
        return {};
    QList<ChannelImport> plan;
    for (qsizetype i = 0; i < picks.size(); ++i)
        plan.append(
            ImportSignal(m_database, picks.at(i).ref, channels.at(i), picks.at(i).variableEntry));
    return plan;
}

void DbcImportDialog::showPlan() {
    m_plan->clear();
    const QList<PickedSignal> picks = m_tree->picked();
    const QList<int> channels = channelsFor(static_cast<int>(picks.size()));
    const QList<ChannelImport> fills = planFor(picks, channels);
    for (const ChannelImport& fill : fills)
        m_plan->addItem(texts::dbcPlanLine(fill.channel, fill.signalPath, fill.variableEntry,
                                           !IsChannelFree(m_model, fill.channel)));
    if (picks.isEmpty())
        m_plan->addItem(texts::DbcNothingPicked);
    else if (fills.isEmpty())
        m_plan->addItem(texts::dbcTooFewChannels(static_cast<int>(channels.size()),
                                                 static_cast<int>(picks.size())));
    m_fill->setEnabled(!fills.isEmpty());
}

// The first variable the filter shows, as Enter in the grid's variable list
// takes it; the choice kept whatever the filter is passed over when the
// filter does not match it. An empty filter changes nothing.
void DbcImportDialog::chooseFirstFiltered() {
    const QString filter = m_variableFilter->text();
    if (filter.isEmpty())
        return;
    for (int index = 0; index < m_variable->count(); ++index) {
        if (EntryMatchesFilter(m_variable->itemText(index), filter)) {
            m_variable->setCurrentIndex(index);
            return;
        }
    }
}

// Down, Enter and Return in the search field go on to the signals, so that
// searching, choosing and ticking need no mouse and Enter fills nothing early.
// Enter in the variable filter chooses a variable, and fills nothing either.
bool DbcImportDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == m_search || watched == m_variableFilter)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (watched == m_variableFilter && enter) {
            chooseFirstFiltered();
            return true;
        }
        if (watched == m_search && (enter || key == Qt::Key_Down)) {
            m_tree->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace cac::app
