// Field boundaries from bit-flip statistics, after the idea of READ (Marchetti
// and Stabili, IEEE TIFS 2019): the flip rate of a field's bits rises from its
// most to its least significant bit and drops where the next field begins.
// A second sign tells two slow fields apart, which flip rates alone cannot: a
// bit of a counting field flips only with a carry from the bit below, so it
// seldom flips alone; bits of different fields flip independently.
#include "discover/FieldSlicer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

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
    Slicer(const IdentifierBits& s, const QList<int>& checksum) : m_s(s) {
        for (const int bit : checksum)
            m_checksum |= std::uint64_t{1} << bit;
    }

    bool seen(int bit) const { return m_s.byteSeen[bit / 8] > 0; }
    bool constant(int bit) const { return m_s.flips[bit] == 0; }

    // The bit is the lowest that moves in its byte, and its rarer state
    // lasts FlickerFrames or less on the average.
    bool flickersAtBottom(int bit) const {
        if (bit % 8 != 0 && !constant(bit - 1))
            return false;
        const qint64 seen = m_s.byteSeen[bit / 8];
        const double rarer = static_cast<double>(std::min(m_s.ones[bit], seen - m_s.ones[bit]));
        const double stays = static_cast<double>(m_s.flips[bit]) / 2;
        return stays > 0 && rarer <= FlickerFrames * stays;
    }

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
        if (fb < 0.6 * fa && fa - fb > 2 * std::sqrt(fa) && !flickersAtBottom(low)) {
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
        if (!boundary && fa < fb && copiesBelow(low)) {
            boundary = true;
            drop = 1 - fa / fb;
        }
        const double ratio =
            std::min(1.0, static_cast<double>(alone) / fa / std::max(1 - rb, 1e-9));
        if (!boundary)
            return {false,
                    std::max(ratio * (1 - 2 * std::min(ra, 0.5)), fb < fa ? 1 - fb / fa : 0)};
        return {true, std::max(drop, carry)};
    }

    // The bit and the one below it in its byte flip in the same frames, often
    // enough to be a sign and its copy (SignCopyFlips).
    bool copiesBelow(int bit) const {
        return bit % 8 != 0 && m_s.flips[bit] >= SignCopyFlips &&
               m_s.flips[bit] == m_s.flips[bit - 1] && m_s.flipsAlone[bit] == 0;
    }

    // The runs of one byte, from its bit 7 down to bit 0: within a byte both
    // orders read the bits alike. `top` and `bottom` are the strengths of
    // the run's two edges.
    struct Run {
        SlicedField field;
        double top = 1, bottom = 1;
    };
    QList<Run> byteRuns(int byte) const {
        QList<Run> runs;
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
                runs.append(Run{{}, e.strength, 1});
            } else {
                runs.append(Run{});
            }
            runs.last().field.bits.append(bit);
        }
        for (Run& run : runs)
            run.field.constant = constant(run.field.bits.first());
        joinCarriedLows(runs);
        joinRareJumps(runs);
        return runs;
    }

    // A moving run directly below a value, whose flips come with the value's
    // (see CarriedShare): the value's low bits. From the top down, so that
    // a value joined with its next bits may take in still lower ones.
    void joinCarriedLows(QList<Run>& runs) const {
        for (qsizetype upper = 0; upper + 1 < runs.size();) {
            const Run& lower = runs[upper + 1];
            if (runs[upper].field.constant || lower.field.constant || !carriedBy(lower)) {
                ++upper;
                continue;
            }
            runs[upper].field.bits += lower.field.bits;
            runs[upper].bottom = lower.bottom;
            runs.remove(upper + 1);
        }
    }
    bool carriedBy(const Run& lower) const {
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
    // How unlikely a share `seen` of coincidences is where chance gives
    // `rate`, per trial: the Kullback-Leibler divergence. Times the trials
    // it is at most minus the logarithm of that share's chance (Chernoff).
    static double surprise(double seen, double rate) {
        const auto term = [](double p, double q) { return p > 0 ? p * std::log(p / q) : 0.0; };
        return seen <= rate ? 0 : term(seen, rate) + term(1 - seen, 1 - rate);
    }

    // A run above a lower one, only constant bits between, whose bits move
    // only when bits below them move too, far more often than chance would
    // have it: the top of one value that seldom reaches it (a start-up 0x00,
    // a temperature crossing 0x40), not a flag of its own.
    // From the bottom up, so that a value joined with its next bits may
    // take in a still higher jump.
    void joinRareJumps(QList<Run>& runs) const {
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
    bool jumpsWith(const Run& upper, const Run& lower) const {
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

    // Whether the neighbours across the byte boundary after `byte` join in
    // that order: both flip, and no boundary between them.
    bool joins(FieldOrder order, int byte) const {
        const int high = order == FieldOrder::Intel ? 8 * byte + 8 : 8 * byte;
        const int low = order == FieldOrder::Intel ? 8 * byte + 7 : 8 * byte + 15;
        // A checksum's bits flip as busily as a value's low bits, and by
        // chance with them: a crossing into it would vote for an order.
        if ((m_checksum >> high & 1) != 0 || (m_checksum >> low & 1) != 0)
            return false;
        return seen(high) && seen(low) && !constant(high) && !constant(low) &&
               !edge(high, low).boundary;
    }
    // `width`: the fewer bits of the two runs that would join.
    double joinStrength(FieldOrder order, int byte, int width) const {
        return m_s.crossingStep(order == FieldOrder::Motorola, byte, width);
    }

private:
    const IdentifierBits& m_s;
    std::uint64_t m_checksum = 0; // the checksum's bits
};

} // namespace

bool SlicedField::crossesByte() const {
    return !bits.isEmpty() && bits.first() / 8 != bits.last() / 8;
}

int SequenceBit(FieldOrder order, int index) {
    // Both numberings are their own inverse.
    return toIndex(order, index);
}

namespace {

// A byte crossing that one order explains: byte `byte` and the next, joined
// Intel (the next byte's lowest bit above this byte's highest) or Motorola
// (this byte's lowest above the next byte's highest).
struct Link {
    FieldOrder order = FieldOrder::Intel;
    int byte = 0;
    double strength = 0; // the bytes' step as one number: lower is surer
    // It joins the last run of the more significant byte to the first run of
    // the less significant one.
    int upperByte() const { return order == FieldOrder::Intel ? byte + 1 : byte; }
    int lowerByte() const { return order == FieldOrder::Intel ? byte : byte + 1; }
};

// The crossings from one byte to the next that either order would make, each
// with its strength; the votes for each order go into `out`.
QList<Link> crossings(const Slicer& slicer, const std::array<QList<Slicer::Run>, 8>& runs,
                      SlicedIdentifier& out) {
    QList<Link> links;
    for (int byte = 0; byte < 7; ++byte) {
        const bool intel = slicer.joins(FieldOrder::Intel, byte);
        const bool motorola = slicer.joins(FieldOrder::Motorola, byte);
        out.intelVotes += intel && !motorola;
        out.motorolaVotes += motorola && !intel;
        for (const FieldOrder order : {FieldOrder::Intel, FieldOrder::Motorola})
            if (order == FieldOrder::Intel ? intel : motorola)
                links.append({order, byte, 0});
    }
    for (Link& link : links) {
        const auto upper = static_cast<std::size_t>(link.upperByte());
        const auto lower = static_cast<std::size_t>(link.lowerByte());
        const auto width =
            std::min(runs[upper].last().field.bits.size(), runs[lower].first().field.bits.size());
        link.strength = slicer.joinStrength(link.order, link.byte, static_cast<int>(width));
    }
    return links;
}

// A field that crosses bytes is undecided when every byte it crosses joins in
// the other order too.
void markUndecided(const Slicer& slicer, QList<SlicedField>& fields) {
    for (SlicedField& field : fields) {
        if (field.constant || !field.crossesByte())
            continue;
        const FieldOrder other =
            field.order == FieldOrder::Intel ? FieldOrder::Motorola : FieldOrder::Intel;
        bool decided = false;
        for (int i = 1; i < field.bits.size(); ++i) {
            const int a = field.bits[i - 1] / 8, b = field.bits[i] / 8;
            if (a != b && !slicer.joins(other, std::min(a, b)))
                decided = true;
        }
        field.orderUndecided = !decided;
    }
}

} // namespace

BusOrder LearnBusOrder(const std::vector<SlicedIdentifier>& identifiers) {
    BusOrder bus;
    for (const SlicedIdentifier& identifier : identifiers) {
        bus.intel += identifier.intelVotes > identifier.motorolaVotes;
        bus.motorola += identifier.motorolaVotes > identifier.intelVotes;
    }
    const int deciding = bus.intel + bus.motorola;
    const int most = std::max(bus.intel, bus.motorola);
    if (deciding >= BusOrder::MinDeciding &&
        static_cast<double>(most) >= BusOrder::MinShare * static_cast<double>(deciding))
        bus.order = bus.motorola > bus.intel ? FieldOrder::Motorola : FieldOrder::Intel;
    return bus;
}

SlicedIdentifier SliceFields(const IdentifierBits& bits, std::optional<FieldOrder> busOrder,
                             const QList<int>& checksum) {
    const Slicer slicer(bits, checksum);
    SlicedIdentifier out;
    std::array<QList<Slicer::Run>, 8> runs;
    for (int byte = 0; byte < 8; ++byte)
        runs[static_cast<std::size_t>(byte)] = slicer.byteRuns(byte);
    QList<Link> links = crossings(slicer, runs, out);
    if (out.orderDecided())
        out.order = out.motorolaVotes > out.intelVotes ? FieldOrder::Motorola : FieldOrder::Intel;
    else
        out.order = busOrder.value_or(FieldOrder::Intel);
    out.orderFromBus = !out.orderDecided() && busOrder.has_value();

    // The order is decided per crossing, so that one frame may hold fields of
    // both orders. Where two crossings would take the same run, the one whose
    // two bytes step less as one number wins, the order most crossings take
    // counting twice as sure; no field gets two orders.
    const auto weight = [&](const Link& link) {
        return link.strength * (link.order == out.order ? 1 : 2);
    };
    std::stable_sort(links.begin(), links.end(),
                     [&](const Link& a, const Link& b) { return weight(a) < weight(b); });
    // Per byte: the order of the crossing leaving its last run (towards less
    // significant bits) and entering its first run; none yet when empty.
    std::array<std::optional<FieldOrder>, 8> leaves, enters;
    std::array<int, 8> next{}; // the byte its last run continues in
    // A frame whose order is known is cut in it as a whole: the other order
    // crosses only a boundary its own order does not join.
    const bool known = out.orderDecided() || out.orderFromBus;
    for (const Link& link : links) {
        const auto upper = static_cast<std::size_t>(link.upperByte());
        const auto lower = static_cast<std::size_t>(link.lowerByte());
        if (leaves[upper] || enters[lower])
            continue;
        if (known && link.order != out.order && slicer.joins(out.order, link.byte))
            continue;
        // A run that fills its byte passes the order on.
        const bool upperWhole = runs[upper].size() == 1, lowerWhole = runs[lower].size() == 1;
        if ((upperWhole && enters[upper] && *enters[upper] != link.order) ||
            (lowerWhole && leaves[lower] && *leaves[lower] != link.order))
            continue;
        leaves[upper] = link.order;
        enters[lower] = link.order;
        next[upper] = link.lowerByte();
    }

    // Chains of runs from each run nothing enters.
    for (int byte = 0; byte < 8; ++byte) {
        QList<Slicer::Run>& own = runs[static_cast<std::size_t>(byte)];
        for (int k = 0; k < own.size(); ++k) {
            if (k == 0 && enters[static_cast<std::size_t>(byte)])
                continue;
            Slicer::Run run = own[k];
            run.field.order = out.order;
            int at = byte;
            bool last = k == own.size() - 1;
            while (last && leaves[static_cast<std::size_t>(at)]) {
                run.field.order = *leaves[static_cast<std::size_t>(at)];
                at = next[static_cast<std::size_t>(at)];
                const QList<Slicer::Run>& more = runs[static_cast<std::size_t>(at)];
                run.field.bits += more.first().field.bits;
                run.bottom = more.first().bottom;
                last = more.size() == 1;
            }
            run.field.edgeClarity = std::clamp(std::min(run.top, run.bottom), 0.5, 1.0);
            out.fields.append(run.field);
        }
    }
    markUndecided(slicer, out.fields);
    return out;
}

} // namespace cac
