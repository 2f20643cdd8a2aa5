#pragma once

#include <QDateTime>
#include <QString>

// The window's texts about opening handed files, the recovery of unsaved
// channels and what a screen reader speaks.
namespace cac::app::texts {

inline const QString MenuRestoreUnsaved = QStringLiteral("&Restore unsaved channels");
inline const QString Unsaved = QStringLiteral("Unsaved changes");
inline const QString NothingUnsaved = QStringLiteral("No unsaved changes");

// The start-up notice about a recovery file from an earlier session.
QString unsavedCanBeRestored(const QDateTime& written);
QString restoredUnsaved(const QDateTime& written);
// The bar across the top of the window while kept channels wait.
QString keptChannels(const QDateTime& written, const QDateTime& now);
inline const QString RestoreKept = QStringLiteral("Rest&ore");
inline const QString DiscardKept = QStringLiteral("Discar&d");
QString discardedUnsaved(const QDateTime& written);
QString couldNotRestore(const QString& path, const QString& reason);
QString couldNotWriteRecovery(const QString& reason);
// A handed file that is none of the kinds the window opens.
QString cannotOpenKind(const QString& path);
QString couldNotOpen(const QString& path, const QString& reason);

// Accessible names: the cell of a channel ("Channel 3, Start bit"), the same
// with its text ("Channel 3, Start bit: 16"), a priority of the OBD table.
QString channelName(int channel);
QString channelCellTitle(int channel, int column);
QString priorityCellTitle(const QString& parameter);
QString spokenCell(const QString& title, const QString& text);
// A column title on one line, as it is spoken.
QString spokenTitle(const QString& title);

} // namespace cac::app::texts
