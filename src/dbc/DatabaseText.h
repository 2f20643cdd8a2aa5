#pragma once

#include "dbc/CanDatabase.h"

#include <QByteArray>

namespace cac {

// A database as CAN database text, lines ending with CR LF: one BO_ per
// message (29-bit identifiers with bit 31 set), one SG_ per signal with its
// layout, factor, offset, range and unit, and the messages' and signals'
// comments as CM_; a multiplexed message's page number "M", its pages'
// signals "mN". Names are taken as they are: they must be identifiers.
QByteArray WriteDatabaseText(const CanDatabase& database);

} // namespace cac
