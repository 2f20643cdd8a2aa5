#include "app/preview/PreviewTexts.h"

#include "live/BusBitRate.h"

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

QString logProblems(qint64 count, const QString& first) {
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

QString previewLive(const QString& interfaceTitle, qint64 frames) {
    return QStringLiteral("Live: %1, %2 frames.").arg(interfaceTitle).arg(frames);
}

QString previewConnected(const QString& interfaceTitle) {
    return QStringLiteral("Connected to %1: frames are decoded as they arrive.")
        .arg(interfaceTitle);
}

QString previewDisconnected(const QString& interfaceTitle) {
    return QStringLiteral("Disconnected from %1.").arg(interfaceTitle);
}

QString previewLiveEnded(const QString& interfaceTitle, const QString& reason) {
    return QStringLiteral("%1 ended: %2").arg(interfaceTitle, reason);
}

QString previewCannotConnect(const QString& interfaceTitle, const QString& reason) {
    return QStringLiteral("Cannot connect to %1: %2").arg(interfaceTitle, reason);
}

QString liveSlcanOnPort(int port, const QString& device) {
    const QString com = QStringLiteral("COM%1").arg(port);
    return device == com ? QStringLiteral("SLCAN adapter on %1").arg(com)
                         : QStringLiteral("SLCAN adapter on %1 (%2)").arg(com, device);
}

QString liveSlcanOnDevice(const QString& name) {
    return QStringLiteral("SLCAN adapter on %1").arg(name);
}

QString livePcanUsb(int number) {
    return QStringLiteral("PEAK PCAN-USB %1").arg(number);
}

QString liveSystemInterface(const QString& name, const QString& driver) {
    const QString kind = driver == QLatin1String("socketcan")    ? QStringLiteral("SocketCAN")
                         : driver == QLatin1String("virtualcan") ? QStringLiteral("virtual bus")
                                                                 : driver;
    return name.isEmpty() ? QStringLiteral("CAN interface (%1)").arg(kind)
                          : QStringLiteral("CAN interface %1 (%2)").arg(name, kind);
}

QString livePcanUnusable(const QString& file, const QStringList& functions) {
    return QStringLiteral("PEAK PCAN interfaces: %1 lacks %2, which this program needs: install a "
                          "current PCAN-Basic.")
        .arg(file, functions.join(QStringLiteral(", ")));
}

QString liveNoSlcanRate(int bitsPerSecond) {
    return QStringLiteral("an SLCAN adapter cannot be set to %1").arg(BitRateText(bitsPerSecond));
}

QString liveNoPcanRate(int bitsPerSecond) {
    return QStringLiteral("PCAN-Basic cannot set %1").arg(BitRateText(bitsPerSecond));
}

QString liveRateNotOffered(const QString& entry) {
    return QStringLiteral("The window's bit rate, %1, is none this interface can be set to: "
                          "choose the bus's bit rate.")
        .arg(entry);
}

QString liveMalformedLines(qint64 count, const QString& first) {
    if (count == 1)
        return QStringLiteral("1 line from the adapter was no CAN frame and was skipped: "
                              "\u201c%1\u201d")
            .arg(first);
    return QStringLiteral("%1 lines from the adapter were no CAN frames and were skipped; the "
                          "first: \u201c%2\u201d")
        .arg(count)
        .arg(first);
}

QString livePcanBusState(const QString& state) {
    return QStringLiteral("The bus: %1").arg(state);
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
