#pragma once

#include "catalogue/VariableCatalogue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace cac {

// Identifier of the entry whose default name matches the variable text
// (text from the first "[" ignored, braces select the default name, case and
// surrounding blanks ignored), or -1. Searches indices 0 to 8000.
std::int32_t FindVariableIndex(const VariableCatalogue& catalogue, const QString& cellText);

QString GetVariableUnits(std::int32_t id);
float GetVariableResolution(std::int32_t id);
// Two bytes: group code, 1-based position in the group (0 when above 255).
QByteArray GetLoggerChannelCode(std::int32_t id);

// The matching rule of the in-cell lists: both texts cut down to the part
// between their first "{" and first "}" when they hold a "{", compared exactly;
// the last match wins. Returns the index to select, or `current` when nothing
// matches.
int SelectMatchingItem(const QStringList& entries, const QString& cellText, int current);

} // namespace cac
