#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace cac::cli {

// JSON written as it is built, in the layout of QJsonDocument::Indented (four
// blanks a level, "key": value, empty containers on two lines), for listings
// too large to build as QJsonObjects first. Keys are written in the order
// given: callers give them sorted, as QJsonObject sorts them.
class JsonText {
public:
    // The text goes out to the file in pieces as it grows, so a listing of
    // megabytes never stands whole in memory.
    explicit JsonText(std::FILE* out) : m_file(out), m_buffer(2 * ChunkSize, Qt::Uninitialized) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    // The key of the next value, within an object: a literal, whose length is
    // known when compiling.
    template <std::size_t N> JsonText& key(const char (&name)[N]) {
        constexpr auto size = static_cast<qsizetype>(N - 1);
        beginValue();
        char* const out = room(size + 4);
        out[0] = '"';
        std::memcpy(out + 1, name, static_cast<std::size_t>(size));
        std::memcpy(out + 1 + size, "\": ", 3);
        m_size += size + 4;
        m_keyGiven = true;
        return *this;
    }

    void value(const QString& text);
    void value(const char* text); // Latin-1
    void value(int number);
    void value(double number); // not finite: null
    void value(bool flag);
    void null();
    void stringArray(const QStringList& texts);
    // A text as a JSON string, quotes included: texts that a listing writes
    // thousands of times are escaped once.
    static QByteArray quoted(const QString& text);
    // The array of those quoted texts as it would be written here, to be
    // given to writtenValue() wherever the same array stands at the same
    // depth: a listing writes one array for thousands of signals.
    QByteArray quotedArrayText(const QList<QByteArray>& quotedTexts,
                               const QList<qsizetype>& indexes) const;
    void writtenValue(const QByteArray& text) {
        beginValue();
        append(text.constData(), text.size());
    }

    // Writes out what is left, with the line end QJsonDocument puts after the
    // outermost value; true when every write succeeded.
    bool finish();

private:
    static constexpr qsizetype ChunkSize = 64 * 1024;
    std::FILE* m_file;
    bool m_writeFailed = false;
    // The text not yet written out: the first m_size bytes of m_buffer. Written
    // through pointers into room made beforehand, which a listing of
    // megabytes needs far less often than QByteArray's appends checked it.
    QByteArray m_buffer;
    qsizetype m_size = 0;
    std::vector<char> m_empty; // per open container: nothing in it yet
    bool m_keyGiven = false;
    // Numbers that are not whole, as written: a listing has a few factors and
    // offsets, each on many signals.
    QHash<quint64, QByteArray> m_decimals;

    // Inline, with the comma and the indent written in one piece: a listing
    // begins hundreds of thousands of values.
    void beginValue() {
        if (m_size >= ChunkSize)
            flush();
        if (m_keyGiven) { // the key began it
            m_keyGiven = false;
            return;
        }
        if (m_empty.empty())
            return;
        const auto levels = static_cast<qsizetype>(m_empty.size());
        char* const start = room(2 + 4 * levels);
        char* out = start;
        if (!m_empty.back()) {
            *out++ = ',';
            *out++ = '\n';
        }
        m_empty.back() = false;
        out = std::fill_n(out, 4 * levels, ' ');
        m_size += out - start;
    }
    void flush();
    void open(char bracket);
    void close(char bracket);
    // Room for `bytes` more bytes after the text; the caller adds to m_size
    // what it wrote there.
    char* room(qsizetype bytes) {
        if (m_size + bytes > m_buffer.size())
            grow(m_size + bytes);
        return m_buffer.data() + m_size;
    }
    void grow(qsizetype bytes);
    void append(const char* text, qsizetype size) {
        std::memcpy(room(size), text, static_cast<std::size_t>(size));
        m_size += size;
    }
    void append(char c) {
        *room(1) = c;
        ++m_size;
    }
    void indent(qsizetype levels) {
        std::memset(room(4 * levels), ' ', static_cast<std::size_t>(4 * levels));
        m_size += 4 * levels;
    }
    // Writes the text escaped at `out`, which has room for 6 bytes a unit;
    // returns the end.
    static char* writeEscaped(char* out, const QString& text);
};

} // namespace cac::cli
