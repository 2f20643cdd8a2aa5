#pragma once

#include "discover/BitStatistics.h"

#include <QList>

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

    bool crossesByte() const;
};

struct SlicedIdentifier {
    // The order most of its byte crossings take; each field crossing a byte
    // has its own, so one frame may hold fields of both.
    FieldOrder order = FieldOrder::Intel;
    // Crossings of a byte that only Intel / only Motorola order explains.
    int intelVotes = 0, motorolaVotes = 0;
    QList<SlicedField> fields; // by the byte their most significant bit is in
};

SlicedIdentifier SliceFields(const IdentifierBits& bits);

// The database bits from most to least significant of a frame in that order:
// Intel 63 down to 0; Motorola byte 0's bit 7 to 0, then byte 1's, ...
int SequenceBit(FieldOrder order, int index);

} // namespace cac
