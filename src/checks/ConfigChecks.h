#pragma once

#include "catalogue/VariableCatalogue.h"
#include "channels/ChoiceLists.h"
#include "checks/Finding.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace cac {

class ConfigModel;

// Every check, with its stable code (CheckCode) and severity.
enum class Check {
    // The channel's variable.
    VariableUnknown,    // "variable-unknown", error: the text names no catalogue entry
    VariableNotLogged,  // "variable-not-logged", error: the variable gets no logger code
    VariableDuplicate,  // "variable-duplicate", warning: an earlier channel feeds it too
    NoVariable,         // "no-variable", warning: settings, but no variable
    ObdTextWithoutObd,  // "obd-text-without-obd", warning: "USED FOR OBD" with OBD mode off
    ObdChannelSettings, // "obd-channel-settings", warning: channel 15's settings in OBD mode
    // The frame and the signal.
    IdLengthUnlisted,   // "id-length-unlisted", warning
    IdentifierRange,    // "identifier-range", error: beyond 0x7FF or 0x1FFFFFFF
    FilterLocUnlisted,  // "filter-loc-unlisted", error (warning when it works like a byte)
    FilterValueUnused,  // "filter-value-unused", warning: a value with "No Filter"
    FilterValueMissing, // "filter-value-missing", warning: a filter byte, no value
    BitsBeyondFrame,    // "bits-beyond-frame", error: bits outside the frame's 8 data bytes
    BitsOverlap,        // "bits-overlap", warning: another channel reads the same bits
    FilterInSignal,     // "filter-in-signal", warning: the filter byte is part of the signal
    LayoutUnknown,      // "layout-unknown", note: the byte order's bits cannot be placed
    LengthRange,        // "length-range", error: 0 bits or more than 32
    FloatLength,        // "float-length", error: "Float (single)" with a length other than 32
    ValueTypeUnlisted,  // "value-type-unlisted", error
    ByteOrderUnlisted,  // "byte-order-unlisted", error
    // Numbers.
    ByteOverflow,    // "byte-overflow", error: the byte repeats the field before it
    NumberText,      // "number-text", warning: reads differently from how it looks
    NumberRounded,   // "number-rounded", warning: not a whole number
    NumberEmpty,     // "number-empty", note: an empty cell reads as 0
    ScaleZero,       // "scale-zero", error: the scale factor reads as 0
    ExponentRange,   // "exponent-range", error: beyond the signed byte -128 to 127
    ExponentNotTime, // "exponent-not-time", warning
    // What a saved file can carry.
    CellSeparator,    // "cell-separator", error: "|" in a cell
    CellLineBreak,    // "cell-line-break", error: a CR in a cell
    CellNot8Bit,      // "cell-not-8-bit", error: characters the file's code page lacks
    BitRateUnlisted,  // "bit-rate-unlisted", error
    PriorityUnlisted, // "priority-unlisted", warning
};
inline constexpr int CheckCount = static_cast<int>(Check::PriorityUnlisted) + 1;

// The stable code of a check, as findings carry it.
QString CheckCode(Check check);

// Explains what the image will get from the model's settings and why that is
// probably not what they mean: findings in channel and column order, then the
// bit rate, then the OBD priorities. Reads only; it changes nothing the
// program stores or builds.
QList<Finding> CheckConfiguration(const ConfigModel& model, const VariableCatalogue& catalogue);

// The findings of one channel row on its own, as channel 1 of a configuration
// in its start-up state: for a row about to be filled in, such as one a CAN
// signal gives. An empty or "**Do not use**" variable cell means the variable
// is still to be chosen, and the other settings are checked all the same.
// The findings are those of channel 0: they name only their column.
// With `memo`, the findings in a pending row's settings beside its identifier
// are kept by those settings for the next row alike: a listing checks
// thousands of rows that differ mostly in their identifiers. One memo serves
// one catalogue.
struct RowCheckMemo {
    QHash<QStringList, QList<Finding>> settings; // by the cells, identifier cells left empty
};
QList<Finding> CheckChannelRow(const ChannelCells& cells, const VariableCatalogue& catalogue,
                               RowCheckMemo* memo = nullptr);

// The number a text shows to a person (plain decimal with a point or comma,
// or "0x" and up to eight hexadecimal digits), or nullopt for any other text.
// Where it differs from TextToNumber, the image gets what the person did
// not mean.
std::optional<double> ShownNumber(const QString& text);

} // namespace cac
