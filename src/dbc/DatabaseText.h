#pragma once

#include "dbc/CanDatabase.h"

#include <QByteArray>
#include <QString>

namespace cac {

// A database as CAN database text, lines ending with CR LF: one BO_ per
// message (29-bit identifiers with bit 31 set), one SG_ per signal with its
// layout, factor, offset, range and unit, and the messages' and signals'
// comments as CM_; a multiplexed message's page number "M", its pages'
// signals "mN". Names are taken as they are: they must be identifiers.
QByteArray WriteDatabaseText(const CanDatabase& database);

// A number worked out rather than typed (a factor, a range end), to 15
// significant digits, so that binary noise (3236.7000000000003,
// 0.001949999999999999) stays out.
QString DatabaseNumberText(double value);

// A database string in its quotes: double quotes, backslashes (which some
// readers take as escapes) and line breaks cannot stand in one.
QString DatabaseQuotedText(QString text);

} // namespace cac
