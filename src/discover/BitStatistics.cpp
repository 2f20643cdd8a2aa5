#include "discover/BitStatistics.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace cac {
namespace {

// Bit 0 of every byte: lane b of a word is its byte b.
constexpr std::uint64_t LowBits = 0x0101010101010101;
constexpr std::uint64_t HighBits = 0x8080808080808080;

// Word j of the lanes counts bit j of every byte, a lane a byte: words 2k
// and 2k + 1 are the data shifted by 2k and by 2k + 1, two at a time.
void addLanes(std::array<Words64x2, 4>& lanes, std::uint64_t bits) {
    const Words64x2 pair = {bits, bits >> 1};
    constexpr Words64x2 low = {LowBits, LowBits};
    lanes[0] += pair & low;
    lanes[1] += pair >> 2 & low;
    lanes[2] += pair >> 4 & low;
    lanes[3] += pair >> 6 & low;
}

void drainLanes(std::array<Words64x2, 4>& lanes, std::array<qint64, 64>& counts) {
    for (std::size_t j = 0; j < 8; ++j) {
        const std::uint64_t word = lanes[j / 2][j % 2];
        for (std::size_t byte = 0; byte < 8; ++byte)
            counts[8 * byte + j] += static_cast<qint64>(word >> (8 * byte) & 0xFF);
    }
    lanes = {};
}

// The byte a boundary's lane follows (see Lanes16x8).
constexpr int laneByte(int lane) {
    return lane < 4 ? 2 * lane : 2 * (lane - 4) + 1;
}

void drain(IdentifierBits& s) {
    for (std::size_t order = 0; order < 2; ++order)
        for (int lane = 0; lane < 8; ++lane) {
            const int byte = laneByte(lane);
            if (byte == 7)
                continue; // no byte after it
            const auto i = static_cast<std::size_t>(byte + (order == 1 ? 7 : 0));
            s.crossingSteps[0][i] += s.crossingLanes2[order][lane];
            s.crossingSteps[1][i] += s.crossingLanes4[order][lane];
            s.crossingSteps[2][i] += s.crossingLanes8[order][lane];
        }
    s.crossingLanes2 = s.crossingLanes4 = {};
    s.crossingLanes8 = {};
    drainLanes(s.onesLanes, s.ones);
    drainLanes(s.flipsLanes, s.flips);
    drainLanes(s.aloneLanes, s.flipsAlone);
    drainLanes(s.withLowerLanes, s.flipsWithLower);
    drainLanes(s.topLanes, s.topFlips);
    drainLanes(s.topAloneLanes, s.topFlipsAlone);
    for (std::size_t byte = 0; byte < s.flipsAloneMotorola.size(); ++byte)
        s.flipsAloneMotorola[byte] +=
            static_cast<qint64>(s.aloneMotorolaLanes >> (8 * byte) & 0xFF);
    s.aloneMotorolaLanes = 0;
    s.laneFrames = 0;
}

std::uint64_t bytesMask(int bytes) {
    return bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
}

// Each byte less one, wrapping within the byte: the top bit is set apart
// so that no byte borrows from the next.
std::uint64_t eachByteLessOne(std::uint64_t bits) {
    return ((bits | HighBits) - LowBits) ^ (~bits & HighBits);
}

// Per byte, the bits below its highest set bit: the set bits smeared down
// within each byte, then shifted below that top.
std::uint64_t eachByteBelowTop(std::uint64_t bits) {
    bits |= bits >> 1 & 0x7F7F7F7F7F7F7F7F;
    bits |= bits >> 2 & 0x3F3F3F3F3F3F3F3F;
    bits |= bits >> 4 & 0x0F0F0F0F0F0F0F0F;
    return bits >> 1 & 0x7F7F7F7F7F7F7F7F;
}

// The numbers across each byte boundary, Intel then Motorola: the Intel
// lane of the boundary after byte b holds byte b + 1 above byte b, the
// Motorola lane byte b above byte b + 1; the number across the boundary of
// width w is its lane shifted down by 8 - w. The data as it stands gives
// the lanes after the even bytes, shifted by a byte those after the odd
// ones; Motorola swaps each lane's bytes.
std::array<Lanes16x8, 2> crossingNumbers(std::uint64_t data) {
    using Words = std::uint64_t __attribute__((vector_size(16)));
    const auto intel = std::bit_cast<Lanes16x8>(Words{data, data >> 8});
    return {intel, static_cast<Lanes16x8>(intel << 8 | intel >> 8)};
}

// Per lane, the byte after its boundary: the lane counts where both frames
// carry that byte.
constexpr Lanes16x8 LaneUpperByte = {1, 3, 5, 7, 2, 4, 6, 8};

// Each lane's step across the byte boundary for one width, the shorter way
// round, added to its count where both frames carry the lane's bytes. The
// width is fixed at compile time so that the lanes go as one vector.
template <int Width, typename Count>
void addCrossing(Count& lanes, Lanes16x8 now, Lanes16x8 before, Lanes16x8 carried) {
    static_assert(Width >= 1 && Width <= 8);
    constexpr auto Mask = static_cast<std::uint16_t>((1u << (2 * Width)) - 1);
    const Lanes16x8 up = ((now >> (8 - Width)) - (before >> (8 - Width))) & Mask;
    const Lanes16x8 down = -up & Mask;
    lanes += __builtin_convertvector((up < down ? up : down) & carried, Count);
}

// What the bits that changed since the identifier's last frame tell; only
// bytes both frames carry (`carried`, `common` of them) are compared.
void countFlips(IdentifierBits& s, std::uint64_t data, std::uint64_t changed, std::uint64_t carried,
                int common) {
    addLanes(s.flipsLanes, changed);
    addLanes(s.aloneLanes, changed & ~(changed << 1) & ~std::uint64_t{1});
    // Per byte, every changed bit but the lowest has a lower one with it.
    addLanes(s.withLowerLanes, changed & eachByteLessOne(changed));
    const std::uint64_t top = changed & ~eachByteBelowTop(changed);
    addLanes(s.topLanes, top);
    addLanes(s.topAloneLanes, top & ~(changed << 1));
    // Bit 8b against bit 8b + 15: both must be carried.
    const std::uint64_t alone = changed & ~(changed >> 15) & (carried >> 15);
    s.aloneMotorolaLanes += alone & (LowBits >> 8);
    // All boundaries at once, in 16-bit arithmetic, wrapping as the field
    // would; only lanes of byte pairs both frames carry count.
    const std::array<Lanes16x8, 2> before =
        s.crossingData == s.lastData ? s.crossingNumbers : crossingNumbers(s.lastData);
    const std::array<Lanes16x8, 2> now = crossingNumbers(data);
    const auto carriedLanes =
        static_cast<Lanes16x8>(LaneUpperByte < static_cast<std::uint16_t>(common));
    static_assert(IdentifierBits::CrossingWidths == std::array<int, 3>{2, 4, 8});
    for (std::size_t order = 0; order < 2; ++order) {
        addCrossing<2>(s.crossingLanes2[order], now[order], before[order], carriedLanes);
        addCrossing<4>(s.crossingLanes4[order], now[order], before[order], carriedLanes);
        addCrossing<8>(s.crossingLanes8[order], now[order], before[order], carriedLanes);
    }
    s.crossingNumbers = now;
    s.crossingData = data;
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

double IdentifierBits::period() const {
    return intervals > 0 ? firstInterval + intervalShifts / static_cast<double>(intervals) : 0.0;
}

double IdentifierBits::jitter() const {
    if (intervals < 2)
        return 0.0;
    const double n = static_cast<double>(intervals);
    const double squares = intervalShiftSquares - intervalShifts * intervalShifts / n;
    return std::sqrt(std::max(squares, 0.0) / (n - 1));
}

void BitStatistics::finish() {
    for (IdentifierBits& s : m_identifiers) {
        drain(s);
        // A frame of n bytes carries bytes 0 to n - 1.
        qint64 seen = 0, pairs = 0;
        for (int byte = 7; byte >= 0; --byte) {
            seen += s.lengths[static_cast<std::size_t>(byte + 1)];
            pairs += s.commonBytes[static_cast<std::size_t>(byte + 1)];
            s.byteSeen[static_cast<std::size_t>(byte)] = seen;
            s.bytePairs[static_cast<std::size_t>(byte)] = pairs;
        }
    }
}

int BitStatistics::indexOf(const CanFrame& frame) const {
    return m_index.find(IdentifierKey::of(frame).packed());
}

int BitStatistics::add(const CanFrame& frame) {
    if (frame.remote || frame.error)
        return -1;
    const IdentifierKey key = IdentifierKey::of(frame);
    int place = m_index.find(key.packed());
    if (place < 0) {
        place = static_cast<int>(m_identifiers.size());
        m_index.insert(key.packed(), place);
        m_identifiers.emplace_back().key = key;
    }
    IdentifierBits& s = m_identifiers[static_cast<std::size_t>(place)];
    const int length = frame.length > 8 ? 8 : frame.length;
    const std::uint64_t data = FrameBits(frame);
    const double time = std::isfinite(frame.time) ? frame.time : s.lastTime;

    ++s.lengths[length];
    if (length > 0)
        s.firstBytes.set(data & 0xFF);
    addLanes(s.onesLanes, data);
    if (s.frames > 0) {
        const double interval = time - s.lastTime;
        if (s.intervals++ == 0)
            s.firstInterval = interval;
        const double shift = interval - s.firstInterval;
        s.intervalShifts += shift;
        s.intervalShiftSquares += shift * shift;

        // Only bytes both frames carry are compared.
        const int common = length < s.lastLength ? length : s.lastLength;
        const std::uint64_t mask = bytesMask(common);
        ++s.commonBytes[common];
        const std::uint64_t changed = (data ^ s.lastData) & mask;
        s.firstByteTurns += (changed & 0xFF) != 0;
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
    return place;
}

void IdentifierIndex::insert(std::uint64_t key, int place) {
    if (2 * (m_count + 1) > m_slots.size()) { // grow to keep it at most half full
        const std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(std::max<std::size_t>(16, 2 * old.size()), Slot{});
        m_shift = 64 - std::countr_zero(m_slots.size());
        for (const Slot& slot : old)
            if (slot.key != NoKey) {
                std::size_t i = slotOf(slot.key);
                while (m_slots[i].key != NoKey)
                    i = (i + 1) & (m_slots.size() - 1);
                m_slots[i] = slot;
            }
    }
    std::size_t i = slotOf(key);
    while (m_slots[i].key != NoKey)
        i = (i + 1) & (m_slots.size() - 1);
    m_slots[i] = {key, place};
    ++m_count;
}

} // namespace cac
