#include "discover/DiscoveryCandidates.h"

#include "canlog/LogReader.h"
#include "dbc/VariableProposals.h"
#include "discover/DiscoveryTexts.h"

#include <algorithm>
#include <cmath>

namespace cac {

bool CarriesObdAnswers(const IdentifierKey& key) {
    CanFrame probe;
    probe.id = key.id;
    probe.extended = key.extended;
    return IsObdAnswerFrame(probe);
}

namespace {

// A bucket's middle stands for its values, its extremes and span show a
// change shorter than the bucket: the series keeps each bucket's extremes,
// not its values.
std::vector<FieldSample> SamplesOf(const DiscoveredField& field) {
    std::vector<FieldSample> samples;
    for (const SeriesBucket& bucket : field.series->buckets()) {
        const double low = field.isSigned ? bucket.minValue : bucket.minRaw;
        const double high = field.isSigned ? bucket.maxValue : bucket.maxRaw;
        samples.push_back(
            {bucket.start + bucket.width / 2, (low + high) / 2, bucket.width, low, high});
    }
    return samples;
}

} // namespace

DiscoveryCandidates CandidatesOf(const DiscoveryResult& result, bool skipObdAnswers) {
    DiscoveryCandidates out;
    out.pairedNames = result.pairedNames;
    for (int i = 0; i < result.identifiers.size(); ++i) {
        const DiscoveredIdentifier& identifier = result.identifiers[i];
        if (skipObdAnswers && CarriesObdAnswers(identifier.key))
            continue;
        for (int k = 0; k < identifier.fields.size(); ++k) {
            const DiscoveredField& field = identifier.fields[k];
            const bool state =
                field.kind == FieldKind::Flag || field.kind == FieldKind::Enumeration;
            if ((field.kind != FieldKind::Continuous && !state) || !field.series)
                continue;
            CandidateField candidate;
            candidate.id = identifier.key.id;
            candidate.extended = identifier.key.extended;
            candidate.field = k;
            candidate.description = OnBusText(field.signal.name, identifier);
            candidate.unseen = FitUnseenText(field);
            candidate.layout = FieldLayout{field.signal.startBit, field.signal.length,
                                           field.signal.littleEndian, field.isSigned};
            if (field.page >= 0) {
                candidate.layout->filterByte = 0;
                candidate.layout->filterValue = field.page;
            }
            candidate.samples = SamplesOf(field);
            candidate.paired = field.paired;
            candidate.kind = state ? CandidateKind::State : CandidateKind::Continuous;
            out.fields.push_back(std::move(candidate));
            out.refs.append({i, k});
            out.dbcSignals.push_back(field.signal);
        }
    }
    return out;
}

ReferenceMatches MatchHint(const DiscoveryCandidates& candidates, ReferenceHint hint,
                           double clockShift, const QString& typed) {
    ShiftHintWindows(hint, clockShift);
    return {QStringLiteral("hint ") + typed.trimmed(), hint.unit, -1,
            RankFieldsByHint(candidates.fields, hint)};
}

ReferenceMatches MatchMarks(const DiscoveryCandidates& candidates, std::vector<ReferenceMark> marks,
                            double clockShift) {
    ReferenceMatches out{QStringLiteral("marks ") + MarksText(marks), QString(), -1, {}};
    out.ranking.scoreName = QStringLiteral("mark score");
    if (marks.empty()) {
        out.ranking.error = QStringLiteral("no marks to rank the fields by");
        return out;
    }
    // The log's span, as its fields saw it.
    double first = INFINITY, last = -INFINITY;
    for (const CandidateField& field : candidates.fields)
        if (!field.samples.empty()) {
            first = std::min(first, field.samples.front().time - field.samples.front().width / 2);
            last = std::max(last, field.samples.back().time + field.samples.back().width / 2);
        }
    if (!(first <= last)) {
        out.ranking.error =
            QStringLiteral("the log has no field that changes, so nothing can be matched");
        return out;
    }
    for (ReferenceMark& mark : marks) {
        const double shift = IsLogDate(mark.time) ? 0 : clockShift;
        const double at = mark.time + shift;
        if (at < first || at > last) {
            out.ranking.error = QStringLiteral("mark %1 s is %2: mark times within %3 to %4 s")
                                    .arg(mark.time)
                                    .arg(at < first ? QStringLiteral("before the log's start")
                                                    : QStringLiteral("after the log's end"))
                                    .arg(FitNumberText(first - shift), FitNumberText(last - shift));
            return out;
        }
        mark.time = at;
    }
    out.ranking = RankFieldsByMarks(candidates.fields, marks);
    return out;
}

QList<ReferenceMatches> MatchObdAnswers(const DiscoveryCandidates& candidates,
                                        const ObdAnswerCollector& answers) {
    QList<ReferenceMatches> out;
    for (const int pid : answers.pids()) {
        const std::optional<ReferenceSeries> series = answers.series(pid);
        if (!series)
            continue;
        out.append(
            {series->name, series->unit, pid,
             RankFieldsAgainst(candidates.fields, *series, candidates.pairedIndex(series->name))});
    }
    return out;
}

ChannelProposal ProposeChannel(const DiscoveryCandidates& candidates,
                               const ReferenceMatches& reference, const FieldMatch& match,
                               const VariableCatalogue& catalogue,
                               const QStringList& variableList) {
    ChannelProposal out;
    const CandidateField& field = candidates.fields[std::size_t(match.candidate)];
    const std::optional<SignalRow> row = MatchedChannelRow(field, match);
    if (!row || !row->importable()) {
        out.error =
            QStringLiteral("%1: %2 cannot fill a channel%3")
                .arg(reference.name, field.description,
                     row && !row->notes.isEmpty() ? QStringLiteral(": ") + row->notes.first().text
                                                  : QString());
        return out;
    }
    out.row = row;
    // The quantity's name and unit choose the variable, as import proposes
    // one for a database signal; a hint's range names none.
    if (reference.unit.isEmpty())
        return out;
    DbcSignal quantity;
    quantity.name = reference.pid >= 0 ? FindObdPid(reference.pid)->name : reference.name;
    quantity.unit = reference.unit;
    const QStringList variables = VariableProposals(catalogue, variableList).forSignal(quantity);
    if (!variables.isEmpty())
        out.variable = variables.first();
    return out;
}

ChannelProposal ProposeFieldChannel(const DiscoveredField& field) {
    ChannelProposal out;
    QString why;
    if (field.kind == FieldKind::Constant) // a constant run is no value to log
        why = QStringLiteral(": it never changes");
    for (const MappingNote& note : field.row.notes)
        if (note.refuses && why.isEmpty())
            why = QStringLiteral(": ") + note.text;
    if (!why.isEmpty()) {
        out.error = QStringLiteral("%1 cannot fill a channel%2").arg(field.signal.name, why);
        return out;
    }
    out.row = field.row;
    return out;
}

QString FilledChannelText(int channel, const QString& field, const QString& reference,
                          const QString& variable, bool replacing) {
    return QStringLiteral("channel %1: %2%3%4%5")
        .arg(channel)
        .arg(field, reference.isEmpty() ? QString() : QStringLiteral(" for ") + reference,
             variable.isEmpty() ? QString() : QStringLiteral(", ") + variable,
             replacing ? QStringLiteral(" (replacing its settings)") : QString());
}

} // namespace cac
