#include "catalogue/EntryScanner.h"
#include "catalogue/StringArena.h"
#include "catalogue/VariableCatalogue.h"
#include "common/BoundedFileRead.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
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
constexpr qsizetype MinWindowSize = 4 * 1024;

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
// read through a window that moves on when the reader needs more. A file is
// read no further than any catalogue reaches, whatever size it reports (a
// file that grows, or one that reports 0).
class Source {
public:
    explicit Source(QByteArrayView bytes) : m_window(bytes), m_size(bytes.size()) {}
    Source(BoundedInput& input, qint64 reportedSize)
        : m_input(&input),
          m_buffer(std::clamp(reportedSize, MinWindowSize, WindowSize), Qt::Uninitialized),
          m_size(reportedSize) {}

    QByteArrayView window() const { return m_window; }
    qsizetype size() const { return m_size; } // of all the bytes, as far as known

    // Drops the window's bytes before `keep` and reads more after the rest;
    // false at the end of the bytes.
    bool refill(qsizetype keep) {
        if (!m_input)
            return false;
        const qsizetype kept = m_window.size() - keep;
        if (kept > 0)
            std::memmove(m_buffer.data(), m_window.data() + keep, static_cast<size_t>(kept));
        if (kept == m_buffer.size()) {
            // One entry larger than the window; never larger than a catalogue.
            const qsizetype grown = std::min(2 * m_buffer.size(), m_input->limit() + 1);
            if (grown <= m_buffer.size())
                return false;
            m_buffer.resize(grown);
        }
        const qint64 read = m_input->read(m_buffer.data() + kept, m_buffer.size() - kept);
        if (read <= 0)
            return false;
        m_window = QByteArrayView(m_buffer.constData(), kept + read);
        return true;
    }

private:
    QByteArrayView m_window;
    BoundedInput* m_input = nullptr;
    QByteArray m_buffer;
    qsizetype m_size;
};

// Little-endian reader over the window. Positions are plain offsets,
// compared with the size before every read, so nothing is read past the end.
class Cursor {
public:
    explicit Cursor(QByteArrayView window, qsizetype position = 0)
        : m_data(window.data()), m_size(window.size()), m_pos(position) {}

    qsizetype position() const { return m_pos; }

    bool readInt32(std::int32_t& out) {
        if (m_pos > m_size - 4)
            return false;
        out = qFromLittleEndian<std::int32_t>(m_data + m_pos);
        m_pos += 4;
        return true;
    }

    // Steps over a string whose length is predicted to be `predicted` (see
    // EntryScanner), and predicts its length as this one for the next time.
    bool skipText(std::uint16_t& predicted) {
        if (m_pos > m_size - 2) [[unlikely]]
            return false;
        std::uint16_t step = predicted;
        HideValue(step);
        const std::uint16_t length = StringLengthAt(m_data + m_pos);
        if (length == predicted) [[likely]] {
            m_pos += 2 + step;
        } else {
            predicted = length;
            m_pos += 2 + length;
        }
        return true;
    }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos;
};

// Reads one unit of the file (a number, a record) with `read`, moving the
// window on and reading the unit again when it ran past the window's end;
// false when the bytes end inside the unit.
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

// The entries of the catalogue table as they are read: the bytes of their
// names gathered in one buffer, the list entries made as they come.
class TableBuilder {
public:
    TableBuilder(CatalogueLoad& load, qsizetype fileSize) : m_load(load), m_fileSize(fileSize) {
        m_list.push_back(DoNotUseText);
    }

    // Room for the entries that the file could hold, of `upperIndex` + 1.
    void reserve(qsizetype upperIndex) {
        const qsizetype most = std::min(upperIndex + 1, m_fileSize / MinEntrySize);
        m_entries.reserve(static_cast<size_t>(most));
        m_list.reserve(std::min<qsizetype>(most, LastListedId - FirstListedId + 1) + 1);
    }

    // An entry read completely, with its names; the user name follows the
    // default name in the same bytes. Each name lies inside a complete entry,
    // so at least the 57 bytes of its fixed fields follow it: copies may read
    // 15 bytes ahead.
    void add(std::int32_t id, const char* defaultName, std::uint16_t defaultLength,
             const char* userName, std::uint16_t userLength) {
        const qsizetype span = userName + userLength - defaultName;
        char* names = namesRoom(span);
        for (qsizetype at = 0; at < span; at += 16)
            std::memcpy(names + at, defaultName + at, 16);
        const auto at = static_cast<std::uint32_t>(m_namesUsed);
        m_entries.push_back({id, at, static_cast<std::uint32_t>(at + (userName - defaultName)),
                             defaultLength, userLength});
        m_namesUsed += span;
        // Listed as user name + " {" + default name + "}"; dropped again
        // when the signature turns out wrong.
        if (id >= FirstListedId && id <= LastListedId && defaultLength != 0) {
            StringArena::Text text = m_strings.start(userLength + 2 + defaultLength + 1);
            StringArena::appendLatin1(text, userName, userLength);
            StringArena::append(text, u' ');
            StringArena::append(text, u'{');
            StringArena::appendLatin1(text, defaultName, defaultLength);
            StringArena::append(text, u'}');
            m_list.push_back(m_strings.finish(text));
        }
    }

    void finish(qsizetype size, bool signature) {
        m_load.corrupt = !signature;
        if (m_load.corrupt)
            m_list.resize(1);
        m_load.variableList = std::move(m_list);
        m_names.resize(m_namesUsed);
        m_load.catalogue = VariableCatalogue(size, std::move(m_names), std::move(m_entries));
    }

private:
    // Room for `count` more bytes of names and the 16 a copy may write past them.
    char* namesRoom(qsizetype count) {
        const qsizetype needed = m_namesUsed + count + 16;
        if (needed > m_names.size()) {
            // Names never take more than the file, however the buffer grows.
            m_names.resize(std::max(needed, std::min(2 * m_names.size() + 4096, m_fileSize + 16)));
        }
        return m_names.data() + m_namesUsed;
    }

    CatalogueLoad& m_load;
    qsizetype m_fileSize;
    QByteArray m_names;
    qsizetype m_namesUsed = 0;
    std::vector<StoredEntry> m_entries;
    StringArena m_strings;
    QStringList m_list;
};

CatalogueLoad ReadCatalogue(Source& source) {
    CatalogueLoad load;
    TableBuilder table(load, source.size());
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
    table.reserve(upperB);
    EntryScanner entries;
    std::int32_t id = 0;
    qsizetype pos = in.position();
    for (;;) {
        pos = entries.scan(source.window(), pos, id, upperB, table);
        if (id > upperB)
            break;
        if (!source.refill(pos)) {
            table.finish(qsizetype{upperB} + 1, false);
            return load;
        }
        pos = 0;
    }

    in = Cursor(source.window(), pos);
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
    const OpenedFile opened = OpenRegularFile(path);
    const QString tooLarge = TooLargeReason(MaxCatalogueFileSize, QStringLiteral("a catalogue"));
    if (!opened.file || opened.file->size() > MaxCatalogueFileSize) {
        CatalogueLoad load = ReadVariableDefinitions({});
        load.problem = opened.file ? tooLarge : opened.reason;
        return load;
    }
    BoundedInput input(*opened.file, MaxCatalogueFileSize);
    Source source(input, opened.file->size());
    CatalogueLoad load = ReadCatalogue(source);
    if (input.overLimit())
        load.problem = tooLarge;
    else if (input.failed())
        load.problem = QStringLiteral("cannot read it: %1").arg(opened.file->errorString());
    return load;
}

} // namespace cac
