// Field edges within a byte from bit-flip statistics, after the idea of READ
// (Marchetti and Stabili, IEEE TIFS 2019): the flip rate of a field's bits
// rises from its most to its least significant bit and drops where the next
// field begins. A second sign tells two slow fields apart, which flip rates
// alone cannot: a bit of a counting field flips only with a carry from the
// bit below, so it seldom flips alone; bits of different fields flip
// independently.
#include "discover/ByteRuns.h"

#include "discover/FieldTally.h"

#include <algorithm>
#include <cmath>

namespace cac {
namespace {

// A value's lowest bit may move seldom (a sensor read at half its
// resolution most of the time) and then only for a frame or two: it stays
// with the value above it. A status bit below a value holds each state far
// longer once set. In frames, the longest mean stay in its rarer state that
// counts as such a flicker.
constexpr double FlickerFrames = 2;
// A run joins the value below it when at least this share of its flips
// came with the value moving, and chance alone would give all of them with
// at most JumpChance: one such flip is enough beside a value that moves in
// one frame of a hundred, seven beside one that moves in every second.
constexpr double JumpTogetherShare = 0.9;
constexpr qsizetype JumpValueBits = 3;
constexpr double JumpChance = 0.01;
// A run below a value joins it when this share of its flips came with bits
// above it in its byte moving, and chance alone would give that share with
// at most JumpChance: the low bits of a value that steps by more than one
// (by tens, by twos and fours) flip at other rates than a counting value's
// but never without the value's upper bits, while a flag or a second value
// below it flips when it likes.
constexpr double CarriedShare = 0.9;
// A signed value's bits above its magnitude copy its sign: they flip in the
// same frames. Its top bit is one of those copies, so a bit above them that
// flips otherwise is a field of its own (a request bit above a signed
// torque). A start-up jump flips a slow value's top bits together once or
// twice too: the copies must have flipped this often to show a sign.
constexpr qint64 SignCopyFlips = 8;
// A value's bits flip more often the lower they sit: a bit below one that
// flips at least this many times as often may be that one's next lower
// bit. Two flags beside each other flip about as often as each other.
constexpr double RisingFlips = 2;

// How unlikely a share `seen` of coincidences is where chance gives
// `rate`, per trial: the Kullback-Leibler divergence. Times the trials
// it is at most minus the logarithm of that share's chance (Chernoff).
double surprise(double seen, double rate) {
    const auto term = [](double p, double q) { return p > 0 ? p * std::log(p / q) : 0.0; };
    return seen <= rate ? 0 : term(seen, rate) + term(1 - seen, 1 - rate);
}

} // namespace

ByteRuns::ByteRuns(const IdentifierBits& s, const QList<int>& checksum) : m_s(s) {
    for (const int bit : checksum)
        m_checksum |= std::uint64_t{1} << bit;
}

bool ByteRuns::seen(int bit) const {
    return m_s.byteSeen[bit / 8] > 0;
}
bool ByteRuns::constant(int bit) const {
    return m_s.flips[bit] == 0;
}

// The bit is the lowest that moves in its byte, and its rarer state
// lasts FlickerFrames or less on the average.
bool ByteRuns::flickersAtBottom(int bit) const {
    if (bit % 8 != 0 && !constant(bit - 1))
        return false;
    const qint64 seen = m_s.byteSeen[bit / 8];
    const double rarer = static_cast<double>(std::min(m_s.ones[bit], seen - m_s.ones[bit]));
    const double stays = static_cast<double>(m_s.flips[bit]) / 2;
    return stays > 0 && rarer <= FlickerFrames * stays;
}

ByteRuns::Edge ByteRuns::edge(int high, int low) const {
    if (!seen(high) || !seen(low) || inChecksum(high) != inChecksum(low))
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
    // A bit that flips in nearly every frame is a counter's or a toggle's
    // lowest: a bit below that flips less is no lower bit of its number.
    const bool counting = m_s.rate(high) >= FieldTally::CountingShare;
    if ((fb < 0.6 * fa || counting) && fa - fb > 2 * std::sqrt(fa) && !flickersAtBottom(low)) {
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
    // Where the low bit flips as a value's next bit would (RisingFlips) and
    // the high bit moved with lower bits of its byte at least once (a carry,
    // a jump of one value), it must also have flipped on its own within its
    // byte: a slow value's rare jumps flip its upper bits without the one
    // below, but together with bits above them. (A byte's lowest bit has no
    // lower bits in its byte: the rule never asks across a boundary.)
    const bool mayContinue = fb >= RisingFlips * fa && m_s.flipsWithLower[high] > 0;
    const qint64 onItsOwn = mayContinue && high == low + 1 ? m_s.topFlipsAlone[high] : alone;
    double carry = 0;
    if (ra < 0.4 && independent && onItsOwn >= 1) {
        boundary = true;
        carry = std::min(1.0, 1.25 - ra / 0.4);
    }
    if (!boundary && fa < fb && copiesBelow(low)) {
        boundary = true;
        drop = 1 - fa / fb;
    }
    const double ratio = std::min(1.0, static_cast<double>(alone) / fa / std::max(1 - rb, 1e-9));
    if (!boundary)
        return {false, std::max(ratio * (1 - 2 * std::min(ra, 0.5)), fb < fa ? 1 - fb / fa : 0)};
    return {true, std::max(drop, carry)};
}

// The bit and the one below it in its byte flip in the same frames, often
// enough to be a sign and its copy (SignCopyFlips).
bool ByteRuns::copiesBelow(int bit) const {
    // A checksum's bits follow the frame's others by its algorithm, the
    // counter's among them: no sign's copy.
    return bit % 8 != 0 && inChecksum(bit) == inChecksum(bit - 1) &&
           m_s.flips[bit] >= SignCopyFlips && m_s.flips[bit] == m_s.flips[bit - 1] &&
           m_s.flipsAlone[bit] == 0;
}

QList<ByteRun> ByteRuns::cut(int byte) const {
    QList<ByteRun> runs;
    if (!seen(8 * byte))
        return runs;
    for (int bit = 8 * byte + 7; bit >= 8 * byte; --bit) {
        if (bit % 8 != 7) {
            const Edge e = edge(bit + 1, bit);
            if (!e.boundary) {
                runs.last().field.bits.append(bit);
                continue;
            }
            runs.last().bottom = e.strength;
            runs.append(ByteRun{{}, e.strength, 1});
        } else {
            runs.append(ByteRun{});
        }
        runs.last().field.bits.append(bit);
    }
    for (ByteRun& run : runs)
        run.field.constant = constant(run.field.bits.first());
    joinCarriedLows(runs);
    joinRareJumps(runs);
    return runs;
}

// A moving run directly below a value, whose flips come with the value's
// (see CarriedShare): the value's low bits. From the top down, so that
// a value joined with its next bits may take in still lower ones.
void ByteRuns::joinCarriedLows(QList<ByteRun>& runs) const {
    for (qsizetype upper = 0; upper + 1 < runs.size();) {
        const ByteRun& lower = runs[upper + 1];
        if (runs[upper].field.constant || lower.field.constant || !carriedBy(lower)) {
            ++upper;
            continue;
        }
        runs[upper].field.bits += lower.field.bits;
        runs[upper].bottom = lower.bottom;
        runs.remove(upper + 1);
    }
}

bool ByteRuns::carriedBy(const ByteRun& lower) const {
    const int bit = lower.field.bits.first(); // its highest
    const double flips = static_cast<double>(m_s.flips[bit]);
    const double together = static_cast<double>(m_s.flipsWithHigher(bit));
    // Some bit above it in its byte moves in this share of frames: its
    // flips meet those that often by chance alone.
    const qint64 pairs = m_s.bytePairs[bit / 8];
    const double rate =
        pairs > 0 ? static_cast<double>(m_s.movesAbove(bit)) / static_cast<double>(pairs) : 1;
    if (flips == 0 || together < CarriedShare * flips || rate >= 1)
        return false;
    return flips * surprise(together / flips, rate) >= -std::log(JumpChance);
}

// A run above a lower one, only constant bits between, whose bits move
// only when bits below them move too, far more often than chance would
// have it: the top of one value that seldom reaches it (a start-up 0x00,
// a temperature crossing 0x40), not a flag of its own.
// From the bottom up, so that a value joined with its next bits may
// take in a still higher jump.
void ByteRuns::joinRareJumps(QList<ByteRun>& runs) const {
    for (qsizetype upper = runs.size() - 2; upper >= 0; --upper) {
        if (runs[upper].field.constant)
            continue;
        qsizetype lower = upper + 1;
        while (lower < runs.size() && runs[lower].field.constant)
            ++lower;
        if (lower == runs.size() || !jumpsWith(runs[upper], runs[lower]))
            continue;
        for (qsizetype k = upper + 1; k <= lower; ++k)
            runs[upper].field.bits += runs[k].field.bits;
        runs[upper].bottom = runs[lower].bottom;
        runs.remove(upper + 1, lower - upper);
    }
}
bool ByteRuns::jumpsWith(const ByteRun& upper, const ByteRun& lower) const {
    // Two flags or a flag above a two-bit state are states that change
    // together, not a value; a value has a few bits at least.
    if (lower.field.bits.size() < JumpValueBits)
        return false;
    const int bit = upper.field.bits.last(); // its lowest
    const double flips = static_cast<double>(m_s.flips[bit]);
    const double together = static_cast<double>(m_s.flipsWithLower[bit]);
    // The lower value moves in this share of frames: a bit above flips
    // with it that often by chance alone.
    double lowerRate = 0;
    for (const int b : lower.field.bits)
        lowerRate = std::max(lowerRate, m_s.rate(b));
    if (flips == 0 || together < JumpTogetherShare * flips || lowerRate >= 1)
        return false;
    return together * std::log(lowerRate) <= std::log(JumpChance);
}

bool ByteRuns::joins(FieldOrder order, int byte) const {
    const int high = order == FieldOrder::Intel ? 8 * byte + 8 : 8 * byte;
    const int low = order == FieldOrder::Intel ? 8 * byte + 7 : 8 * byte + 15;
    return seen(high) && seen(low) && !constant(high) && !constant(low) &&
           !edge(high, low).boundary;
}

double ByteRuns::joinStrength(FieldOrder order, int byte, int width) const {
    return m_s.crossingStep(order == FieldOrder::Motorola, byte, width);
}

} // namespace cac
