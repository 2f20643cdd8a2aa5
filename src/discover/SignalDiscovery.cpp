#include "discover/SignalDiscovery.h"

#include "common/HexText.h"
#include "discover/ChecksumFinder.h"
#include "discover/DiscoveryTexts.h"
#include "discover/SecondLook.h"

#include <QHash>

#include <algorithm>
#include <cmath>

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

} // namespace

DbcSignal FieldSignal(const IdentifierKey& key, const DiscoveredField& field) {
    DbcSignal signal;
    signal.startBit = startBitOf(field.bits, field.order);
    signal.length = field.length();
    signal.littleEndian = field.order == FieldOrder::Intel;
    signal.isSigned = field.isSigned;
    signal.name = field.pageNumber
                      ? QStringLiteral("Page") + HexNumber(key.id) + u'_' +
                            QString::number(signal.startBit) + u'_' + QString::number(signal.length)
                      : FieldName(key, field.kind, signal.startBit, signal.length);
    if (field.page >= 0)
        signal.name += QStringLiteral("_m") + QString::number(field.page);
    signal.multiplexValue = field.page;
    signal.isMultiplexor = field.pageNumber;
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

void DescribeMessage(DiscoveredIdentifier& identifier) {
    DbcMessage& message = identifier.message;
    message.signalList.clear();
    // The multiplexor first: a page's rows are filtered on it.
    for (DiscoveredField& f : identifier.fields) {
        f.signal = FieldSignal(identifier.key, f);
        if (f.pageNumber)
            message.signalList.append(f.signal);
    }
    for (DiscoveredField& f : identifier.fields)
        if (f.kind != FieldKind::Constant && !f.pageNumber)
            message.signalList.append(f.signal);
    for (DiscoveredField& f : identifier.fields)
        f.row = MapSignalToRow(message, f.signal);
}

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
    DescribeMessage(out);
}

// One identifier with its fields; `next` walks `pending`, which is in
// identifier order.
DiscoveredIdentifier describeIdentifier(const IdentifierBits& s, const SlicedIdentifier& cut,
                                        std::vector<PendingField>& pending, std::size_t& next) {
    DiscoveredIdentifier out;
    out.key = s.key;
    out.frames = s.frames;
    out.period = s.period();
    out.jitter = s.jitter();
    for (int length = 0; length <= 8; ++length)
        if (s.lengths[static_cast<std::size_t>(length)] > 0)
            out.lengths.append(length);
    out.firstBytes = s.firstBytes;
    out.firstByteTurns = s.firstByteTurns;
    out.firstBytePairs = s.bytePairs[0];
    out.order = cut.order;
    out.intelVotes = cut.intelVotes;
    out.motorolaVotes = cut.motorolaVotes;
    out.orderFromBus = cut.orderFromBus;

    QList<int> claimed; // bits of the changing fields, after widening
    for (const SlicedField& field : cut.fields) {
        if (field.constant)
            continue;
        const std::size_t at = next++;
        if (pending[at].absorbed)
            continue;
        for (const DiscoveredField& found : ChangingFields(pending, at, field)) {
            out.fields.append(found);
            claimed += found.bits;
        }
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
    for (std::size_t i = 0; i < finders.size(); ++i)
        checksums.push_back(finders[i].result(identifiers[i]));
    finders = {};
    const std::vector<ReferenceSeries> references =
        options.pairing ? options.pairing() : std::vector<ReferenceSeries>{};
    for (const ReferenceSeries& reference : references)
        result.pairedNames.append(reference.name);
    SecondLook look = PrepareSecondLook(identifiers, checksums, &references, options.paired,
                                        options.busOrders, record.complete() ? &record : nullptr);
    result.busOrders = look.buses;
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
    look.settle();

    std::size_t next = 0;
    for (int i = 0; i < static_cast<int>(identifiers.size()); ++i) {
        const IdentifierBits& s = identifiers[static_cast<std::size_t>(i)];
        result.frames += s.frames;
        result.identifiers.append(
            describeIdentifier(s, look.sliced[static_cast<std::size_t>(i)], look.pending, next));
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

void NameBuses(DiscoveryResult& result, const QStringList& names) {
    const bool several = std::any_of(
        result.identifiers.begin(), result.identifiers.end(),
        [&](const DiscoveredIdentifier& i) { return i.key.bus != result.identifiers[0].key.bus; });
    result.buses.clear();
    if (!several)
        return;
    for (std::size_t b = 0; b < result.busOrders.size(); ++b)
        result.buses.append(qsizetype(b) < names.size() ? names[qsizetype(b)]
                                                        : QStringLiteral("bus %1").arg(b + 1));
    for (DiscoveredIdentifier& identifier : result.identifiers)
        identifier.bus = result.buses[identifier.key.bus];
}

CanDatabase DiscoveredDatabase(const DiscoveryResult& result) {
    // A database holds an identifier once: met on several buses, it is
    // taken from the bus where it came most often.
    CanDatabase database;
    QHash<std::uint64_t, qint64> most; // frames by identifier and length, whatever the bus
    const auto packedId = [](const IdentifierKey& key) {
        return IdentifierKey{key.id, key.extended}.packed();
    };
    for (const DiscoveredIdentifier& identifier : result.identifiers)
        if (!identifier.message.signalList.isEmpty()) {
            qint64& frames = most[packedId(identifier.key)];
            frames = std::max(frames, identifier.frames);
        }
    for (const DiscoveredIdentifier& identifier : result.identifiers) {
        if (identifier.message.signalList.isEmpty())
            continue;
        qint64& frames = most[packedId(identifier.key)];
        if (identifier.frames == frames) {
            database.messages.append(identifier.message);
            frames = -1; // a tie goes to the bus met first
        }
    }
    return database;
}

} // namespace cac
