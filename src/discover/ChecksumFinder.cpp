#include "discover/ChecksumFinder.h"

#include "discover/ChecksumNames.h"
#include "discover/CountingBits.h"

#include <QStringList>

#include <algorithm>
#include <bit>

namespace cac {
namespace {

using Family = ChecksumFinder::Family;
using Cover = ChecksumFinder::Cover;
using Candidate = ChecksumFinder::Candidate;

constexpr std::array<Cover, 3> Covers{Cover::Before, Cover::After, Cover::Others};

std::uint8_t reversed(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i))
            r = std::uint8_t(r | (0x80u >> i));
    return r;
}

// One table per generator and direction, built once: 128 kB.
struct CrcTables {
    std::array<std::array<std::uint8_t, 256>, 256> normal{}, reflected{};
    CrcTables() {
        for (int poly = 0; poly < 256; ++poly) {
            const std::uint8_t rpoly = reversed(std::uint8_t(poly));
            for (int b = 0; b < 256; ++b) {
                unsigned n = unsigned(b), r = unsigned(b);
                for (int i = 0; i < 8; ++i) {
                    n = (n & 0x80u) ? ((n << 1) ^ unsigned(poly)) & 0xFFu : (n << 1) & 0xFFu;
                    r = (r & 1u) ? (r >> 1) ^ rpoly : r >> 1;
                }
                normal[std::size_t(poly)][std::size_t(b)] = std::uint8_t(n);
                reflected[std::size_t(poly)][std::size_t(b)] = std::uint8_t(r);
            }
        }
    }
};

const CrcTables& crcTables() {
    static const CrcTables tables;
    return tables;
}

// The bits of the bytes in `bytes` (bit b for byte b).
std::uint64_t bitsOfBytes(unsigned bytes) {
    std::uint64_t bits = 0;
    for (int b = 0; b < 8; ++b)
        if (bytes & (1u << b))
            bits |= std::uint64_t{0xFF} << (8 * b);
    return bits;
}

// The bytes covered at each place, cover and length, worked out once.
struct CoverTable {
    std::array<std::array<std::array<std::uint64_t, 9>, 3>, 8> bits{};
    CoverTable() {
        for (int place = 0; place < int(bits.size()); ++place)
            for (const Cover cover : Covers)
                for (int length = 0; length <= 8; ++length)
                    bits[std::size_t(place)][std::size_t(cover)][std::size_t(length)] =
                        bitsOfBytes(checksums::CoveredBytes(place, cover, length));
    }
};

std::uint64_t coveredBits(int place, Cover cover, int length) {
    static const CoverTable table;
    return table.bits[std::size_t(place)][std::size_t(cover)][std::size_t(length)];
}

Candidate withReads(Candidate c) {
    for (int length = 0; length <= 8; ++length)
        c.reads[std::size_t(length)] = c.nibble ? bitsOfBytes((1u << length) - 1u)
                                                : coveredBits(c.place, c.cover, length) |
                                                      (std::uint64_t{0xFF} << (8 * c.place));
    return c;
}

int unitValue(const Candidate& c, std::uint64_t data) {
    return c.nibble ? int((data >> (4 * c.place)) & 0xFu) : int((data >> (8 * c.place)) & 0xFFu);
}

} // namespace

std::uint8_t Crc8(std::uint8_t poly, bool reflected, const std::uint8_t* bytes, int count,
                  std::uint8_t init) {
    const std::array<std::uint8_t, 256>& table =
        reflected ? crcTables().reflected[poly] : crcTables().normal[poly];
    std::uint8_t crc = init;
    for (int i = 0; i < count; ++i)
        crc = table[std::uint8_t(crc ^ bytes[i])];
    return crc;
}

int ChecksumFamilyValue(const Candidate& c, std::uint64_t data, int length) {
    if (c.nibble) {
        int sum = 0, x = 0;
        for (int k = 0; k < 2 * length; ++k)
            if (k != c.place) {
                const int n = int((data >> (4 * k)) & 0xFu);
                sum += n;
                x ^= n;
            }
        return c.family == Family::Xor ? x : sum & 0xF;
    }
    const unsigned mask = checksums::CoveredBytes(c.place, c.cover, length);
    if (c.family == Family::Crc) {
        std::uint8_t bytes[8];
        int count = 0;
        for (int b = 0; b < length; ++b)
            if (mask & (1u << b))
                bytes[count++] = std::uint8_t(data >> (8 * b));
        return Crc8(c.poly, c.reflected, bytes, count);
    }
    int sum = 0, x = 0;
    for (int b = 0; b < length; ++b)
        if (mask & (1u << b)) {
            const int v = int((data >> (8 * b)) & 0xFFu);
            sum += v;
            x ^= v;
        }
    return c.family == Family::Xor ? x : sum & 0xFF;
}

