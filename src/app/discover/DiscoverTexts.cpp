#include "app/discover/DiscoverTexts.h"

namespace cac::app::texts {

QStringList discoverIdentifierColumns() {
    return {QStringLiteral("ID"),          QStringLiteral("ID length"),   QStringLiteral("Frames"),
            QStringLiteral("Period (ms)"), QStringLiteral("Jitter (ms)"), QStringLiteral("Bytes")};
}

QStringList discoverFieldColumns() {
    return {QStringLiteral("#"),        QStringLiteral("Field"), QStringLiteral("Kind"),
            QStringLiteral("Layout"),   QStringLiteral("Raw"),   QStringLiteral("Confidence"),
            QStringLiteral("Over time")};
}

QStringList discoverMatchColumns() {
    return {QStringLiteral("#"),     QStringLiteral("Field"),  QStringLiteral("r"),
            QStringLiteral("Scale"), QStringLiteral("Offset"), QStringLiteral("Residual")};
}

QString discoverAnalysing(const QString& fileName) {
    return QStringLiteral("Finding the signals of %1\u2026").arg(fileName);
}

QString discoverAnalysed(const QString& fileName, const QString& format, qint64 frames,
                         qsizetype identifiers) {
    return QStringLiteral("%1 (%2): %3 frames, %4 identifiers.")
        .arg(fileName, format)
        .arg(frames)
        .arg(identifiers);
}

QString discoverCancelled(const QString& fileName) {
    return QStringLiteral("Finding the signals of %1 was cancelled: nothing of it is shown.")
        .arg(fileName);
}

QString discoverCannotRead(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot find signals in %1: %2").arg(fileName, reason);
}

QString discoverNoMatch(const QString& reference, const QString& why) {
    return QStringLiteral("No field follows %1: %2").arg(reference, why);
}

QString discoverCsvProblems(const QString& fileName, qint64 count, const QString& first) {
    return QStringLiteral("%1: %2 rows could not be read and were skipped; the first, %3")
        .arg(fileName)
        .arg(count)
        .arg(first);
}

QString discoverPictureTitle(const QString& identifier, const QString& idLength, int fields) {
    return fields == 0 ? QStringLiteral("%1 (%2): no field changes").arg(identifier, idLength)
                       : QStringLiteral("%1 (%2): %3 changing fields")
                             .arg(identifier, idLength)
                             .arg(fields);
}

QString discoverUse(int channel) {
    return QStringLiteral("&Use for channel %1").arg(channel);
}

QString discoverStep(int channel) {
    return QStringLiteral("Fill channel %1 from the log").arg(channel);
}

QString discoverFilled(const QString& filledChannel) {
    return QStringLiteral("Filled ") + filledChannel;
}

QString discoverChannelCurrent(int channel) {
    return QStringLiteral("Channel %1: the current row, empty.").arg(channel);
}

QString discoverChannelFirstFree(int channel) {
    return QStringLiteral("Channel %1: the first empty channel.").arg(channel);
}

QString discoverUnitsDiffer(const QString& why) {
    return QStringLiteral("Units differ: %1. The scale and offset give the reference's unit; "
                          "type ones that convert, or choose another variable.")
        .arg(why);
}

QString discoverChannelEmpty(int channel) {
    return QStringLiteral("Channel %1: empty.").arg(channel);
}

QString discoverChannelReplaces(int channel) {
    return QStringLiteral("Channel %1 holds settings: Use replaces them.").arg(channel);
}

QString discoverChannelObd(int channel) {
    return QStringLiteral("Channel %1 is used for OBD.").arg(channel);
}

QString discoverListening(const QString& interface, qint64 frames, qsizetype identifiers) {
    return QStringLiteral("Listening to %1: %2 frames, %3 identifiers.")
        .arg(interface)
        .arg(frames)
        .arg(identifiers);
}

QString discoverPaused(const QString& interface, qint64 frames, qsizetype identifiers,
                       qint64 passedOver) {
    return QStringLiteral("Paused: %1, %2 frames, %3 identifiers; %4 frames passed over.")
        .arg(interface)
        .arg(frames)
        .arg(identifiers)
        .arg(passedOver);
}

QString discoverListenStopped(const QString& interface, qint64 frames) {
    return QStringLiteral("Stopped listening to %1 after %2 frames.").arg(interface).arg(frames);
}

QString discoverListenEnded(const QString& interface, const QString& reason) {
    return QStringLiteral("Listening to %1 ended: %2").arg(interface, reason);
}

QString discoverCannotListen(const QString& interface, const QString& reason) {
    return QStringLiteral("Cannot listen to %1: %2").arg(interface, reason);
}

QString discoverLiveAnalysedLatest(qsizetype kept, qint64 frames) {
    return QStringLiteral("The fields are found in the latest %1 of %2 frames; \"Save the "
                          "recording\" keeps every one, to find them in the whole session.")
        .arg(kept)
        .arg(frames);
}

QString discoverRecordingSaved(const QString& path, qint64 frames) {
    return QStringLiteral("Saved the recording (%1 frames) as %2").arg(frames).arg(path);
}

QString discoverCannotSaveRecording(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot save the recording as %1: %2").arg(path, reason);
}

namespace {
QString markText(double time, const QString& label) {
    const QString at = QStringLiteral("%1 s").arg(time, 0, 'f', 1);
    return label.isEmpty() ? at : QStringLiteral("%1 %2").arg(at, label);
}
} // namespace

QString discoverMarksText(const QList<QPair<double, QString>>& marks) {
    QStringList parts;
    for (const auto& [time, label] : marks)
        parts << markText(time, label);
    return QStringLiteral("Marks: ") + parts.join(QStringLiteral(", "));
}

QString discoverMarked(double time, const QString& label) {
    return QStringLiteral("Marked ") + markText(time, label);
}

QString discoverFieldLegend(const QString& field) {
    return QStringLiteral("%1, raw; click the time axis to mark a moment").arg(field);
}

QString discoverMatchLegend(const QString& reference, const QString& unit, const QString& field) {
    return QStringLiteral("%1%2 (grey) and %3 = raw / scale + offset")
        .arg(reference, unit.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(unit), field);
}

} // namespace cac::app::texts
