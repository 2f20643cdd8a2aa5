#pragma once

#include <QByteArray>
#include <QObject>

namespace cac {

class ConfigModel;

// The one answer to "does the table hold unsaved changes": the model's state,
// as the recovery file would hold it, differs from the state last saved or
// loaded (or from the start-up state before either). An edit taken back by
// hand is therefore no change.
class UnsavedChanges : public QObject {
    Q_OBJECT
public:
    // Starts with the model's present state as the saved one.
    explicit UnsavedChanges(const ConfigModel* model, QObject* parent = nullptr);

    bool unsaved() const;
    // The model's present state is now the saved one (after a save or a load).
    void markSaved();

signals:
    // Anything in the table, the bit rate, the priorities or the OBD mode changed.
    void tableChanged();
    void unsavedChanged(bool unsaved);

private:
    void noteChange();
    void evaluate() const;

    const ConfigModel* m_model;
    QByteArray m_saved;
    // A load writes 180 cells: the state is compared once they are written.
    mutable bool m_stale = false;
    mutable bool m_unsaved = false;
    bool m_reported = false; // what unsavedChanged said last
    bool m_evaluationQueued = false;
};

} // namespace cac
