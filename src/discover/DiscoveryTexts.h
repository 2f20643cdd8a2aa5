#pragma once

#include "dbc/SignalRow.h"
#include "discover/SignalDiscovery.h"
#include "discover/reference/FieldMatch.h"

#include <QList>
#include <QString>

// The texts a discovery is shown with, the same on the command line and in
// the window.
namespace cac {

// "0x280".
QString IdentifierText(const IdentifierKey& key);
// "11 bit" or "29 bit".
QString IdentifierLengthText(const IdentifierKey& key);
// `text` (an identifier, a field's name), followed by " on can1" where the
// log has more than one bus: the same identifier on two buses reads apart.
QString OnBusText(const QString& text, const DiscoveredIdentifier& identifier);
// "0x123", or "0x123 on can1".
QString IdentifierOnBusText(const DiscoveredIdentifier& identifier);
// "Intel" or "Motorola".
QString FieldOrderName(FieldOrder order);
// "bus byte order Motorola: 19 of 20 identifiers whose byte crossings
// decide take it; it is taken where an identifier's own leave it open".
QString BusOrderText(const BusOrder& bus);
// BusOrderText of the log's bus, or of each of its buses after its name
// ("can1: bus byte order Intel: ...").
QStringList BusOrderTexts(const DiscoveryResult& result);
// How the identifier's byte order was found, as its header line ends:
// "Motorola byte order", "Motorola byte order as the bus", "both byte
// orders: each field crossing a byte has its own", "byte order undecided:
// 1 crossing takes Intel, 1 Motorola", or nothing when no crossing and no
// bus tell.
QString IdentifierOrderText(const DiscoveredIdentifier& identifier);
// Seconds as milliseconds with one decimal: "10.0".
QString MillisecondsText(double seconds);
// The data lengths an identifier's frames had: "8", "4/8".
QString LengthsText(const QList<int>& lengths);
// "continuous, signed, either byte order": the field's kind and what else
// sets it apart.
QString FieldKindText(const DiscoveredField& field);
// What the log did not show of the field: "top 3 bits never moved in this
// log; read as unsigned", or nothing when its width and sign are seen.
QString FieldUnseenText(const DiscoveredField& field);
// The same for a fit made on the field: "not certain beyond raw 100 to 127:
// top 3 bits never moved in this log; read as unsigned", with "the other
// byte order fits the log as well" when it does, or nothing.
QString FitUnseenText(const DiscoveredField& field);
// "start bit 16, 16 bits, Intel standard, Unsigned", or "no channel: why".
QString FieldRowText(const SignalRow& row);
// "3232 to 27429": the least and greatest raw value, read with the field's sign.
QString RawRangeText(const DiscoveredField& field);
// "0.96": a confidence from 0 to 1.
QString ConfidenceText(double confidence);
// "0.998": Pearson's r of a match.
QString CorrelationText(double correlation);
// Why a result shows no field at all, or nothing when some identifier had
// frames enough: "The log holds no data frame.", "No identifier has two
// frames: ...".
QString ShortLogNote(const DiscoveryResult& result);
// A fitted number as it is shown: six significant digits.
QString FitNumberText(double value);

// One match as the command line lists it, the field's name padded to 26:
// "F0x280_16_16               r  0.999  scale 4  offset 0  residual 1.3 (fit
// 3.99968, -0.0795)" for a recording; a hint's or marks' score under its name
// with its evidence: "Flag0x1A0_8_1              mark score 1.000  scale 1
// offset 0  (changes at 3 of 3 marks, 0 time(s) elsewhere)".
QString MatchLineText(const QString& field, const MatchRanking& ranking, const FieldMatch& match);

} // namespace cac
