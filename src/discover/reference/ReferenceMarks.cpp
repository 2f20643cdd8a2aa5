#include "discover/reference/ReferenceMarks.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace cac {
namespace {

const QString Example = QStringLiteral("12.1,15.3,20.8=brake");

bool Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

// A change of a field: the time span in which it happened.
struct Change {
    double from;
    double to;
};

// The spans in which the field's value changed: a bucket whose extremes
// differ, or whose values do not meet those of the bucket before (the step
// came between them).
std::vector<Change> ChangesOf(const std::vector<FieldSample>& samples) {
    std::vector<Change> out;
    double previousLow = 0, previousHigh = 0, previousEnd = 0;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const FieldSample& s = samples[k];
        const bool bucket = s.width > 0;
        const double low = bucket ? s.low : s.raw;
        const double high = bucket ? s.high : s.raw;
        const double start = s.time - s.width / 2, end = s.time + s.width / 2;
        const bool within = high > low;
        const bool stepped = k > 0 && (low > previousHigh || high < previousLow);
        if (within || stepped)
            out.push_back({stepped ? previousEnd : start, end});
        previousLow = low;
        previousHigh = high;
        previousEnd = end;
    }
    return out;
}

} // namespace

bool ParseReferenceMarks(const QString& text, std::vector<ReferenceMark>& marks, QString* error) {
    const QString typed = text.simplified();
    if (typed.isEmpty())
        return Fail(error, QStringLiteral("no marks: type the times you marked in seconds, "
                                          "separated by commas (%1)")
                               .arg(Example));
    static const QRegularExpression mark(
        QStringLiteral(R"(^([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)\s*s?\s*(?:=\s*(.*))?$)"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<ReferenceMark> read;
    for (const QString& part : typed.split(QLatin1Char(','))) {
        const QString one = part.trimmed();
        const QRegularExpressionMatch m = mark.match(one);
        bool ok = false;
        ReferenceMark r;
        if (m.hasMatch())
            r.time = m.captured(1).toDouble(&ok);
        if (!ok || !std::isfinite(r.time))
            return Fail(error, QStringLiteral("\"%1\" is no mark: type a time in seconds, "
                                              "optionally =label (%2)")
                                   .arg(one, Example));
        r.label = m.captured(2).trimmed();
        read.push_back(r);
    }
    std::stable_sort(read.begin(), read.end(), [](const ReferenceMark& a, const ReferenceMark& b) {
        return a.time < b.time;
    });
    marks = std::move(read);
    return true;
}

QString MarksText(const std::vector<ReferenceMark>& marks) {
    QStringList parts;
    for (const ReferenceMark& m : marks)
        parts.append(m.label.isEmpty() ? QString::number(m.time)
                                       : QStringLiteral("%1=%2").arg(m.time).arg(m.label));
    return parts.join(QLatin1Char(','));
}

MatchRanking RankFieldsByMarks(const std::vector<CandidateField>& fields,
                               const std::vector<ReferenceMark>& marks) {
    MatchRanking ranking;
    ranking.scoreName = QStringLiteral("mark score");
    if (marks.empty()) {
        ranking.error = QStringLiteral("no marks to rank the fields by");
        return ranking;
    }
    bool anyChange = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::vector<Change> changes = ChangesOf(fields[i].samples);
        if (changes.empty())
            continue;
        anyChange = true;
        const auto near = [](const Change& c, const ReferenceMark& m) {
            return c.to >= m.time - MarkLead && c.from <= m.time + MarkLag;
        };
        int hits = 0;
        for (const ReferenceMark& m : marks)
            hits += std::any_of(changes.begin(), changes.end(),
                                [&](const Change& c) { return near(c, m); });
        int at = 0;
        for (const Change& c : changes)
            at += std::any_of(marks.begin(), marks.end(),
                              [&](const ReferenceMark& m) { return near(c, m); });
        const int outside = int(changes.size()) - at;
        const int elsewhere = std::max(0, outside - hits); // one release per press
        const double focus =
            double(changes.size() - std::size_t(elsewhere)) / double(changes.size());
        FieldMatch m;
        m.candidate = int(i);
        m.correlation = double(hits) / double(marks.size()) * focus;
        m.pairs = int(changes.size());
        m.evidence = QStringLiteral("changes at %1 of %2 marks, %3 time(s) elsewhere")
                         .arg(hits)
                         .arg(marks.size())
                         .arg(elsewhere);
        if (hits > 0)
            ranking.matches.push_back(m);
    }
    std::stable_sort(
        ranking.matches.begin(), ranking.matches.end(),
        [](const FieldMatch& a, const FieldMatch& b) { return a.correlation > b.correlation; });
    if (ranking.matches.empty())
        ranking.error = fields.empty() || !anyChange
                            ? QStringLiteral("the log has no field that changes, so nothing can "
                                             "be matched")
                            : QStringLiteral("no field changes at any of the marks");
    NoteUndecided(ranking, fields, QStringLiteral("change alike at the marks"));
    return ranking;
}

} // namespace cac
