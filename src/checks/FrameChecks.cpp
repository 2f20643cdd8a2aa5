// Checks across the channels of one frame, from their bit maps.
#include "bitmap/FrameLayout.h"
#include "checks/CheckSupport.h"

#include <QStringList>

namespace cac::checks {

QString BitsText(const QList<BitPosition>& bits) {
    QStringList runs;
    for (qsizetype i = 0; i < bits.size();) {
        qsizetype j = i;
        while (j + 1 < bits.size() && bits[j + 1].byte == bits[i].byte &&
               bits[j + 1].bit == bits[j].bit - 1)
            ++j;
        const QString byte = QStringLiteral("Byte %1 ").arg(bits[i].byte + 1);
        runs.append(i == j
                        ? byte + QStringLiteral("bit %1").arg(bits[i].bit)
                        : byte + QStringLiteral("bits %1 to %2").arg(bits[i].bit).arg(bits[j].bit));
        i = j + 1;
    }
    return runs.join(QStringLiteral(", "));
}

void CheckOverlaps(const ConfigModel& model, QList<Finding>& findings) {
    auto warn = [&](const ChannelSignal& on, const ChannelSignal& other) {
        findings.append(MakeFinding(Check::BitsOverlap, Place::Channel, on.channel, ColStartBit,
                                    QStringLiteral("channel %1 reads %2 of the same frames too")
                                        .arg(other.channel)
                                        .arg(BitsText(SharedBits(on.bits, other.bits)))));
    };
    for (const FrameChannels& frame : UsedFrames(model)) {
        const QList<ChannelSignal>& channels = frame.channels;
        for (qsizetype i = 0; i < channels.size(); ++i) {
            for (qsizetype j = i + 1; j < channels.size(); ++j) {
                const ChannelSignal& a = channels[i];
                const ChannelSignal& b = channels[j];
                if (ReadSameFrames(a.filter, b.filter) && !SharedBits(a.bits, b.bits).isEmpty()) {
                    warn(a, b);
                    warn(b, a);
                }
            }
        }
    }
}

} // namespace cac::checks