ChecksumFinder::ChecksumFinder(IdentifierKey key) : m_key(key) {
    // The cheap families first: they are checked on every frame from the
    // start, and nearly all of them fall within a few frames.
    for (int place = 0; place < 8; ++place)
        for (const Cover cover : Covers) {
            if ((cover == Cover::Before && place == 0) || (cover == Cover::After && place == 7))
                continue;
            for (const Family family : {Family::Sum, Family::Xor, Family::NegatedSum}) {
                Candidate c;
                c.place = place;
                c.family = family;
                c.cover = cover;
                m_candidates.push_back(withReads(c));
            }
            m_crcPending[std::size_t(place)][std::size_t(cover)] = true;
        }
    for (int place = 0; place < 16; ++place)
        for (const Family family : {Family::Sum, Family::Xor, Family::NegatedSum}) {
            Candidate c;
            c.nibble = true;
            c.place = place;
            c.family = family;
            m_candidates.push_back(withReads(c));
        }
    watchPending();
}

bool ChecksumFinder::holds(Candidate& c, std::uint64_t data, int length) const {
    // A frame too short to carry the checksum says nothing about it.
    if ((c.nibble ? (c.place / 2) : c.place) >= length)
        return true;
    const int modulo = c.nibble ? 16 : 256;
    const int value = ChecksumFamilyValue(c, data, length);
    const int check = unitValue(c, data);
    int constant = 0;
    switch (c.family) {
    case Family::Sum:
        constant = (check - value + modulo) % modulo;
        break;
    case Family::NegatedSum:
        constant = (check + value) % modulo;
        break;
    case Family::Xor:
    case Family::Crc:
        constant = check ^ value;
        break;
    }
    std::int16_t& kept = c.constant[std::size_t(length)];
    if (kept < 0)
        kept = std::int16_t(constant);
    return kept == constant;
}

void ChecksumFinder::searchCrc(int place, Cover cover, std::uint64_t anchor, std::uint64_t data,
                               int length) {
    // CRCs are linear: two frames of one length differ in their CRCs by the
    // CRC, from zero and without final XOR, of their difference, whatever
    // the start and final XOR. One pair sorts out the generators: each
    // wrong one holds by chance once in 256. The search runs once per place
    // and cover, 256 generators of a few table look-ups each.
    const std::uint64_t difference = anchor ^ data;
    Candidate probe;
    probe.place = place;
    probe.cover = cover;
    probe.family = Family::Crc;
    const int checkDifference = int((difference >> (8 * place)) & 0xFFu);
    // The covered bytes of the difference, gathered once for all generators.
    std::uint8_t bytes[8];
    int count = 0;
    const unsigned covered = checksums::CoveredBytes(place, cover, length);
    for (int b = 0; b < length; ++b)
        if (covered & (1u << b))
            bytes[count++] = std::uint8_t(difference >> (8 * b));
    for (const bool reflected : {false, true})
        // An even generator (no x^0 term) and x^8 + 1 (a rotation: a copy of
        // a byte) are no CRC in use.
        for (int poly = 3; poly < 256; poly += 2) {
            probe.poly = std::uint8_t(poly);
            probe.reflected = reflected;
            if (Crc8(probe.poly, reflected, bytes, count) != checkDifference)
                continue;
            // Frames of other lengths met before this pair go unchecked: their
            // constant is taken from the next one of their length.
            Candidate c = withReads(probe);
            holds(c, anchor, length);
            if (holds(c, data, length))
                m_candidates.push_back(c);
        }
}

