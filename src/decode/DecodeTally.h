#pragma once

#include "decode/FrameDecoder.h"

#include <QList>

#include <functional>

// Frames fed one at a time, from a log or a live bus, summed up per channel
// in memory that does not grow with the number of frames.
namespace cac {

struct ChannelTally {
    qint64 frames = 0;      // frames the channel took
    qint64 undecodable = 0; // of them, frames it could not decode
    QString problem;        // why, for the first such frame
    bool hasValue = false;
    double minimum = 0, maximum = 0, last = 0; // values as the logger gets them
};

// Frames no channel takes.
struct UntakenTally {
    qint64 frames = 0;
    qint64 remote = 0;
    qint64 error = 0;
    // The first identifiers met (data frames), for the user to spot a typo.
    static constexpr int KeptIdentifiers = 8;
    QList<std::pair<std::uint32_t, bool>> identifiers; // id, extended
    bool moreIdentifiers = false;                      // others were met past the kept ones
};

class DecodeTally {
public:
    // Called for each value decoded: the channel (1 to 15), the frame, the value.
    using ValueSink = std::function<void(int, const CanFrame&, const DecodedValue&)>;

    explicit DecodeTally(const FrameDecoder& decoder) : m_decoder(decoder) {}

    // Where decoded values go as well, when anywhere.
    void setSink(ValueSink sink) { m_sink = std::move(sink); }
    void add(const CanFrame& frame);

    qint64 frames() const { return m_frames; }
    const ChannelTally& channel(int channel) const { return m_channels[channel - 1]; }
    const UntakenTally& untaken() const { return m_untaken; }

private:
    const FrameDecoder& m_decoder;
    ValueSink m_sink;
    qint64 m_frames = 0;
    std::array<ChannelTally, ChannelCount> m_channels;
    UntakenTally m_untaken;
};

} // namespace cac
