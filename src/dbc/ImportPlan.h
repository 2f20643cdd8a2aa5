#pragma once

#include "dbc/CanDatabase.h"
#include "dbc/SignalRow.h"

#include <QList>
#include <QString>

// What an import from a CAN database will do, before it does it: which
// signal fills which channel with which row. The window's import dialog and
// the command line's import make the same plan and carry it out the same way.
namespace cac {

// One channel that one signal fills.
struct ChannelImport {
    int channel = 0;       // 1 to 15; 0 until the channels are chosen
    QString signalPath;    // "MESSAGE.SIGNAL"
    SignalRow row;         // the cells the signal gives, with notes on them
    QString variableEntry; // empty: the channel's variable cell is left to the user
    SignalRef ref;
};

// The import of the database's signal `ref` into `channel`.
ChannelImport ImportSignal(const CanDatabase& database, SignalRef ref, int channel = 0,
                           const QString& variableEntry = {});

} // namespace cac
