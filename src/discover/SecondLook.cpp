#include "discover/SecondLook.h"

#include "discover/CountingBits.h"
#include "discover/OnesRuns.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace cac {
namespace {

// A smooth value seldom fills its field: the bits above its moving ones that
// never changed (0 or 1) may be its unseen top. They are taken in up to the
// edge of the byte its top bit is in, where fields mostly end, in either
// order (within a byte both number alike); a moving bit above belongs to
// another field and stops it, and so does the identifier's checksum
// (`taken`), whose top bits may never move either. Past the byte's edge
// nothing tells the field from a constant neighbour.
QList<int> constantAbove(const QList<int>& bits, const IdentifierBits& s, const QList<int>& taken) {
    QList<int> above;
    for (int top = bits.first() + 1; top % 8 != 0; ++top) {
        if (s.flips[static_cast<std::size_t>(top)] != 0 || taken.contains(top))
            break;
        above.prepend(top);
    }
    return above;
}

bool oneLength(const IdentifierBits& s) {
    return std::count_if(s.lengths.begin(), s.lengths.end(), [](qint64 n) { return n > 0; }) == 1;
}

// What the constant bits above a field add to its raw value, and to its two's
// complement reading over the wider field.
std::pair<double, double> aboveShifts(const QList<int>& above, const QList<int>& bits,
                                      const IdentifierBits& s) {
    double raw = 0;
    const int width = static_cast<int>(above.size() + bits.size());
    for (int k = 0; k < static_cast<int>(above.size()); ++k)
        if (s.ones[static_cast<std::size_t>(above[k])] > 0)
            raw += std::ldexp(1.0, width - 1 - k);
    const bool topSet = s.ones[static_cast<std::size_t>(above.first())] > 0;
    return {raw, topSet ? raw - std::ldexp(1.0, width) : raw};
}

// How far apart two frames of an identifier may lie for a reference point
// between them to take a value interpolated between theirs: a few of its
// mean intervals, so that a pause in the traffic invents no values.
constexpr double GapsPerInterval = 4;

// A unit with no family that changes with the counter while nothing else in
// the frame moves is a checksum or a code that cycles with the counter: the
// log cannot tell which, and the confidence says so.
constexpr double CycleChecksumConfidence = 0.5;

// A bit above the counter that flips as often as the counter's top bit, to
// within this share, is not the counter's next bit, which would flip half as
// often: a copy of its top bit, a state that changes with the count (a frame
// whose whole content cycles with its counter) or a bit of its own. Read
// with it, the counter does not count: the two parts get tallies of their
// own, and the values decide. A value stepping by five has lowest two bits
// that count too, but the bit above them flips at other rates.
constexpr double CopyShare = 0.1;
int countingBitsAtBottom(const QList<int>& bits, const IdentifierBits& s) {
    const auto n = static_cast<int>(bits.size());
    const int k = HalvingBits(bits, s);
    if (n < 3 || k < 2 || k == n)
        return 0;
    const double top = FlipsFromBottom(bits, s, k);
    const bool copies = std::abs(FlipsFromBottom(bits, s, k + 1) - top) <= CopyShare * top;
    return copies ? k : 0;
}

// A count whose step varies (a wheel encoder moving by one, two or three
// pulses a frame, a temperature ramp read at twice its rise a frame) leaves
// its lowest bit flipping only at odd steps: the cut takes that bit for a
// flag of its own. A field whose bits all flip as a count's do, the lowest
// in at least CarryLowestRate of the frames, is read together with the
// moving run just below it in its byte as well (CarryTally). A count that
// moves by two in half its frames or more flips its second bit, the lowest
// the cut gave it, in half the frames; a value that moves less often is a
// slow one, whose lowest bit flips with the bits above and stays with them.
constexpr double CarryLowestRate = 0.5;
// The top bits of a slow count flip a few times only, too few for their
// rates to halve neatly (two bits that flipped once each): bits that
// flipped fewer times than this are not asked to.
constexpr double SparseFlips = 8;
// The field's bits flip as a count's do, from its lowest, where they flip
// often enough to tell.
bool countsAtBottom(const QList<int>& bits, const IdentifierBits& s) {
    const auto n = static_cast<int>(bits.size());
    for (int k = HalvingBits(bits, s, CarryLowestRate) + 1; k <= n; ++k)
        if (k == 1 || FlipsFromBottom(bits, s, k) >= SparseFlips)
            return false;
    return true;
}

void proposeCarries(std::vector<PendingField>& pending, const std::vector<IdentifierBits>& bits) {
    std::size_t first = 0; // of the identifier's fields, which lie together
    for (std::size_t a = 0; a < pending.size(); ++a) {
        PendingField& p = pending[a];
        if (pending[first].identifier != p.identifier)
            first = a;
        const int low = p.sliced.bits.last();
        const IdentifierBits& s = bits[static_cast<std::size_t>(p.identifier)];
        if (p.checksum)
            continue;
        // The run below: within the byte, or across the byte boundary in the
        // field's order (Motorola continues in the next byte's top bit).
        int next = -1;
        if (low % 8 != 0 && countsAtBottom(p.sliced.bits, s))
            next = low - 1;
        else if (p.sliced.randomBelow) // its lowest bit is its byte's
            next = p.sliced.order == FieldOrder::Intel ? low - 1 : low + 15;
        if (next < 0)
            continue;
        for (std::size_t b = first; b < pending.size() && pending[b].identifier == p.identifier;
             ++b)
            if (pending[b].sliced.bits.first() == next && !pending[b].checksum)
                p.below = static_cast<int>(b);
    }
}

// A field read from `bits` of the cut's `field` by a tally of its own.
PendingField readAs(const SlicedField& field, QList<int> bits, std::unique_ptr<FieldTally> tally) {
    PendingField p;
    p.sliced = field;
    p.sliced.bits = std::move(bits);
    p.tally = std::move(tally);
    return p;
}

} // namespace