void ChecksumFinder::add(std::uint64_t data, int length) {
    length = std::clamp(length, 0, 8);
    if (length == m_lastLength && data == m_lastData)
        return; // a repeat holds wherever its twin did
    if (m_lastLength < 0)
        m_firstData = data;
    // A candidate none of whose bits moved since the last frame, of the same
    // length, holds as it did there.
    const std::uint64_t moved = length == m_lastLength ? data ^ m_lastData : ~std::uint64_t{0};
    m_lastData = data;
    m_lastLength = length;
    m_changed |= data ^ m_firstData;
    const int longestBefore = m_longest;
    m_longest = std::max(m_longest, length);
    if (int(m_distinct.size()) < MaxDistinctKept &&
        std::find(m_distinct.begin(), m_distinct.end(), std::pair{data, length}) ==
            m_distinct.end())
        m_distinct.emplace_back(data, length);
    // Once every family fell, what moved and the distinct frames are still
    // kept: they tell a byte that only changes with the counter.
    if (m_done)
        return;

    bool fell = false;
    for (Candidate& c : m_candidates)
        if ((moved & c.reads[std::size_t(length)]) != 0 && !holds(c, data, length)) {
            c.alive = false;
            fell = true;
        }
    if (fell)
        std::erase_if(m_candidates, [](const Candidate& c) { return !c.alive; });
    const bool searched = searchCrcs(data, length);
    // Nothing left to hold and no CRC search to come in the lengths met so
    // far: the rest of the log is passed over.
    if (m_candidates.empty() && (fell || searched || m_longest != longestBefore))
        m_done = !crcSearchLeft();
}

bool ChecksumFinder::crcSearchLeft() const {
    for (int place = 0; place < m_longest; ++place)
        for (const Cover cover : Covers)
            if (m_crcPending[std::size_t(place)][std::size_t(cover)] &&
                checksums::CoveredBytes(place, cover, m_longest) != 0)
                return true;
    return false;
}

void ChecksumFinder::watchPending() {
    for (int length = 0; length <= 8; ++length) {
        std::uint64_t watch = 0;
        for (int place = 0; place < length; ++place)
            for (const Cover cover : Covers) {
                const std::uint64_t covered = coveredBits(place, cover, length);
                if (m_crcPending[std::size_t(place)][std::size_t(cover)] && covered != 0)
                    watch |= covered | std::uint64_t{0xFF} << (8 * place);
            }
        m_crcWatch[std::size_t(length)] = watch;
    }
}

bool ChecksumFinder::searchCrcs(std::uint64_t data, int length) {
    Anchor& anchor = m_anchor[std::size_t(length)];
    if (!anchor.seen) {
        anchor = {true, data};
        return false;
    }
    if (((anchor.data ^ data) & m_crcWatch[std::size_t(length)]) == 0)
        return false;
    for (int place = 0; place < length; ++place)
        for (const Cover cover : Covers) {
            bool& pending = m_crcPending[std::size_t(place)][std::size_t(cover)];
            if (!pending)
                continue;
            const std::uint64_t covered = coveredBits(place, cover, length);
            if (covered == 0)
                continue;
            const std::uint64_t difference = anchor.data ^ data;
            if ((difference & covered) == 0 && ((difference >> (8 * place)) & 0xFFu) == 0)
                continue; // no news for this place yet
            pending = false;
            if ((difference & covered) != 0)
                searchCrc(place, cover, anchor.data, data, length);
        }
    watchPending();
    return true;
}

std::optional<ChecksumFound> ChecksumFinder::result(const IdentifierBits& bits) const {
    const int distinct = int(m_distinct.size());
    if (distinct < MinDistinctWithCounter)
        return std::nullopt;
    const Candidate* best = nullptr;
    checksums::Named bestName;
    int bestRank = 0;
    bool bestProven = false;
    for (const Candidate& c : m_candidates) {
        const std::uint64_t unitMask =
            c.nibble ? std::uint64_t{0xF} << (4 * c.place) : std::uint64_t{0xFF} << (8 * c.place);
        if ((m_changed & unitMask) == 0)
            continue;
        int changing = 0;
        if (c.nibble) {
            for (int k = 0; k < 2 * m_longest; ++k)
                changing += k != c.place && ((m_changed >> (4 * k)) & 0xFu) != 0;
        } else {
            const unsigned mask = checksums::CoveredBytes(c.place, c.cover, m_longest);
            for (int b = 0; b < 8; ++b)
                changing += (mask & (1u << b)) && ((m_changed >> (8 * b)) & 0xFFu) != 0;
        }
        const bool proven = changing >= MinChangingUnits &&
                            distinct >= (c.nibble ? MinDistinctNibble : MinDistinctByte);
        const std::uint64_t covered = c.reads[std::size_t(m_longest)] & ~unitMask & m_changed;
        // Beside other moving content the thresholds above weigh chance; a
        // unit that held while only a counter moved is an offset copy of it.
        if (!proven && !(changing == 1 && HoldsCounter(covered, bits)))
            continue;
        const checksums::Named name = checksums::NameOf(c, m_key, m_longest);
        if (name.text.isEmpty())
            continue;
        // Lower is better: a whole byte before a nibble, where databases put
        // checksums (the last byte, then byte 0), a constant that reads as
        // identifier and length, then the cheaper family and the narrower cover.
        const int byteOfCheck = c.nibble ? c.place / 2 : c.place;
        const int placeRank = byteOfCheck == m_longest - 1 ? 0 : byteOfCheck == 0 ? 1 : 2;
        const int rank = (proven ? 0 : 10000) + (c.nibble ? 1000 : 0) + placeRank * 100 +
                         (name.named ? 0 : 50) + int(c.family) * 4 + int(c.cover);
        if (!best || rank < bestRank) {
            best = &c;
            bestName = name;
            bestRank = rank;
            bestProven = proven;
        }
    }
    if (!best)
        return cycleWithCounter(bits);
    ChecksumFound found;
    const int width = best->nibble ? 4 : 8;
    for (int bit = width * best->place + width - 1; bit >= width * best->place; --bit)
        found.bits.append(bit);
    found.algorithm = bestName.text;
    if (!bestProven)
        found.algorithm += checksums::BesideCounterNote();
    return found;
}

