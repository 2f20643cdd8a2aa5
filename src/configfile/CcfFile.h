#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace cac {

class ConfigModel;

// A channel column a load left as it was, and why its line could not be taken.
struct KeptColumn {
    enum class Why {
        Missing, // the file ends before its line
        Empty,   // its line is empty
        Cells,   // its line has `cells` cells, not one per channel
        Unended, // one cell per channel, but no "|" after the last
    };
    int column = 0;
    Why why = Why::Missing;
    qsizetype cells = 0;
};

// What a load applied, so that callers can tell a configuration file from
// something else, and say which columns it kept.
struct CcfLoadReport {
    int channelColumnsApplied = 0; // of 12
    bool baudRateMatched = false;
    bool prioritiesApplied = false;
    QList<KeptColumn> keptColumns; // in column order
    // Why the bit rate's and the OBD priorities' lines were not taken, as
    // keptReason words them ("its line is empty"); empty when taken.
    QString baudRateKept, prioritiesKept;
    bool anythingApplied() const {
        return channelColumnsApplied > 0 || baudRateMatched || prioritiesApplied;
    }
};

// "Exponent kept: its line has 17 cells" for the columns a load kept, those
// kept for the same reason named together, then the bit rate and the OBD
// priorities when their lines were kept; empty when it took everything.
QString KeptColumnsText(const CcfLoadReport& report);

// The 14 CR LF-terminated lines of a .ccf for the model's state.
QByteArray SerializeCcf(const ConfigModel& model);

// Applies .ccf text to the model: lines end at CR or CR LF (a lone LF does not
// end a line); a line is applied only when its "|" piece count fits the grid;
// missing lines change nothing; lines after the 14th are never read.
CcfLoadReport ApplyCcf(ConfigModel& model, const QByteArray& bytes);

// Writes the file through a temporary file in the same folder, so a failed
// write leaves an earlier file untouched. Returns false on failure.
bool SaveCcfFile(const ConfigModel& model, const QString& path, QString* error = nullptr);

// A configuration file is a few kilobytes, a few megabytes with long cell
// texts; one whose 14 lines do not end within this many bytes is not one.
inline constexpr qint64 MaxCcfFileSize = 32 * 1024 * 1024;

// Reads at most the first 14 lines of the file. Returns false with the reason
// when the file cannot be opened, is not a regular file (a device, a pipe) or
// its 14 lines do not end within MaxCcfFileSize bytes; the model is then
// unchanged.
bool LoadCcfFile(ConfigModel& model, const QString& path, CcfLoadReport* report = nullptr,
                 QString* error = nullptr);

} // namespace cac
