#pragma once

// Naming a field by a reference: ranking candidate fields by how well they
// follow a physical quantity, and fitting the adapter's conversion to it.
//
// How the discover command calls it. `--reference obd`: feed every frame of
// the log to an ObdAnswerCollector while the analysis reads it, then for each
// of its pids() rank the continuous fields against series(pid) with
// RankFieldsAgainst; the best match of each PID is that parameter's field
// (ObdSignalName(pid) in a database). `--reference FILE.csv`:
// LoadCsvReference(FILE) (print its problems, stop on its error), then
// RankFieldsAgainst the same way; a CSV counting from 0 beside a log whose
// times are dates (LogReader::times() Absolute) needs the log's first time
// added to its times. `--hint "MIN..MAX[@T1..T2,...]"`:
// ParseReferenceHint (stop with its error), then MatchHint; `--marks
// T1,T2,...`: ParseReferenceMarks, then MatchMarks (both in
// DiscoveryCandidates.h, which move typed times onto the log's clock). Each
// result lists the matches best first with correlation (or score, named by
// MatchRanking::scoreName, with its evidence), scale factor, offset and
// residual; MatchedChannelRow turns a match of a field
// whose layout is known into the channel row `--into` writes.

#include "dbc/SignalRow.h"
#include "discover/reference/LinearFit.h"
#include "discover/reference/ReferenceHint.h"
#include "discover/reference/ReferenceSeries.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace cac {

// A field's raw value at a time: an integer as the frame carries it, or the
// middle of a bucket of them. A bucket also keeps its extremes and its span,
// so a press shorter than a bucket still shows as a change in it.
struct FieldSample {
    double time = 0;
    double raw = 0;
    double width = 0; // seconds the bucket spans, centred on time; 0 for one value
    double low = 0;   // the bucket's least and greatest raw value (width > 0)
    double high = 0;
};

// Continuous fields follow a quantity; flags and enumerations (states) only
// change at moments, so only marks rank them.
enum class CandidateKind { Continuous, State };

// Where a field's bits sit, as a database writes a signal: Intel start bit
// the least significant, Motorola the most significant (numbered forward
// through the bytes), so the channel row follows as for a database signal.
struct FieldLayout {
    int startBit = 0;
    int length = 0;
    bool littleEndian = true;
    bool isSigned = false;
    // Only frames whose data byte `filterByte` holds `filterValue` carry the
    // field (a page of a multiplexed frame); -1 when every frame does.
    int filterByte = -1;
    int filterValue = 0;
};

// A field the analysis found, with its values over the log.
struct CandidateField {
    std::uint32_t id = 0;
    bool extended = false;
    int field = -1;      // the analysis's own number for it, passed through
    QString description; // passed through
    // What the log did not show of it, for its matches' lines: a fit on
    // top bits that never moved is not certain beyond the values seen.
    QString unseen;
    std::optional<FieldLayout> layout;
    std::vector<FieldSample> samples; // in time order
    // Its value paired with each reference known while the log was read,
    // exact at any length; by DiscoveryCandidates::pairedNames.
    std::vector<PairSums> paired;
    CandidateKind kind = CandidateKind::Continuous;
};

// How one field follows a reference, in the adapter's terms:
// value = raw / scale + offset.
struct FieldMatch {
    int candidate = -1;      // index into the candidates given
    double correlation = 0;  // Pearson's r of raw and value (signed); a hint's or marks' score 0..1
    double scale = 1;        // rounded to the simplest number the fit allows
    double offset = 0;       // likewise
    double fittedScale = 1;  // the least-squares fit itself
    double fittedOffset = 0; // likewise
    double residual = 0;     // RMS of value - (raw / scale + offset), the reference's unit
    int pairs = 0;           // aligned (raw, value) pairs the fit used
    QString evidence;        // why it ranks there, in words (hints and marks)
};

struct MatchRanking {
    std::vector<FieldMatch> matches; // best first
    // Why no field could be ranked: the reference is empty, constant, or
    // shares no time with the log.
    QString error;
    // What correlation holds: "r", "hint score" or "mark score".
    QString scoreName = QStringLiteral("r");
    // Set when the best two matches cannot be told apart: says so, naming
    // both, and no field is the answer.
    QString undecided;
};

// Scores closer than this are the same: the evidence cannot tell them apart.
inline constexpr double UndecidedMargin = 0.02;

// Sets ranking.undecided when the first two matches score within
// UndecidedMargin, with `why` ("change alike at the marks") between their names.
void NoteUndecided(MatchRanking& ranking, const std::vector<CandidateField>& fields,
                   const QString& why);

// Fewest aligned pairs a match needs.
inline constexpr int MinimumPairs = 3;

// Ranks the fields that follow the reference, by |r| best first. Both series
// share the log's clock: the denser one is interpolated at the times of the
// sparser one, where the denser has samples on both sides no further apart
// than a few of its usual intervals. Fields that are constant where the
// reference has values, or have fewer than MinimumPairs pairs, are left out.
// A field paired with the reference while the log was read (`paired`, its
// place in each field's sums) is fitted from those exact sums instead; its
// bucketed series serves where it has none.
MatchRanking RankFieldsAgainst(const std::vector<CandidateField>& fields,
                               const ReferenceSeries& reference, int paired = -1);

// Raw values a field takes before a hint counts it as fine-grained enough
// for a physical range: fewer are a state, or a fragment of a wider field.
inline constexpr int HintFullLevels = 16;
// How far a typed range may be off the quantity's true one, as a share of it:
// a range from memory is good to a few percent, so a factor or offset within
// that of a simpler number is taken as the simpler one.
inline constexpr double HintRoughness = 0.05;

// Seconds a hint's window is widened by at each end: times typed from
// memory are good to about a second, and a pedal pressed "from 12 s" moves
// just before and is released just after.
inline constexpr double HintWindowMargin = 1.0;

// Ranks the continuous fields for a hint without a recording. Each field's
// raw range is mapped onto MIN..MAX with the simplest factor and offset near
// the exact mapping (residual 0: there is nothing to measure it against).
// The "hint score" in 0..1 multiplies what the hint can tell:
//  - levels: how many raw values the field takes (full from HintFullLevels);
//  - mapping: 1 / (1 + |offset| / span), 1 for offset 0 (a signed angle
//    onto -200..200), less for an offset many spans away (a temperature
//    byte onto the same range);
//  - steadiness: 1 - its mean step over its range;
//  - with windows (each widened by HintWindowMargin): the share of its
//    movement per second inside them rather than outside, times the share of
//    its range covered inside.
// Without a window the score cannot rank by when it moved; the evidence says so.
MatchRanking RankFieldsByHint(const std::vector<CandidateField>& fields, const ReferenceHint& hint);

// The channel row the match gives (columns 2 to 12 as for a database signal:
// identifier, its length, start bit, length, value type, byte order, scale
// factor, offset, and the filter of a multiplexed field), or nothing when
// the field's layout is unknown. A row the adapter cannot take (more than 32
// bits, a scale beyond a float) carries the note that says why.
std::optional<SignalRow> MatchedChannelRow(const CandidateField& field, const FieldMatch& match);

} // namespace cac
