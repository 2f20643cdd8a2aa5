#pragma once

#include "canlog/CanFrame.h"
#include "common/IdentifierWidth.h"

#include <QtEndian>

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

// The first look at a log: per identifier, how its frames come and how each
// of its 64 data bits behaves from one frame to the next. A few hundred
// counters per identifier, whatever the log's length.
namespace cac {

// An identifier with its length and bus: 0x123 in 11 bits and in 29 bits
// are two, and so are 0x123 on two buses of one log.
struct IdentifierKey {
    std::uint32_t id = 0;
    bool extended = false;
    std::uint8_t bus = 0; // the log's place for it (CanFrame::bus)

    static IdentifierKey of(const CanFrame& frame) {
        return {frame.id & WidestIdentifier(frame.extended), frame.extended, frame.bus};
    }

    bool operator==(const IdentifierKey&) const = default;
    std::uint64_t packed() const {
        return id | (extended ? 0x80000000u : 0u) | std::uint64_t{bus} << 32;
    }
};

// Eight 16-bit or 32-bit counters worked on at once (the vectors of GCC
// and Clang). Lane p of a boundary's lanes stands for the boundary after
// byte 2p (p < 4) or after byte 2(p - 4) + 1: the order in which a frame's
// bytes fall into the lanes without moving them one by one.
using Lanes16x8 = std::uint16_t __attribute__((vector_size(16)));
using Lanes32x8 = std::uint32_t __attribute__((vector_size(32)));
// Two words of byte counters worked on at once.
using Words64x2 = std::uint64_t __attribute__((vector_size(16)));

// Bits are numbered as CAN databases number them: byte * 8 + bit, bit 0 the
// byte's least significant.
struct IdentifierBits {
    IdentifierKey key;
    qint64 frames = 0;
    double firstTime = 0, lastTime = 0;
    // Time between frames, for the period and its jitter: count, the first,
    // and the sums of the others' differences from it and of their squares.
    // Intervals lie close to the first, so the sums keep their digits with
    // no division per frame.
    qint64 intervals = 0;
    double firstInterval = 0, intervalShifts = 0, intervalShiftSquares = 0;
    std::array<qint64, 9> lengths{};   // frames by data length 0 to 8
    std::array<qint64, 8> byteSeen{};  // frames carrying the byte
    std::array<qint64, 8> bytePairs{}; // successive frames both carrying it
    std::bitset<256> firstBytes;       // the values byte 0 took
    qint64 firstByteTurns = 0;         // successive frames whose byte 0 differs
    std::array<qint64, 64> flips{};    // bit differs from the frame before
    std::array<qint64, 64> ones{};
    // Bit p flipped while bit p - 1 stayed (p = 1 to 63): for neighbours of
    // one field counting up or down, the higher rarely flips alone.
    std::array<qint64, 64> flipsAlone{};
    // The same for bit 8b (a byte's lowest) against bit 8b + 15 (the next
    // byte's highest): neighbours when a field runs on in Motorola order.
    std::array<qint64, 7> flipsAloneMotorola{};
    // Bit p flipped together with some lower bit of its byte: a value's
    // rare jump (an initial 0x00, a sensor coming up) moves its top bits
    // only with the bits below.
    std::array<qint64, 64> flipsWithLower{};
    // Bit p was the highest of its byte to flip: it gives flipsWithHigher
    // and movesAbove.
    std::array<qint64, 64> topFlips{};
    // Bit p was the highest of its byte to flip and bit p - 1 stayed (read
    // for p above its byte's lowest only): a flag flips so, on its own; a
    // slow value's upper bit flips without the one below it only in a jump
    // that moves bits above it too.
    std::array<qint64, 64> topFlipsAlone{};
    // Where a field may cross from byte b to byte b + 1: the upper byte's
    // lowest w bits above the lower byte's highest w bits read as one number,
    // Intel (b + 1 upper, index b) and Motorola (b upper, index 7 + b), for w
    // of 2, 4 and 8: the sum of its steps from frame to frame, the shorter
    // way round. Where one field crosses there in that order, the number is
    // part of it and steps little; across two fields the upper one's own
    // steps make it jump.
    static constexpr std::array<int, 3> CrossingWidths{2, 4, 8};
    std::array<std::array<qint64, 14>, 3> crossingSteps{};

