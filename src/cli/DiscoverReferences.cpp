#include "cli/DiscoverReferences.h"

#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "cli/JsonText.h"
#include "dbc/ChannelFill.h"
#include "dbc/VariableProposals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cac::cli {
namespace {

QString number(double value) {
    return QString::number(value, 'g', 6);
}

bool carriesObdAnswers(const IdentifierKey& key) {
    CanFrame probe;
    probe.id = key.id;
    probe.extended = key.extended;
    return IsObdAnswerFrame(probe);
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
        if (matches.empty())
            continue;
        Claim& claim = claims[static_cast<std::size_t>(matches.front().candidate)];
        if (!claim.match ||
            std::abs(matches.front().correlation) > std::abs(claim.match->correlation))
            claim = {r, &matches.front()};
    }
    return claims;
}

// A field of one page joins its message, with byte 0 as the page number in
// place of the fields the whole frame showed there.
void addPage(DbcMessage& message, const DbcSignal& signal) {
    if (std::none_of(message.signalList.begin(), message.signalList.end(),
                     [](const DbcSignal& s) { return s.isMultiplexor; })) {
        const auto inByteZero = [](const DbcSignal& s) {
            return s.littleEndian ? s.startBit + s.length <= 8
                                  : s.startBit < 8 && s.length <= s.startBit + 1;
        };
        message.signalList.removeIf(inByteZero);
        DbcSignal page;
        page.name = QStringLiteral("Page");
        page.length = 8;
        page.maximum = 255;
        page.isMultiplexor = true;
        page.comment = QStringLiteral("the page number: it sets the layout of the rest");
        message.signalList.prepend(page);
    }
    message.signalList.append(signal);
}

} // namespace

DiscoveryCandidates CandidatesOf(const DiscoveryResult& result, bool skipObdAnswers) {
    DiscoveryCandidates out;
    for (const FieldRef& ref : ContinuousFields(result)) {
        const DiscoveredIdentifier& identifier = result.identifiers[ref.identifier];
        if (skipObdAnswers && carriesObdAnswers(identifier.key))
            continue;
        const DiscoveredField& field = identifier.fields[ref.field];
        CandidateField candidate;
        candidate.id = identifier.key.id;
        candidate.extended = identifier.key.extended;
        candidate.field = ref.field;
        candidate.description = field.signal.name;
        candidate.layout = FieldLayout{field.signal.startBit, field.signal.length,
                                       field.signal.littleEndian, field.isSigned};
        // A bucket's middle stands for its values: the series keeps each
        // bucket's extremes, not its values.
        for (const SeriesBucket& bucket : field.series->buckets()) {
            const double raw = field.isSigned ? (bucket.minValue + bucket.maxValue) / 2
                                              : (bucket.minRaw + bucket.maxRaw) / 2;
            candidate.samples.push_back({bucket.start + bucket.width / 2, raw});
        }
        out.fields.push_back(std::move(candidate));
        out.refs.append(ref);
        out.dbcSignals.push_back(field.signal);
    }
    return out;
}

void PageBytes::add(const CanFrame& frame) {
    if (frame.remote || frame.error || frame.length == 0)
        return;
    const IdentifierKey key{frame.id & (frame.extended ? 0x1FFFFFFFu : 0x7FFu), frame.extended};
    m_values[key.packed()].set(frame.data[0]);
}

QList<int> PageBytes::pagesOf(const IdentifierKey& key) const {
    const auto found = m_values.constFind(key.packed());
    if (found == m_values.constEnd() || found->count() < 2 || found->count() > MaxPages)
        return {};
    QList<int> pages;
    for (int value = 0; value < 256; ++value)
        if (found->test(std::size_t(value)))
            pages.append(value);
    return pages;
}

