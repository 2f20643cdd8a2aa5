#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace cac {

// One classic CAN frame as a log or a live bus gives it.
struct CanFrame {
    double time = 0;         // seconds, counted as the log counts them
    std::uint32_t id = 0;    // 11 or 29 bits; for an error frame, what the log gives
    bool extended = false;   // 29-bit identifier
    bool remote = false;     // remote request: length is the requested length, no data
    bool error = false;      // error frame: no identifier, no data
    std::uint8_t length = 0; // data bytes, 0 to 8
    std::array<std::uint8_t, 8> data{};

    bool operator==(const CanFrame&) const = default;
};

// Where frames go, one at a time, as a log is read.
using FrameSink = std::function<void(const CanFrame& frame)>;

} // namespace cac