    std::uint64_t lastData = 0;
    int lastLength = 0;
    // Successive frames by the bytes both carry (0 to 8), for bytePairs.
    std::array<qint64, 9> commonBytes{};
    // ones, flips, flipsAlone, flipsWithLower, topFlips and topFlipsAlone
    // of the latest frames, a byte a counter (lane b of word j counts bit
    // 8b + j; words 2k and 2k + 1 side by side), and flipsAloneMotorola
    // (lane b for byte b), until BitStatistics::finish.
    std::array<Words64x2, 4> onesLanes{}, flipsLanes{}, aloneLanes{}, withLowerLanes{}, topLanes{},
        topAloneLanes{};
    std::uint64_t aloneMotorolaLanes = 0;
    // The numbers across each byte boundary (see crossingSteps) of the
    // frame whose data `crossingData` was, to step from at the next change:
    // Intel, then Motorola.
    std::array<Lanes16x8, 2> crossingNumbers{};
    std::uint64_t crossingData = 0;
    // crossingSteps of the latest frames, Intel then Motorola (the lane
    // after byte 7 unused): steps of widths 2 and 4 (at most 8 and 128 a
    // frame) fit 16 bits for 255 frames, those of width 8 take 32.
    std::array<Lanes16x8, 2> crossingLanes2{}, crossingLanes4{};
    std::array<Lanes32x8, 2> crossingLanes8{};
    int laneFrames = 0;

    // Bit p flipped together with some higher bit of its byte: the low bits
    // of a value that steps by more than one move only when its upper bits
    // move too, where a flag below it flips on its own.
    qint64 flipsWithHigher(int bit) const { return flips[bit] - topFlips[bit]; }
    // Some bit above bit p in its byte flipped: how often those flips would
    // meet bit p's by chance.
    qint64 movesAbove(int bit) const {
        qint64 above = 0;
        for (int up = bit + 1; up % 8 != 0; ++up)
            above += topFlips[up];
        return above;
    }
    double rate(int bit) const {
        const qint64 pairs = bytePairs[bit / 8];
        return pairs > 0 ? static_cast<double>(flips[bit]) / static_cast<double>(pairs) : 0.0;
    }
    // The mean step of that number for the widest w up to `width`, as a
    // share of its range (0 to 0.5).
    double crossingStep(bool motorola, int byte, int width) const;
    int longestLength() const;
    double period() const;
    double jitter() const;
};

// The frame's data bytes as one number, byte 0 in the lowest 8 bits: bit p
// of it is database bit p. Bytes beyond the frame's length read 0. Read as
// one word: it runs for every frame.
inline std::uint64_t FrameBits(const CanFrame& frame) {
    const int length = frame.length > 8 ? 8 : frame.length;
    const auto all = qFromLittleEndian<std::uint64_t>(frame.data.data());
    return length >= 8 ? all : all & ((std::uint64_t{1} << (8 * length)) - 1);
}

// Places by IdentifierKey::packed(), looked up for every frame: open
// addressing in a table at most half full, one multiply and mostly one
// probe, no allocation once the identifiers are known.
class IdentifierIndex {
public:
    // The key's place, -1 when not met.
    int find(std::uint64_t key) const {
        if (m_slots.empty())
            return -1;
        for (std::size_t i = slotOf(key);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i].key == key)
                return m_slots[i].place;
            if (m_slots[i].key == NoKey)
                return -1;
        }
    }
    // A key not met yet.
    void insert(std::uint64_t key, int place);

private:
    // No packed key has all bits set: identifiers take 29 bits at most.
    static constexpr std::uint64_t NoKey = ~std::uint64_t{0};
    struct Slot {
        std::uint64_t key = NoKey;
        int place = -1;
    };
    std::size_t slotOf(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> m_shift);
    }
    std::vector<Slot> m_slots; // a power of two of them
    int m_shift = 64;
    std::size_t m_count = 0;
};

class BitStatistics {
public:
    // Data frames only: remote and error frames carry no signal. Returns the
    // frame's place in identifiers(), or -1 for a frame passed over.
    int add(const CanFrame& frame);
    // Adds up what is still counted a byte a bit; before identifiers().
    void finish();
    // The place in identifiers() of the frame's identifier, -1 when not met.
    int indexOf(const CanFrame& frame) const;
    // In the order identifiers were first met.
    const std::vector<IdentifierBits>& identifiers() const { return m_identifiers; }

private:
    IdentifierIndex m_index;
    std::vector<IdentifierBits> m_identifiers;
};

} // namespace cac
