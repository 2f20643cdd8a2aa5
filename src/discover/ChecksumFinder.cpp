#include "discover/ChecksumFinder.h"

#include "discover/ChecksumNames.h"

#include <QStringList>

#include <algorithm>

namespace cac {
namespace {

using Family = ChecksumFinder::Family;
using Cover = ChecksumFinder::Cover;
using Candidate = ChecksumFinder::Candidate;

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

// The bytes covered at each place, cover and length, worked out once.
struct CoverTable {
    std::array<std::array<std::array<std::uint64_t, 9>, 3>, 8> bits{};
    CoverTable() {
        for (int place = 0; place < int(bits.size()); ++place)
            for (const Cover cover : ChecksumCovers)
                for (int length = 0; length <= 8; ++length)
                    bits[std::size_t(place)][std::size_t(cover)][std::size_t(length)] =
                        checksums::BitsOfBytes(checksums::CoveredBytes(place, cover, length));
    }
};

std::uint64_t coveredBits(int place, Cover cover, int length) {
    static const CoverTable table;
    return table.bits[std::size_t(place)][std::size_t(cover)][std::size_t(length)];
}

Candidate withReads(Candidate c) {
    for (int length = 0; length <= 8; ++length)
        c.reads[std::size_t(length)] = c.nibble ? checksums::BitsOfBytes((1u << length) - 1u)
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
        for (const Cover cover : ChecksumCovers) {
            if ((cover == Cover::Before && place == 0) || (cover == Cover::After && place == 7))
                continue;
            for (const Family family : {Family::Sum, Family::Xor, Family::NegatedSum}) {
                Candidate c;
                c.place = place;
                c.family = family;
                c.cover = cover;
                keep(withReads(c));
            }
            m_crcPending[std::size_t(place)][std::size_t(cover)] = true;
        }
    for (int place = 0; place < 16; ++place)
        for (const Family family : {Family::Sum, Family::Xor, Family::NegatedSum}) {
            Candidate c;
            c.nibble = true;
            c.place = place;
            c.family = family;
            keep(withReads(c));
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
    case Family::CrcDataId: // kept apart, in DataIdCrcSearch
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
                keep(c);
        }
}

void ChecksumFinder::keep(const Candidate& c) {
    m_candidates.push_back(c);
    readsToo(c);
}

void ChecksumFinder::readsToo(const Candidate& c) {
    for (std::size_t length = 0; length < m_anyReads.size(); ++length)
        m_anyReads[length] |= c.reads[length];
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

    // Most frames move none of the bits the candidates left read.
    bool fell = false;
    if ((moved & m_anyReads[std::size_t(length)]) != 0) {
        for (Candidate& c : m_candidates)
            if ((moved & c.reads[std::size_t(length)]) != 0 && !holds(c, data, length)) {
                c.alive = false;
                fell = true;
            }
    }
    if (fell) {
        std::erase_if(m_candidates, [](const Candidate& c) { return !c.alive; });
        m_anyReads = {};
        for (const Candidate& c : m_candidates)
            readsToo(c);
    }
    const bool searched = searchCrcs(data, length);
    const bool dataIdWasSettled = m_dataId.settled();
    if (!dataIdWasSettled)
        m_dataId.add(data, length);
    // Nothing left to hold and no CRC search to come in the lengths met so
    // far: the rest of the log is passed over.
    if (m_candidates.empty() && m_dataId.settled() &&
        (fell || searched || m_longest != longestBefore || !dataIdWasSettled))
        m_done = !crcSearchLeft();
}

bool ChecksumFinder::crcSearchLeft() const {
    for (int place = 0; place < m_longest; ++place)
        for (const Cover cover : ChecksumCovers)
            if (m_crcPending[std::size_t(place)][std::size_t(cover)] &&
                checksums::CoveredBytes(place, cover, m_longest) != 0)
                return true;
    return false;
}

void ChecksumFinder::watchPending() {
    for (int length = 0; length <= 8; ++length) {
        std::uint64_t watch = 0;
        for (int place = 0; place < length; ++place)
            for (const Cover cover : ChecksumCovers) {
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
        for (const Cover cover : ChecksumCovers) {
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

} // namespace cac
