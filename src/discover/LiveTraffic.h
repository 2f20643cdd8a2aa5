#pragma once

#include "canlog/CanFrame.h"
#include "discover/BitStatistics.h"

#include <array>
#include <cstdint>
#include <vector>

// Live traffic as signal finding keeps it: the latest frames, up to a number
// (the analysis reads them again a few times a second), and when each bit of
// each identifier last changed (the frame picture lights them). Memory stays
// the same however long the bus is listened to; older frames leave the
// analysis, the recording on disk keeps them.
namespace cac {

class LiveTraffic {
public:
    // Five minutes of a busy bus (2,000 frames a second), some 19 MB: long
    // enough for a few things done at the car, short enough that the
    // analysis of them takes well under a second.
    static constexpr qsizetype DefaultKept = 600'000;

    explicit LiveTraffic(qsizetype kept = DefaultKept);

    void add(const CanFrame& frame);

    qint64 frames() const { return m_frames; }   // every frame added
    qint64 dropped() const { return m_dropped; } // left the kept ones, oldest first
    qsizetype kept() const { return qsizetype(m_ring.size()); }
    qsizetype capacity() const { return m_capacity; }
    double lastTime() const { return m_lastTime; }
    // The kept frames, oldest first.
    std::vector<CanFrame> keptFrames() const;

    // When each database bit (byte * 8 + bit) of the identifier's data last
    // differed from the frame before; NeverChanged for a bit that has not,
    // and for every bit of an identifier not met.
    static constexpr double NeverChanged = -1e300;
    std::array<double, 64> bitChanges(const IdentifierKey& key) const;

private:
    struct Bits {
        std::uint64_t last = 0;
        int length = -1; // none seen yet
        std::array<double, 64> changed;
    };
    qsizetype m_capacity;
    std::vector<CanFrame> m_ring;
    std::size_t m_next = 0; // where the next frame goes once the ring is full
    qint64 m_frames = 0, m_dropped = 0;
    double m_lastTime = 0;
    IdentifierIndex m_places; // by IdentifierKey::packed(): the place in m_bits
    std::vector<Bits> m_bits;
};

} // namespace cac
