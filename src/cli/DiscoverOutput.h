#pragma once

// What discover prints of its findings.

#include "discover/DiscoveryCandidates.h"

#include <QList>

namespace cac::cli {

// Each identifier's line and its fields' lines, each bus's byte order and the
// totals.
void PrintDiscoveryText(const DiscoveryResult& result);
// The same as one JSON object, with the references' matches; false when
// standard output could not be written.
bool PrintDiscoveryJson(const DiscoveryResult& result, const DiscoveryCandidates& candidates,
                        const QList<ReferenceMatches>& references);

} // namespace cac::cli
