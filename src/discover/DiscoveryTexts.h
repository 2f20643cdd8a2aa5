#pragma once

#include "dbc/SignalRow.h"
#include "discover/SignalDiscovery.h"

#include <QList>
#include <QString>

// The texts a discovery is shown with, the same on the command line and in
// the window.
namespace cac {

// "0x280".
QString IdentifierText(const IdentifierKey& key);
// "11 bit" or "29 bit".
QString IdentifierLengthText(const IdentifierKey& key);
// "Intel" or "Motorola".
QString FieldOrderName(FieldOrder order);
// Seconds as milliseconds with one decimal: "10.0".
QString MillisecondsText(double seconds);
// The data lengths an identifier's frames had: "8", "4/8".
QString LengthsText(const QList<int>& lengths);
// "continuous, signed, either byte order": the field's kind and what else
// sets it apart.
QString FieldKindText(const DiscoveredField& field);
// "start bit 16, 16 bits, Intel standard, Unsigned", or "no channel: why".
QString FieldRowText(const SignalRow& row);
// A fitted number as it is shown: six significant digits.
QString FitNumberText(double value);

} // namespace cac
