#pragma once

#include <QList>
#include <QString>

// The words of the frame layout picture: its title and notes, the labels
// drawn beside its cells and the lines of a cell's tool tip.
namespace cac {

inline const QString FramePictureMsb = QStringLiteral("msb");
inline const QString FramePictureLsb = QStringLiteral("lsb");
inline const QString FramePictureOverlap =
    QStringLiteral("These channels read this bit of the same frames.");

QString FramePictureTitle(const QString& frameName, const QList<int>& channels);
// The picture of a channel whose CAN ID cell is blank.
QString FramePictureNoId(int channel);
QString FramePictureObdChannel();
QString FramePictureNotDrawn(int channel, const QString& reason);
QString FramePictureBeyondFrame(int channel);
QString FramePictureByte(int byte);
QString FramePictureFilter(int channel, const QString& hexValue);
// A bit's owner in the tool tip: channel, variable and the bit's weight 2^n.
QString FramePictureBitOwner(int channel, const QString& variable, int exponent);
// Where a bit lies, as byte and bit and as a CAN database counts it.
QString FramePictureBitPlace(int byte, int bit, int databaseIndex);

} // namespace cac
