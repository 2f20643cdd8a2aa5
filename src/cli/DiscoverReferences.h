#pragma once

// The references of the discover command: the fields a reference names,
// ranked and fitted, printed, written into the found database and into a
// configuration's channels.

#include "canlog/CanFrame.h"
#include "discover/SignalDiscovery.h"
#include "discover/reference/FieldMatch.h"
#include "discover/reference/ObdAnswers.h"

#include <QList>
#include <QString>

#include <vector>

class QCommandLineParser;

namespace cac {
class ConfigModel;
struct CatalogueLoad;
} // namespace cac

namespace cac::cli {

class JsonText;

// One reference and the fields that follow it, best first.
struct ReferenceMatches {
    QString name; // "OBD 0C Engine RPM", the CSV's column, "hint 800..7000"
    QString unit;
    int pid = -1; // the OBD parameter it names, or -1
    MatchRanking ranking;
};

// The continuous fields of a result as candidates for references, with the
// result's FieldRef of each at the same index.
struct DiscoveryCandidates {
    std::vector<CandidateField> fields;
    QList<FieldRef> refs;
};

// The candidates of `result`; with `skipObdAnswers`, none of an identifier
// that carries OBD answers (its fields follow every PID a little).
DiscoveryCandidates CandidatesOf(const DiscoveryResult& result, bool skipObdAnswers);

// Matches for each PID the collector found, in PID order.
QList<ReferenceMatches> MatchObdAnswers(const DiscoveryCandidates& candidates,
                                        const ObdAnswerCollector& answers);

// "  F0x280_16_16  r 1.000  scale 4  offset 0  residual 0.3 rpm" lines, the best
// MatchesShown of each reference.
inline constexpr int MatchesShown = 5;
void PrintMatches(const DiscoveryCandidates& candidates, const QList<ReferenceMatches>& references);
void WriteMatchesJson(JsonText& json, const DiscoveryCandidates& candidates,
                      const QList<ReferenceMatches>& references);

// The database of `result` with each reference's best field scaled as it
// fitted, an OBD parameter's field named ObdSignalName. A field that is the
// best of several references takes the one it follows most closely.
CanDatabase MatchedDatabase(const DiscoveryResult& result, const DiscoveryCandidates& candidates,
                            const QList<ReferenceMatches>& references);

// One channel per reference with a match, from `first` on (the next free
// channels for 0), each filled with its best field's row as import fills one
// for a database signal, the catalogue's variable for the quantity when one
// suits it. ExitOk, or ExitFileError after saying why.
int FillMatchedChannels(ConfigModel& model, const CatalogueLoad& catalogue, int first,
                        const DiscoveryCandidates& candidates,
                        const QList<ReferenceMatches>& references);

} // namespace cac::cli
