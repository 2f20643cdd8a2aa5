#pragma once

#include "discover/BitStatistics.h"
#include "discover/FieldSlicer.h"
#include "discover/FrameRecord.h"

#include <QList>

#include <cstdint>
#include <vector>

// A field whose value is "not available" (or not yet known, at start-up)
// holds all ones: in a few frames its bits are a run of ones, with a zero on
// either side where its neighbours' bits lie. Such a run shows where a field
// begins and ends that the flips alone cut in pieces, as when a value takes
// few levels in turn and its bits flip in no counting order.
namespace cac {

// The least and most bits of a run taken as a field's extent: shorter runs
// are a small value's ordinary codes; longer ones start-up fills over
// several fields.
inline constexpr int LeastOnesRun = 6;
inline constexpr int MostOnesRun = 16;
// A code for "not available" is the exception: a run seen in more than this
// share of the frames is a value's ordinary level.
inline constexpr double RareOnesShare = 0.25;
// The fields a run joins change together this often at least, each change
// of the one that changes less a change of the other: parts of one value.
// Fewer changes (a single start-up step) would join neighbours that only
// happened to come up at once.
inline constexpr int LeastJoinedChanges = 8;

// The runs of a frame's bits (FrameBits) in that order that may mark a
// field: LeastOnesRun to MostOnesRun ones between zeros or the frame's
// edges, with an end inside a byte (whole bytes of ones are a start-up
// fill, and say nothing a byte's edge does not). Each as its bits, most
// significant first.
QList<QList<int>> OnesRunsOf(std::uint64_t data, FieldOrder order);

// In each identifier's cut (`sliced`, by identifier as `identifiers`), the
// changing fields that lie inside such a run, with only constant bits of
// the run beside them, become one field over the run, when the run holds
// no checksum (`checksums`, by identifier) or counter and the fields'
// changes nest. The frames are those of the log as kept.
void JoinOnesRuns(std::vector<SlicedIdentifier>& sliced,
                  const std::vector<IdentifierBits>& identifiers,
                  const std::vector<QList<int>>& checksums, const FrameRecord& frames);

} // namespace cac