std::optional<ChecksumFound> ChecksumFinder::cycleWithCounter(const IdentifierBits& bits) const {
    const int distinct = int(m_distinct.size());
    if (distinct < MinDistinctWithCounter || distinct >= MaxDistinctKept)
        return std::nullopt;
    // The moving bits outside the unit are one counter's, all of them, and
    // the frames are no more than its cycle: the unit is a function of it.
    const auto onlyCounter = [&](std::uint64_t rest) {
        if (rest == 0)
            return false;
        const int low = std::countr_zero(rest), width = std::popcount(rest);
        if (low / 8 != (low + width - 1) / 8 || (rest >> low) != (std::uint64_t{1} << width) - 1)
            return false;
        QList<int> counter;
        for (int bit = low + width - 1; bit >= low; --bit)
            counter.append(bit);
        return width >= 2 && width < 8 && HalvingBits(counter, bits) == width &&
               distinct <= (1 << width);
    };
    // It takes as many values as the cycle nearly, as a checksum of frames
    // that differ only in their counter does; a state that cycles with the
    // counter takes a few.
    const auto values = [&](std::uint64_t mask) {
        std::vector<std::uint64_t> seen;
        for (const auto& [data, length] : m_distinct)
            if (std::find(seen.begin(), seen.end(), data & mask) == seen.end())
                seen.push_back(data & mask);
        return int(seen.size());
    };
    const auto found = [&](int top, int width) {
        ChecksumFound f;
        for (int bit = top; bit > top - width; --bit)
            f.bits.append(bit);
        f.note = checksums::CycleWithCounterNote();
        return f;
    };
    // A byte whose two nibbles move, else a nibble.
    for (const int width : {8, 4})
        for (int place = 0; place < 64 / width; ++place) {
            const std::uint64_t mask = ((std::uint64_t{1} << width) - 1) << (width * place);
            const std::uint64_t moving = m_changed & mask;
            const std::uint64_t lowNibble = width == 8 ? std::uint64_t{0xF} << (8 * place) : 0;
            if (moving == 0 ||
                (width == 8 && ((moving & lowNibble) == 0 || (moving & ~lowNibble) == 0)))
                continue;
            if (onlyCounter(m_changed & ~mask) && 2 * values(mask) >= distinct)
                return found(width * place + width - 1, width);
        }
    return std::nullopt;
}

void CutOutChecksum(SlicedIdentifier& cut, const QList<int>& bits) {
    QList<SlicedField> fields;
    const auto keep = [&](SlicedField& piece) {
        if (piece.bits.isEmpty())
            return;
        piece.orderUndecided = piece.orderUndecided && piece.crossesByte();
        fields.append(piece);
        piece.bits.clear();
    };
    for (const SlicedField& field : cut.fields) {
        SlicedField piece = field;
        piece.bits.clear();
        for (const int bit : field.bits) {
            if (bits.contains(bit))
                keep(piece);
            else
                piece.bits.append(bit);
        }
        keep(piece);
    }
    SlicedField checksum; // a byte or nibble reads alike in either order
    checksum.bits = bits;
    checksum.order = cut.order;
    fields.append(checksum);
    cut.fields = fields;
}

} // namespace cac