void AddPagedCandidates(DiscoveryCandidates& candidates, const DiscoveryResult& result,
                        const PageBytes& pages, const FramePlayer& play) {
    // Each page of each paged identifier as an identifier of its own,
    // numbered 0, 1, ...: only its frames are played, so no number meets a
    // real identifier.
    struct Page {
        int identifier;
        int value;
    };
    QList<Page> paged;
    QHash<std::uint32_t, int> firstPage; // by IdentifierKey::packed()
    const auto readsByteZero = [](const DiscoveredField& f) {
        return f.kind != FieldKind::Constant && f.kind != FieldKind::Flag &&
               f.kind != FieldKind::Enumeration &&
               std::any_of(f.bits.begin(), f.bits.end(), [](int bit) { return bit < 8; });
    };
    for (int i = 0; i < result.identifiers.size(); ++i) {
        const DiscoveredIdentifier& identifier = result.identifiers[i];
        const QList<int> values = pages.pagesOf(identifier.key);
        // An OBD answer's first byte is its length, not a page.
        if (values.isEmpty() || carriesObdAnswers(identifier.key) ||
            std::any_of(identifier.fields.begin(), identifier.fields.end(), readsByteZero))
            continue;
        firstPage.insert(identifier.key.packed(), int(paged.size()));
        for (const int value : values)
            paged.append({i, value});
    }
    if (paged.isEmpty())
        return;
    const FramePlayer pagedPlay = [&](const FrameSink& sink) {
        return play([&](const CanFrame& frame) {
            if (frame.remote || frame.error || frame.length == 0)
                return;
            const IdentifierKey key{frame.id & (frame.extended ? 0x1FFFFFFFu : 0x7FFu),
                                    frame.extended};
            const auto found = firstPage.constFind(key.packed());
            if (found == firstPage.constEnd())
                return;
            for (int k = *found;
                 k < paged.size() && paged[k].identifier == paged[*found].identifier; ++k) {
                if (paged[k].value != frame.data[0])
                    continue;
                CanFrame copy = frame;
                copy.id = std::uint32_t(k);
                copy.extended = false;
                sink(copy);
                return;
            }
        });
    };
    const DiscoveryResult split = DiscoverSignals(pagedPlay);
    if (split.stopped)
        return;
    for (const FieldRef& ref : ContinuousFields(split)) {
        const DiscoveredIdentifier& part = split.identifiers[ref.identifier];
        const DiscoveredField& field = part.fields[ref.field];
        const Page& page = paged[qsizetype(part.key.id)];
        const DiscoveredIdentifier& whole = result.identifiers[page.identifier];
        const bool shown =
            std::any_of(whole.fields.begin(), whole.fields.end(), [&](const DiscoveredField& f) {
                return f.kind == FieldKind::Continuous &&
                       f.signal.startBit == field.signal.startBit &&
                       f.signal.length == field.signal.length &&
                       f.signal.littleEndian == field.signal.littleEndian;
            });
        if (shown ||
            std::any_of(field.bits.begin(), field.bits.end(), [](int bit) { return bit < 8; }))
            continue;
        DbcSignal signal = field.signal;
        signal.name = FieldName(whole.key, field.kind, signal.startBit, signal.length) +
                      QStringLiteral("_m") + QString::number(page.value);
        signal.multiplexValue = page.value;
        CandidateField candidate;
        candidate.id = whole.key.id;
        candidate.extended = whole.key.extended;
        candidate.description = signal.name;
        candidate.layout = FieldLayout{
            signal.startBit, signal.length, signal.littleEndian, field.isSigned, 0, page.value};
        for (const SeriesBucket& bucket : field.series->buckets()) {
            const double raw = field.isSigned ? (bucket.minValue + bucket.maxValue) / 2
                                              : (bucket.minRaw + bucket.maxRaw) / 2;
            candidate.samples.push_back({bucket.start + bucket.width / 2, raw});
        }
        candidates.fields.push_back(std::move(candidate));
        candidates.refs.append({page.identifier, -1});
        candidates.dbcSignals.push_back(signal);
    }
}

