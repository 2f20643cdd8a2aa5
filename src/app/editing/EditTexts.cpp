#include "app/editing/EditTexts.h"

#include "app/window/WindowTexts.h"
#include "channels/CellBlock.h"
#include "channels/ChoiceLists.h"
#include "obd/ObdParameters.h"

#include <QStringList>

namespace cac::app::texts {
namespace {

// Places named in a paste report before the rest is only counted.
constexpr qsizetype NamedPlaces = 5;

QString placeText(const CellPlace& place) {
    return QStringLiteral("channel %1 %2").arg(place.row).arg(dbcCellTitle(place.column));
}

} // namespace

QString stepCell(int row, int column) {
    return QStringLiteral("%1 of channel %2").arg(dbcCellTitle(column)).arg(row);
}

QString stepPriority(int obdRow) {
    return QStringLiteral("Priority of %1").arg(ObdParameterNames().value(obdRow - 1));
}

QString stepObdMode(bool on) {
    return on ? QStringLiteral("OBD mode on") : QStringLiteral("OBD mode off");
}

QString stepMove(int channel, int step) {
    return QStringLiteral("Move channel %1 %2").arg(channel).arg(step < 0 ? "up" : "down");
}

QString copiedCells(qsizetype rows, qsizetype columns, bool wholeChannels) {
    if (wholeChannels)
        return QStringLiteral("Copied %1.").arg(counted(rows, "channel"));
    return QStringLiteral("Copied %1.").arg(counted(rows * columns, "cell"));
}

QString pasteReport(const PasteOutcome& outcome) {
    QStringList parts{QStringLiteral("Pasted %1").arg(counted(outcome.written, "cell"))};
    if (!outcome.refused.isEmpty()) {
        QStringList places;
        for (qsizetype i = 0; i < std::min(outcome.refused.size(), NamedPlaces); ++i)
            places << placeText(outcome.refused[i]);
        if (outcome.refused.size() > NamedPlaces)
            places << QStringLiteral("\u2026");
        parts << QStringLiteral("%1 not pasted: %2")
                     .arg(counted(outcome.refused.size(), "cell"),
                          places.join(QStringLiteral(", ")));
    }
    if (!outcome.locked.isEmpty())
        parts << QStringLiteral("%1 of channel 15 not pasted: it is used for OBD")
                     .arg(counted(outcome.locked.size(), "cell"));
    if (outcome.rowsBeyond > 0)
        parts << QStringLiteral("%1 below channel 15 cut off")
                     .arg(counted(outcome.rowsBeyond, "row"));
    if (outcome.columnsBeyond > 0)
        parts << QStringLiteral("%1 right of %2 cut off")
                     .arg(counted(outcome.columnsBeyond, "column"),
                          dbcCellTitle(ChannelGridColumns - 1));
    return parts.join(QStringLiteral("; ")) + QLatin1Char('.');
}

QString clearedCells(qsizetype cleared, int lockedSkipped) {
    QString text = QStringLiteral("Emptied %1").arg(counted(cleared, "cell"));
    if (lockedSkipped > 0)
        text += QStringLiteral("; %1 of channel 15 kept: it is used for OBD")
                    .arg(counted(lockedSkipped, "cell"));
    return text + QLatin1Char('.');
}

QString movedChannel(int from, int to) {
    return QStringLiteral("Channel %1 is now channel %2.").arg(from).arg(to);
}

} // namespace cac::app::texts
