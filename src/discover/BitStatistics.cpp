#include "discover/BitStatistics.h"

#include <algorithm>
#include <cmath>

namespace cac {
namespace {

// Byte value to eight lanes: lane j holds bit j.
constexpr std::array<std::uint64_t, 256> Lanes = [] {
    std::array<std::uint64_t, 256> lanes{};
    for (std::size_t v = 0; v < 256; ++v)
        for (int j = 0; j < 8; ++j)
            lanes[v] |= std::uint64_t{(v >> j) & 1} << (8 * j);
    return lanes;
}();

void addLanes(std::array<std::uint64_t, 8>& lanes, std::uint64_t bits) {
    for (std::size_t byte = 0; byte < 8; ++byte)
        lanes[byte] += Lanes[bits >> (8 * byte) & 0xFF];
}

void drainLanes(std::array<std::uint64_t, 8>& lanes, std::array<qint64, 64>& counts) {
    for (std::size_t byte = 0; byte < 8; ++byte) {
        for (std::size_t j = 0; j < 8; ++j)
            counts[8 * byte + j] += static_cast<qint64>(lanes[byte] >> (8 * j) & 0xFF);
        lanes[byte] = 0;
    }
}

void drain(IdentifierBits& s) {
    for (std::size_t i = 0; i < s.crossingSteps[0].size(); ++i) {
        s.crossingSteps[0][i] += s.crossingLanes2[i];
        s.crossingSteps[1][i] += s.crossingLanes4[i];
        s.crossingSteps[2][i] += s.crossingLanes8[i];
    }
    s.crossingLanes2 = s.crossingLanes4 = {};
    s.crossingLanes8 = {};
    drainLanes(s.onesLanes, s.ones);
    drainLanes(s.flipsLanes, s.flips);
    drainLanes(s.aloneLanes, s.flipsAlone);
    drainLanes(s.withLowerLanes, s.flipsWithLower);
    s.laneFrames = 0;
}

std::uint64_t bytesMask(int bytes) {
    return bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
}

using Lanes16 = std::array<std::uint16_t, 16>;

// Each lane's step across the byte boundary for one width, the shorter way
// round, added to its count where both frames carry the lane's bytes. The
// width is fixed at compile time so that the lanes go as one vector.
template <int Width, typename Count>
void addCrossing(std::array<Count, 16>& lanes, const Lanes16& now, const Lanes16& before,
                 const Lanes16& carried) {
    static_assert(Width >= 1 && Width <= 8);
    constexpr auto Mask = static_cast<std::uint16_t>((1u << (2 * Width)) - 1);
    for (std::size_t i = 0; i < 16; ++i) {
        const auto up = static_cast<std::uint16_t>(
            ((now[i] >> (8 - Width)) - (before[i] >> (8 - Width))) & Mask);
        const auto down = static_cast<std::uint16_t>(-up & Mask);
        lanes[i] += static_cast<std::uint16_t>((up < down ? up : down) & carried[i]);
    }
}

// What the bits that changed since the identifier's last frame tell; only
// bytes both frames carry (`carried`, `common` of them) are compared.
void countFlips(IdentifierBits& s, std::uint64_t data, std::uint64_t changed, std::uint64_t carried,
                int common) {
    addLanes(s.flipsLanes, changed);
    addLanes(s.aloneLanes, changed & ~(changed << 1) & ~std::uint64_t{1});
    // Per byte, every changed bit but the lowest has a lower one with it.
    for (std::size_t byte = 0; byte < 8; ++byte) {
        const auto b = static_cast<unsigned>(changed >> (8 * byte) & 0xFF);
        if (b & (b - 1))
            s.withLowerLanes[byte] += Lanes[b & (b - 1)];
    }
    // Bit 8b against bit 8b + 15: both must be carried.
    const std::uint64_t alone = changed & ~(changed >> 15) & (carried >> 15);
    for (int byte = 0; byte < 7; ++byte)
        if (alone >> (8 * byte) & 1)
            ++s.flipsAloneMotorola[byte];
    // Lane i < 7 holds bytes i + 1 and i above each other (Intel), lane
    // 7 + i bytes i and i + 1 (Motorola): the number across the boundary of
    // width w is its lane shifted down by 8 - w. All lanes at once, in
    // 16-bit arithmetic, wrapping as the field would; only lanes of byte
    // pairs both frames carry count.
    Lanes16 now{}, before{}, carriedLanes{};
    for (std::size_t i = 0; i < 7; ++i) {
        now[i] = static_cast<std::uint16_t>(data >> (8 * i));
        before[i] = static_cast<std::uint16_t>(s.lastData >> (8 * i));
        now[7 + i] = static_cast<std::uint16_t>(now[i] << 8 | now[i] >> 8);
        before[7 + i] = static_cast<std::uint16_t>(before[i] << 8 | before[i] >> 8);
        const std::uint16_t both = static_cast<int>(i) + 1 < common ? 0xFFFF : 0;
        carriedLanes[i] = carriedLanes[7 + i] = both;
    }
    static_assert(IdentifierBits::CrossingWidths == std::array<int, 3>{2, 4, 8});
    addCrossing<2>(s.crossingLanes2, now, before, carriedLanes);
    addCrossing<4>(s.crossingLanes4, now, before, carriedLanes);
    addCrossing<8>(s.crossingLanes8, now, before, carriedLanes);
}

} // namespace

int IdentifierBits::longestLength() const {
    for (int length = 8; length > 0; --length)
        if (lengths[length] > 0)
            return length;
    return 0;
}

double IdentifierBits::crossingStep(bool motorola, int byte, int width) const {
    std::size_t w = 0;
    while (w + 1 < CrossingWidths.size() && CrossingWidths[w + 1] <= width)
        ++w;
    const qint64 pairs = bytePairs[static_cast<std::size_t>(byte + 1)];
    const double range = std::ldexp(1.0, 2 * CrossingWidths[w]);
    return pairs > 0 ? static_cast<double>(
                           crossingSteps[w][static_cast<std::size_t>(byte + (motorola ? 7 : 0))]) /
                           static_cast<double>(pairs) / range
                     : 0.5;
}

double IdentifierBits::jitter() const {
    return intervals > 1 ? std::sqrt(intervalSquares / static_cast<double>(intervals - 1)) : 0.0;
}

std::uint64_t FrameBits(const CanFrame& frame) {
    std::uint64_t bits = 0;
    const int length = frame.length > 8 ? 8 : frame.length;
    for (int i = 0; i < length; ++i)
        bits |= std::uint64_t{frame.data[i]} << (8 * i);
    return bits;
}

void BitStatistics::finish() {
    for (IdentifierBits& s : m_identifiers)
        drain(s);
}

int BitStatistics::indexOf(const CanFrame& frame) const {
    return m_index.value(IdentifierKey::of(frame).packed(), -1);
}

int BitStatistics::add(const CanFrame& frame) {
    if (frame.remote || frame.error)
        return -1;
    const IdentifierKey key = IdentifierKey::of(frame);
    auto found = m_index.constFind(key.packed());
    if (found == m_index.constEnd()) {
        found = m_index.insert(key.packed(), static_cast<int>(m_identifiers.size()));
        m_identifiers.emplace_back().key = key;
    }
    IdentifierBits& s = m_identifiers[static_cast<std::size_t>(*found)];
    const int length = frame.length > 8 ? 8 : frame.length;
    const std::uint64_t data = FrameBits(frame);
    const double time = std::isfinite(frame.time) ? frame.time : s.lastTime;

    ++s.lengths[length];
    for (int byte = 0; byte < length; ++byte)
        ++s.byteSeen[byte];
    addLanes(s.onesLanes, data);
    if (s.frames > 0) {
        const double interval = time - s.lastTime;
        ++s.intervals;
        const double delta = interval - s.meanInterval;
        s.meanInterval += delta / static_cast<double>(s.intervals);
        s.intervalSquares += delta * (interval - s.meanInterval);

        // Only bytes both frames carry are compared.
        const int common = length < s.lastLength ? length : s.lastLength;
        const std::uint64_t mask = bytesMask(common);
        for (int byte = 0; byte < common; ++byte)
            ++s.bytePairs[byte];
        const std::uint64_t changed = (data ^ s.lastData) & mask;
        if (changed != 0) // a repeat flips nothing
            countFlips(s, data, changed, mask, common);
    } else {
        s.firstTime = time;
    }
    s.lastTime = time;
    s.lastData = data;
    s.lastLength = length;
    ++s.frames;
    if (++s.laneFrames == 255) // a lane holds up to 255
        drain(s);
    return *found;
}

} // namespace cac
