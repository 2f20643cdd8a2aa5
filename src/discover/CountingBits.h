#pragma once

#include "discover/BitStatistics.h"
#include "discover/FieldTally.h"

#include <QList>

// Whether bits flip as a counter's do, from their flip statistics alone.
namespace cac {

// How often the at-th of a field's bits flips, counted from its lowest (1).
double FlipsFromBottom(const QList<int>& bits, const IdentifierBits& s, int at);

// How many of the field's bits (most significant first), from its lowest up,
// flip as a count's do: the lowest in at least `lowestRate` of the frames,
// each one above about half as often as the one below. 0 where the lowest
// flips too seldom.
int HalvingBits(const QList<int>& bits, const IdentifierBits& s,
                double lowestRate = FieldTally::CountingShare);

// Some moving bit of `bits` (a mask of database bits) and the one above it in
// its byte, also in `bits`, flip as a counter's lowest two bits do.
bool HoldsCounter(std::uint64_t bits, const IdentifierBits& s);

} // namespace cac