void SecondLook::feed(int identifier, double time, std::uint64_t data, int length) {
    for (FieldTally* tally : tallies[static_cast<std::size_t>(identifier)])
        tally->add(time, data, length);
    if (anyCarry)
        for (CarryTally* carry : carries[static_cast<std::size_t>(identifier)])
            carry->add(data, length);
}

SecondLook PrepareSecondLook(const std::vector<IdentifierBits>& identifiers,
                             const std::vector<std::optional<ChecksumFound>>& checksums,
                             const std::vector<ReferenceSeries>* references,
                             const std::function<bool(const IdentifierKey&)>& paired,
                             const std::vector<BusOrder>& buses, const FrameRecord* frames) {
    SecondLook look;
    look.sliced.reserve(identifiers.size());
    look.tallies.resize(identifiers.size());
    look.carries.resize(identifiers.size());
    // The identifiers whose crossings left the order open take the bus's:
    // given, it is taken at once; learnt, they are cut again once it is known.
    const auto checksumBits = [&](std::size_t i) {
        return checksums[i] ? checksums[i]->bits : QList<int>();
    };
    const bool given = !buses.empty();
    std::size_t count = 1;
    for (const IdentifierBits& s : identifiers)
        count = std::max<std::size_t>(count, std::size_t{s.key.bus} + 1);
    look.buses = buses;
    look.buses.resize(std::max(count, buses.size()));
    for (std::size_t i = 0; i < identifiers.size(); ++i)
        look.sliced.push_back(
            SliceFields(identifiers[i], look.buses[identifiers[i].key.bus].order, checksumBits(i)));
    for (std::size_t b = 0; b < count && !given; ++b) {
        std::vector<SlicedIdentifier> onBus;
        for (std::size_t i = 0; i < identifiers.size(); ++i)
            if (identifiers[i].key.bus == b)
                onBus.push_back(look.sliced[i]);
        look.buses[b] = LearnBusOrder(onBus);
    }
    for (std::size_t i = 0; i < identifiers.size() && !given; ++i) {
        const BusOrder& learnt = look.buses[identifiers[i].key.bus];
        if (learnt.order && !look.sliced[i].orderDecided())
            look.sliced[i] = SliceFields(identifiers[i], learnt.order, checksumBits(i));
    }
    std::vector<QList<int>> checksummed(identifiers.size());
    for (std::size_t i = 0; i < identifiers.size(); ++i) {
        checksummed[i] = checksumBits(i);
        if (checksums[i])
            CutOutChecksum(look.sliced[i], checksummed[i]);
    }
    if (frames)
        JoinOnesRuns(look.sliced, identifiers, checksummed, *frames);
    std::vector<PendingField>& pending = look.pending;
    for (int i = 0; i < static_cast<int>(identifiers.size()); ++i) {
        const std::optional<ChecksumFound>& checksum = checksums[static_cast<std::size_t>(i)];
        const QList<int>& checksumBits = checksummed[static_cast<std::size_t>(i)];
        for (const SlicedField& field : look.sliced[static_cast<std::size_t>(i)].fields) {
            if (field.constant)
                continue;
            // A checksum found is exactly the bits its family explains.
            const bool isChecksum = checksum && field.bits == checksum->bits;
            PendingField& p = pending.emplace_back();
            p.identifier = i;
            p.sliced = field;
            if (isChecksum)
                p.checksum = checksum;
            else
                p.above = constantAbove(field.bits, identifiers[static_cast<std::size_t>(i)],
                                        checksumBits);
        }
    }
    proposeCarries(pending, identifiers);
    std::vector<int> byFrames(pending.size());
    for (int k = 0; k < static_cast<int>(byFrames.size()); ++k)
        byFrames[static_cast<std::size_t>(k)] = k;
    std::stable_sort(byFrames.begin(), byFrames.end(), [&](int a, int b) {
        return identifiers[static_cast<std::size_t>(pending[a].identifier)].frames >
               identifiers[static_cast<std::size_t>(pending[b].identifier)].frames;
    });
    std::vector<std::shared_ptr<PointScan>> scans(identifiers.size());
    const bool anyReference = references && !references->empty();
    const auto timeline =
        anyReference ? std::make_shared<const PointTimeline>(references) : nullptr;
    // A field's tallies: of its bits, and of its bits with the constant ones
    // above when it may be wider, paired with the references where it can
    // be fitted.
    const auto prepare = [&](PendingField& p, bool series) {
        p.tally = std::make_unique<FieldTally>(p.sliced.bits, series);
        const IdentifierBits& s = identifiers[static_cast<std::size_t>(p.identifier)];
        // A field of an identifier of one length sees its first frame and its
        // last.
        if (oneLength(s))
            p.tally->expectSpan(s.lastTime - s.firstTime);
        if (!p.above.isEmpty() && oneLength(s))
            std::tie(p.wideRaw, p.wideValue) = aboveShifts(p.above, p.sliced.bits, s);
        else if (!p.above.isEmpty())
            p.widened = std::make_unique<FieldTally>(p.above + p.sliced.bits, series);
        // Only a continuous field is fitted to a reference, and a checksum
        // never is.
        const bool fitted = p.sliced.bits.size() >= NarrowestContinuous && !p.checksum &&
                            (!paired || paired(s.key));
        if (anyReference && fitted) {
            const double gap = GapsPerInterval * s.period();
            // Where every frame has one length, each field sees every frame
            // and they all share one scan of the points.
            std::shared_ptr<PointScan>& shared = scans[static_cast<std::size_t>(p.identifier)];
            if (!shared && oneLength(s))
                shared = std::make_shared<PointScan>(timeline, gap);
            p.tally->pairWith(shared ? shared : std::make_shared<PointScan>(timeline, gap));
            if (p.widened)
                p.widened->pairWith(std::make_shared<PointScan>(timeline, gap));
        }
    };
    for (int k = 0; k < static_cast<int>(byFrames.size()); ++k) {
        PendingField& p = pending[static_cast<std::size_t>(byFrames[static_cast<std::size_t>(k)])];
        const bool series = k < MaxSeriesFields;
        prepare(p, series);
        const IdentifierBits& s = identifiers[static_cast<std::size_t>(p.identifier)];
        if (p.below >= 0) {
            const SlicedField& lower = pending[static_cast<std::size_t>(p.below)].sliced;
            p.carry =
                std::make_unique<CarryTally>(p.sliced.bits, lower.bits, !p.sliced.randomBelow);
            p.joined = std::make_unique<PendingField>();
            PendingField& joined = *p.joined;
            joined.identifier = p.identifier;
            joined.sliced = p.sliced;
            joined.sliced.bits += lower.bits;
            joined.sliced.edgeClarity = std::min(p.sliced.edgeClarity, lower.edgeClarity);
            // Within its byte the upper part reads alike in both orders.
            if (!p.sliced.crossesByte())
                joined.sliced.order = lower.order;
            joined.sliced.orderUndecided = p.sliced.orderUndecided || lower.orderUndecided;
            joined.above = p.above;
            prepare(joined, series);
        }
        const int countingBits = !p.checksum ? countingBitsAtBottom(p.sliced.bits, s) : 0;
        if (countingBits > 0) {
            const qsizetype upper = p.sliced.bits.size() - countingBits;
            p.counting = std::make_unique<FieldTally>(p.sliced.bits.mid(upper), false);
            p.rest = std::make_unique<FieldTally>(p.sliced.bits.first(upper), series);
        }
    }
    for (const PendingField& p : pending) {
        std::vector<FieldTally*>& fed = look.tallies[static_cast<std::size_t>(p.identifier)];
        const auto feedOf = [&](const PendingField& q) {
            fed.push_back(q.tally.get());
            if (q.widened)
                fed.push_back(q.widened.get());
        };
        feedOf(p);
        if (p.counting) {
            fed.push_back(p.counting.get());
            fed.push_back(p.rest.get());
        }
        if (p.joined) {
            feedOf(*p.joined);
            look.carries[static_cast<std::size_t>(p.identifier)].push_back(p.carry.get());
            look.anyCarry = true;
        }
    }
    return look;
}

