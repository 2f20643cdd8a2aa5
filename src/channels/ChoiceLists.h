#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The fixed texts of the channel table: column titles, the in-cell choice
// lists and the defaults. Cells and files hold these texts verbatim.
namespace cac {

inline constexpr int ChannelCount = 15;
inline constexpr int ChannelGridRows = 16;    // title row + 15 channels
inline constexpr int ChannelGridColumns = 13; // channel number + 12 settings
inline constexpr int ChoiceListCount = 7;     // Combo(0) to Combo(6)

// The cells of one channel row, by grid column (column 0 the channel number).
using ChannelCells = std::array<QString, ChannelGridColumns>;

// Setting columns of the channel grid.
enum Column : int {
    ColVariable = 1,
    ColIdLength = 2,
    ColCanId = 3,
    ColFilterLoc = 4,
    ColFilterVal = 5,
    ColStartBit = 6,
    ColLength = 7,
    ColValueType = 8,
    ColByteOrder = 9,
    ColScale = 10,
    ColOffset = 11,
    ColExponent = 12,
};

// Title of column c (0 to 12) in row 0; two-line titles are joined by CR LF.
QString ColumnTitle(int column);
// Its first line, the column's name: the hint on the second is for the grid.
QString ColumnName(int column);

// Entries of the fixed lists Combo(1) to Combo(6), in list order.
QStringList FixedChoiceList(int comboIndex);

// One sentence on where an entry of the byte-order list (Combo(5)) puts the
// start bit and how the signal's bits run; empty for any other text.
QString ByteOrderExplanation(const QString& entry);

// Which list edits column c (0 to 6), or -1 for a free-text column.
int ComboForColumn(int column);

// Default text FillRowDefaults writes into an empty cell of column c (2 to 12;
// column 1 takes the first entry of the variable list).
QString ColumnDefault(int column);

// Bit-rate list entries, "1 Mbit" to "33.3 kbit", and the start-up choice.
QStringList BaudRateEntries();
inline const QString StartupBaudRate = QStringLiteral("500 kbit");

inline const QString UsedForObdText = QStringLiteral("USED FOR OBD");

} // namespace cac
