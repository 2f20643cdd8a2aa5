#pragma once

// The references of the discover command: the fields a reference names,
// ranked and fitted, printed, written into the found database and into a
// configuration's channels.

#include "canlog/CanFrame.h"
#include "discover/SignalDiscovery.h"
#include "discover/reference/FieldMatch.h"
#include "discover/reference/ObdAnswers.h"

#include <QHash>
#include <QList>
#include <QString>

#include <bitset>
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
// result's FieldRef of each and its database signal at the same index. A
// field found in one page of a multiplexed frame has no field of the result
// (FieldRef::field -1) and a signal of its page.
struct DiscoveryCandidates {
    std::vector<CandidateField> fields;
    QList<FieldRef> refs;
    std::vector<DbcSignal> dbcSignals;
};

// The values byte 0 takes in each identifier's frames: a byte of few values
// may be a page number that sets the layout of the rest of the frame.
class PageBytes {
public:
    void add(const CanFrame& frame);
    // The values of the identifier's byte 0 when they are few (2 to MaxPages).
    QList<int> pagesOf(const IdentifierKey& key) const;
    static constexpr int MaxPages = 8;

private:
    QHash<std::uint32_t, std::bitset<256>> m_values; // by IdentifierKey::packed()
};

// The candidates of `result`; with `skipObdAnswers`, none of an identifier
// that carries OBD answers (its fields follow every PID a little).
DiscoveryCandidates CandidatesOf(const DiscoveryResult& result, bool skipObdAnswers);

// Adds the continuous fields found in the pages of identifiers whose byte 0
// is a page number (few values, no changing field of the whole frame reads
// it), those the whole frame does not show as well. Plays the log twice more,
// each page of each such identifier analysed as an identifier of its own.
void AddPagedCandidates(DiscoveryCandidates& candidates, const DiscoveryResult& result,
                        const PageBytes& pages, const FramePlayer& play);

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
