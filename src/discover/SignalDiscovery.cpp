#include "discover/SignalDiscovery.h"

#include "common/HexText.h"
#include "discover/ChecksumFinder.h"
#include "discover/DiscoveryTexts.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace cac {
namespace {

bool taken(const DiscoveryOptions& options, const CanFrame& frame) {
    return options.onlyId < 0 || static_cast<qint64>(frame.id) == options.onlyId;
}

// The database start bit: Intel names the least significant bit, Motorola
// the most significant.
int startBitOf(const QList<int>& bits, FieldOrder order) {
    return order == FieldOrder::Intel ? bits.last() : bits.first();
}

// A smooth value seldom fills its field: the bits above its moving ones that
// never changed (0 or 1) may be its unseen top. They are taken in up to the
// edge of the byte its top bit is in, where fields mostly end, in either
// order (within a byte both number alike); a moving bit above belongs to
// another field and stops it. Past the byte's edge nothing tells the field
// from a constant neighbour.
QList<int> constantAbove(const QList<int>& bits, const IdentifierBits& s) {
    QList<int> above;
    for (int top = bits.first() + 1; top % 8 != 0; ++top) {
        if (s.flips[static_cast<std::size_t>(top)] != 0)
            break;
        above.prepend(top);
    }
    return above;
}

DbcSignal signalOf(const IdentifierKey& key, const DiscoveredField& field) {
    DbcSignal signal;
    signal.startBit = startBitOf(field.bits, field.order);
    signal.length = field.length();
    signal.littleEndian = field.order == FieldOrder::Intel;
    signal.isSigned = field.isSigned;
    signal.name = FieldName(key, field.kind, signal.startBit, signal.length);
    const double span = std::ldexp(1.0, signal.length - (field.isSigned ? 1 : 0));
    signal.minimum = field.isSigned ? -span : 0;
    signal.maximum = span - 1;
    signal.comment = QStringLiteral("%1, confidence %2")
                         .arg(FieldKindText(field))
                         .arg(field.confidence, 0, 'f', 2);
    if (const QString unseen = FieldUnseenText(field); !unseen.isEmpty())
        signal.comment += QStringLiteral("; ") + unseen;
    return signal;
}

struct Pending {
    int identifier = 0;
    SlicedField sliced;
    QString algorithm; // the checksum's, when a family explained these bits
    std::unique_ptr<FieldTally> tally;
    // The field with the constant bits above it, when there are any.
    QList<int> above;
    std::unique_ptr<FieldTally> widened;
    // Where every frame has one length, bits that never flipped hold one
    // value all through: the wider field reads the narrow one's raw values
    // plus the bits above (`wideRaw`), its two's complement reading those
    // less the top bit's weight when it is set (`wideValue`), and needs no
    // tally of its own.
    double wideRaw = 0, wideValue = 0;
};

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

} // namespace

QString FieldName(const IdentifierKey& key, FieldKind kind, int startBit, int length) {
    const char* prefix = "F";
    switch (kind) {
    case FieldKind::Counter:
        prefix = "Counter";
        break;
    case FieldKind::Checksum:
        prefix = "Checksum";
        break;
    case FieldKind::Flag:
        prefix = "Flag";
        break;
    case FieldKind::Enumeration:
        prefix = "Enum";
        break;
    case FieldKind::Constant:
        prefix = "Const";
        break;
    case FieldKind::Continuous:
        break;
    }
    return QLatin1String(prefix) + HexNumber(key.id) + u'_' + QString::number(startBit) + u'_' +
           QString::number(length);
}

namespace {

// The second look at the fields that change: a tally each; the identifiers
// with the most frames get the series first.
struct SecondLook {
    std::vector<SlicedIdentifier> sliced; // by identifier
    std::vector<Pending> pending;         // in identifier order
    std::vector<QList<int>> tallyIndex;   // pending by identifier
    std::vector<QList<int>> checksumBits; // by identifier, empty without a checksum found

