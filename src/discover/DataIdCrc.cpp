#include "discover/DataIdCrc.h"

#include "discover/ChecksumFinder.h"
#include "discover/ChecksumNames.h"

#include <algorithm>
#include <bit>

namespace cac {
namespace {

using Cover = ChecksumCover;

int nibbleOf(std::uint64_t data, int k) {
    return int((data >> (4 * k)) & 0xFu);
}

// The difference reduced against the independent ones so far: zero when
// it is made of them.
std::uint64_t reduced(const DataIdCrcSearch::Candidate& c, std::uint64_t difference) {
    for (int i = 0; i < c.rank; ++i) {
        const std::uint64_t b = c.basis[std::size_t(i)];
        if (difference & (std::uint64_t{1} << (63 - std::countl_zero(b))))
            difference ^= b;
    }
    return difference;
}

void addDifference(DataIdCrcSearch::Candidate& c, std::uint64_t difference) {
    if (c.rank >= DataIdCrcSearch::MinIndependent)
        return;
    difference = reduced(c, difference);
    if (difference == 0)
        return;
    // Kept with distinct leading bits, each cleared from the others' lead.
    const std::uint64_t lead = std::uint64_t{1} << (63 - std::countl_zero(difference));
    for (int i = 0; i < c.rank; ++i)
        if (c.basis[std::size_t(i)] & lead)
            c.basis[std::size_t(i)] ^= difference;
    c.basis[std::size_t(c.rank++)] = difference;
}

} // namespace

std::uint8_t DataIdCrcValue(std::uint8_t poly, bool reflected, unsigned covered, std::uint64_t data,
                            int length) {
    std::uint8_t bytes[9]{};
    int count = 0;
    for (int b = 0; b < length; ++b)
        if (covered & (1u << b))
            bytes[count++] = std::uint8_t(data >> (8 * b));
    return Crc8(poly, reflected, bytes, count + 1); // the last byte stays zero
}

bool DataIdCrcSearch::holds(Candidate& c, std::uint64_t data) const {
    const unsigned covered = checksums::CoveredBytes(c.place, c.cover, m_length);
    const int check = int((data >> (8 * c.place)) & 0xFFu);
    const int constant = check ^ DataIdCrcValue(c.poly, c.reflected, covered, data, m_length);
    const int value = nibbleOf(data, c.selector);
    std::int16_t& kept = c.constant[std::size_t(value)];
    if (kept < 0) {
        kept = std::int16_t(constant);
        return true;
    }
    if (kept != constant)
        return false;
    addDifference(c, (data ^ m_first[std::size_t(c.selector)][std::size_t(value)]) &
                         checksums::BitsOfBytes(covered));
    return true;
}

void DataIdCrcSearch::search(int place, Cover cover, int selector, const Wait& earlier,
                             const Wait& now, std::uint64_t data) {
    // Each pair of frames shares its selector value, so its constant: the
    // check's difference is the CRC of the covered bytes' difference. Two
    // independent pairs leave a wrong generator one chance in 65 536.
    const unsigned covered = checksums::CoveredBytes(place, cover, m_length);
    Candidate probe;
    probe.place = place;
    probe.cover = cover;
    probe.selector = selector;
    probe.constant.fill(-1);
    for (const bool reflected : {false, true})
        for (int poly = 3; poly < 256; poly += 2) { // as the plain CRC's search
            const std::uint8_t p = std::uint8_t(poly);
            if (DataIdCrcValue(p, reflected, covered, now.difference, m_length) != now.check ||
                DataIdCrcValue(p, reflected, covered, earlier.difference, m_length) !=
                    earlier.check)
                continue;
            Candidate c = probe;
            c.poly = p;
            c.reflected = reflected;
            // The constants of the values met so far, from their first frames.
            for (int v = 0; v < 16; ++v)
                if (m_firstSeen[std::size_t(selector)] & (1u << v))
                    holds(c, m_first[std::size_t(selector)][std::size_t(v)]);
            addDifference(c, earlier.difference);
            holds(c, data);
            m_candidates.push_back(c);
        }
}

void DataIdCrcSearch::add(std::uint64_t data, int length) {
    if (m_ended)
        return;
    if (m_length < 0) {
        // A CRC over one byte and a data ID is no seal anyone uses.
        if (length < 3) {
            m_ended = true;
            return;
        }
        m_length = length;
        m_waits.resize(16);
        for (int place = 0; place < length; ++place)
            for (const Cover cover : ChecksumCovers) {
                const unsigned covered = checksums::CoveredBytes(place, cover, length);
                m_covered[std::size_t(3 * place + int(cover))] = checksums::BitsOfBytes(covered);
                for (int k = 0; k < 2 * length; ++k)
                    if (covered & (1u << (k / 2))) {
                        m_pending[std::size_t(k)] |= 1u << (3 * place + int(cover));
                        ++m_pendingCount;
                    }
            }
        for (int k = 0; k < 2 * length; ++k)
            watch(k);
        m_selectors = (1u << (2 * length)) - 1u;
        for (int k = 0; k < 2 * length; ++k) {
            const int value = nibbleOf(data, k);
            m_firstSeen[std::size_t(k)] = std::uint16_t(1u << value);
            m_first[std::size_t(k)][std::size_t(value)] = data;
        }
        m_last = data;
        return;
    } else if (length != m_length) {
        // Frames of several lengths: their data IDs would differ by length
        // too, a seal no profile uses.
        m_ended = true;
        m_candidates.clear();
        return;
    } else if (data == m_last) {
        return;
    }
    // A candidate none of whose bytes moved since the last frame holds as
    // it did there, and learns nothing new.
    const std::uint64_t moved = data ^ m_last;
    // A sequence counter moves from every frame to the next: a nibble that
    // stayed while the frame changed chooses no data ID.
    std::uint32_t stayed = 0;
    for (std::uint32_t rest = m_selectors; rest != 0; rest &= rest - 1) {
        const int k = std::countr_zero(rest);
        if (((moved >> (4 * k)) & 0xFu) == 0) {
            stayed |= 1u << k;
            m_pendingCount -= std::popcount(m_pending[std::size_t(k)]);
            m_pending[std::size_t(k)] = 0;
            m_watch[std::size_t(k)] = 0;
        }
    }
    m_selectors &= ~stayed;
    m_last = data;
    bool fell = false;
    for (Candidate& c : m_candidates)
        if ((stayed & (1u << c.selector)) ||
            ((moved & (m_covered[std::size_t(3 * c.place + int(c.cover))] |
                       std::uint64_t{0xFF} << (8 * c.place))) != 0 &&
             !holds(c, data))) {
            c.alive = false;
            fell = true;
        }
    if (fell)
        std::erase_if(m_candidates, [](const Candidate& c) { return !c.alive; });

    for (std::uint32_t rest = m_selectors; rest != 0; rest &= rest - 1) {
        const int k = std::countr_zero(rest);
        const int value = nibbleOf(data, k);
        std::uint16_t& seen = m_firstSeen[std::size_t(k)];
        std::uint64_t& first = m_first[std::size_t(k)][std::size_t(value)];
        if (!(seen & (1u << value))) {
            seen = std::uint16_t(seen | (1u << value));
            first = data;
            continue;
        }
        std::uint32_t& pending = m_pending[std::size_t(k)];
        const std::uint64_t difference = first ^ data;
        if ((difference & m_watch[std::size_t(k)]) == 0)
            continue;
        for (int place = 0; place < m_length; ++place)
            for (const Cover cover : ChecksumCovers) {
                const int i = 3 * place + int(cover);
                const std::uint32_t bit = 1u << i;
                if (!(pending & bit))
                    continue;
                const Wait now{difference & m_covered[std::size_t(i)],
                               std::uint8_t(difference >> (8 * place))};
                Wait& earlier = m_waits[std::size_t(k)][std::size_t(i)];
                if (now.difference == earlier.difference && now.check == earlier.check)
                    continue; // no news for this place
                // The same covered bytes under another check: no CRC of them.
                const bool refuted = now.difference == earlier.difference;
                if (!refuted && earlier.difference == 0) {
                    earlier = now;
                    continue;
                }
                pending &= ~bit;
                --m_pendingCount;
                if (!refuted)
                    search(place, cover, k, earlier, now, data);
            }
        watch(k);
    }
    if (m_pendingCount == 0 && !m_waits.empty())
        m_waits = {};
}

void DataIdCrcSearch::watch(int selector) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 24; ++i)
        if (m_pending[std::size_t(selector)] & (1u << i))
            bits |= m_covered[std::size_t(i)] | std::uint64_t{0xFF} << (8 * (i / 3));
    m_watch[std::size_t(selector)] = bits;
}

} // namespace cac
