#include "checks/Finding.h"

#include "channels/ChoiceLists.h"
#include "obd/ObdParameters.h"

#include <algorithm>

namespace cac {
namespace {

QString counted(qsizetype count, const char* noun) {
    return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(noun)).arg(count == 1 ? "" : "s");
}

} // namespace

QString SeverityText(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return QStringLiteral("error");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Note:
        break;
    }
    return QStringLiteral("note");
}

QString PlaceText(const Finding& finding) {
    switch (finding.place) {
    case Place::Channel: {
        if (finding.row == 0)
            return ColumnName(finding.column);
        QString text = QStringLiteral("channel %1").arg(finding.row);
        if (finding.column > 0)
            text += QStringLiteral(", ") + ColumnName(finding.column);
        return text;
    }
    case Place::BitRate:
        return QStringLiteral("bit rate");
    case Place::ObdPriority:
        return QStringLiteral("OBD priority %1 (%2)")
            .arg(finding.row)
            .arg(ObdParameterNames().value(finding.row - 1));
    case Place::Image:
        break;
    }
    return QStringLiteral("image");
}

QString FindingLine(const QString& file, const Finding& finding) {
    return QStringLiteral("%1: %2: %3: %4 [%5]")
        .arg(file, PlaceText(finding), SeverityText(finding.severity), finding.message,
             finding.code);
}

qsizetype CountFindings(const QList<Finding>& findings, Severity severity) {
    return std::count_if(findings.begin(), findings.end(),
                         [&](const Finding& f) { return f.severity == severity; });
}

QString FindingSummary(const QList<Finding>& findings) {
    return QStringList{counted(CountFindings(findings, Severity::Error), "error"),
                       counted(CountFindings(findings, Severity::Warning), "warning"),
                       counted(CountFindings(findings, Severity::Note), "note")}
        .join(QStringLiteral(", "));
}

} // namespace cac