    void feed(int identifier, double time, std::uint64_t data, int length) {
        for (const int k : tallyIndex[static_cast<std::size_t>(identifier)]) {
            Pending& p = pending[static_cast<std::size_t>(k)];
            p.tally->add(time, data, length);
            if (p.widened)
                p.widened->add(time, data, length);
        }
    }
};

// How far apart two frames of an identifier may lie for a reference point
// between them to take a value interpolated between theirs: a few of its
// mean intervals, so that a pause in the traffic invents no values.
constexpr double GapsPerInterval = 4;

SecondLook prepareSecondLook(const std::vector<IdentifierBits>& identifiers,
                             const std::vector<std::optional<ChecksumFound>>& checksums,
                             const std::vector<ReferenceSeries>* references) {
    SecondLook look;
    look.sliced.reserve(identifiers.size());
    look.tallyIndex.resize(identifiers.size());
    look.checksumBits.resize(identifiers.size());
    std::vector<Pending>& pending = look.pending;
    for (int i = 0; i < static_cast<int>(identifiers.size()); ++i) {
        const std::optional<ChecksumFound>& checksum = checksums[static_cast<std::size_t>(i)];
        look.sliced.push_back(SliceFields(identifiers[static_cast<std::size_t>(i)]));
        if (checksum) {
            CutOutChecksum(look.sliced.back(), checksum->bits);
            look.checksumBits[static_cast<std::size_t>(i)] = checksum->bits;
        }
        for (const SlicedField& field : look.sliced.back().fields) {
            if (field.constant)
                continue;
            look.tallyIndex[static_cast<std::size_t>(i)].append(static_cast<int>(pending.size()));
            const bool isChecksum = checksum && field.bits == checksum->bits;
            pending.push_back({i, field, isChecksum ? checksum->algorithm : QString(), nullptr,
                               constantAbove(field.bits, identifiers[static_cast<std::size_t>(i)]),
                               nullptr});
        }
    }
    std::vector<int> byFrames(pending.size());
    for (int k = 0; k < static_cast<int>(byFrames.size()); ++k)
        byFrames[static_cast<std::size_t>(k)] = k;
    std::stable_sort(byFrames.begin(), byFrames.end(), [&](int a, int b) {
        return identifiers[static_cast<std::size_t>(pending[a].identifier)].frames >
               identifiers[static_cast<std::size_t>(pending[b].identifier)].frames;
    });
    for (int k = 0; k < static_cast<int>(byFrames.size()); ++k) {
        Pending& p = pending[static_cast<std::size_t>(byFrames[static_cast<std::size_t>(k)])];
        p.tally = std::make_unique<FieldTally>(p.sliced.bits, k < MaxSeriesFields);
        const IdentifierBits& s = identifiers[static_cast<std::size_t>(p.identifier)];
        if (!p.above.isEmpty() && oneLength(s))
            std::tie(p.wideRaw, p.wideValue) = aboveShifts(p.above, p.sliced.bits, s);
        else if (!p.above.isEmpty())
            p.widened = std::make_unique<FieldTally>(p.above + p.sliced.bits, k < MaxSeriesFields);
        if (references && !references->empty()) {
            const double gap =
                GapsPerInterval * identifiers[static_cast<std::size_t>(p.identifier)].period();
            p.tally->pairWith(references, gap);
            if (p.widened)
                p.widened->pairWith(references, gap);
        }
    }
    return look;
}

bool overlaps(const QList<int>& a, const QList<int>& b) {
    return std::any_of(a.begin(), a.end(), [&](int bit) { return b.contains(bit); });
}

// A field that changes, as its tally found it. A continuous one takes in
// the constant bits above it, and its sign is read over that width: only
// values seen stepping between its top and bottom codes make it signed
// (FieldTally), so a value that stays in one half of its field, whichever,
// reads unsigned, and says that its top bits never moved. It never widens
// into the identifier's checksum (`checksum`).
DiscoveredField changingField(Pending& p, const SlicedField& field, const QList<int>& checksum) {
    FieldVerdict verdict = p.tally->verdict();
    DiscoveredField f;
    f.bits = field.bits;
    double shift = 0; // what the bits above add, read without a tally of their own
    if (!p.above.isEmpty() && verdict.kind == FieldKind::Continuous &&
        !overlaps(p.above, checksum)) {
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
    f.isSigned = verdict.isSigned;
    f.confidence = verdict.certainty * field.edgeClarity;
    if (!p.algorithm.isEmpty()) { // it held on every frame: no doubt left
        f.kind = FieldKind::Checksum;
        f.isSigned = false;
        f.confidence = 1;
        f.algorithm = p.algorithm;
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

// The constant runs, less what the changing fields widened into (`claimed`).
void addConstantFields(DiscoveredIdentifier& out, const SlicedIdentifier& cut,
                       const IdentifierBits& s, const QList<int>& claimed) {
    for (const SlicedField& field : cut.fields) {
        if (!field.constant)
            continue;
        DiscoveredField f;
        for (const int bit : field.bits)
            if (!claimed.contains(bit))
                f.bits.append(bit);
        if (f.bits.isEmpty())
            continue;
        f.order = field.order;
        f.kind = FieldKind::Constant;
        f.confidence = s.frames > 1 ? 1.0 : 0.0;
        f.values = s.frames;
        f.distinct = 1;
        out.fields.append(f);
    }
}

// Its message: one signal per field that is not constant.
void describeMessage(DiscoveredIdentifier& out, const IdentifierBits& s) {
    out.message.id = s.key.id;
    out.message.extended = s.key.extended;
    out.message.length = s.longestLength();
    out.message.name = QStringLiteral("ID_%1%2").arg(
        HexDigits(s.key.id), s.key.extended ? QStringLiteral("_x") : QString());
    for (DiscoveredField& f : out.fields) {
        f.signal = signalOf(s.key, f);
        f.row = MapSignalToRow(out.message, f.signal);
        if (f.kind != FieldKind::Constant)
            out.message.signalList.append(f.signal);
    }
}

// One identifier with its fields; `next` walks `pending`, which is in
// identifier order.
DiscoveredIdentifier describeIdentifier(const IdentifierBits& s, const SlicedIdentifier& cut,
                                        const QList<int>& checksum, std::vector<Pending>& pending,
                                        std::size_t& next) {
    DiscoveredIdentifier out;
    out.key = s.key;
    out.frames = s.frames;
    out.period = s.period();
    out.jitter = s.jitter();
    for (int length = 0; length <= 8; ++length)
        if (s.lengths[static_cast<std::size_t>(length)] > 0)
            out.lengths.append(length);
    out.order = cut.order;
    out.intelVotes = cut.intelVotes;
    out.motorolaVotes = cut.motorolaVotes;

    QList<int> claimed; // bits of the changing fields, after widening
    for (const SlicedField& field : cut.fields) {
        if (field.constant)
            continue;
        out.fields.append(changingField(pending[next++], field, checksum));
        claimed += out.fields.last().bits;
    }
    addConstantFields(out, cut, s, claimed);
    // In the order of the frame's bits, as the identifier's order reads
    // them (its fields may take either).
    const auto place = [&](const DiscoveredField& f) {
        const int top = f.bits.first();
        return out.order == FieldOrder::Intel ? 63 - top : top / 8 * 8 + 7 - top % 8;
    };
    std::stable_sort(
        out.fields.begin(), out.fields.end(),
        [&](const DiscoveredField& a, const DiscoveredField& b) { return place(a) > place(b); });
    describeMessage(out, s);
    return out;
}

} // namespace

DiscoveryResult DiscoverSignals(const FramePlayer& play, const DiscoveryOptions& options) {
    DiscoveryResult result;
    BitStatistics statistics;
    const auto kept = std::make_shared<FrameRecord>();
    FrameRecord& record = *kept;
    std::vector<ChecksumFinder> finders; // by identifier
    if (!play([&](const CanFrame& frame) {
            if (!taken(options, frame))
                return;
            const int identifier = statistics.add(frame);
            if (identifier < 0)
                return;
            const std::uint64_t data = FrameBits(frame);
            const int length = frame.length > 8 ? 8 : int(frame.length);
            record.add({frame.time, data, identifier, length});
            if (std::size_t(identifier) == finders.size())
                finders.emplace_back(IdentifierKey::of(frame));
            finders[std::size_t(identifier)].add(data, length);
        })) {
        result.stopped = true;
        return result;
    }
    statistics.finish();

    const std::vector<IdentifierBits>& identifiers = statistics.identifiers();
    if (options.keepFrames && record.complete()) {
        std::vector<IdentifierKey> keys;
        keys.reserve(identifiers.size());
        for (const IdentifierBits& s : identifiers)
            keys.push_back(s.key);
        record.setKeys(std::move(keys));
        result.kept = kept;
    }
    std::vector<std::optional<ChecksumFound>> checksums;
    checksums.reserve(finders.size());
    for (const ChecksumFinder& finder : finders)
        checksums.push_back(finder.result());
    finders = {};
    const std::vector<ReferenceSeries> references =
        options.pairing ? options.pairing() : std::vector<ReferenceSeries>{};
    for (const ReferenceSeries& reference : references)
        result.pairedNames.append(reference.name);
    SecondLook look = prepareSecondLook(identifiers, checksums, &references);
    if (!look.pending.empty() && record.complete()) {
        record.replay([&](const KeptFrame& frame) {
            look.feed(frame.identifier, frame.time, frame.data, frame.length);
        });
    } else if (!look.pending.empty() && !play([&](const CanFrame& frame) {
                   if (frame.remote || frame.error || !taken(options, frame))
                       return;
                   const int identifier = statistics.indexOf(frame);
                   if (identifier >= 0)
                       look.feed(identifier, frame.time, FrameBits(frame),
                                 std::min<int>(frame.length, 8));
               })) {
        result.stopped = true;
        return result;
    }

    std::size_t next = 0;
    for (int i = 0; i < static_cast<int>(identifiers.size()); ++i) {
        const IdentifierBits& s = identifiers[static_cast<std::size_t>(i)];
        result.frames += s.frames;
        result.identifiers.append(describeIdentifier(s, look.sliced[static_cast<std::size_t>(i)],
                                                     look.checksumBits[static_cast<std::size_t>(i)],
                                                     look.pending, next));
    }
    return result;
}

QList<FieldRef> ContinuousFields(const DiscoveryResult& result) {
    QList<FieldRef> refs;
    for (int i = 0; i < result.identifiers.size(); ++i) {
        const QList<DiscoveredField>& fields = result.identifiers[i].fields;
        for (int k = 0; k < fields.size(); ++k)
            if (fields[k].kind == FieldKind::Continuous && fields[k].series)
                refs.append({i, k});
    }
    return refs;
}

CanDatabase DiscoveredDatabase(const DiscoveryResult& result) {
    CanDatabase database;
    for (const DiscoveredIdentifier& identifier : result.identifiers)
        if (!identifier.message.signalList.isEmpty())
            database.messages.append(identifier.message);
    return database;
}

} // namespace cac
