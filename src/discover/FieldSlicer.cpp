// Field boundaries from bit-flip statistics, after the idea of READ (Marchetti
// and Stabili, IEEE TIFS 2019): the flip rate of a field's bits rises from its
// most to its least significant bit and drops where the next field begins.
// A second sign tells two slow fields apart, which flip rates alone cannot: a
// bit of a counting field flips only with a carry from the bit below, so it
// seldom flips alone; bits of different fields flip independently.
#include "discover/FieldSlicer.h"

#include <algorithm>
#include <cmath>

namespace cac {
namespace {

struct Edge {
    bool boundary = true;
    double strength = 1; // 0 (joined for sure) to 1
};

int toIndex(FieldOrder order, int bit) {
    if (order == FieldOrder::Intel)
        return 63 - bit;
    return bit / 8 * 8 + 7 - bit % 8;
}

class Slicer {
public:
    explicit Slicer(const IdentifierBits& s) : m_s(s) {}

    bool seen(int bit) const { return m_s.byteSeen[bit / 8] > 0; }
    bool constant(int bit) const { return m_s.flips[bit] == 0; }

    // `high` the more significant of two neighbours in some order.
    Edge edge(int high, int low) const {
        if (!seen(high) || !seen(low))
            return {};
        if (constant(high) || constant(low)) {
            // Constant runs split where a byte ends; they join nothing else.
            const bool joined = constant(high) && constant(low) && high / 8 == low / 8;
            return {!joined, joined ? 0.0 : 1.0};
        }
        const double fa = static_cast<double>(m_s.flips[high]);
        const double fb = static_cast<double>(m_s.flips[low]);
        double drop = 0;
        bool boundary = false;
        if (fb < 0.6 * fa && fa - fb > 2 * std::sqrt(fa)) {
            boundary = true;
            drop = 1 - fb / fa;
        }
        // The high bit flipping without the low one, against how often that
        // would happen if the two were independent.
        const qint64 alone = high == low + 1                     ? m_s.flipsAlone[high]
                             : high % 8 == 0 && low == high + 15 ? m_s.flipsAloneMotorola[high / 8]
                                                                 : m_s.flips[high];
        const double ra = m_s.rate(high), rb = m_s.rate(low);
        // Bits of one counting field flip together (a carry) more often
        // than chance would have them; bits of two fields only by chance.
        const double together = fa - static_cast<double>(alone);
        const double chance = fa * rb;
        const bool independent = together <= chance + 2 * std::sqrt(chance) + 0.5;
        double carry = 0;
        if (ra < 0.4 && independent && alone >= 1) {
            boundary = true;
            carry = std::min(1.0, 1.25 - ra / 0.4);
        }
        const double ratio =
            std::min(1.0, static_cast<double>(alone) / fa / std::max(1 - rb, 1e-9));
        if (!boundary)
            return {false,
                    std::max(ratio * (1 - 2 * std::min(ra, 0.5)), fb < fa ? 1 - fb / fa : 0)};
        return {true, std::max(drop, carry)};
    }

    QList<SlicedField> slice(FieldOrder order) const {
        QList<SlicedField> fields;
        SlicedField current;
        double topStrength = 1;
        const auto close = [&](double bottom) {
            if (!current.bits.isEmpty()) {
                current.constant = constant(current.bits.first());
                current.order = order;
                current.edgeClarity = std::clamp(std::min(topStrength, bottom), 0.5, 1.0);
                fields.append(current);
            }
            current = {};
        };
        for (int k = 0; k < 64; ++k) {
            const int bit = SequenceBit(order, k);
            if (!seen(bit)) {
                close(1);
                topStrength = 1;
                continue;
            }
            if (!current.bits.isEmpty()) {
                const Edge e = edge(current.bits.last(), bit);
                if (e.boundary) {
                    close(e.strength);
                    topStrength = e.strength;
                }
            }
            current.bits.append(bit);
        }
        close(1);
        return fields;
    }

    // Whether the neighbours across the byte boundary after `byte` join in
    // that order: both flip, and no boundary between them.
    bool joins(FieldOrder order, int byte) const {
        const int high = order == FieldOrder::Intel ? 8 * byte + 8 : 8 * byte;
        const int low = order == FieldOrder::Intel ? 8 * byte + 7 : 8 * byte + 15;
        return seen(high) && seen(low) && !constant(high) && !constant(low) &&
               !edge(high, low).boundary;
    }

private:
    const IdentifierBits& m_s;
};

} // namespace

bool SlicedField::crossesByte() const {
    return !bits.isEmpty() && bits.first() / 8 != bits.last() / 8;
}

int SequenceBit(FieldOrder order, int index) {
    // Both numberings are their own inverse.
    return toIndex(order, index);
}

SlicedIdentifier SliceFields(const IdentifierBits& bits) {
    const Slicer slicer(bits);
    SlicedIdentifier out;
    for (int byte = 0; byte < 7; ++byte) {
        const bool intel = slicer.joins(FieldOrder::Intel, byte);
        const bool motorola = slicer.joins(FieldOrder::Motorola, byte);
        out.intelVotes += intel && !motorola;
        out.motorolaVotes += motorola && !intel;
    }
    out.order = out.motorolaVotes > out.intelVotes ? FieldOrder::Motorola : FieldOrder::Intel;
    const FieldOrder other =
        out.order == FieldOrder::Intel ? FieldOrder::Motorola : FieldOrder::Intel;
    out.fields = slicer.slice(out.order);
    for (SlicedField& field : out.fields) {
        if (field.constant || !field.crossesByte())
            continue;
        // Undecided when every byte it crosses joins in the other order too.
        bool decided = false;
        for (int i = 1; i < field.bits.size(); ++i) {
            const int a = field.bits[i - 1] / 8, b = field.bits[i] / 8;
            if (a != b && !slicer.joins(other, std::min(a, b)))
                decided = true;
        }
        field.orderUndecided = !decided || out.intelVotes == out.motorolaVotes;
    }
    return out;
}

} // namespace cac
