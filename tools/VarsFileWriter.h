#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <cstdint>

// Builds Vars.cfg catalogue images: the leading table, the catalogue entries
// with all eleven fields, and the closing signature. Used by the tests to make
// valid and broken catalogues and by the demo-catalogue tool.
namespace cac::tools {

struct VarsEntry {
    QString defaultName;
    QString userName;
};

struct VarsFileLayout {
    std::int32_t upperIndexA = 0; // leading table has A + 1 records
    std::int32_t upperIndexB = 0; // catalogue has B + 1 entries
    QMap<int, VarsEntry> entries; // index -> names; other indices get empty names
    std::int32_t signature = 7576;
    // Filler for the fields the program only steps over, so readers are
    // exercised with non-empty strings too.
    bool fillUnusedFields = true;
    // When not empty, the lengths of those strings instead, taken in turn.
    QList<int> fillerLengths;
};

QByteArray WriteVarsFile(const VarsFileLayout& varsFile);

} // namespace cac::tools
