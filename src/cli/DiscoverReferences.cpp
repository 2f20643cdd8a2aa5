#include "cli/DiscoverReferences.h"

#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "cli/JsonText.h"
#include "dbc/ChannelFill.h"
#include "discover/DiscoveryTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cac::cli {
namespace {

QString number(double value) {
    return FitNumberText(value);
}

// A best match, claimed by the reference it follows most closely.
struct Claim {
    int reference = -1;
    const FieldMatch* match = nullptr;
};

// Per candidate the reference whose best field it is, or none.
std::vector<Claim> bestClaims(const DiscoveryCandidates& candidates,
                              const QList<ReferenceMatches>& references) {
    std::vector<Claim> claims(candidates.fields.size());
    for (int r = 0; r < references.size(); ++r) {
        const std::vector<FieldMatch>& matches = references[r].ranking.matches;
        if (matches.empty() || !references[r].ranking.undecided.isEmpty())
            continue;
        Claim& claim = claims[static_cast<std::size_t>(matches.front().candidate)];
        if (!claim.match ||
            std::abs(matches.front().correlation) > std::abs(claim.match->correlation))
            claim = {r, &matches.front()};
    }
    return claims;
}

} // namespace

void PrintMatches(const DiscoveryCandidates& candidates,
                  const QList<ReferenceMatches>& references) {
    for (const ReferenceMatches& reference : references) {
        std::printf("\n%s%s:", qUtf8Printable(reference.name),
                    reference.unit.isEmpty()
                        ? ""
                        : qUtf8Printable(QStringLiteral(" [%1]").arg(reference.unit)));
        if (reference.ranking.matches.empty()) {
            std::printf(" no match: %s\n", qUtf8Printable(reference.ranking.error));
            continue;
        }
        std::printf(" value = raw / scale + offset\n");
        const std::vector<FieldMatch>& matches = reference.ranking.matches;
        for (std::size_t i = 0; i < matches.size() && i < std::size_t(MatchesShown); ++i) {
            const FieldMatch& m = matches[i];
            std::printf("  %zu. %s\n", i + 1,
                        qUtf8Printable(
                            MatchLineText(candidates.fields[std::size_t(m.candidate)].description,
                                          reference.ranking, m)));
            if (const QString& unseen = candidates.fields[std::size_t(m.candidate)].unseen;
                !unseen.isEmpty())
                std::printf("     %s\n", qUtf8Printable(unseen));
        }
        if (!reference.ranking.undecided.isEmpty())
            std::printf("  undecided: %s\n", qUtf8Printable(reference.ranking.undecided));
    }
}

void WriteMatchesJson(JsonText& json, const DiscoveryCandidates& candidates,
                      const QList<ReferenceMatches>& references) {
    json.key("references").beginArray();
    for (const ReferenceMatches& reference : references) {
        json.beginObject();
        if (!reference.ranking.error.isEmpty())
            json.key("error").value(reference.ranking.error);
        json.key("matches").beginArray();
        const std::vector<FieldMatch>& matches = reference.ranking.matches;
        for (std::size_t i = 0; i < matches.size() && i < std::size_t(MatchesShown); ++i) {
            const FieldMatch& m = matches[i];
            json.beginObject();
            json.key("correlation").value(m.correlation);
            if (!m.evidence.isEmpty())
                json.key("evidence").value(m.evidence);
            json.key("field").value(candidates.fields[std::size_t(m.candidate)].description);
            json.key("fittedOffset").value(m.fittedOffset);
            json.key("fittedScale").value(m.fittedScale);
            json.key("offset").value(m.offset);
            json.key("pairs").value(m.pairs);
            json.key("residual").value(m.residual);
            json.key("scale").value(m.scale);
            if (const QString& unseen = candidates.fields[std::size_t(m.candidate)].unseen;
                !unseen.isEmpty())
                json.key("uncertain").value(unseen);
            json.endObject();
        }
        json.endArray();
        json.key("name").value(reference.name);
        if (reference.pid >= 0)
            json.key("pid").value(reference.pid);
        json.key("score").value(reference.ranking.scoreName);
        if (!reference.ranking.undecided.isEmpty())
            json.key("undecided").value(reference.ranking.undecided);
        json.key("unit").value(reference.unit);
        json.endObject();
    }
    json.endArray();
}

