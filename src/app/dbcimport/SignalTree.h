#pragma once

#include "dbc/CanDatabase.h"

#include <QList>
#include <QTreeWidget>

namespace cac::app {

// A ticked signal and the variable list entry chosen for it (empty: none).
struct PickedSignal {
    SignalRef ref;
    QString variableEntry;
};

// The messages of a CAN database with their signals below them: name,
// identifier, bits, unit and comment. A signal that can fill a channel has a
// check box; the ticked ones are the picks, in the order they were ticked. A
// signal that cannot is greyed, with the reason in its tool tip. Each signal
// item also keeps the variable chosen for it while the tree lives.
class SignalTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit SignalTree(QWidget* parent = nullptr);

    // The database must outlive the tree's use of it. A signal whose comment
    // names a variable of `variableList` (as an exported database does)
    // starts with that variable chosen.
    void showDatabase(const CanDatabase& database, const QStringList& variableList);
    // Shows the signals the search text finds, below their messages; the
    // current item moves to the first of them when it was hidden.
    void filter(const QString& text);

    // The signal of the current item, or a null ref on a message.
    SignalRef currentSignal() const;
    QString currentVariable() const;
    void setCurrentVariable(const QString& variableEntry);

    QList<PickedSignal> picked() const;

signals:
    void currentSignalChanged();
    void pickedChanged();

private:
    void takeTick(QTreeWidgetItem* item);
    static SignalRef refOf(const QTreeWidgetItem* item);

    const CanDatabase* m_database = nullptr;
    QList<QTreeWidgetItem*> m_picked; // in the order of ticking
};

} // namespace cac::app
