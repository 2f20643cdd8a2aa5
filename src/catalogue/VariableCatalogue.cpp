#include "catalogue/VariableCatalogue.h"

#include "common/TextBlanks.h"

#include <QVarLengthArray>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

namespace cac {
namespace {

// The look-up compares up to this identifier; the catalogue is expected to reach it.
constexpr std::int32_t LastSearchedId = 8000;

constexpr std::uint64_t Lanes = 0x0101010101010101; // one per byte of a word
constexpr std::uint64_t NonAsciiBits = 0x80 * Lanes;

// Upper-cases a to z in eight bytes below 0x80 at once: bit 7 of byte + 0x1F
// is set from 'a' up, of byte + 0x05 above 'z'.
constexpr std::uint64_t UpperAscii(std::uint64_t bytes) {
    const std::uint64_t fromA = bytes + 0x1F * Lanes;
    const std::uint64_t aboveZ = bytes + 0x05 * Lanes;
    return bytes ^ (((fromA ^ aboveZ) & 0x80 * Lanes) >> 2);
}

template <typename Word> std::uint64_t Load(const char* bytes) {
    Word word;
    std::memcpy(&word, bytes, sizeof word);
    return qFromLittleEndian(word);
}

// Hash of 8-bit text, eight bytes to a word; upper-cases them first when
// `upper` (only right for bytes below 0x80). Sets `ascii` to whether they all are.
Q_ALWAYS_INLINE std::uint32_t HashBytes(const char* bytes, qsizetype size, bool upper,
                                        bool& ascii) {
    std::uint64_t hash = static_cast<std::uint64_t>(size);
    std::uint64_t seen = 0;
    auto add = [&](std::uint64_t word) {
        seen |= word;
        hash = std::rotl(hash, 29) ^ ((upper ? UpperAscii(word) : word) * 0x9E3779B97F4A7C15);
    };
    if (size >= 8) {
        // Whole words, the last one ending at the end (it may overlap the one before).
        for (qsizetype at = 0; at + 8 < size; at += 8)
            add(Load<std::uint64_t>(bytes + at));
        add(Load<std::uint64_t>(bytes + size - 8));
    } else if (size >= 4) {
        add(Load<std::uint32_t>(bytes) | Load<std::uint32_t>(bytes + size - 4) << 32);
    } else if (size > 0) {
        const auto byte = [&](qsizetype at) { return std::uint64_t{uchar(bytes[at])}; };
        add(byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16);
    }
    ascii = (seen & NonAsciiBits) == 0;
    hash = (hash ^ (hash >> 32)) * 0xBF58476D1CE4E5B9;
    return static_cast<std::uint32_t>(hash >> 32);
}

// The units of text as 8-bit text, and the largest of them.
char16_t Narrow(QStringView text, QVarLengthArray<char, 64>& bytes) {
    bytes.resize(text.size());
    char16_t seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        seen |= text[i].unicode();
        bytes[i] = static_cast<char>(text[i].unicode());
    }
    return seen;
}

// The hash of an upper-cased text: that of its bytes when it is 8-bit text.
std::uint32_t HashUpperCased(QStringView upper) {
    QVarLengthArray<char, 64> bytes;
    bool ascii = true;
    if (Narrow(upper, bytes) <= 0xFF)
        return HashBytes(bytes.constData(), bytes.size(), false, ascii);
    return static_cast<std::uint32_t>(qHash(upper));
}

// The same hash for every text whose upper-case form is the same.
Q_ALWAYS_INLINE std::uint32_t HashName(QLatin1StringView name) {
    bool ascii = true;
    const std::uint32_t hash = HashBytes(name.data(), name.size(), true, ascii);
    if (ascii)
        return hash;
    return HashUpperCased(QString(name).toUpper());
}

std::uint32_t HashKey(QStringView key) {
    QVarLengthArray<char, 64> bytes;
    if (Narrow(key, bytes) <= 0xFF)
        return HashName(QLatin1StringView(bytes.constData(), bytes.size()));
    return HashUpperCased(key.toString().toUpper());
}

// Whether the texts are equal once upper-cased. Plain ASCII is compared in
// place; other texts through QString's upper-casing, which may change lengths.
bool EqualUpperCase(QLatin1StringView name, QStringView key) {
    qsizetype i = 0;
    const qsizetype common = std::min(name.size(), key.size());
    for (; i < common; ++i) {
        const std::uint64_t x = uchar(name[i].toLatin1());
        const std::uint64_t y = key[i].unicode();
        if (x >= 0x80 || y >= 0x80)
            break;
        if (UpperAscii(x) != UpperAscii(y))
            return false;
    }
    if (i == name.size() && i == key.size())
        return true;
    if (i == common) // one is a plain ASCII prefix of the other
        return false;
    return QString(name).toUpper() == key.toString().toUpper();
}

} // namespace