// A field that changes, as its tally found it. A continuous one takes in
// the constant bits above it, and its sign is read over that width: only
// values seen stepping between its top and bottom codes make it signed
// (FieldTally), so a value that stays in one half of its field, whichever,
// reads unsigned, and says that its top bits never moved.
DiscoveredField ChangingField(PendingField& p, const SlicedField& field) {
    FieldVerdict verdict = p.tally->verdict();
    DiscoveredField f;
    f.bits = field.bits;
    double shift = 0; // what the bits above add, read without a tally of their own
    // A value seen crossing zero over its own bits moved its top bit as its
    // sign: bits above that never moved are not its own, or they would have
    // moved with the sign.
    if (!p.above.isEmpty() && verdict.kind == FieldKind::Continuous && !verdict.signSeen) {
        // Unsigned unless the wider field's values cross its top and bottom
        // codes, which bits that never flipped cannot.
        verdict.isSigned = p.widened && p.widened->verdict().isSigned;
        f.bits = p.above + field.bits;
        f.unseenTopBits = static_cast<int>(p.above.size());
        f.widthUndecided = true;
        f.signUndecided = !verdict.isSigned;
        if (p.widened) {
            p.tally = std::move(p.widened);
        } else {
            shift = p.wideRaw;
            if (ValueSeries* series = p.tally->series())
                series->readWider(p.wideRaw, p.wideValue);
        }
    }
    f.order = field.order;
    f.orderUndecided = field.orderUndecided;
    f.kind = verdict.kind;
    f.isSigned = verdict.isSigned && !field.onesCode;
    f.onesCode = field.onesCode;
    f.confidence = verdict.certainty * field.edgeClarity;
    if (p.checksum) {
        f.kind = FieldKind::Checksum;
        f.isSigned = false;
        // A family that held on every frame leaves no doubt; a unit that only
        // changes with the counter may be a code that cycles with it.
        f.confidence = p.checksum->algorithm.isEmpty() ? CycleChecksumConfidence : 1;
        f.algorithm = p.checksum->algorithm;
        f.checksumNote = p.checksum->note;
    }
    f.values = p.tally->values();
    f.distinct = p.tally->distinct();
    f.minRaw = shift + (f.isSigned ? static_cast<double>(p.tally->minSigned())
                                   : static_cast<double>(p.tally->minUnsigned()));
    f.maxRaw = shift + (f.isSigned ? static_cast<double>(p.tally->maxSigned())
                                   : static_cast<double>(p.tally->maxUnsigned()));
    f.series = std::shared_ptr<const ValueSeries>(p.tally->takeSeries());
    f.paired = p.tally->paired(f.isSigned);
    for (PairSums& sums : f.paired)
        sums.meanX += shift;
    return f;
}

