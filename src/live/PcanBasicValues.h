#pragma once

#include "canlog/CanFrame.h"

#include <QList>

#include <cstdint>

// What PEAK's PCAN-Basic library takes and gives, as its public API defines
// it: the library itself is loaded at run time, where it is installed.
namespace cac::pcan {

using Handle = std::uint16_t;   // a channel
using Status = std::uint32_t;   // an error code, bit flags
using BaudCode = std::uint16_t; // BTR0/BTR1 of the bit rate

// A received classic frame.
struct Message {
    std::uint32_t id;
    std::uint8_t type; // MessageType flags
    std::uint8_t length;
    std::uint8_t data[8];
};

// Reception time: micros + 1000 * (millis + 2^32 * millisOverflow) microseconds.
struct Timestamp {
    std::uint32_t millis;
    std::uint16_t millisOverflow;
    std::uint16_t micros;
};

enum MessageType : std::uint8_t {
    MessageStandard = 0x00,
    MessageRemote = 0x01,
    MessageExtended = 0x02,
    MessageFd = 0x04,
    MessageErrorFrame = 0x40,
    MessageStatus = 0x80,
};

constexpr Status ErrorOk = 0x00000;
constexpr Status ErrorReceiveQueueEmpty = 0x00020;
// The bus states CAN_Read reports: a state, not an end of reading.
constexpr Status ErrorBusStates =
    0x00004 | 0x00008 | 0x00010 | 0x40000; // light, heavy, off, passive

constexpr std::uint8_t ParameterChannelCondition = 0x0D;
constexpr std::uint32_t ChannelAvailable = 0x01;
constexpr std::uint32_t ChannelOccupied = 0x02;

// PCAN-USB channels 1 to 8.
constexpr int UsbChannelCount = 8;
constexpr Handle UsbChannel(int number) {
    return static_cast<Handle>(0x50 + number);
}

// The bit rates PCAN-Basic initialises a channel to by code, in bit/s.
QList<int> BitRates();
// The code of a bit rate, 0 when PCAN-Basic has none.
BaudCode BaudCodeOf(int bitsPerSecond);

// The frame in a received message, false for a status or CAN FD message.
bool FrameOf(const Message& message, const Timestamp& stamp, CanFrame* frame);

} // namespace cac::pcan