QList<ReferenceMatches> MatchObdAnswers(const DiscoveryCandidates& candidates,
                                        const ObdAnswerCollector& answers) {
    QList<ReferenceMatches> out;
    for (const int pid : answers.pids()) {
        const std::optional<ReferenceSeries> series = answers.series(pid);
        if (!series)
            continue;
        out.append(
            {series->name, series->unit, pid, RankFieldsAgainst(candidates.fields, *series)});
    }
    return out;
}

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
            std::printf(
                "  %zu. %-26s r %6.3f  scale %s  offset %s  residual %s (fit %s, %s)\n", i + 1,
                qUtf8Printable(candidates.fields[std::size_t(m.candidate)].description),
                m.correlation, qUtf8Printable(number(m.scale)), qUtf8Printable(number(m.offset)),
                qUtf8Printable(number(m.residual)), qUtf8Printable(number(m.fittedScale)),
                qUtf8Printable(number(m.fittedOffset)));
        }
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
            json.key("field").value(candidates.fields[std::size_t(m.candidate)].description);
            json.key("fittedOffset").value(m.fittedOffset);
            json.key("fittedScale").value(m.fittedScale);
            json.key("offset").value(m.offset);
            json.key("pairs").value(m.pairs);
            json.key("residual").value(m.residual);
            json.key("scale").value(m.scale);
            json.endObject();
        }
        json.endArray();
        json.key("name").value(reference.name);
        if (reference.pid >= 0)
            json.key("pid").value(reference.pid);
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
        if (ref.field < 0)
            addPage(message, candidates.dbcSignals[c]);
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
            signal.comment = QStringLiteral("%1; follows %2, r %3, residual %4")
                                 .arg(signal.comment, reference.name)
                                 .arg(m.correlation, 0, 'f', 3)
                                 .arg(number(m.residual));
        }
    }
    return DiscoveredDatabase(named);
}

int FillMatchedChannels(ConfigModel& model, const CatalogueLoad& catalogue, int first,
                        const DiscoveryCandidates& candidates,
                        const QList<ReferenceMatches>& references) {
    QList<int> matched; // references with a field
    for (int r = 0; r < references.size(); ++r)
        if (!references[r].ranking.matches.empty())
            matched.append(r);
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
    const VariableProposals proposals(catalogue.catalogue, catalogue.variableList);
    for (qsizetype i = 0; i < matched.size(); ++i) {
        const ReferenceMatches& reference = references[matched[i]];
        const FieldMatch& best = reference.ranking.matches.front();
        const CandidateField& field = candidates.fields[std::size_t(best.candidate)];
        const std::optional<SignalRow> row = MatchedChannelRow(field, best);
        if (!row || !row->importable()) {
            PrintError(QStringLiteral("%1: %2 cannot fill a channel%3")
                           .arg(reference.name, field.description,
                                row && !row->notes.isEmpty()
                                    ? QStringLiteral(": ") + row->notes.first().text
                                    : QString()));
            return ExitFileError;
        }
        // The quantity's name and unit choose the variable, as import
        // proposes one for a database signal; a hint's range names none.
        DbcSignal quantity;
        quantity.name = reference.pid >= 0 ? FindObdPid(reference.pid)->name : reference.name;
        quantity.unit = reference.unit;
        const QStringList variables =
            reference.unit.isEmpty() ? QStringList() : proposals.forSignal(quantity);
        const QString variable = variables.isEmpty() ? QString() : variables.first();
        std::fprintf(stderr, "channel %d: %s for %s%s%s\n", channels[i],
                     qUtf8Printable(field.description), qUtf8Printable(reference.name),
                     variable.isEmpty() ? "" : qUtf8Printable(QStringLiteral(", ") + variable),
                     IsChannelFree(model, channels[i]) ? "" : " (replacing its settings)");
        FillChannel(model, channels[i], *row, variable);
    }
    return ExitOk;
}

} // namespace cac::cli
