#include "app/editing/EditHistory.h"

#include "app/editing/EditTexts.h"
#include "obd/ObdParameters.h"

#include <QTimer>
#include <QUndoStack>

#include <utility>

namespace cac::app {

// One step: the store before and after. Pushing it does not apply it again.
class EditHistory::Step : public QUndoCommand {
public:
    Step(EditHistory* history, const QString& name, ConfigSnapshot before, ConfigSnapshot after,
         bool bitRateOnly)
        : QUndoCommand(name), m_history(history), m_before(std::move(before)),
          m_after(std::move(after)), m_bitRateOnly(bitRateOnly) {}

    void undo() override { m_history->restore(m_before); }
    void redo() override {
        if (m_pushed)
            m_history->restore(m_after);
        m_pushed = true;
    }
    // Typing a bit rate changes the text at every key: one step for all of it.
    int id() const override { return m_bitRateOnly ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        m_after = static_cast<const Step*>(other)->m_after;
        return true;
    }

private:
    EditHistory* m_history;
    ConfigSnapshot m_before;
    ConfigSnapshot m_after;
    bool m_bitRateOnly;
    bool m_pushed = false;
};

EditHistory::EditHistory(ConfigModel* model, QObject* parent)
    : QObject(parent), m_model(model), m_stack(new QUndoStack(this)), m_settled(model->snapshot()) {
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex&, const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole))
                    noteCell(topLeft.row() + 1, topLeft.column() + 1);
            });
    connect(model, &ConfigModel::baudRateTextChanged, this, &EditHistory::noteChange);
    connect(model, &ConfigModel::obdPriorityChanged, this, &EditHistory::noteChange);
    connect(model, &ConfigModel::obdModeChanged, this, &EditHistory::noteChange);
}

EditHistory::~EditHistory() = default;

EditHistory::Scope::Scope(EditHistory* history, const QString& name) : m_history(history) {
    if (!m_history)
        return;
    m_history->settle(); // what came before is a step of its own
    if (m_history->m_scopes++ == 0)
        m_history->m_scopeName = name;
}

EditHistory::Scope::~Scope() {
    if (m_history && --m_history->m_scopes == 0)
        m_history->settleAs(m_history->m_scopeName);
}

void EditHistory::noteCell(int row, int column) {
    if (!m_restoring && m_firstRow == 0) {
        m_firstRow = row;
        m_firstColumn = column;
    }
    noteChange();
}

void EditHistory::noteChange() {
    if (m_restoring || m_settlePosted)
        return;
    m_settlePosted = true;
    QTimer::singleShot(0, this, [this] {
        m_settlePosted = false;
        if (m_scopes == 0)
            settle();
    });
}

void EditHistory::settle() {
    if (m_scopes == 0)
        settleAs(QString());
}

void EditHistory::settleAs(const QString& name) {
    ConfigSnapshot now = m_model->snapshot();
    const int row = m_firstRow;
    const int column = m_firstColumn;
    m_firstRow = m_firstColumn = 0;
    if (now == m_settled)
        return;
    const bool bitRateOnly = name.isEmpty() && now.baudRate != m_settled.baudRate &&
                             now.cells == m_settled.cells && now.obdMode == m_settled.obdMode &&
                             now.priorities == m_settled.priorities;
    const QString shown = name.isEmpty() ? nameOfChange(now, row, column) : name;
    ConfigSnapshot before = std::exchange(m_settled, now);
    m_stack->push(new Step(this, shown, std::move(before), std::move(now), bitRateOnly));
}

QString EditHistory::nameOfChange(const ConfigSnapshot& now, int row, int column) const {
    if (now.obdMode != m_settled.obdMode)
        return texts::stepObdMode(now.obdMode);
    if (now.cells != m_settled.cells) {
        if (row > 0)
            return texts::stepCell(row, column);
        return texts::StepCells;
    }
    if (now.baudRate != m_settled.baudRate)
        return texts::StepBitRate;
    for (int obdRow = 1; obdRow <= ObdParameterCount; ++obdRow) {
        if (now.priorities.value(obdRow - 1) != m_settled.priorities.value(obdRow - 1))
            return texts::stepPriority(obdRow);
    }
    return texts::StepCells;
}

void EditHistory::restore(const ConfigSnapshot& values) {
    m_restoring = true;
    m_model->restore(values);
    m_restoring = false;
    m_settled = values;
    m_firstRow = m_firstColumn = 0;
}

void EditHistory::reset() {
    m_stack->clear();
    m_settled = m_model->snapshot();
    m_firstRow = m_firstColumn = 0;
}

void EditHistory::undo() {
    settle(); // a change not yet recorded is undone first
    m_stack->undo();
}

void EditHistory::redo() {
    settle();
    m_stack->redo();
}

} // namespace cac::app