CanDatabase MatchedDatabase(const DiscoveryResult& result, const DiscoveryCandidates& candidates,
                            const QList<ReferenceMatches>& references) {
    DiscoveryResult named = result;
    const std::vector<Claim> claims = bestClaims(candidates, references);
    for (std::size_t c = 0; c < claims.size(); ++c) {
        if (!claims[c].match || claims[c].match->scale == 0)
            continue;
        const ReferenceMatches& reference = references[claims[c].reference];
        const FieldMatch& m = *claims[c].match;
        const FieldRef& ref = candidates.refs[qsizetype(c)];
        DbcMessage& message = named.identifiers[ref.identifier].message;
        for (DbcSignal& signal : message.signalList) {
            if (signal.name != candidates.dbcSignals[c].name)
                continue;
            const double rawLow = signal.minimum, rawHigh = signal.maximum;
            signal.factor = 1 / m.scale;
            signal.offset = m.offset;
            signal.minimum = std::min(rawLow * signal.factor, rawHigh * signal.factor) + m.offset;
            signal.maximum = std::max(rawLow * signal.factor, rawHigh * signal.factor) + m.offset;
            signal.unit = reference.unit;
            if (reference.pid >= 0)
                signal.name = ObdSignalName(reference.pid);
            signal.comment =
                reference.ranking.scoreName == QStringLiteral("r")
                    ? QStringLiteral("%1; follows %2, r %3, residual %4")
                          .arg(signal.comment, reference.name)
                          .arg(m.correlation, 0, 'f', 3)
                          .arg(number(m.residual))
                    : QStringLiteral("%1; follows %2, %3 %4: %5")
                          .arg(signal.comment, reference.name, reference.ranking.scoreName)
                          .arg(m.correlation, 0, 'f', 3)
                          .arg(m.evidence);
        }
    }
    return DiscoveredDatabase(named);
}

int FillMatchedChannels(ConfigModel& model, const CatalogueLoad& catalogue, int first,
                        const DiscoveryCandidates& candidates,
                        const QList<ReferenceMatches>& references) {
    QList<int> matched; // references with a field
    for (int r = 0; r < references.size(); ++r) {
        if (!references[r].ranking.undecided.isEmpty()) {
            PrintError(QStringLiteral("%1: %2: no channel filled")
                           .arg(references[r].name, references[r].ranking.undecided));
            return ExitFileError;
        }
        if (!references[r].ranking.matches.empty())
            matched.append(r);
    }
    if (matched.isEmpty()) {
        PrintError(QStringLiteral("no field follows the reference: no channel to fill"));
        return ExitFileError;
    }
    const QList<int> channels = ChannelsToFill(model, int(matched.size()), first);
    if (channels.size() != matched.size()) {
        PrintError(first > 0 && IsChannelLocked(model, first)
                       ? QStringLiteral("channel 15 is used for OBD")
                       : QStringLiteral("%1 matched fields from channel %2 on do not fit the %3 "
                                        "channels")
                             .arg(matched.size())
                             .arg(first > 0 ? QString::number(first) : QStringLiteral("1"))
                             .arg(ChannelCount));
        return ExitFileError;
    }
    for (qsizetype i = 0; i < matched.size(); ++i) {
        const ReferenceMatches& reference = references[matched[i]];
        const FieldMatch& best = reference.ranking.matches.front();
        const ChannelProposal proposal = ProposeChannel(
            candidates, reference, best, catalogue.catalogue, catalogue.variableList);
        if (!proposal.row) {
            PrintError(proposal.error);
            return ExitFileError;
        }
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(FilledChannelText(
                         channels[i], candidates.fields[std::size_t(best.candidate)].description,
                         reference.name, proposal.variable, !IsChannelFree(model, channels[i]))));
        FillChannel(model, channels[i], *proposal.row, proposal.variable);
    }
    return ExitOk;
}

} // namespace cac::cli
