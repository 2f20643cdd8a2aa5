#pragma once

// The fields a reference may name, gathered from a discovery: the
// continuous fields of every identifier (a page's of a paged frame too),
// ranked against OBD answers, and turned into the channel a match
// fills. The command line and the window both take them from here.

#include "canlog/CanFrame.h"
#include "discover/SignalDiscovery.h"
#include "discover/reference/FieldMatch.h"
#include "discover/reference/ObdAnswers.h"
#include "discover/reference/ReferenceHint.h"
#include "discover/reference/ReferenceMarks.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <bitset>
#include <optional>
#include <vector>

namespace cac {

class VariableCatalogue;

// One reference and the fields that follow it, best first.
struct ReferenceMatches {
    QString name; // "OBD 0C Engine RPM", the CSV's column, "hint 800..7000"
    QString unit;
    int pid = -1; // the OBD parameter it names, or -1
    MatchRanking ranking;
};

// The fields of a result as candidates for references, with the result's
// FieldRef of each and its database signal at the same index: the continuous
// ones for every reference, flags and enumerations (CandidateKind::State) for
// marks only; counters and checksums never. A field found in one page of a
// paged frame is read only from that page's frames.
struct DiscoveryCandidates {
    std::vector<CandidateField> fields;
    QList<FieldRef> refs;
    std::vector<DbcSignal> dbcSignals;
    // The references each field's `paired` sums are of, in their order.
    QStringList pairedNames;
    // The place of the reference named `name` there, -1 when the fields were
    // not paired with it (a CSV chosen after the analysis).
    int pairedIndex(const QString& name) const { return int(pairedNames.indexOf(name)); }
};

// Whether the identifier is one OBD answers come on (0x7E8 to 0x7EF, 0x18DAF1xx).
bool CarriesObdAnswers(const IdentifierKey& key);

// The candidates of `result`; with `skipObdAnswers`, none of an identifier
// that carries OBD answers (its fields follow every PID a little).
DiscoveryCandidates CandidatesOf(const DiscoveryResult& result, bool skipObdAnswers);

// A hint's ranking, its windows typed from the log's start moved onto its
// clock by `clockShift` (LogDiscovery::clockShift()); named "hint " + typed.
ReferenceMatches MatchHint(const DiscoveryCandidates& candidates, ReferenceHint hint,
                           double clockShift, const QString& typed);

// The marks' ranking of every candidate (flags and enumerations included),
// the marks typed from the log's start moved onto its clock by `clockShift`;
// named "marks 12.1,15.3,20.8". A mark before the log's first time or after
// its last refuses the whole ranking with a reason, in the times as typed.
ReferenceMatches MatchMarks(const DiscoveryCandidates& candidates, std::vector<ReferenceMark> marks,
                            double clockShift);

// Matches for each PID the collector found, in PID order.
QList<ReferenceMatches> MatchObdAnswers(const DiscoveryCandidates& candidates,
                                        const ObdAnswerCollector& answers);

// What a match writes into a channel: the row and the catalogue's variable
// for the quantity (as import proposes one for a database signal; a hint's
// range names none), or why it cannot fill one.
struct ChannelProposal {
    std::optional<SignalRow> row; // set when the field can fill a channel
    QString variable;             // the variable list's entry, or empty
    QString error;                // "F0x280_16_40 cannot fill a channel: ..."
};
ChannelProposal ProposeChannel(const DiscoveryCandidates& candidates,
                               const ReferenceMatches& reference, const FieldMatch& match,
                               const VariableCatalogue& catalogue, const QStringList& variableList);

// What a found field writes into a channel without a match: its own row, raw
// value with scale 1 and offset 0, and no variable; or why it cannot.
ChannelProposal ProposeFieldChannel(const DiscoveredField& field);

// "channel 15: F0x280_16_16 for OBD 0C Engine RPM, Engine speed {RPM}", with
// " (replacing its settings)" when the channel held some; a field used
// without a reference has no " for ...".
QString FilledChannelText(int channel, const QString& field, const QString& reference,
                          const QString& variable, bool replacing);

} // namespace cac
