#include "bitmap/LayoutText.h"

#include "channels/ConfigModel.h"
#include "common/HexText.h"

#include <QStringList>

namespace cac {
namespace {

// Bytes are numbered as "Filter Loc" numbers them, from "Byte 1"; bits as a
// byte numbers them, 7 (its highest) to 0.
QString PositionText(BitPosition p) {
    return QStringLiteral("Byte %1 bit %2").arg(p.byte + 1).arg(p.bit);
}

QString ChannelLine(const ConfigModel& model, const ChannelSignal& signal) {
    const SignalBitMap& bits = signal.bits;
    QString line = QStringLiteral("  %1  %2, start bit %3, %4 bit%5, %6")
                       .arg(signal.channel, 2)
                       .arg(model.cell(signal.channel, ColVariable))
                       .arg(bits.startBit)
                       .arg(bits.length)
                       .arg(bits.length == 1 ? "" : "s")
                       .arg(model.cell(signal.channel, ColByteOrder));
    if (!bits.known)
        return line + QStringLiteral(": not drawn, %1").arg(bits.unknownReason);
    if (!bits.positions.isEmpty())
        line += QStringLiteral(": msb %1, lsb %2")
                    .arg(PositionText(bits.positions.first()), PositionText(bits.positions.last()));
    if (signal.filter.dataByte() >= 0)
        line += QStringLiteral("; only frames with 0x%1 in Byte %2")
                    .arg(HexByte(signal.filter.value))
                    .arg(signal.filter.dataByte() + 1);
    else if (signal.filter.on)
        line += QStringLiteral("; filter on byte position %1, which no frame has")
                    .arg(signal.filter.position);
    if (!bits.insideFrame())
        line += QStringLiteral("; bits outside Byte 1 to Byte 8 are not drawn");
    return line;
}

} // namespace

BitOwners OwnersOfBit(const FrameChannels& frame, BitPosition position) {
    BitOwners owners;
    QList<const ChannelSignal*> covering;
    for (const ChannelSignal& signal : frame.channels) {
        if (!signal.bits.covers(position))
            continue;
        for (const ChannelSignal* other : covering) {
            if (ReadSameFrames(other->filter, signal.filter))
                owners.overlap = true;
        }
        covering.append(&signal);
        owners.channels.append(signal.channel);
    }
    return owners;
}

QString FrameLayoutText(const ConfigModel& model, const FrameChannels& frame) {
    QStringList channelNumbers;
    for (const ChannelSignal& signal : frame.channels)
        channelNumbers.append(QString::number(signal.channel));
    QString text = QStringLiteral("Frame %1, channel%2 %3\n\n")
                       .arg(FrameName(frame.extended, frame.id))
                       .arg(channelNumbers.size() == 1 ? "" : "s")
                       .arg(channelNumbers.join(QStringLiteral(", ")));
    text += QStringLiteral("         bit  7  6  5  4  3  2  1  0\n");
    for (int byte = 0; byte < FrameDataBytes; ++byte) {
        QString row = QStringLiteral("  Byte %1    ").arg(byte + 1);
        for (int bit = 7; bit >= 0; --bit) {
            const BitOwners owners = OwnersOfBit(frame, {byte, bit});
            if (owners.channels.isEmpty())
                row += QStringLiteral("  .");
            else if (owners.channels.size() == 1)
                row += QStringLiteral(" %1").arg(owners.channels.first(), 2);
            else
                row += owners.overlap ? QStringLiteral(" **") : QStringLiteral(" ++");
        }
        QStringList filters;
        for (const ChannelSignal& signal : frame.channels) {
            if (signal.filter.dataByte() == byte)
                filters.append(QString::number(signal.channel));
        }
        if (!filters.isEmpty())
            row += QStringLiteral("   filter (\"Byte %1\") of channel%2 %3")
                       .arg(byte + 1)
                       .arg(filters.size() == 1 ? "" : "s")
                       .arg(filters.join(QStringLiteral(", ")));
        text += row + u'\n';
    }
    text += u'\n';
    for (const ChannelSignal& signal : frame.channels)
        text += ChannelLine(model, signal) + u'\n';
    return text;
}

} // namespace cac
