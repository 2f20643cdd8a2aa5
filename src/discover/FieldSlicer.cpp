// Fields from the runs of each byte: a run that ends at its byte's edge
// continues in the next byte where the two join as one number, in the order
// that crossing takes. The identifier's order is the one most crossings take,
// the bus's where they tie, and a frame whose order is known is cut in it as
// a whole.
#include "discover/FieldSlicer.h"

#include "discover/ByteRuns.h"

#include <algorithm>
#include <array>
#include <optional>

namespace cac {
namespace {

int toIndex(FieldOrder order, int bit) {
    if (order == FieldOrder::Intel)
        return 63 - bit;
    return bit / 8 * 8 + 7 - bit % 8;
}

} // namespace

bool SlicedField::crossesByte() const {
    return !bits.isEmpty() && bits.first() / 8 != bits.last() / 8;
}

int SequenceBit(FieldOrder order, int index) {
    // Both numberings are their own inverse.
    return toIndex(order, index);
}

namespace {

// Random bits read as one number step a quarter of its range on the
// average, the shorter way round; a value crossing a byte boundary steps far
// less in the bits on either side of it. Where the bits beside the boundary
// step this much as one number (RandomCrossing) while the two whole bytes
// step as little as a smooth value's low byte does (SmoothCrossing: a
// twentieth of the upper byte's range a frame), the bits below the boundary
// step at random under a value: a checksum's or a counter's piece, or the
// value's own noisy lowest bits, which the second look tells apart by their
// carries. A random field of several bytes (a CRC-16, a code) steps at
// random across the whole bytes too, and stays whole.
constexpr double RandomCrossing = 0.2;
constexpr double SmoothCrossing = 0.05;

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

using ByteRunsOfFrame = std::array<QList<ByteRun>, 8>;

// The width of the number across a link: the narrower of the two runs it
// would join.
int linkWidth(const ByteRunsOfFrame& runs, const Link& link) {
    const auto upper = static_cast<std::size_t>(link.upperByte());
    const auto lower = static_cast<std::size_t>(link.lowerByte());
    return static_cast<int>(
        std::min(runs[upper].last().field.bits.size(), runs[lower].first().field.bits.size()));
}

// The step of the number across byte `byte` and the next in `order` (see
// Link::strength), where their bits beside the boundary join and no random
// piece lies under a value there (RandomCrossing); none otherwise.
std::optional<double> crossingStrength(const ByteRuns& edges, const ByteRunsOfFrame& runs,
                                       FieldOrder order, int byte) {
    if (!edges.joins(order, byte))
        return std::nullopt;
    const double strength = edges.joinStrength(order, byte, linkWidth(runs, {order, byte, 0}));
    if (strength >= RandomCrossing && edges.joinStrength(order, byte, 8) < SmoothCrossing)
        return std::nullopt;
    return strength;
}

// Whether the bits beside that boundary join, but a random piece lies under
// a value there.
bool randomPieceBelow(const ByteRuns& edges, const ByteRunsOfFrame& runs, FieldOrder order,
                      int byte) {
    return edges.joins(order, byte) && !crossingStrength(edges, runs, order, byte);
}

// The crossings from one byte to the next that either order would make, each
// with its strength; the votes for each order go into `out`.
QList<Link> crossings(const ByteRuns& edges, const ByteRunsOfFrame& runs, SlicedIdentifier& out) {
    QList<Link> links;
    for (int byte = 0; byte < 7; ++byte) {
        const std::optional<double> intel = crossingStrength(edges, runs, FieldOrder::Intel, byte);
        const std::optional<double> motorola =
            crossingStrength(edges, runs, FieldOrder::Motorola, byte);
        out.intelVotes += intel && !motorola;
        out.motorolaVotes += motorola && !intel;
        if (intel)
            links.append({FieldOrder::Intel, byte, *intel});
        if (motorola)
            links.append({FieldOrder::Motorola, byte, *motorola});
    }
    return links;
}

// A field that crosses bytes is undecided when every byte it crosses joins in
// the other order too.
void markUndecided(const ByteRuns& edges, const ByteRunsOfFrame& runs, QList<SlicedField>& fields) {
    for (SlicedField& field : fields) {
        if (field.constant || !field.crossesByte())
            continue;
        const FieldOrder other =
            field.order == FieldOrder::Intel ? FieldOrder::Motorola : FieldOrder::Intel;
        bool decided = false;
        for (int i = 1; i < field.bits.size(); ++i) {
            const int a = field.bits[i - 1] / 8, b = field.bits[i] / 8;
            if (a != b && !crossingStrength(edges, runs, other, std::min(a, b)))
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
    const ByteRuns edges(bits, checksum);
    SlicedIdentifier out;
    ByteRunsOfFrame runs;
    for (int byte = 0; byte < 8; ++byte)
        runs[static_cast<std::size_t>(byte)] = edges.cut(byte);
    QList<Link> links = crossings(edges, runs, out);
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
        if (known && link.order != out.order && crossingStrength(edges, runs, out.order, link.byte))
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
        QList<ByteRun>& own = runs[static_cast<std::size_t>(byte)];
        for (int k = 0; k < own.size(); ++k) {
            if (k == 0 && enters[static_cast<std::size_t>(byte)])
                continue;
            ByteRun run = own[k];
            run.field.order = out.order;
            int at = byte;
            bool last = k == own.size() - 1;
            while (last && leaves[static_cast<std::size_t>(at)]) {
                run.field.order = *leaves[static_cast<std::size_t>(at)];
                at = next[static_cast<std::size_t>(at)];
                const QList<ByteRun>& more = runs[static_cast<std::size_t>(at)];
                run.field.bits += more.first().field.bits;
                run.bottom = more.first().bottom;
                last = more.size() == 1;
            }
            // Its lowest run ends its byte, and a random piece lies below
            // it across the boundary in the frame's order.
            if (last && !run.field.constant) {
                const int below = out.order == FieldOrder::Intel ? at - 1 : at;
                run.field.randomBelow =
                    below >= 0 && below < 7 && randomPieceBelow(edges, runs, out.order, below);
            }
            run.field.edgeClarity = std::clamp(std::min(run.top, run.bottom), 0.5, 1.0);
            out.fields.append(run.field);
        }
    }
    markUndecided(edges, runs, out.fields);
    return out;
}

} // namespace cac
