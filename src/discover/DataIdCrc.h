#pragma once

#include "discover/ChecksumCover.h"

#include <array>
#include <cstdint>
#include <vector>

// A CRC-8 over the frame's other bytes and then one byte more, a data ID
// that a nibble of the frame (its counter) chooses, as AUTOSAR's end-to-end
// profile 2 seals a frame. CRCs are linear: the check is then the CRC from
// zero of the covered bytes and one zero byte, XOR a constant per value of
// that nibble, whatever the start, the final XOR and the data IDs. Two
// frames with the same nibble value give away the generator.
namespace cac {

class DataIdCrcSearch {
public:
    struct Candidate {
        int place = 0; // the check's byte
        ChecksumCover cover = ChecksumCover::Others;
        std::uint8_t poly = 0;
        bool reflected = false;
        int selector = 0; // the nibble whose value chooses the constant (bits 4k to 4k + 3)
        // Per value of the selector, the constant, -1 until met.
        std::array<std::int16_t, 16> constant{};
        // Independent differences from each value's first frame that held:
        // a difference made of earlier ones holds wherever they did.
        std::array<std::uint64_t, 7> basis{};
        int rank = 0;
        bool alive = true;
    };

    // Independent differences a candidate needs: one pair picks the
    // generator, as a plain CRC's does; after it each wrong generator holds
    // once in 256 per difference, and six such holds come once in 2.8e14,
    // beyond the some 170 000 places, covers, nibbles and generators tried
    // by a factor of 1e9. A frame whose only other moving content is one
    // flag shows one difference however long it runs: its data IDs stay
    // unknown rather than guessed.
    static constexpr int MinIndependent = 7;

    void add(std::uint64_t data, int length);
    // Nothing left to find: every wait ended and every candidate fell.
    bool settled() const {
        return m_ended || (m_length >= 0 && m_pendingCount == 0 && m_candidates.empty());
    }
    // The frame length the search runs on (the first frame's).
    int length() const { return m_length; }
    const std::vector<Candidate>& candidates() const { return m_candidates; }

private:
    int m_length = -1;
    bool m_ended = false;
    // Per selector nibble, the first frame of each of its values.
    std::array<std::array<std::uint64_t, 16>, 16> m_first{};
    std::array<std::uint16_t, 16> m_firstSeen{};
    // Per selector nibble, the places and covers (bit 3 * place + cover)
    // still waiting for a pair of frames.
    std::array<std::uint32_t, 16> m_pending{};
    int m_pendingCount = 0;
    // Per place and cover (3 * place + cover), the bits of the covered bytes.
    std::array<std::uint64_t, 24> m_covered{};
    // Per selector nibble, the bits whose difference from a first frame
    // ends some wait (the covered bytes and the check's): a frame that
    // differs nowhere there is no news.
    std::array<std::uint64_t, 16> m_watch{};
    std::vector<Candidate> m_candidates;
    std::uint64_t m_last = 0;
    std::uint32_t m_selectors = 0; // the nibbles that moved in every frame so far

    // A pair of frames with the same selector value: their difference in
    // the covered bytes and in the check.
    struct Wait {
        std::uint64_t difference = 0;
        std::uint8_t check = 0;
    };
    // Per selector nibble and place and cover, the first pair that differed;
    // let go once no place waits.
    std::vector<std::array<Wait, 24>> m_waits;

    bool holds(Candidate& c, std::uint64_t data) const;
    void watch(int selector);
    void search(int place, ChecksumCover cover, int selector, const Wait& earlier, const Wait& now,
                std::uint64_t data);
};

// The CRC from zero of the bytes `covered` (a mask of bytes) of `data` and
// one zero byte after them.
std::uint8_t DataIdCrcValue(std::uint8_t poly, bool reflected, unsigned covered, std::uint64_t data,
                            int length);

} // namespace cac
