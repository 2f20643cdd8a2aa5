#include "app/preview/PreviewTexts.h"

namespace cac::app::texts {

QStringList previewColumns() {
    return {QStringLiteral("Ch"),   QStringLiteral("Variable"),    QStringLiteral("Frames"),
            QStringLiteral("Last"), QStringLiteral("Minimum"),     QStringLiteral("Maximum"),
            QStringLiteral("Unit"), QStringLiteral("Not decoded"), QStringLiteral("Over time")};
}

QString previewReading(const QString& fileName) {
    return QStringLiteral("Reading %1\u2026").arg(fileName);
}

QString previewRead(const QString& fileName, const QString& format, qint64 frames) {
    return QStringLiteral("%1 (%2): %3 frames.").arg(fileName, format).arg(frames);
}

QString previewCancelled(const QString& fileName, qint64 frames) {
    return QStringLiteral("Reading %1 was cancelled after %2 frames: the lines show those.")
        .arg(fileName)
        .arg(frames);
}

QString previewCannotRead(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot preview %1: %2").arg(fileName, reason);
}

QString previewProblems(qint64 count, const QString& first) {
    return QStringLiteral("%1 parts of the log could not be read and were skipped; the first, %2")
        .arg(count)
        .arg(first);
}

QString previewFdSkipped(qint64 count) {
    return QStringLiteral("%1 CAN FD frames skipped.").arg(count);
}

QString previewNotKept(qsizetype cap) {
    return QStringLiteral("The log has more than %1 frames, too many to keep in memory: an edit "
                          "reads the file again.")
        .arg(cap);
}

QString previewLiveNotKept(qsizetype cap) {
    return QStringLiteral("More than %1 frames arrived, too many to keep in memory: an edit "
                          "decodes only the frames that arrive after it.")
        .arg(cap);
}

QString previewLive(const QString& plugin, const QString& interfaceName, qint64 frames) {
    return QStringLiteral("Live: %1 on %2, %3 frames.").arg(plugin, interfaceName).arg(frames);
}

QString previewConnected(const QString& plugin, const QString& interfaceName) {
    return QStringLiteral("Connected to %1 on %2: frames are decoded as they arrive.")
        .arg(plugin, interfaceName);
}

QString previewLiveEnded(const QString& plugin, const QString& interfaceName) {
    return QStringLiteral("Disconnected from %1 on %2.").arg(plugin, interfaceName);
}

QString previewCannotConnect(const QString& interfaceName, const QString& reason) {
    return QStringLiteral("Cannot connect to %1: %2").arg(interfaceName, reason);
}

QString previewUntaken(qint64 frames, const QString& top) {
    if (frames == 0)
        return QStringLiteral("Frames no channel takes: none.");
    return top.isEmpty()
               ? QStringLiteral("Frames no channel takes: %1.").arg(frames)
               : QStringLiteral("Frames no channel takes: %1; most seen: %2").arg(frames).arg(top);
}

QString previewExponent(int exponent) {
    return QStringLiteral("Exponent %1 is not applied here.").arg(exponent);
}

QString previewPlotTitle(int channel, const QString& variable) {
    return QStringLiteral("Channel %1: %2").arg(channel).arg(variable);
}

QString previewValueLegend(const QString& unit) {
    return QStringLiteral("value %1 (left axis)").arg(unit);
}

} // namespace cac::app::texts
