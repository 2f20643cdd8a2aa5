#pragma once

#include "discover/BitStatistics.h"

#include <QList>

#include <optional>
#include <vector>

// Where an identifier's fields begin and end, from its bits' flip statistics
// alone. Within a field that counts up and down, a bit flips less often than
// the bit below it and seldom without it; where the next field begins the
// flip rate drops again, or the bits flip independently.
namespace cac {

enum class FieldOrder {
    Intel,    // least significant byte first ("@1")
    Motorola, // most significant byte first ("@0")
};

struct SlicedField {
    QList<int> bits; // database bit numbers, most significant first
    FieldOrder order = FieldOrder::Intel;
    bool constant = false;
    // The field crosses a byte, and the other byte order would join those
    // bytes just as well.
    bool orderUndecided = false;
    // How clearly its two ends stand out from the neighbours: 0.5 (barely)
    // to 1 (the frame's edge, a constant neighbour, a sharp drop).
    double edgeClarity = 1;
    // The bits just below its lowest, across a byte boundary in its order,
    // step at random against it: a checksum's or a counter's piece, or its
    // own noisy lowest bits. Whether their steps carry into it decides.
    bool randomBelow = false;
    // Its bits were seen all ones between zeros (OnesRuns): that value is a
    // "not available" code, not a two's complement -1, and it reads unsigned.
    bool onesCode = false;

    bool crossesByte() const;
};

struct SlicedIdentifier {
    // The order most of its byte crossings take; each field crossing a byte
    // has its own, so one frame may hold fields of both.
    FieldOrder order = FieldOrder::Intel;
    // Crossings of a byte that only Intel / only Motorola order explains.
    int intelVotes = 0, motorolaVotes = 0;
    // Its crossings left the order open and the bus's order was taken.
    bool orderFromBus = false;
    QList<SlicedField> fields; // by the byte their most significant bit is in

    bool orderDecided() const { return intelVotes != motorolaVotes; }
};

// `busOrder`: the order to take where the identifier's own crossings vote
// for neither (Intel without one). `checksum`: the bits of the identifier's
// checksum, when a family explained them; a field never crosses into them.
SlicedIdentifier SliceFields(const IdentifierBits& bits,
                             std::optional<FieldOrder> busOrder = std::nullopt,
                             const QList<int>& checksum = {});

// The order most identifiers of one bus take: makers keep one order for a
// bus. Learnt from the identifiers whose crossings decide their order; none
// when too few decide or they disagree.
struct BusOrder {
    std::optional<FieldOrder> order;
    int intel = 0, motorola = 0; // identifiers whose crossings decide each order

    // Below this many deciding identifiers one frame's habit is no bus's.
    static constexpr int MinDeciding = 3;
    // The order must be this share of the deciding identifiers: a bus of
    // mixed orders (a standard's frames beside a maker's) gives no prior.
    static constexpr double MinShare = 0.75;
};
BusOrder LearnBusOrder(const std::vector<SlicedIdentifier>& identifiers);

// The database bits from most to least significant of a frame in that order:
// Intel 63 down to 0; Motorola byte 0's bit 7 to 0, then byte 1's, ...
int SequenceBit(FieldOrder order, int index);

} // namespace cac
