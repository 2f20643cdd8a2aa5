#pragma once

// Marks: moments the user noted while recording ("I pressed the brake at
// 12.1 s, 15.3 s and 20.8 s"). Fields of every kind but counters and
// checksums are ranked by how they change at the marks and not elsewhere, so
// a switch is found as well as a quantity.

#include "discover/reference/FieldMatch.h"

#include <QString>

#include <vector>

namespace cac {

struct ReferenceMark {
    double time = 0; // seconds: from the log's start, or on its clock
    QString label;   // the word after "=", if any ("brake")
};

// Reads "12.1,15.3,20.8", each optionally labelled "12.1=brake"; the marks
// come back in time order. False with a reason the user can act on when the
// text holds no mark or something that is no time.
bool ParseReferenceMarks(const QString& text, std::vector<ReferenceMark>& marks, QString* error);

// How far before a mark a change still counts as at it: a time typed to a
// tenth of a second, and a field seen through buckets, may put a change
// that came with the click a little before it.
inline constexpr double MarkLead = 0.25;
// How far after a mark: the user clicks, then presses the pedal; a person's
// reaction to their own intent takes well under a second, two leave room.
inline constexpr double MarkLag = 2.0;

// Ranks the fields (continuous and states alike) by how they change at the
// marks, which must lie on the log's clock: the "mark score" in 0..1 is the
// share of marks the field changes at (within MarkLead before to MarkLag
// after), times the share of its changes that come at the marks. A change
// outside the marks is forgiven once per mark it changed at: what is pressed
// at a mark is released later. A change is a bucket of its samples whose
// values differ, or that does not meet the bucket before it. Scale 1 and
// offset 0: a mark tells when, not how much. When the best two score alike,
// ranking.undecided says so.
MatchRanking RankFieldsByMarks(const std::vector<CandidateField>& fields,
                               const std::vector<ReferenceMark>& marks);

// "12.1,15.3,20.8=brake": the marks as they are written back.
QString MarksText(const std::vector<ReferenceMark>& marks);

} // namespace cac
