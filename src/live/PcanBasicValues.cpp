#include "live/PcanBasicValues.h"

#include <QList>

#include <algorithm>

namespace cac::pcan {

namespace {

const struct {
    int rate;
    BaudCode code;
} Codes[] = {{10000, 0x672F},  {20000, 0x532F},  {33333, 0x8B2F},  {50000, 0x472F},
             {100000, 0x432F}, {125000, 0x031C}, {250000, 0x011C}, {500000, 0x001C},
             {800000, 0x0016}, {1000000, 0x0014}};

} // namespace

QList<int> BitRates() {
    QList<int> rates;
    for (const auto& c : Codes)
        rates << c.rate;
    return rates;
}

BaudCode BaudCodeOf(int bitsPerSecond) {
    for (const auto& c : Codes)
        if (c.rate == bitsPerSecond)
            return c.code;
    return 0;
}

bool FrameOf(const Message& message, const Timestamp& stamp, CanFrame* frame) {
    if (message.type & (MessageStatus | MessageFd))
        return false;
    CanFrame out;
    out.extended = message.type & MessageExtended;
    out.remote = message.type & MessageRemote;
    out.error = message.type & MessageErrorFrame;
    out.id = message.id & (out.extended ? 0x1FFFFFFFu : 0x7FFu);
    out.length = std::min<std::uint8_t>(message.length, 8);
    if (!out.remote && !out.error)
        std::copy_n(message.data, out.length, out.data.begin());
    out.time = (stamp.micros + 1000.0 * (stamp.millis + 4294967296.0 * stamp.millisOverflow)) / 1e6;
    *frame = out;
    return true;
}

} // namespace cac::pcan
