#pragma once

#include "bitmap/FrameLayout.h"
#include "canlog/CanFrame.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ChoiceLists.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// What the adapter makes of CAN frames: for each frame, which channels take
// it and the value each passes to the logger. Everything is read from the
// channel records and identifier words of the configuration image, so the
// preview shows what the adapter does, not what the cells look like.
namespace cac {

class ConfigModel;

enum class ValueKind { Unsigned, Signed, Float };

// One channel as its image bytes set it up.
struct ChannelDecoding {
    int channel = 0;         // 1 to 15
    bool previewed = false;  // the channel feeds a variable and is not OBD's
    QString problem;         // why a previewed channel gives no value, or empty
    QString variable;        // the variable cell's text
    QString unit;            // "[RPM]", "[no units]"
    float resolution = 1;    // of the variable in the logger message
    double stepsPerUnit = 1; // steps of the resolution in one unit, as the decimal it stands for
    int exponent = 0;        // shown, not applied

    // Which frames it takes.
    bool extended = false;
    std::uint32_t id = 0;
    ChannelFilter filter;

    // Where the value sits and how it scales.
    ValueKind kind = ValueKind::Unsigned;
    SignalBitMap bits;
    // The same bits as runs within one byte, most significant run first, so
    // a frame is read a byte at a time.
    struct BitRun {
        std::uint8_t byte = 0, shift = 0, width = 0;
    };
    std::array<BitRun, 32> runs{};
    int runCount = 0;
    int bytesNeeded = 0;      // data bytes a frame must have
    float scale = 1;          // "Scale factor" as a 32-bit float; 0 means none
    float offset = 0;         // "Offset" as a 32-bit float
    float stepMultiplier = 1; // the record's multiplier and offset: the value
    float stepOffset = 0;     // counted in steps of the resolution

    bool givesValues() const { return previewed && problem.isEmpty(); }
};

struct DecodedValue {
    double raw = 0;     // the bits read as the value type: integer or float
    double value = 0;   // raw / scale factor + offset
    double rounded = 0; // as the logger message carries it: whole steps of the resolution
};

class FrameDecoder {
public:
    FrameDecoder(const ConfigModel& model, const VariableCatalogue& catalogue);

    const ChannelDecoding& channel(int channel) const { return m_channels[channel - 1]; }
    // The channels that give values, in channel order.
    const QList<int>& valueChannels() const { return m_valueChannels; }

    // Whether the channel takes the frame: identifier, identifier length and,
    // with the filter on, the filter byte's value. Remote and error frames
    // carry no data and go to no channel.
    bool takes(const ChannelDecoding& channel, const CanFrame& frame) const;
    // The channels that take the frame as bits, channel 1 the lowest: one
    // comparison of identifier and length per channel, the filter only where
    // they match.
    std::uint16_t takers(const CanFrame& frame) const;

    // The channel's value from a frame it takes; nullopt when the frame is
    // too short for the signal (`problem` says so) or the channel gives no value.
    std::optional<DecodedValue> decode(const ChannelDecoding& channel, const CanFrame& frame,
                                       QString* problem = nullptr) const;

private:
    std::array<ChannelDecoding, ChannelCount> m_channels;
    QList<int> m_valueChannels;
    // Identifier and length of each channel in m_valueChannels, as one number.
    std::array<std::uint64_t, ChannelCount> m_keys{};
};

// The raw value of `length` bits read most significant first: two's
// complement for Signed, IEEE single for Float.
double RawValue(std::uint32_t bits, int length, ValueKind kind);

} // namespace cac
