// What the checksum finder names once the log is read: the family that held
// with enough evidence, or a unit that changes with the counter alone, and
// the checksum's place among the fields cut from the flips.
#include "discover/ChecksumFinder.h"

#include "discover/ChecksumNames.h"
#include "discover/CountingBits.h"

#include <algorithm>
#include <bit>

namespace cac {
namespace {

// Ranks a family named beside the only moving counter after every proven one.
constexpr int Unproven = 10000;

} // namespace

std::optional<ChecksumFound> ChecksumFinder::result(const IdentifierBits& bits) const {
    const int distinct = int(m_distinct.size());
    if (distinct < MinDistinctWithCounter)
        return std::nullopt;
    struct Best {
        bool nibble = false;
        int place = -1;
        checksums::Named name;
        int rank = 0;
    } best;
    const auto consider = [&](bool nibble, int place, const checksums::Named& name, int rank) {
        if (best.place < 0 || rank < best.rank)
            best = {nibble, place, name, rank};
    };
    // Lower is better: a whole byte before a nibble, where databases put
    // checksums (the last byte, then byte 0), a constant that reads as
    // identifier and length, then the cheaper family and the narrower cover.
    const auto rankOf = [&](bool nibble, int place, bool named, Family family, Cover cover) {
        const int byteOfCheck = nibble ? place / 2 : place;
        const int placeRank = byteOfCheck == m_longest - 1 ? 0 : byteOfCheck == 0 ? 1 : 2;
        return (nibble ? 1000 : 0) + placeRank * 100 + (named ? 0 : 50) + int(family) * 4 +
               int(cover);
    };
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
        consider(c.nibble, c.place, name,
                 (proven ? 0 : Unproven) +
                     rankOf(c.nibble, c.place, name.named, c.family, c.cover));
    }
    // A data ID per counter value costs a constant per value: named only on
    // independent evidence, never as a copy of the counter.
    for (const DataIdCrcSearch::Candidate& c : m_dataId.candidates()) {
        if (c.rank < DataIdCrcSearch::MinIndependent ||
            (m_changed & (std::uint64_t{0xFF} << (8 * c.place))) == 0)
            continue;
        const checksums::Named name = checksums::NameOf(c, m_dataId.length());
        consider(false, c.place, name, rankOf(false, c.place, true, Family::CrcDataId, c.cover));
    }
    if (best.place < 0)
        return cycleWithCounter(bits);
    ChecksumFound found;
    const int width = best.nibble ? 4 : 8;
    for (int bit = width * best.place + width - 1; bit >= width * best.place; --bit)
        found.bits.append(bit);
    found.algorithm = best.name.text;
    if (best.rank >= Unproven)
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
