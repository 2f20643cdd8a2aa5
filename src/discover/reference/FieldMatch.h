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
// added to its times. `--hint "MIN..MAX[@T1..T2]"`:
// ParseReferenceHint (stop with its error), then RankFieldsByHint. Each
// result lists the matches best first with correlation (or score), scale
// factor, offset and residual; MatchedChannelRow turns a match of a field
// whose layout is known into the channel row `--into` writes.

#include "dbc/SignalRow.h"
#include "discover/reference/ReferenceHint.h"
#include "discover/reference/ReferenceSeries.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace cac {

// A field's raw value at a time: an integer as the frame carries it, or the
// mean of a bucket of them.
struct FieldSample {
    double time = 0;
    double raw = 0;
};

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
};

// How one field follows a reference, in the adapter's terms:
// value = raw / scale + offset.
struct FieldMatch {
    int candidate = -1;      // index into the candidates given
    double correlation = 0;  // Pearson's r of raw and value (signed); the hint's score
    double scale = 1;        // rounded to the simplest number the fit allows
    double offset = 0;       // likewise
    double fittedScale = 1;  // the least-squares fit itself
    double fittedOffset = 0; // likewise
    double residual = 0;     // RMS of value - (raw / scale + offset), the reference's unit
    int pairs = 0;           // aligned (raw, value) pairs the fit used
};

struct MatchRanking {
    std::vector<FieldMatch> matches; // best first
    // Why no field could be ranked: the reference is empty, constant, or
    // shares no time with the log.
    QString error;
};

// Fewest aligned pairs a match needs.
inline constexpr int MinimumPairs = 3;

// Ranks the fields that follow the reference, by |r| best first. Both series
// share the log's clock: the denser one is interpolated at the times of the
// sparser one, where the denser has samples on both sides no further apart
// than a few of its usual intervals. Fields that are constant where the
// reference has values, or have fewer than MinimumPairs pairs, are left out.
MatchRanking RankFieldsAgainst(const std::vector<CandidateField>& fields,
                               const ReferenceSeries& reference);

// Ranks the fields for a hint without a recording. Each field's raw range is
// mapped linearly onto MIN..MAX (that gives scale and offset; correlation
// holds the score, residual is 0). Score in 0..1: how smoothly the field moves
// (1 - its mean step over its range) times how many values it takes (full
// from 16); with a window, times the share of its range it covers inside the
// window and times how much of its movement falls inside rather than outside.
MatchRanking RankFieldsByHint(const std::vector<CandidateField>& fields, const ReferenceHint& hint);

// The channel row the match gives (columns 2 to 12 as for a database signal:
// identifier, its length, start bit, length, value type, byte order, scale
// factor, offset, and the filter of a multiplexed field), or nothing when
// the field's layout is unknown. A row the adapter cannot take (more than 32
// bits, a scale beyond a float) carries the note that says why.
std::optional<SignalRow> MatchedChannelRow(const CandidateField& field, const FieldMatch& match);

} // namespace cac
