#pragma once

#include "channels/ChoiceLists.h"
#include "dbc/CanDatabase.h"

#include <QList>
#include <QString>

#include <array>

namespace cac {

// Something the user should know about a mapped signal: about one cell, or
// (column 0) about the signal as a whole.
struct MappingNote {
    bool refuses = false; // the signal cannot fill a channel
    int column = 0;
    QString text;
};

// The channel row a signal gives: the texts of columns 2 to 12 exactly as a
// user would choose and type them. The variable (column 1) is the user's
// choice and stays empty here.
struct SignalRow {
    std::array<QString, ChannelGridColumns> cells; // by grid column
    QList<MappingNote> notes;

    // No note refuses the signal. A refused signal sets no cell at all.
    bool importable() const;
    // Columns 2 to 12 joined by "|", or empty for a refused signal.
    QString settingsText() const;
};

// Identifier "0x..." with "11 bit" or "29 bit"; the database's start bit and
// length; "Unsigned", "Signed" or "Float (single)"; "Intel standard" for @1,
// "Motorola forw MSB" for @0 (both read the database's start bit as it is);
// scale factor 1/factor and the offset as ShortestDecimalText; exponent "0";
// a multiplexed signal filtered on its multiplexor's byte and value. Refused:
// doubles, more than 32 bits, bits beyond the 8 data bytes, an identifier too
// wide for its frame, a factor of 0, a scale factor or offset beyond a 32-bit
// float.
SignalRow MapSignalToRow(const DbcMessage& message, const DbcSignal& signal);

// The scale factor for a database factor: the shortest decimal whose inverse,
// written with 15 significant digits as the export writes factors, is the
// factor again, so that export and import give back the scale factor typed
// (9.7, whose factor 0.103092783505155 has the inverse 9.69999999999997).
// Mostly 15 digits or fewer; up to 17 where the factor's 15 digits are finer
// than the scale factor's.
QString ScaleTextForFactor(double factor);

// The shortest decimal text that TextToNumber reads as it reads the value
// rounded to 15 significant digits: 10 gives "10", 1/3 "0.333333333333333",
// 1.5e16 "1.5E+16".
QString ShortestDecimalText(double value);

} // namespace cac
