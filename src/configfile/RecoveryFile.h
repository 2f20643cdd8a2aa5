#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace cac {

class ConfigModel;

// The recovery file keeps typed work that has not been saved: the same
// fourteen lines a save writes, then what a configuration file leaves out,
// the OBD mode switch. A recovery file is therefore also a configuration file
// that File → Load reads.
inline const QString RecoveryFileName = QStringLiteral("unsaved-channels.ccf");
// A recovery file found at start-up is moved here, so that the new session's
// own recovery file never overwrites it before the user restores it.
inline const QString EarlierRecoveryFileName = QStringLiteral("unsaved-channels.earlier.ccf");

// Fourteen configuration lines and the OBD mode line, with room to spare.
inline constexpr qint64 MaxRecoveryFileSize = 32 * 1024 * 1024 + 64;

// What a recovery file holds.
struct RecoveredTable {
    QByteArray ccf;       // the fourteen lines, as a save writes them
    QString baudRateText; // line 13 as it stands, also a text typed into the list
    bool obdMode = false;
};

// The recovery file's bytes for the model's state.
QByteArray SerializeRecovery(const ConfigModel& model);

// Reads a recovery file's bytes. nullopt, with the reason, when they are not
// one (fewer than fifteen lines, or no OBD mode line where it belongs).
std::optional<RecoveredTable> ParseRecovery(const QByteArray& bytes, QString* why = nullptr);

// Puts a recovered table into the model: the OBD mode first (switching writes
// channel 15's variable cell), then the fourteen lines as a load does, then
// the bit-rate text, which a load takes only when it names a list entry.
void ApplyRecovery(ConfigModel& model, const RecoveredTable& table);

} // namespace cac
