#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <iterator>
#include <vector>

namespace cac {

// The two fields of a catalogue entry this program uses; the others are only
// stepped over when reading.
struct CatalogueEntry {
    QString defaultName;
    QString userName;
};

// An entry with a name as the catalogue keeps it: its identifier and where
// its two names lie in the catalogue's bytes of 8-bit text.
struct StoredEntry {
    std::int32_t id;
    std::uint32_t defaultAt;
    std::uint32_t userAt;
    std::uint16_t defaultLength;
    std::uint16_t userLength;
};

// The logger variable catalogue, indexed by variable identifier: entries 0 to
// size() - 1. Only entries with a name are stored, their names as the 8-bit
// text the file holds, made into strings only when asked for; every other
// identifier reads as an empty entry, so a table cut off early costs nothing
// for the entries it never held. Never changed once built; the index of
// default names that the variable look-up uses is made when it is built.
class VariableCatalogue {
public:
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = CatalogueEntry;
        using difference_type = qsizetype;
        using reference = CatalogueEntry;

        const_iterator() = default;
        reference operator*() const { return m_catalogue->at(m_id); }
        const_iterator& operator++() {
            ++m_id;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++m_id;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_id == other.m_id; }

    private:
        friend class VariableCatalogue;
        const_iterator(const VariableCatalogue* catalogue, qsizetype id)
            : m_catalogue(catalogue), m_id(id) {}
        const VariableCatalogue* m_catalogue = nullptr;
        qsizetype m_id = 0;
    };
    using iterator = const_iterator;
    using value_type = CatalogueEntry;

    VariableCatalogue() = default;
    // `size` entries, empty except `entries`, whose names lie in `names`.
    // Identifiers must increase and lie below `size`.
    VariableCatalogue(qsizetype size, QByteArray names, std::vector<StoredEntry> entries);
    // `size` entries, empty except the given ones; names are kept as 8-bit
    // text, and an entry outside 0 to size - 1 is dropped.
    VariableCatalogue(qsizetype size, const QMap<std::int32_t, CatalogueEntry>& entries);

    qsizetype size() const { return m_size; }
    qsizetype count() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

    // The entry with identifier id, 0 <= id < size().
    CatalogueEntry at(qsizetype id) const;
    CatalogueEntry operator[](qsizetype id) const { return at(id); }
    // Its names as the file holds them, without making strings of them.
    QLatin1StringView defaultName(qsizetype id) const;
    QLatin1StringView userName(qsizetype id) const;

    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_size}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    // The first identifier from 0 to 8000 whose default name, without its
    // surrounding blanks, equals key once both are upper-cased; -1 when none
    // does. The key itself is compared as it is, blanks included. Expected
    // constant time: an index built with the catalogue.
    std::int32_t findDefaultName(QStringView key) const;

private:
    struct IndexSlot {
        std::uint32_t hash;  // of the default name
        std::uint32_t entry; // position in m_entries
    };
    QLatin1StringView defaultText(const StoredEntry& entry) const {
        return {m_names.constData() + entry.defaultAt, entry.defaultLength};
    }
    const StoredEntry* stored(qsizetype id) const;
    void buildIndexes();

    qsizetype m_size = 0;
    QByteArray m_names;                 // the names' 8-bit text
    std::vector<StoredEntry> m_entries; // the entries with a name, by identifier
    // Each identifier's position in m_entries, or -1; ends at the last one there.
    std::vector<std::int32_t> m_entryOfId;
    // The entries searched with a non-blank default name, grouped by the low
    // bits of its hash, in identifier order within a group; group g is
    // m_index[m_groupStart[g]] up to m_index[m_groupStart[g + 1]].
    std::vector<IndexSlot> m_index;
    std::vector<std::uint32_t> m_groupStart;
    std::int32_t m_firstBlankId = -1;
};

// The closing signature of a valid Vars.cfg.
inline constexpr std::int32_t VarsFileSignature = 7576;

// First entry of the variable list, also the column-1 default.
inline const QString DoNotUseText = QStringLiteral("**Do not use**");

inline const QString CatalogueCorruptMessage =
    QStringLiteral("The variable file appears to be corrupted, cannot continue operation");

struct CatalogueLoad {
    VariableCatalogue catalogue;
    // "**Do not use**" followed by the entries 1000 to 5049 with a default name.
    QStringList variableList;
    // True when the corruption message is due (bad signature, truncated,
    // unreadable or missing file, impossible upper index).
    bool corrupt = true;
    // Why the file was not read to its end (missing, a folder, a device or a
    // pipe, larger than any catalogue); empty when it was, valid or not.
    QString problem;
};

// Reads a Vars.cfg image held in memory. Never reads past the end, and holds
// memory in proportion to the bytes present, whatever the upper indices
// claim. A table that ends early keeps every entry read completely; the
// entries after it are empty up to the upper index.
CatalogueLoad ReadVariableDefinitions(QByteArrayView bytes);

// Reads the file at path; a missing or unreadable file is a corrupt catalogue.
// Only a regular file is read, and no further than any plausible catalogue
// reaches.
CatalogueLoad LoadVariableDefinitions(const QString& path);

// The maker's data folder with a trailing separator ("Vorlane" inside the
// per-user application data folder), or empty when the platform cannot name it.
QString GetSpecialFolder();

// The catalogue path the program uses: GetSpecialFolder() + "Vars.cfg", or the
// bare name relative to the current directory when there is no data folder.
QString DefaultCataloguePath();

// The part of text before its first NUL character.
QString TrimAtNull(const QString& text);

} // namespace cac
