#include "catalogue/StringArena.h"
#include "catalogue/VariableCatalogue.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace cac {
namespace {

// Smallest possible entry: the fixed fields and nine empty strings.
constexpr qint64 MinEntrySize = 40 + 4 + 13 + 9 * 2;
// A real catalogue is well under a megabyte; anything this large is not one.
constexpr qint64 MaxCatalogueFileSize = 64 * 1024 * 1024;
// An upper index whose entries could not fit in such a file is impossible.
constexpr qint64 MaxUpperIndex = MaxCatalogueFileSize / MinEntrySize - 1;
// A file is read through a window of this size, grown only for an entry
// that does not fit in it.
constexpr qsizetype WindowSize = 64 * 1024;

constexpr std::int32_t FirstListedId = 1000;
constexpr std::int32_t LastListedId = 5049;

// Keeps the compiler from replacing a value by another it was found equal to.
template <typename T> void HideValue(T& value) {
#if defined(__GNUC__) || defined(__clang__)
    asm("" : "+r"(value));
#else
    static_cast<void>(value);
#endif
}

// The bytes of a Vars.cfg: an image in memory, all in view at once, or a file
// read through a window that moves on when the reader needs more.
class Source {
public:
    explicit Source(QByteArrayView bytes) : m_window(bytes), m_size(bytes.size()) {}
    explicit Source(QFile& file)
        : m_file(&file), m_buffer(std::min(file.size(), WindowSize), Qt::Uninitialized),
          m_size(file.size()) {}

    QByteArrayView window() const { return m_window; }
    qsizetype size() const { return m_size; } // of all the bytes

    // Drops the window's bytes before `keep` and reads more after the rest;
    // false at the end of the bytes.
    bool refill(qsizetype keep) {
        if (!m_file)
            return false;
        const qsizetype kept = m_window.size() - keep;
        if (kept > 0)
            std::memmove(m_buffer.data(), m_window.data() + keep, static_cast<size_t>(kept));
        if (kept == m_buffer.size()) {
            // One entry larger than the window; never larger than the file.
            const qsizetype grown = std::min(2 * m_buffer.size(), m_size);
            if (grown <= m_buffer.size())
                return false;
            m_buffer.resize(grown);
        }
        const qint64 read = m_file->read(m_buffer.data() + kept, m_buffer.size() - kept);
        if (read <= 0)
            return false;
        m_window = QByteArrayView(m_buffer.constData(), kept + read);
        return true;
    }

private:
    QByteArrayView m_window;
    QFile* m_file = nullptr;
    QByteArray m_buffer;
    qsizetype m_size;
};

// Little-endian reader over the window. Positions are plain offsets,
// compared with the size before every read, so nothing is read past the end.
//
// The position of each string depends on the length before it, a chain of
// loads that would leave the processor waiting for every length in turn.
// The texts this program skips mostly repeat the length they had in the
// entry before, and names are mostly empty: stepping by a value the
// processor already has, once a branch has confirmed it, lets it run ahead.
class Cursor {
public:
    explicit Cursor(QByteArrayView window) : m_data(window.data()), m_size(window.size()) {}

    qsizetype position() const { return m_pos; }
    const char* at(qsizetype position) const { return m_data + position; }

    bool readInt32(std::int32_t& out) {
        if (m_pos > m_size - 4)
            return false;
        out = qFromLittleEndian<std::int32_t>(m_data + m_pos);
        m_pos += 4;
        return true;
    }

    // Fixed-size fields.
    bool skip(qsizetype count) {
        m_pos += count;
        return m_pos <= m_size;
    }

    // Steps over a string whose length is predicted to be `predicted`, and
    // predicts its length as this one for the next time.
    bool skipText(std::uint16_t& predicted) {
        if (m_pos > m_size - 2) [[unlikely]]
            return false;
        // A copy the compiler cannot tie to the length read, so that it
        // steps by the prediction rather than by the length it equals.
        std::uint16_t step = predicted;
        HideValue(step);
        const std::uint16_t length = lengthHere();
        if (length == predicted) [[likely]] {
            m_pos += 2 + step;
        } else {
            predicted = length;
            m_pos += 2 + length;
        }
        return true;
    }

