#pragma once

#include "common/Finding.h"

#include <QList>
#include <QString>

// What findings say to users.
namespace cac {

// "error", "warning", "note".
QString SeverityText(Severity severity);

// Where a finding is, as users read it: "channel 3, Start bit", "channel 15",
// "Start bit" (a row on its own), "bit rate", "OBD priority 2 (Coolant temp)", "image".
QString PlaceText(const Finding& finding);

// "FILE: channel 3, Start bit: error: message [code]", the form compilers use.
QString FindingLine(const QString& file, const Finding& finding);

// How many findings have the severity.
qsizetype CountFindings(const QList<Finding>& findings, Severity severity);

// "2 errors, 1 warning, 0 notes".
QString FindingSummary(const QList<Finding>& findings);

} // namespace cac
