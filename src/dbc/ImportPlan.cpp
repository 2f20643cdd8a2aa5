#include "dbc/ImportPlan.h"

namespace cac {

ChannelImport ImportSignal(const CanDatabase& database, SignalRef ref, int channel,
                           const QString& variableEntry) {
    const DbcMessage& message = database.messages.at(ref.message);
    return {channel, SignalPath(database, ref),
            MapSignalToRow(message, message.signalList.at(ref.signal)), variableEntry, ref};
}

} // namespace cac