    // Steps over the end of an entry: 44 fixed bytes, six strings, 13 fixed
    // bytes. While the strings keep their predicted lengths, every length
    // lies at a known offset and the end at a known distance: one check that
    // the end is in the window covers all of them, and no read waits for the
    // one before.
    struct EntryTail {
        std::uint16_t lengths[6] = {};
        qsizetype offsets[6] = {44, 46, 48, 50, 52, 54};
        qsizetype size = 44 + 6 * 2 + 13;
    };
    bool skipEntryTail(EntryTail& tail) {
        if (m_pos <= m_size - tail.size) [[likely]] {
            const char* entry = m_data + m_pos;
            bool predicted = true;
            for (int k = 0; k < 6; ++k)
                predicted = predicted && lengthIn(entry + tail.offsets[k]) == tail.lengths[k];
            if (predicted) [[likely]] {
                m_pos += tail.size;
                return true;
            }
        }
        // Some length differs: read them one by one, and predict them anew.
        const bool read = skip(44) && skipText(tail.lengths[0]) && skipText(tail.lengths[1]) &&
                          skipText(tail.lengths[2]) && skipText(tail.lengths[3]) &&
                          skipText(tail.lengths[4]) && skipText(tail.lengths[5]) && skip(13);
        qsizetype offset = 44;
        for (int k = 0; k < 6; ++k) {
            tail.offsets[k] = offset;
            offset += 2 + tail.lengths[k];
        }
        tail.size = offset + 13;
        return read;
    }

    // A string of 8-bit text: where its text starts and how long it is.
    bool readText(qsizetype& at, std::uint16_t& length) {
        if (m_pos > m_size - 2) [[unlikely]]
            return false;
        length = lengthHere();
        at = m_pos + 2;
        if (length == 0) [[likely]] {
            m_pos += 2;
        } else {
            std::uint16_t step = length;
            HideValue(step);
            m_pos += 2 + step;
        }
        return true;
    }

private:
    static std::uint16_t lengthIn(const char* at) { return qFromLittleEndian<std::uint16_t>(at); }
    std::uint16_t lengthHere() const { return lengthIn(m_data + m_pos); }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// Reads one unit of the file (a number, a record, an entry) with `read`,
// moving the window on and reading the unit again when it ran past the
// window's end; false when the bytes end inside the unit.
template <typename Read> bool ReadUnit(Source& source, Cursor& in, Read&& read) {
    for (;;) {
        const qsizetype start = in.position();
        if (read(in))
            return true;
        if (!source.refill(start))
            return false;
        in = Cursor(source.window());
    }
}

// The entries of the catalogue table as they are read, gathered in plain
// vectors (cheaper to append to than lists) and handed over at the end.
class TableBuilder {
public:
    explicit TableBuilder(CatalogueLoad& load) : m_load(load) { m_list.push_back(DoNotUseText); }

    // Room for the entries that `bytes` bytes could hold, of `upperIndex` + 1:
    // at most 52 bytes for every 75 of the file.
    void reserve(qsizetype upperIndex, qsizetype bytes) {
        const auto most = static_cast<size_t>(std::min(upperIndex + 1, bytes / MinEntrySize));
        m_ids.reserve(most);
        m_entries.reserve(most);
    }

    // An entry read completely, with its names.
    void add(std::int32_t id, const char* defaultName, std::uint16_t defaultLength,
             const char* userName, std::uint16_t userLength) {
        // Each name lies inside a complete entry, so at least the 57 bytes of
        // its fixed fields follow it: the arena may read 15 bytes ahead.
        m_ids.push_back(id);
        m_entries.push_back({make(defaultName, defaultLength), make(userName, userLength)});
        // Listed as user name + " {" + default name + "}"; dropped again
        // when the signature turns out wrong.
        if (id >= FirstListedId && id <= LastListedId && defaultLength != 0) {
            m_strings.start(userLength + 2 + defaultLength + 1);
            m_strings.appendLatin1(userName, userLength);
            m_strings.append(u' ');
            m_strings.append(u'{');
            m_strings.appendLatin1(defaultName, defaultLength);
            m_strings.append(u'}');
            m_list.push_back(m_strings.finish());
        }
    }

