#pragma once

#include <QString>

#include <cstdint>

namespace cac {

// The largest identifier a frame carries: 11 bits (standard) or 29 bits
// (extended).
constexpr std::uint32_t WidestIdentifier(bool extended) {
    return extended ? 0x1FFFFFFFu : 0x7FFu;
}

// "11 bits (0 to 0x7FF)" or "29 bits (0 to 0x1FFFFFFF)", as findings and
// refusals name an identifier's room.
inline QString IdentifierRoomText(bool extended) {
    return extended ? QStringLiteral("29 bits (0 to 0x1FFFFFFF)")
                    : QStringLiteral("11 bits (0 to 0x7FF)");
}

} // namespace cac
