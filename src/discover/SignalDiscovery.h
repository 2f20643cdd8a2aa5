#pragma once

#include "canlog/CanFrame.h"
#include "dbc/CanDatabase.h"
#include "dbc/SignalRow.h"
#include "decode/ValueSeries.h"
#include "discover/BitStatistics.h"
#include "discover/FieldSlicer.h"
#include "discover/FieldTally.h"
#include "discover/FrameRecord.h"

#include <QList>
#include <QStringList>

#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Finding the signals of a CAN log without a database: the identifiers with
// their timing, the fields of each, what kind each field is, and each field
// as the channel row and the database signal it would give.
namespace cac {

struct DiscoveredField {
    QList<int> bits; // database bit numbers, most significant first
    FieldOrder order = FieldOrder::Intel;
    bool orderUndecided = false; // crosses a byte; the other order fits as well
    FieldKind kind = FieldKind::Constant;
    bool isSigned = false;
    // What the log did not show. A continuous field is widened over the
    // constant bits above its moving ones, up to its top byte's edge; those
    // top bits never moved, so the width is a guess and so is the sign
    // (read as unsigned: the values never crossed between the top and
    // bottom codes).
    int unseenTopBits = 0;
    bool widthUndecided = false;
    bool signUndecided = false;
    // Its bits were seen all ones between zeros in a few frames, and that
    // run gave its extent: the all-ones value is read as a "not available"
    // code, so the field is unsigned.
    bool onesCode = false;
    double confidence = 0; // 0 to 1
    // A checksum's algorithm, found to hold on every frame; empty for a
    // checksum known only by how its values scatter.
    QString algorithm;
    // Why a checksum without an algorithm is one, when its values did not
    // only scatter like one: "it changes with the counter, ...".
    QString checksumNote;
    qint64 values = 0;             // frames that carried it
    int distinct = 0;              // distinct values, counted up to FieldTally::DistinctKept + 1
    double minRaw = 0, maxRaw = 0; // read with the field's sign
    // Its values over time, bucketed as the preview keeps a channel's: raw is
    // the unsigned reading, value the two's complement one (take value when
    // isSigned). Null for constant fields, and past MaxSeriesFields.
    std::shared_ptr<const ValueSeries> series;
    // Its value paired with each reference point as the frames came, read
    // with its sign: by DiscoveryResult::pairedNames. Empty without references.
    std::vector<PairSums> paired;
    // In a paged frame (byte 0 a page number that sets the layout of the
    // rest): the page whose frames alone carry it, -1 when every frame does;
    // and whether it is byte 0 itself, the page number.
    int page = -1;
    bool pageNumber = false;
    DbcSignal signal; // factor 1, offset 0, named after its kind and place
    SignalRow row;    // the channel row it gives

    int length() const { return static_cast<int>(bits.size()); }
};

struct DiscoveredIdentifier {
    IdentifierKey key;
    QString bus; // the name of its bus where the log has more than one, else empty
    qint64 frames = 0;
    double period = 0, jitter = 0;         // seconds: mean and standard deviation of the gaps
    QList<int> lengths;                    // the data lengths its frames had, shortest first
    std::bitset<256> firstBytes;           // the values its byte 0 took
    qint64 firstByteTurns = 0;             // successive frames whose byte 0 differs
    qint64 firstBytePairs = 0;             // successive frames both carrying byte 0
    FieldOrder order = FieldOrder::Intel;  // most crossings; each field has its own
    int intelVotes = 0, motorolaVotes = 0; // byte crossings only that order explains
    bool orderFromBus = false;             // none voted: the order is the bus's
    QList<DiscoveredField> fields;         // from the frame's start, constant runs included
    DbcMessage message;                    // its non-constant fields as signals
};

struct DiscoveryResult {
    bool stopped = false;                    // the frames were not played to the end
    qint64 frames = 0;                       // data frames analysed
    QList<DiscoveredIdentifier> identifiers; // in the order first met
    QStringList pairedNames;                 // the references the fields were paired with
    // By bus (IdentifierKey::bus), the order most of its identifiers'
    // crossings take; one for a log of one bus.
    std::vector<BusOrder> busOrders{BusOrder{}};
    QStringList buses; // the log's names for them, where it has more than one
    // The order of the first identifier's bus: the log's, where it has one.
    const BusOrder& busOrder() const {
        return busOrders[identifiers.isEmpty() ? 0 : identifiers.front().key.bus];
    }
    // With DiscoveryOptions::keepFrames, the data frames analysed, unless
    // the log was too long to keep them (FrameRecord).
    std::shared_ptr<const FrameRecord> kept;
};

struct DiscoveryOptions {
    // Only this identifier (either length), or every one when negative.
    qint64 onlyId = -1;
    // The references to pair every field with, asked once the bits are
    // known (the log's OBD answers are then all read): each changing field
    // gets the least-squares sums of its value against each of them.
    std::function<std::vector<ReferenceSeries>()> pairing;
    // With pairing: the identifiers whose fields are paired, every one when
    // empty (an identifier whose fields are never matched costs nothing).
    std::function<bool(const IdentifierKey&)> paired;
    // Hands the frames analysed out with the result (DiscoveryResult::kept),
    // for later looks that would otherwise read the log again.
    bool keepFrames = false;
    // By bus, the byte order where it is known from a wider look (the
    // pages' look takes the whole log's); learnt from these frames when
    // empty.
    std::vector<BusOrder> busOrders;
};

// Fields beyond this many keep no series: a series is some 80 kB, and a log
// of thousands of identifiers would otherwise hold gigabytes.
inline constexpr int MaxSeriesFields = 1000;

// Plays every frame of the log into the sink, true when it got to the end.
// Discovery plays the log twice: once for the bits, once for the fields.
using FramePlayer = std::function<bool(const FrameSink&)>;

DiscoveryResult DiscoverSignals(const FramePlayer& play, const DiscoveryOptions& options = {});

// The seam for references (a recorded OBD answer, a CSV, a typed hint): a
// matcher takes the fields worth matching, each with its series, and a
// reference series of (time, value); aligns them in time, fits raw to the
// reference by least squares and returns the fits ranked. It names a field
// by identifier and field index in the result.
struct FieldRef {
    int identifier = -1;
    int field = -1;
};
QList<FieldRef> ContinuousFields(const DiscoveryResult& result);

// "F0x123_16_8" for a continuous field at database start bit 16 with 8 bits;
// "Counter0x123_...", "Checksum", "Flag", "Enum" for the other kinds.
QString FieldName(const IdentifierKey& key, FieldKind kind, int startBit, int length);

// The database signal of a field found in `key`'s frames: its place, kind
// and sign, factor 1 and offset 0, with what the log did not show as its
// comment; a page's field is named and multiplexed after its page.
DbcSignal FieldSignal(const IdentifierKey& key, const DiscoveredField& field);

// The identifier's message again from its fields (each changing one a
// signal, the page number its multiplexor), and each field's channel row.
void DescribeMessage(DiscoveredIdentifier& identifier);

// What was found as a CAN database: one message per identifier with a field
// that changes, one signal per such field.
// Names each identifier's bus (DiscoveredIdentifier::bus) from the log's
// names for them, where its identifiers come from more than one.
void NameBuses(DiscoveryResult& result, const QStringList& names);
// The fields found as a database: an identifier met on several buses once,
// from the bus where it came most often (the first met of a tie).
CanDatabase DiscoveredDatabase(const DiscoveryResult& result);

} // namespace cac
