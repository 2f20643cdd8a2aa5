#pragma once

#include "discover/BitStatistics.h"
#include "discover/FieldSlicer.h"

#include <QList>

#include <cstdint>

// The fields within each byte of one identifier, cut where its bits' flip
// statistics show an edge, and whether the neighbours across a byte boundary
// would join in either order. Within a byte both orders read the bits alike;
// which order a crossing takes the slicer decides for the whole identifier.
namespace cac {

// A run of one byte's bits, most significant first. `top` and `bottom` are
// the strengths of its two edges: 0 (joined for sure) to 1.
struct ByteRun {
    SlicedField field;
    double top = 1, bottom = 1;
};

class ByteRuns {
public:
    // `checksum`: the bits of the identifier's checksum, when a family
    // explained them; no crossing joins into them.
    ByteRuns(const IdentifierBits& bits, const QList<int>& checksum);

    // The runs of the byte, from its bit 7 down to bit 0; none when the byte
    // never came.
    QList<ByteRun> cut(int byte) const;
    // Whether the neighbours across the boundary after `byte` join in that
    // order: both flip, and no edge between them.
    bool joins(FieldOrder order, int byte) const;
    // How much the two bytes step as one number in that order, lower being
    // surer; `width`: the fewer bits of the two runs that would join.
    double joinStrength(FieldOrder order, int byte, int width) const;

private:
    struct Edge {
        bool boundary = true;
        double strength = 1; // 0 (joined for sure) to 1
    };

    bool seen(int bit) const;
    // No field crosses from the checksum's bits into others: their flips
    // follow the frame's other bits by the checksum's algorithm, as busily
    // as a value's low bits and by chance with them, so a crossing into it
    // would vote for an order.
    bool inChecksum(int bit) const { return (m_checksum >> bit & 1) != 0; }
    bool constant(int bit) const;
    bool flickersAtBottom(int bit) const;
    // `high` the more significant of two neighbours in some order.
    Edge edge(int high, int low) const;
    bool copiesBelow(int bit) const;
    void joinCarriedLows(QList<ByteRun>& runs) const;
    bool carriedBy(const ByteRun& lower) const;
    void joinRareJumps(QList<ByteRun>& runs) const;
    bool jumpsWith(const ByteRun& upper, const ByteRun& lower) const;

    const IdentifierBits& m_s;
    std::uint64_t m_checksum = 0; // the checksum's bits
};

} // namespace cac
