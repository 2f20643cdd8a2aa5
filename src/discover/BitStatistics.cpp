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
    drainLanes(s.onesLanes, s.ones);
    drainLanes(s.flipsLanes, s.flips);
    drainLanes(s.aloneLanes, s.flipsAlone);
    drainLanes(s.withLowerLanes, s.flipsWithLower);
    s.laneFrames = 0;
}

std::uint64_t bytesMask(int bytes) {
    return bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
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
    for (int byte = 0; byte + 1 < common; ++byte) {
        if ((changed >> (8 * byte) & 0xFFFF) == 0)
            continue; // a step of 0 either way
        const auto a = static_cast<std::uint32_t>(data >> (8 * byte) & 0xFF);
        const auto b = static_cast<std::uint32_t>(data >> (8 * byte + 8) & 0xFF);
        const auto lastA = static_cast<std::uint32_t>(s.lastData >> (8 * byte) & 0xFF);
        const auto lastB = static_cast<std::uint32_t>(s.lastData >> (8 * byte + 8) & 0xFF);
        for (std::size_t w = 0; w < IdentifierBits::CrossingWidths.size(); ++w) {
            const int width = IdentifierBits::CrossingWidths[w];
            const std::uint32_t mask = (1u << (2 * width)) - 1;
            const auto step = [&](std::uint32_t upper, std::uint32_t lower, std::uint32_t lastUpper,
                                  std::uint32_t lastLower) {
                const std::uint32_t now = upper << width | lower >> (8 - width);
                const std::uint32_t before = lastUpper << width | lastLower >> (8 - width);
                const std::uint32_t up = (now - before) & mask;
                return static_cast<qint64>(std::min(up, mask + 1 - up));
            };
            s.crossingSteps[w][static_cast<std::size_t>(byte)] += step(b, a, lastB, lastA);
            s.crossingSteps[w][static_cast<std::size_t>(byte + 7)] += step(a, b, lastA, lastB);
        }
    }
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
