#pragma once

#include "discover/BitStatistics.h"
#include "discover/CarryTally.h"
#include "discover/ChecksumFinder.h"
#include "discover/FieldSlicer.h"
#include "discover/FieldTally.h"
#include "discover/FrameRecord.h"
#include "discover/SignalDiscovery.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The second look at a log's fields that change: once the bits are known and
// the fields cut, every changing field gets a tally that reads its values as
// the frames play again, and those tallies become the fields found.
namespace cac {

struct PendingField {
    int identifier = 0;
    SlicedField sliced;
    // The identifier's checksum, when these are its bits.
    std::optional<ChecksumFound> checksum;
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
    // Where the field's lowest bits may count on their own below bits that
    // change with the count some other way: a tally of each part.
    std::unique_ptr<FieldTally> counting, rest;
    // Where the field may count on into the run just below it in its byte,
    // or go on into a random piece across the byte boundary below it
    // (SlicedField::randomBelow: its carries alone decide, the value may go
    // either way): the place of that run in the pending fields. The two are
    // read together as a field of their own, and whether their steps carry.
    // Once the frames are played, a field that `joins` the run below reports
    // the two as one, and the run taken in is `absorbed`.
    int below = -1;
    std::unique_ptr<CarryTally> carry;
    std::unique_ptr<PendingField> joined;
    bool joins = false, absorbed = false;
};

struct SecondLook {
    std::vector<SlicedIdentifier> sliced; // by identifier
    // By bus (IdentifierKey::bus), the order taken where crossings left it
    // open: each bus has its own, as makers order a bus's frames alike.
    std::vector<BusOrder> buses;
    std::vector<PendingField> pending; // in identifier order
    // By identifier, the tallies its frames feed: a short list to walk per
    // frame, away from the rest of what the pending fields hold.
    std::vector<std::vector<FieldTally*>> tallies;
    std::vector<std::vector<CarryTally*>> carries;
    bool anyCarry = false; // most logs have none: their frames skip the walk

    void feed(int identifier, double time, std::uint64_t data, int length);
    // Once every frame is fed: which fields take in the run below them.
    void settle();
};

// Cuts every identifier's fields, less its checksum, and gives each changing
// one its tally, paired with the references when there are any (on the
// identifiers `paired` takes, all when it is empty) and when the field can
// be fitted to one: neither a checksum nor too narrow to read continuous;
// the identifiers with the most frames get the series first. Each bus's
// byte order is learnt from its identifiers unless `buses` gives them.
// With the log's `frames`, the fields a run of ones marks as one are joined
// (JoinOnesRuns).
SecondLook PrepareSecondLook(const std::vector<IdentifierBits>& identifiers,
                             const std::vector<std::optional<ChecksumFound>>& checksums,
                             const std::vector<ReferenceSeries>* references,
                             const std::function<bool(const IdentifierKey&)>& paired = {},
                             const std::vector<BusOrder>& buses = {},
                             const FrameRecord* frames = nullptr);

// A field that changes, as its tally found it, widened over the constant bits
// above it when it is continuous.
DiscoveredField ChangingField(PendingField& p, const SlicedField& field);

// The changing field `pending[at]`, or where it does not count but its
// lowest bits do, the bits above them and the counter, in that order; or
// where it joins the run below it (SecondLook::settle), the two as one field.
QList<DiscoveredField> ChangingFields(std::vector<PendingField>& pending, std::size_t at,
                                      const SlicedField& field);

} // namespace cac
