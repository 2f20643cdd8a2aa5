#pragma once

#include <QString>
#include <QStringList>

namespace cac {

inline constexpr int ObdParameterCount = 18;
inline constexpr int ObdGridRows = ObdParameterCount + 1; // title row + parameters

// Parameter names in table order (row 1 to 18).
QStringList ObdParameterNames();
// Priority texts the table holds right after start-up, in table order.
QStringList StartupObdPriorities();
// Entries of the priority list: "OFF", "1" to "8".
QStringList PriorityEntries();

// Window caption for the given mode, with the program's version appended.
QString WindowCaption(bool obdMode);
// "major.minor.revision" of this build.
QString ProgramVersion();

} // namespace cac
