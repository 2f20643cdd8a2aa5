#include "canlog/CandumpWriter.h"

#include <cstdio>

namespace cac {
namespace {

constexpr std::uint32_t ErrorFlag = 0x20000000;
constexpr char Hex[] = "0123456789ABCDEF";

void appendHex(QByteArray& out, std::uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out.append(Hex[(value >> shift) & 0xF]);
}

} // namespace

QByteArray CandumpLine(const CanFrame& frame, double timeShift) {
    QByteArray out;
    out.reserve(48);
    // Microseconds, as candump writes them.
    char time[40];
    const int written =
        std::snprintf(time, sizeof time, "(%.6f) can%d ", frame.time + timeShift, int(frame.bus));
    out.append(time, written);
    if (frame.error)
        appendHex(out, (frame.id & 0x1FFFFFFF) | ErrorFlag, 8);
    else if (frame.extended)
        appendHex(out, frame.id & 0x1FFFFFFF, 8);
    else
        appendHex(out, frame.id & 0x7FF, 3);
    out.append('#');
    const int length = frame.length > 8 ? 8 : frame.length;
    if (frame.remote) {
        out.append('R');
        if (length > 0)
            out.append(char('0' + length));
    } else if (!frame.error) {
        for (int i = 0; i < length; ++i)
            appendHex(out, frame.data[std::size_t(i)], 2);
    }
    out.append('\n');
    return out;
}

} // namespace cac