void SecondLook::settle() {
    for (PendingField& p : pending) {
        if (!p.carry || p.absorbed)
            continue;
        PendingField& lower = pending[static_cast<std::size_t>(p.below)];
        const FieldKind kind = p.tally->verdict().kind;
        if (!lower.joins && (kind == FieldKind::Counter || kind == FieldKind::Continuous) &&
            p.carry->carries()) {
            p.joins = true;
            lower.absorbed = true;
        }
    }
}

QList<DiscoveredField> ChangingFields(std::vector<PendingField>& pending, std::size_t at,
                                      const SlicedField& field) {
    PendingField& p = pending[at];
    if (p.joins)
        return {ChangingField(*p.joined, p.joined->sliced)};
    // Where the whole field steps by one as often as its counting bits, the
    // bits above carry on the count (a count that restarts from 9 after 18
    // flips its fifth bit as often as its fourth): it is one counter.
    if (!p.counting || p.counting->verdict().kind != FieldKind::Counter ||
        p.counting->stepsByOne() <= p.tally->stepsByOne())
        return {ChangingField(p, field)};
    const qsizetype upper = field.bits.size() - p.counting->bits().size();
    PendingField rest = readAs(field, field.bits.first(upper), std::move(p.rest));
    PendingField counting = readAs(field, field.bits.mid(upper), std::move(p.counting));
    return {ChangingField(rest, rest.sliced), ChangingField(counting, counting.sliced)};
}

} // namespace cac
