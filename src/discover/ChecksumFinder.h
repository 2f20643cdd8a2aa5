#pragma once

#include "discover/BitStatistics.h"
#include "discover/ChecksumCover.h"
#include "discover/DataIdCrc.h"
#include "discover/FieldSlicer.h"

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// A byte or nibble of an identifier's frames that is a known function of the
// frame's other bytes: an additive sum, an XOR, a sum of nibbles or a CRC-8.
// Every family is checked on every frame as it comes, so memory stays a few
// kilobytes per identifier whatever the log's length.
namespace cac {

struct ChecksumFound {
    QList<int> bits;   // database bit numbers, most significant first
    QString algorithm; // "sum of bytes 0-6 + identifier bytes + length, modulo 256"
    // Where no family held: why the bits are taken for a checksum anyway.
    QString note;
};

class ChecksumFinder {
public:
    explicit ChecksumFinder(IdentifierKey key);

    // The frame's data (FrameBits) and length 0 to 8.
    void add(std::uint64_t data, int length);

    // The best family that held on every frame with enough evidence, if any.
    // `bits`: the identifier's flip statistics, which tell a counter among
    // the bytes a family covers.
    std::optional<ChecksumFound> result(const IdentifierBits& bits) const;

    // Distinct frames a fit needs. Its constant (or its CRC generator) costs
    // the first frame or two; each further distinct frame then holds by
    // chance once in 256 for a byte, once in 16 for a nibble. Six chance
    // holds of a byte come once in 2.8e14, seven of a nibble once in 2.7e8:
    // beyond the some 6 000 byte and 48 nibble families tried per identifier
    // by factors of 5e10 and 5e6. A nibble checksum beside a two-bit counter
    // in an otherwise quiet frame shows few more distinct frames than that.
    static constexpr int MinDistinctByte = 8;
    static constexpr int MinDistinctNibble = 9;
    // Sums and XORs move with one changing byte as a copy of it would, and
    // so would a CRC-like bijection: it takes changes in this many covered
    // units (bytes, or nibbles for a nibble sum) to tell a checksum from a
    // second reading of one value.
    static constexpr int MinChangingUnits = 2;
    // A frame whose only moving content is a counter still seals it with its
    // checksum: a sum of the frame then moves as a copy of the counter plus
    // a constant, which no count of distinct frames tells apart from one.
    // Such a family is named with what the log leaves open once the
    // counter's cycle has shown, four frames of a two-bit one: a unit that
    // follows a counter that way and is no checksum is rare on a bus, and a
    // checksum read as a counter or an enumeration would be fitted to
    // references and proposed for channels.
    static constexpr int MinDistinctWithCounter = 4;
    // Distinct frames kept: beyond the evidence above, enough to see whether
    // a frame holds no more of them than a 4-bit counter's cycle, as a frame
    // whose only moving content is its counter and its checksum does.
    static constexpr int MaxDistinctKept = 17;

    // CrcDataId: a CRC and then a data ID per counter value (DataIdCrcSearch).
    enum class Family : std::uint8_t { Sum, NegatedSum, Xor, Crc, CrcDataId };
    using Cover = ChecksumCover;

    struct Candidate {
        bool nibble = false;
        int place = 0; // byte 0 to 7, or nibble 0 to 15 (bits 4k to 4k + 3)
        Family family = Family::Sum;
        Cover cover = Cover::Others;
        std::uint8_t poly = 0; // CRC generator, normal form, x^8 left out
        bool reflected = false;
        // The constant the family leaves per frame length, -1 until met.
        std::array<std::int16_t, 9> constant{-1, -1, -1, -1, -1, -1, -1, -1, -1};
        // Per frame length, the bits it reads: its own unit and those it covers.
        std::array<std::uint64_t, 9> reads{};
        bool alive = true;
    };
    // The families that held on every frame so far.
    const std::vector<Candidate>& candidates() const { return m_candidates; }

private:
    struct Anchor {
        bool seen = false;
        std::uint64_t data = 0;
    };

    IdentifierKey m_key;
    std::vector<Candidate> m_candidates;
    // Per frame length, the bits any candidate reads.
    std::array<std::uint64_t, 9> m_anyReads{};
    // Per byte place and cover, whether the CRC search still waits for a
    // pair of frames whose covered bytes differ.
    std::array<std::array<bool, 3>, 8> m_crcPending{};
    std::array<Anchor, 9> m_anchor{}; // the first frame of each length
    // Per length, the bits whose difference from the anchor ends some
    // pending place's wait (its byte and those it covers): a frame that
    // differs nowhere there is no news for the search.
    std::array<std::uint64_t, 9> m_crcWatch{};
    std::uint64_t m_lastData = 0;
    int m_lastLength = -1;
    std::uint64_t m_firstData = 0;
    std::uint64_t m_changed = 0; // bits that ever differed from the first frame
    int m_longest = 0;
    bool m_done = false;                                   // every family fell
    std::vector<std::pair<std::uint64_t, int>> m_distinct; // up to MaxDistinctKept
    DataIdCrcSearch m_dataId;

    // Whether some place's wait ended.
    bool searchCrcs(std::uint64_t data, int length);
    void watchPending();
    // Whether a CRC search still waits at some place of the lengths met.
    bool crcSearchLeft() const;
    void searchCrc(int place, Cover cover, std::uint64_t anchor, std::uint64_t data, int length);
    bool holds(Candidate& c, std::uint64_t data, int length) const;
    // A candidate that held on the frames so far, its bits added to the
    // union.
    void keep(const Candidate& c);
    void readsToo(const Candidate& c);
    // Where no family held: a byte or nibble that changes with a counter
    // while nothing else in the frame moves.
    std::optional<ChecksumFound> cycleWithCounter(const IdentifierBits& bits) const;
};

// The checksum's bits taken out of the fields cut from the flip statistics
// (a field split where they were) and made a field of their own.
void CutOutChecksum(SlicedIdentifier& cut, const QList<int>& bits);

// The value a candidate's family computes over the frame's covered units,
// before its constant: for tests and for the finder alike.
int ChecksumFamilyValue(const ChecksumFinder::Candidate& c, std::uint64_t data, int length);

// CRC-8 with a zero start and no final XOR over `bytes`.
std::uint8_t Crc8(std::uint8_t poly, bool reflected, const std::uint8_t* bytes, int count,
                  std::uint8_t init = 0);

} // namespace cac
