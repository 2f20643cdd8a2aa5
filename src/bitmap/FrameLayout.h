#pragma once

#include "bitmap/SignalBitMap.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>

// The channels of a configuration grouped by the frame they read, as the
// image carries them: identifier, filter and bit map.
namespace cac {

class ConfigModel;

// The filter of a channel record: on (the format byte's top bit), the byte
// position ("Byte 1" gives 1) and the value that byte must hold.
struct ChannelFilter {
    bool on = false;
    std::uint8_t position = 0;
    std::uint8_t value = 0;

    // Data byte 0 to 7 the filter reads, or -1 when it is off or none.
    int dataByte() const { return on && position >= 1 && position <= 8 ? position - 1 : -1; }
    bool operator==(const ChannelFilter&) const = default;
};

struct ChannelSignal {
    int channel = 0;
    bool extended = false;
    std::int32_t id = 0;
    ChannelFilter filter;
    int valueTypeCode = 0; // the format byte's bits 1 and 0: 0 unsigned, 1 signed, 2 float
    SignalBitMap bits;
};

struct FrameChannels {
    bool extended = false;
    std::int32_t id = 0;
    QList<ChannelSignal> channels; // in channel order
};

// Whether channel 1 to 15 feeds the logger: its variable cell names a
// variable (not empty, "**Do not use**" or "USED FOR OBD"), and it is not
// channel 15 while OBD mode takes it.
bool ChannelInUse(const ConfigModel& model, int channel);

// Identifier, filter and bits of channel 1 to 15, read as the image reads them.
ChannelSignal ReadChannelSignal(const ConfigModel& model, int channel);

// The filter, value type and bits that the first five bytes of a channel
// record set (start bit, length, format byte, filter position and value);
// channel and identifier are left unset.
ChannelSignal SignalOfRecord(QByteArrayView record);

// The frames the channels in use read, in the order of their first channel.
QList<FrameChannels> UsedFrames(const ConfigModel& model);

// Whether two channels of one identifier can read the same frame: when
// either takes every frame, or both filter on the same byte and value.
bool ReadSameFrames(const ChannelFilter& a, const ChannelFilter& b);

// The bits both signals take, in `a`'s order.
QList<BitPosition> SharedBits(const SignalBitMap& a, const SignalBitMap& b);

// "0x1A0" for 11 bits, "0x18FEF100 (29 bit)" for 29.
QString FrameName(bool extended, std::int32_t id);

} // namespace cac
