#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace cac {

// One classic CAN frame as a log or a live bus gives it.
struct CanFrame {
    double time = 0;      // seconds, counted as the log counts them
    std::uint32_t id = 0; // 11 or 29 bits; for an error frame, what the log gives
    // Bits, so that the bus fits beside them: a frame stays 24 bytes.
    bool extended : 1 = false; // 29-bit identifier
    bool remote : 1 = false;   // remote request: length is the requested length, no data
    bool error : 1 = false;    // error frame: no identifier, no data
    std::uint8_t length = 0;   // data bytes, 0 to 8
    std::array<std::uint8_t, 8> data{};
    // The bus the log names for it, as a place in its reader's buses(): 0
    // for the first the log names, or for a log of one bus.
    std::uint8_t bus = 0;

    bool operator==(const CanFrame&) const = default;
};
static_assert(sizeof(CanFrame) == 24);

// Where frames go, one at a time, as a log is read.
using FrameSink = std::function<void(const CanFrame& frame)>;

} // namespace cac
