#include "discover/reference/ReferenceHint.h"

#include "canlog/LogReader.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace cac {
namespace {

const QString Number = QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)");
const QString Example = QStringLiteral("800..7000@12..15");

bool Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

bool Finite(const QString& text, double& value) {
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

bool ParseReferenceHint(const QString& text, ReferenceHint& hint, QString* error) {
    const QString typed = text.simplified();
    if (typed.isEmpty())
        return Fail(error, QStringLiteral("the hint is empty: type the expected range as "
                                          "MIN..MAX, optionally @T1..T2 in seconds (%1)")
                               .arg(Example));
    static const QRegularExpression range(
        QStringLiteral(R"(^(%1)\s*(?:\.\.|to\b)\s*(%1)(.*)$)").arg(Number),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch r = range.match(typed);
    ReferenceHint read;
    if (!r.hasMatch())
        return Fail(error, QStringLiteral("\"%1\" does not begin with a range: type MIN..MAX "
                                          "(%2)")
                               .arg(typed, Example));
    if (!Finite(r.captured(1), read.minimum) || !Finite(r.captured(2), read.maximum))
        return Fail(error, QStringLiteral("the range %1..%2 is beyond any number")
                               .arg(r.captured(1), r.captured(2)));
    if (read.minimum >= read.maximum)
        return Fail(error, QStringLiteral("the range's minimum %1 is not below its maximum %2")
                               .arg(r.captured(1), r.captured(2)));
    // What follows: a unit, then the window after "@", "between" or "from".
    QString rest = r.captured(3).trimmed();
    static const QRegularExpression windowStart(QStringLiteral(R"(@|\b(?:between|from)\b)"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch w = windowStart.match(rest);
    const QString before = w.hasMatch() ? rest.left(w.capturedStart()).trimmed() : rest;
    read.unit = before.section(QLatin1Char(' '), 0, 0);
    if (w.hasMatch()) {
        static const QRegularExpression times(
            QStringLiteral(R"(^(%1)\s*s?\s*(?:\.\.|to\b|and\b)\s*(%1)\s*s?$)").arg(Number),
            QRegularExpression::CaseInsensitiveOption);
        const QStringList parts = rest.mid(w.capturedEnd()).split(QLatin1Char(','));
        for (const QString& part : parts) {
            const QString window = part.trimmed();
            const QRegularExpressionMatch t = times.match(window);
            HintWindow span;
            if (!t.hasMatch() || !Finite(t.captured(1), span.from) ||
                !Finite(t.captured(2), span.to))
                return Fail(error,
                            QStringLiteral("\"%1\" is no time window: type @T1..T2 in seconds "
                                           "(%2)")
                                .arg(window, Example));
            if (span.from >= span.to)
                return Fail(
                    error, QStringLiteral("the time window's start %1 s is not before its end %2 s")
                               .arg(t.captured(1), t.captured(2)));
            read.windows.push_back(span);
        }
        std::sort(read.windows.begin(), read.windows.end(),
                  [](const HintWindow& a, const HintWindow& b) { return a.from < b.from; });
        for (std::size_t k = 1; k < read.windows.size(); ++k)
            if (read.windows[k].from < read.windows[k - 1].to)
                return Fail(error, QStringLiteral("the time windows %1..%2 and %3..%4 overlap: "
                                                  "type them as one")
                                       .arg(read.windows[k - 1].from)
                                       .arg(read.windows[k - 1].to)
                                       .arg(read.windows[k].from)
                                       .arg(read.windows[k].to));
    }
    hint = read;
    return true;
}

void ShiftHintWindows(ReferenceHint& hint, double clockShift) {
    for (HintWindow& window : hint.windows)
        if (!IsLogDate(window.from)) {
            window.from += clockShift;
            window.to += clockShift;
        }
}

} // namespace cac
