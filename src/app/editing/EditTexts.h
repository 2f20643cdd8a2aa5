#pragma once

#include <QString>

namespace cac {
struct PasteOutcome;
}

// The Edit menu's texts: its items, the names of undo steps ("Undo Start bit
// of channel 3") and what the status bar says after a copy, paste or move.
namespace cac::app::texts {

inline const QString MenuEdit = QStringLiteral("&Edit");
inline const QString UndoPrefix = QStringLiteral("&Undo");
inline const QString RedoPrefix = QStringLiteral("&Redo");
inline const QString MenuCut = QStringLiteral("Cu&t");
inline const QString MenuCopy = QStringLiteral("&Copy");
inline const QString MenuPaste = QStringLiteral("&Paste");
inline const QString MenuClear = QStringLiteral("&Delete");
inline const QString MenuMoveUp = QStringLiteral("Move channel &up");
inline const QString MenuMoveDown = QStringLiteral("Move channel do&wn");
inline const QString MenuSelectAll = QStringLiteral("Select &all");
inline const QString MenuSelectChannels = QStringLiteral("Select c&hannels");

// Undo steps.
inline const QString StepCells = QStringLiteral("Channel table");
inline const QString StepBitRate = QStringLiteral("Bit rate");
inline const QString StepPaste = QStringLiteral("Paste");
inline const QString StepCut = QStringLiteral("Cut");
inline const QString StepClear = QStringLiteral("Delete");
inline const QString StepLoad = QStringLiteral("Load configuration file");
inline const QString StepLoadImage = QStringLiteral("Load from image");
inline const QString StepDbcFill = QStringLiteral("Fill from CAN database");
inline const QString StepRestore = QStringLiteral("Restore unsaved channels");
QString stepCell(int row, int column);
QString stepPriority(int obdRow);
QString stepObdMode(bool on);
QString stepMove(int channel, int step);

// Status bar.
QString copiedCells(qsizetype rows, qsizetype columns, bool wholeChannels);
QString pasteReport(const PasteOutcome& outcome);
QString clearedCells(qsizetype cleared, int lockedSkipped);
QString movedChannel(int from, int to);
inline const QString NothingToPaste =
    QStringLiteral("Nothing to paste: the clipboard holds no text.");
inline const QString CannotMove =
    QStringLiteral("Channel not moved: it would leave the table or pass channel 15, used for OBD.");

} // namespace cac::app::texts
