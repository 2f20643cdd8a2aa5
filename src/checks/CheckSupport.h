#pragma once

// What the checks share; not for use outside src/checks.

#include "bitmap/SignalBitMap.h"
#include "checks/ConfigChecks.h"

#include <cstdint>

namespace cac {
class ConfigModel;
}

namespace cac::checks {

// A finding of `check` with the check's own severity, or `severity`.
Finding MakeFinding(Check check, Place place, int row, int column, const QString& message,
                    std::optional<Severity> severity = std::nullopt);

// A cell text as messages quote it: in quotes, cut after 40 characters, line
// breaks and tabs shown as blanks.
QString Quoted(const QString& text);

// A number as the conversion equation writes it.
QString NumberText(double value);

// "is read as 12: ..." when a number text reads differently from how it
// looks, or empty.
QString NumberTextProblem(const QString& text);

// Bits as messages name them, bytes counted from 1 as "Filter Loc" and the
// layout picture count them: "Byte 3 bits 7 to 0, Byte 4 bit 7".
QString BitsText(const QList<BitPosition>& bits);

// The warnings of channels that read the same bits of the same frames, one
// on each channel of a pair.
void CheckOverlaps(const ConfigModel& model, QList<Finding>& findings);

// The findings of one channel's row; returns the variable the channel feeds
// (its identifier), or -1 when it feeds none of the catalogue. With
// `variablePending`, a row without a variable is checked all the same.
std::int32_t CheckChannel(const ConfigModel& model, const VariableCatalogue& catalogue, int channel,
                          QList<Finding>& findings, bool variablePending = false);
// The same findings from a row's cells alone: `obdChannel` as
// EncodeChannelRecord has it, `row` the channel the findings name (0 for a
// row on its own).
std::int32_t CheckChannel(const ChannelCells& cells, bool obdChannel,
                          const VariableCatalogue& catalogue, int row, QList<Finding>& findings,
                          bool variablePending = false);
// The same findings of a row whose variable is still to be chosen (an empty
// or "**Do not use**" cell, not OBD channel 15), in their two parts: those of
// the identifier length and identifier, then those of the other settings,
// which read neither identifier cell.
void CheckPendingIdentifier(const ChannelCells& cells, int row, QList<Finding>& findings);
void CheckPendingSettings(const ChannelCells& cells, const VariableCatalogue& catalogue, int row,
                          QList<Finding>& findings);

} // namespace cac::checks
