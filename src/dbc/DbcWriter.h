#pragma once

#include "catalogue/VariableCatalogue.h"

#include <QByteArray>
#include <QStringList>

namespace cac {

class ConfigModel;

struct DbcExport {
    QByteArray text;        // the database, 8-bit text, lines ending with CR LF
    QStringList notWritten; // "channel 4: why", one per channel left out
    int signalCount = 0;
    int messageCount = 0;
};

// The configuration as a CAN database, so other tools show the adapter's
// channels on real traffic: one BO_ per frame the channels in use read (8
// data bytes; 29-bit identifiers with bit 31 set), one SG_ per channel whose
// bits are known and inside the frame. The signal is named after its
// variable; Intel orders become "@1" with their least significant bit,
// Motorola orders "@0" with their most significant bit; factor 1 / scale
// factor, the channel's offset, the variable's unit; SIG_VALTYPE_ for a
// float. A filter becomes a multiplexor: an 8-bit "M" signal at the filter
// byte, the channel "mN" with the filter value. What cannot be said is left
// out and named in a CM_ comment.
DbcExport WriteCanDatabase(const ConfigModel& model, const VariableCatalogue& catalogue);

} // namespace cac
