#include "catalogue/VariableCatalogue.h"

#include "common/TextBlanks.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

namespace cac {
namespace {

// The look-up compares up to this identifier; the catalogue is expected to reach it.
constexpr std::int32_t LastSearchedId = 8000;

const CatalogueEntry EmptyEntry;

constexpr std::uint64_t Lanes = 0x0001000100010001; // one per UTF-16 unit of a word
constexpr std::uint64_t NonAsciiBits = 0xFF80 * Lanes;

// Upper-cases a to z in four UTF-16 units below 0x80 at once: bit 7 of
// unit + 0x1F is set from 'a' up, of unit + 0x05 above 'z'.
constexpr std::uint64_t UpperAscii(std::uint64_t units) {
    const std::uint64_t fromA = units + 0x1F * Lanes;
    const std::uint64_t aboveZ = units + 0x05 * Lanes;
    return units ^ (((fromA ^ aboveZ) & 0x80 * Lanes) >> 2);
}

std::uint64_t Word(const char16_t* units) {
    std::uint64_t word = 0;
    std::memcpy(&word, units, sizeof word);
    return qFromLittleEndian(word);
}

// Hash of the text's units, four to a word; upper-cases them first when
// `upper` (only right for units below 0x80). Sets `ascii` to whether they all are.
Q_ALWAYS_INLINE std::uint32_t HashUnits(QStringView text, bool upper, bool& ascii) {
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    std::uint64_t hash = static_cast<std::uint64_t>(size);
    std::uint64_t seen = 0;
    auto add = [&](std::uint64_t word) {
        seen |= word;
        hash = std::rotl(hash, 29) ^ ((upper ? UpperAscii(word) : word) * 0x9E3779B97F4A7C15);
    };
    if (size >= 4) {
        // Whole words, the last one ending at the end (it may overlap the one before).
        for (qsizetype at = 0; at + 4 < size; at += 4)
            add(Word(units + at));
        add(Word(units + size - 4));
    } else if (size > 0) {
        add(units[0] | std::uint64_t{units[size / 2]} << 16 | std::uint64_t{units[size - 1]} << 32);
    }
    ascii = (seen & NonAsciiBits) == 0;
    hash = (hash ^ (hash >> 32)) * 0xBF58476D1CE4E5B9;
    return static_cast<std::uint32_t>(hash >> 32);
}

// The same hash for every text whose upper-case form is the same.
Q_ALWAYS_INLINE std::uint32_t HashName(QStringView text) {
    bool ascii = true;
    const std::uint32_t hash = HashUnits(text, true, ascii);
    if (ascii)
        return hash;
    return HashUnits(text.toString().toUpper(), false, ascii);
}

char16_t UpperAsciiUnit(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// Whether the texts are equal once upper-cased. Plain ASCII is compared in
// place; other texts through QString's upper-casing, which may change lengths.
bool EqualUpperCase(QStringView a, QStringView b) {
    qsizetype i = 0;
    const qsizetype common = std::min(a.size(), b.size());
    for (; i < common; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x >= 0x80 || y >= 0x80)
            break;
        if (UpperAsciiUnit(x) != UpperAsciiUnit(y))
            return false;
    }
    if (i == a.size() && i == b.size())
        return true;
    if (i == common) // one is a plain ASCII prefix of the other
        return false;
    return a.toString().toUpper() == b.toString().toUpper();
}

} // namespace

VariableCatalogue::VariableCatalogue(qsizetype size, const QList<std::int32_t>& ids,
                                     QList<CatalogueEntry> entries)
    : m_size(std::max<qsizetype>(size, 0)), m_entries(std::move(entries)) {
    // Keeps the entries in identifier order below the size, dropping the rest;
    // the identifiers are shared as they are when nothing is dropped.
    const qsizetype given = std::min(m_entries.size(), ids.size());
    auto follows = [&](std::int32_t id, std::int32_t before) { return id > before && id < m_size; };
    qsizetype kept = 0;
    while (kept < given && follows(ids[kept], kept > 0 ? ids[kept - 1] : -1))
        ++kept;
    m_ids = kept == ids.size() ? ids : ids.first(kept);
    for (qsizetype k = kept; k < given; ++k) {
        if (follows(ids[k], m_ids.isEmpty() ? -1 : m_ids.back())) {
            m_ids.append(ids[k]);
            m_entries[kept++] = std::move(m_entries[k]);
        }
    }
    m_entries.resize(kept);
    m_entryOfId.resize(kept > 0 ? m_ids.back() + 1 : 0, -1);
    std::int32_t* entryOfId = m_entryOfId.data();
    for (qsizetype k = 0; k < kept; ++k)
        entryOfId[m_ids[k]] = static_cast<std::int32_t>(k);
    buildIndex();
}

VariableCatalogue::VariableCatalogue(qsizetype size,
                                     const QMap<std::int32_t, CatalogueEntry>& entries)
    : VariableCatalogue(size, entries.keys(), entries.values()) {}

const CatalogueEntry& VariableCatalogue::at(qsizetype id) const {
    Q_ASSERT(id >= 0 && id < m_size);
    if (id < 0 || id >= m_entryOfId.size() || m_entryOfId[id] < 0)
        return EmptyEntry;
    return m_entries[m_entryOfId[id]];
}

void VariableCatalogue::buildIndex() {
    const qsizetype last = std::min<qsizetype>(LastSearchedId, m_size - 1);
    m_firstBlankId = -1;
    for (qsizetype id = 0; id <= last && m_firstBlankId < 0; ++id) {
        if (TrimBlanks(at(id).defaultName).isEmpty())
            m_firstBlankId = static_cast<std::int32_t>(id);
    }

    const CatalogueEntry* entries = m_entries.constData();
    const qsizetype searched =
        std::upper_bound(m_ids.cbegin(), m_ids.cend(), last) - m_ids.cbegin();
    // At most a quarter full, so that most names land in a free slot at once.
    const qsizetype capacity = std::bit_ceil(static_cast<std::size_t>(4 * searched + 4));
    m_index = std::vector<IndexSlot>(capacity);
    IndexSlot* table = m_index.data();
    const std::uint32_t mask = static_cast<std::uint32_t>(capacity - 1);
    for (qsizetype k = 0; k < searched; ++k) {
        const QStringView name = TrimBlanks(entries[k].defaultName);
        if (name.isEmpty())
            continue;
        const std::uint32_t hash = HashName(name);
        for (std::uint32_t slot = hash & mask;; slot = (slot + 1) & mask) {
            IndexSlot& candidate = table[slot];
            if (candidate.entryPlusOne == 0) {
                candidate = {hash, static_cast<std::int32_t>(k + 1)};
                break;
            }
            // An earlier identifier with the same name keeps its place.
            if (candidate.hash == hash &&
                EqualUpperCase(TrimBlanks(entries[candidate.entryPlusOne - 1].defaultName), name))
                break;
        }
    }
}

std::int32_t VariableCatalogue::findDefaultName(QStringView key) const {
    if (key.isEmpty())
        return m_firstBlankId;
    if (m_index.empty())
        return -1;
    const std::uint32_t hash = HashName(key);
    const std::uint32_t mask = static_cast<std::uint32_t>(m_index.size() - 1);
    for (std::uint32_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const IndexSlot& candidate = m_index[slot];
        if (candidate.entryPlusOne == 0)
            return -1;
        const qsizetype entry = candidate.entryPlusOne - 1;
        if (candidate.hash == hash && EqualUpperCase(TrimBlanks(m_entries[entry].defaultName), key))
            return m_ids[entry];
    }
}

} // namespace cac
