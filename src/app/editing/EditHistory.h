#pragma once

#include "channels/ConfigModel.h"

#include <QObject>
#include <QString>

class QUndoStack;

namespace cac::app {

// The undo history of everything the user changes in the store: cells, bit
// rate, priorities, OBD mode. It needs no help from the code that changes
// them: whatever changed during one event (a list choice with the defaults
// it filled, a typed text, a file load) becomes one step when control is
// back in the event loop, named after the cell it changed first. Actions
// that change many cells name their step with a Scope. A step keeps the
// values before and after, so undo puts back every text byte for byte.
class EditHistory : public QObject {
    Q_OBJECT
public:
    explicit EditHistory(ConfigModel* model, QObject* parent = nullptr);
    ~EditHistory() override;

    QUndoStack* stack() const { return m_stack; }

    // Makes every change while it lives one step named `name`, also those
    // made while a dialog waits; no step when nothing changed.
    class Scope {
    public:
        Scope(EditHistory* history, const QString& name);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        EditHistory* m_history;
    };

    // Records what changed since the last step now, instead of when the
    // event loop comes round.
    void settle();
    // Forgets every step: the store as it is now is where undo stops.
    void reset();

    void undo();
    void redo();

private:
    class Step;

    void noteCell(int row, int column);
    void noteChange();
    void settleAs(const QString& name);
    // Named after the first cell written, or what else changed.
    QString nameOfChange(const ConfigSnapshot& now, int row, int column) const;
    void restore(const ConfigSnapshot& values);

    ConfigModel* m_model;
    QUndoStack* m_stack;
    ConfigSnapshot m_settled; // the store as the newest step left it
    int m_scopes = 0;
    QString m_scopeName;
    bool m_settlePosted = false;
    bool m_restoring = false;
    int m_firstRow = 0; // the first cell written since the last step
    int m_firstColumn = 0;
};

} // namespace cac::app
