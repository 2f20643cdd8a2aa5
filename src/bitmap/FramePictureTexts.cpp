#include "bitmap/FramePictureTexts.h"

#include <QStringList>

namespace cac {

QString FramePictureTitle(const QString& frameName, const QList<int>& channels) {
    QStringList numbers;
    for (int channel : channels)
        numbers.append(QString::number(channel));
    return QStringLiteral("Frame %1: channel%2 %3")
        .arg(frameName, channels.size() == 1 ? QString() : QStringLiteral("s"),
             numbers.join(QStringLiteral(", ")));
}

QString FramePictureNoId(int channel) {
    return QStringLiteral("Channel %1: no CAN ID").arg(channel);
}

QString FramePictureObdChannel() {
    return QStringLiteral("Channel 15 polls the OBD parameters: it reads no frame of its own.");
}

QString FramePictureNotDrawn(int channel, const QString& reason) {
    return QStringLiteral("Channel %1 is not drawn: %2").arg(channel).arg(reason);
}

QString FramePictureBeyondFrame(int channel) {
    return QStringLiteral("Channel %1 reaches beyond Byte 8: those bits are not drawn.")
        .arg(channel);
}

// From "Byte 1", as "Filter Loc" names them.
QString FramePictureByte(int byte) {
    return QStringLiteral("Byte %1").arg(byte + 1);
}

QString FramePictureFilter(int channel, const QString& hexValue) {
    return QStringLiteral("filter of channel %1 = 0x%2").arg(channel).arg(hexValue);
}

QString FramePictureBitOwner(int channel, const QString& variable, int exponent) {
    return QStringLiteral("Channel %1 (%2): weight 2^%3").arg(channel).arg(variable).arg(exponent);
}

QString FramePictureBitPlace(int byte, int bit, int databaseIndex) {
    return QStringLiteral("Byte %1, bit %2; bit %3 as a CAN database numbers it")
        .arg(byte + 1)
        .arg(bit)
        .arg(databaseIndex);
}

} // namespace cac
