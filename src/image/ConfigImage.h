#pragma once

#include "catalogue/VariableCatalogue.h"
#include "channels/ChoiceLists.h"
#include "common/AdapterMemory.h"

#include <QByteArray>
#include <QStringList>

#include <QList>

#include <array>

#include <cstdint>

namespace cac {

class ConfigModel;

inline constexpr int ChannelRecordSize = 24;

// Where the parts of the image lie, for readers of an image.
namespace ImageLayout {
inline constexpr int FirstIdentifiers = 0;   // channels 1 to 6, marker clear
inline constexpr int SecondIdentifiers = 32; // channels 7 to 15, marker clear
inline constexpr int BitTiming = 76;         // 3 bytes
inline constexpr int MarkedIdentifiers = 80; // channels 1 to 15, marker set
inline constexpr int ChannelRecords = 140;   // 15 records of 24 bytes
inline constexpr int ObdTable = 1104;        // masks, then sequence numbers
} // namespace ImageLayout

// Offset of channel 1 to 15's identifier word in the marked or unmarked block.
int IdentifierWordOffset(int channel, bool marked);
// Offset of channel 1 to 15's record.
int ChannelRecordOffset(int channel);

// The adapter's 1140-byte configuration image for the model's current state.
QByteArray BuildConfigImage(const ConfigModel& model, const VariableCatalogue& catalogue);

// Four bytes describing one CAN identifier; `marker` sets bit 2 of byte 1.
QByteArray EncodeIdentifierWord(bool marker, bool extended, std::int32_t id);

// How the builder reads channel row `row`'s identifier cells: 29-bit when the
// "CAN ID length" cell reads exactly 29; the "CAN ID" cell rounded to a 32-bit
// integer, 0 when it does not fit.
bool IsExtendedIdentifier(const ConfigModel& model, int row);
std::int32_t IdentifierNumber(const ConfigModel& model, int row);
// The same readings of a row's cells.
bool IsExtendedIdentifier(const ChannelCells& row);
std::int32_t IdentifierNumber(const ChannelCells& row);

// The three bit-timing bytes for a bit-rate text; 00 00 00 for any text that
// is not one of the list's rates.
QByteArray BitTimingBytes(const QString& baudRateText);

// Priority masks then sequence numbers, one byte per OBD table row each.
QByteArray BuildObdPriorityTable(const QStringList& priorityTexts);

// A byte field of a channel record that takes its byte from a cell's
// number. A number that does not fit the byte is skipped: the field keeps
// the byte of the field before it (`previousOffset`, -1 for the first field,
// whose byte is then 00).
struct RecordNumberField {
    int offset = 0;    // of the byte in the record
    int column = 0;    // the channel-table column it reads
    double number = 0; // what that cell reads as
    bool fits = true;  // false: the byte was carried over
    int previousOffset = -1;
};

// The cells record bytes 0 to 4 are read from.
struct SignalCells {
    QString startBit, length, valueType, byteOrder, filterLoc, filterValue;
};

// Record bytes 0 to 4 for those cells, exactly as EncodeChannelRecord writes
// them: start bit, length (32 for "Float (single)"), the format byte (value
// type, byte order in bits 6 to 4, the filter flag in bit 7), the filter's
// byte position and value.
inline constexpr int SignalFieldBytes = 5;
std::array<std::uint8_t, SignalFieldBytes> EncodeSignalFields(const SignalCells& cells);

// The 24-byte record of channel 1 to 15. `numberFields`, when given, receives
// the fields that read a number, in record order.
QByteArray EncodeChannelRecord(const ConfigModel& model, const VariableCatalogue& catalogue,
                               int channel, QList<RecordNumberField>* numberFields = nullptr);
// The same record for a row's cells alone; `obdChannel`: the row is channel
// 15 while OBD mode is on, which feeds the OBD table (logger code FF FF).
QByteArray EncodeChannelRecord(const ChannelCells& row, bool obdChannel,
                               const VariableCatalogue& catalogue,
                               QList<RecordNumberField>* numberFields = nullptr);

// The channel-table column a record byte comes from: the format byte counts
// as "Value type", the two unused floats as 0.
int RecordByteColumn(int offset);

// The record's multiplier and offset for the numbers read from the "Scale
// factor" and "Offset" cells and the variable's resolution: (CAN value) /
// scale + offset, counted in steps of the resolution. A scale that reads as
// 0 gives the multiplier of no scaling.
float RecordMultiplier(double scale, float resolution);
float RecordOffset(double offset, float resolution);

// The adapter's float layout: sign and fraction bits 22..16, fraction 15..8,
// fraction 7..0, exponent biased by 127.
QByteArray EncodeAdapterFloat(double value);

} // namespace cac
