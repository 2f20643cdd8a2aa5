#pragma once

// The references of the discover command: the fields a reference names,
// ranked and fitted, printed, written into the found database and into a
// configuration's channels.

#include "discover/DiscoveryCandidates.h"

#include <QList>

namespace cac {
class ConfigModel;
struct CatalogueLoad;
} // namespace cac

namespace cac::cli {

class JsonText;

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