VariableCatalogue::VariableCatalogue(qsizetype size, QByteArray names,
                                     std::vector<StoredEntry> entries)
    : m_size(std::max<qsizetype>(size, 0)), m_names(std::move(names)),
      m_entries(std::move(entries)) {
    Q_ASSERT(std::adjacent_find(m_entries.cbegin(), m_entries.cend(),
                                [](const StoredEntry& a, const StoredEntry& b) {
                                    return a.id >= b.id;
                                }) == m_entries.cend());
    Q_ASSERT(m_entries.empty() || (m_entries.front().id >= 0 && m_entries.back().id < m_size));
    buildIndexes();
}

VariableCatalogue::VariableCatalogue(qsizetype size,
                                     const QMap<std::int32_t, CatalogueEntry>& entries)
    : m_size(std::max<qsizetype>(size, 0)) {
    auto put = [&](const QString& name, std::uint32_t& at, std::uint16_t& length) {
        const QByteArray text = name.toLatin1().left(0xFFFF);
        at = static_cast<std::uint32_t>(m_names.size());
        length = static_cast<std::uint16_t>(text.size());
        m_names += text;
    };
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.key() < 0 || it.key() >= m_size)
            continue;
        StoredEntry entry{it.key(), 0, 0, 0, 0};
        put(it->defaultName, entry.defaultAt, entry.defaultLength);
        put(it->userName, entry.userAt, entry.userLength);
        m_entries.push_back(entry);
    }
    buildIndexes();
}

const StoredEntry* VariableCatalogue::stored(qsizetype id) const {
    Q_ASSERT(id >= 0 && id < m_size);
    if (id < 0 || id >= static_cast<qsizetype>(m_entryOfId.size()) || m_entryOfId[id] < 0)
        return nullptr;
    return &m_entries[m_entryOfId[id]];
}

QLatin1StringView VariableCatalogue::defaultName(qsizetype id) const {
    const StoredEntry* entry = stored(id);
    return entry ? defaultText(*entry) : QLatin1StringView();
}

QLatin1StringView VariableCatalogue::userName(qsizetype id) const {
    const StoredEntry* entry = stored(id);
    return entry ? QLatin1StringView(m_names.constData() + entry->userAt, entry->userLength)
                 : QLatin1StringView();
}

CatalogueEntry VariableCatalogue::at(qsizetype id) const {
    return {QString(defaultName(id)), QString(userName(id))};
}

void VariableCatalogue::buildIndexes() {
    m_entryOfId.assign(m_entries.empty() ? 0 : m_entries.back().id + 1, -1);
    for (std::size_t k = 0; k < m_entries.size(); ++k)
        m_entryOfId[m_entries[k].id] = static_cast<std::int32_t>(k);

    const qsizetype last = std::min<qsizetype>(LastSearchedId, m_size - 1);
    const StoredEntry* entries = m_entries.data();
    const qsizetype searched =
        std::upper_bound(m_entries.cbegin(), m_entries.cend(), last,
                         [](qsizetype id, const StoredEntry& entry) { return id < entry.id; }) -
        m_entries.cbegin();

    // The first identifier without an entry, or with a blank default name.
    m_firstBlankId = -1;
    for (qsizetype k = 0; k <= searched && k <= last && m_firstBlankId < 0; ++k) {
        if (k == searched || entries[k].id != k || TrimBlanks(defaultText(entries[k])).isEmpty())
            m_firstBlankId = static_cast<std::int32_t>(k);
    }

    // Grouped by counting: no branch waits to learn whether a slot is free.
    std::vector<IndexSlot> named;
    named.reserve(static_cast<std::size_t>(searched));
    for (qsizetype k = 0; k < searched; ++k) {
        const QLatin1StringView name = TrimBlanks(defaultText(entries[k]));
        if (!name.isEmpty())
            named.push_back({HashName(name), static_cast<std::uint32_t>(k)});
    }
    const std::size_t groups = std::bit_ceil(std::max<std::size_t>(named.size(), 1));
    const std::size_t mask = groups - 1;
    // Each group's size at [g + 2], its start at [g + 1] once summed, and its
    // start at [g] once each slot has been placed at its group's cursor.
    m_groupStart.assign(groups + 2, 0);
    for (const IndexSlot& slot : named)
        ++m_groupStart[(slot.hash & mask) + 2];
    for (std::size_t g = 2; g < groups + 2; ++g)
        m_groupStart[g] += m_groupStart[g - 1];
    m_index.resize(named.size());
    for (const IndexSlot& slot : named)
        m_index[m_groupStart[(slot.hash & mask) + 1]++] = slot;
    m_groupStart.pop_back();
}

std::int32_t VariableCatalogue::findDefaultName(QStringView key) const {
    if (key.isEmpty())
        return m_firstBlankId;
    if (m_groupStart.empty())
        return -1;
    const std::uint32_t hash = HashKey(key);
    const std::size_t group = hash & (m_groupStart.size() - 2);
    for (std::uint32_t at = m_groupStart[group]; at < m_groupStart[group + 1]; ++at) {
        const IndexSlot& slot = m_index[at];
        const StoredEntry& entry = m_entries[slot.entry];
        if (slot.hash == hash && EqualUpperCase(TrimBlanks(defaultText(entry)), key))
            return entry.id;
    }
    return -1;
}

} // namespace cac
