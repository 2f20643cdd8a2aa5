#include "discover/LiveTraffic.h"

#include <algorithm>
#include <bit>

namespace cac {

LiveTraffic::LiveTraffic(qsizetype kept) : m_capacity(std::max<qsizetype>(1, kept)) {}

void LiveTraffic::add(const CanFrame& frame) {
    ++m_frames;
    m_lastTime = frame.time;
    if (qsizetype(m_ring.size()) < m_capacity) {
        m_ring.push_back(frame);
    } else {
        m_ring[m_next] = frame;
        m_next = (m_next + 1) % m_ring.size();
        ++m_dropped;
    }
    if (frame.error || frame.remote)
        return; // no data bits
    const std::uint64_t key = IdentifierKey::of(frame).packed();
    int place = m_places.find(key);
    if (place < 0) {
        place = int(m_bits.size());
        m_places.insert(key, place);
        m_bits.emplace_back();
    }
    Bits& bits = m_bits[std::size_t(place)];
    const std::uint64_t data = FrameBits(frame);
    if (bits.length < 0) {
        bits.changed.fill(NeverChanged);
    } else {
        // A bit a shorter frame does not carry has not changed.
        const int common = std::min<int>(bits.length, frame.length);
        const std::uint64_t carried = common >= 8 ? ~0ull : (1ull << (8 * common)) - 1;
        for (std::uint64_t diff = (data ^ bits.last) & carried; diff != 0; diff &= diff - 1)
            bits.changed[std::size_t(std::countr_zero(diff))] = frame.time;
    }
    bits.last = data;
    bits.length = frame.length;
}

std::vector<CanFrame> LiveTraffic::keptFrames() const {
    std::vector<CanFrame> out;
    out.reserve(m_ring.size());
    out.insert(out.end(), m_ring.begin() + std::ptrdiff_t(m_next), m_ring.end());
    out.insert(out.end(), m_ring.begin(), m_ring.begin() + std::ptrdiff_t(m_next));
    return out;
}

std::array<double, 64> LiveTraffic::bitChanges(const IdentifierKey& key) const {
    const int place = m_places.find(key.packed());
    if (place < 0 || m_bits[std::size_t(place)].length < 0) {
        std::array<double, 64> never;
        never.fill(NeverChanged);
        return never;
    }
    return m_bits[std::size_t(place)].changed;
}

} // namespace cac
