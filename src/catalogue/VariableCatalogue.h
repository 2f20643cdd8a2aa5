#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

namespace cac {

// The two fields of a catalogue entry this program uses; the others are only
// stepped over when reading.
struct CatalogueEntry {
    QString defaultName;
    QString userName;
};

// The logger variable catalogue, indexed by variable identifier.
using VariableCatalogue = QVector<CatalogueEntry>;

// The closing signature of a valid Vars.cfg.
inline constexpr std::int32_t VarsFileSignature = 7576;

// First entry of the variable list, also the column-1 default.
inline const QString DoNotUseText = QStringLiteral("**Do not use**");

inline const QString CatalogueCorruptMessage =
    QStringLiteral("The variable file appears to be corrupted, cannot continue operation");

struct CatalogueLoad {
    VariableCatalogue catalogue;
    // "**Do not use**" followed by the entries 1000 to 5049 with a default name.
    QStringList variableList;
    // True when the corruption message is due (bad signature, truncated,
    // unreadable or missing file, impossible upper index).
    bool corrupt = true;
};

// Reads a Vars.cfg image held in memory. Never reads past the end and never
// allocates more than the bytes present could describe.
CatalogueLoad ReadVariableDefinitions(const QByteArray& bytes);

// Reads the file at path; a missing or unreadable file is a corrupt catalogue.
// Files larger than any plausible catalogue are refused without reading them.
CatalogueLoad LoadVariableDefinitions(const QString& path);

// The maker's data folder with a trailing separator ("Vorlane" inside the
// per-user application data folder), or empty when the platform cannot name it.
QString GetSpecialFolder();

// The catalogue path the program uses: GetSpecialFolder() + "Vars.cfg", or the
// bare name relative to the current directory when there is no data folder.
QString DefaultCataloguePath();

// The part of text before its first NUL character.
QString TrimAtNull(const QString& text);

} // namespace cac