    void finish(qsizetype size, bool signature) {
        m_load.corrupt = !signature;
        if (m_load.corrupt)
            m_list.resize(1);
        m_load.variableList = QStringList(std::make_move_iterator(m_list.begin()),
                                          std::make_move_iterator(m_list.end()));
        m_load.catalogue =
            VariableCatalogue(size, QList<std::int32_t>(m_ids.cbegin(), m_ids.cend()),
                              QList<CatalogueEntry>(std::make_move_iterator(m_entries.begin()),
                                                    std::make_move_iterator(m_entries.end())));
    }

private:
    QString make(const char* text, std::uint16_t length) {
        if (length == 0)
            return {};
        m_strings.start(length);
        m_strings.appendLatin1(text, length);
        return m_strings.finish();
    }

    CatalogueLoad& m_load;
    StringArena m_strings;
    std::vector<std::int32_t> m_ids;
    std::vector<CatalogueEntry> m_entries;
    std::vector<QString> m_list;
};

CatalogueLoad ReadCatalogue(Source& source) {
    CatalogueLoad load;
    TableBuilder table(load);
    Cursor in(source.window());

    std::int32_t upperA = 0;
    if (!ReadUnit(source, in, [&](Cursor& c) { return c.readInt32(upperA); }) || upperA < 0) {
        table.finish(0, false);
        return load;
    }
    std::uint16_t leading[4] = {};
    for (std::int64_t i = 0; i <= upperA; ++i) {
        if (!ReadUnit(source, in, [&](Cursor& c) {
                return c.skipText(leading[0]) && c.skipText(leading[1]) && c.skipText(leading[2]) &&
                       c.skipText(leading[3]);
            })) {
            table.finish(0, false);
            return load;
        }
    }

    std::int32_t upperB = 0;
    if (!ReadUnit(source, in, [&](Cursor& c) { return c.readInt32(upperB); }) || upperB < 0 ||
        upperB > MaxUpperIndex) {
        table.finish(0, false);
        return load;
    }
    // A table that ends early keeps the entries read before the end.
    table.reserve(upperB, source.size());
    std::uint16_t first = 0;
    Cursor::EntryTail tail;
    for (std::int32_t id = 0; id <= upperB; ++id) {
        qsizetype defaultAt = 0, userAt = 0;
        std::uint16_t defaultLength = 0, userLength = 0;
        const bool complete = ReadUnit(source, in, [&](Cursor& c) {
            return c.skipText(first) && c.readText(defaultAt, defaultLength) &&
                   c.readText(userAt, userLength) && c.skipEntryTail(tail);
        });
        if (!complete) {
            table.finish(qsizetype{upperB} + 1, false);
            return load;
        }
        if ((defaultLength | userLength) != 0)
            table.add(id, in.at(defaultAt), defaultLength, in.at(userAt), userLength);
    }

    std::int32_t signature = 0;
    table.finish(qsizetype{upperB} + 1,
                 ReadUnit(source, in, [&](Cursor& c) { return c.readInt32(signature); }) &&
                     signature == VarsFileSignature);
    return load;
}

} // namespace

CatalogueLoad ReadVariableDefinitions(QByteArrayView bytes) {
    Source source(bytes.size() <= MaxCatalogueFileSize ? bytes : QByteArrayView());
    return ReadCatalogue(source);
}

CatalogueLoad LoadVariableDefinitions(const QString& path) {
    // Only a regular file of plausible size is read.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential() ||
        file.size() > MaxCatalogueFileSize)
        return ReadVariableDefinitions({});
    Source source(file);
    return ReadCatalogue(source);
}

} // namespace cac
