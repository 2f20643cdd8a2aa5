#include "cli/JsonText.h"

#include <QLocale>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cac::cli {

void JsonText::grow(qsizetype bytes) {
    m_buffer.resize(std::max(bytes, 2 * m_buffer.size()));
}

void JsonText::flush() {
    if (m_size > 0) {
        if (std::fwrite(m_buffer.constData(), 1, static_cast<std::size_t>(m_size), m_file) !=
            static_cast<std::size_t>(m_size))
            m_writeFailed = true;
        m_size = 0;
    }
}

void JsonText::open(char bracket) {
    beginValue();
    append(bracket);
    append('\n');
    m_empty.push_back(true);
}

void JsonText::close(char bracket) {
    const bool empty = m_empty.back();
    m_empty.pop_back();
    if (!empty)
        append('\n');
    indent(static_cast<qsizetype>(m_empty.size()));
    append(bracket);
}

void JsonText::value(const QString& text) {
    beginValue();
    append('"');
    char* const start = room(6 * text.size());
    m_size += writeEscaped(start, text) - start;
    append('"');
}

void JsonText::value(const char* text) {
    const auto size = static_cast<qsizetype>(std::strlen(text));
    // The texts given are plain ASCII words; anything else takes the QString way.
    if (!std::all_of(text, text + size,
                     [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; })) {
        value(QString::fromLatin1(text, size));
        return;
    }
    beginValue();
    char* const out = room(size + 2);
    out[0] = '"';
    std::memcpy(out + 1, text, static_cast<std::size_t>(size));
    out[size + 1] = '"';
    m_size += size + 2;
}

void JsonText::value(int number) {
    beginValue();
    char* const out = room(16);
    m_size += std::to_chars(out, out + 16, number).ptr - out;
}

void JsonText::value(double number) {
    beginValue();
    // QJsonValue keeps a whole number that fits 64 bits as an integer.
    constexpr double Limit = 9223372036854775808.0; // 2^63
    if (!std::isfinite(number)) {
        append("null", 4);
    } else if (number == std::trunc(number) && number >= -Limit && number < Limit) {
        char* const out = room(24);
        m_size += std::to_chars(out, out + 24, static_cast<qint64>(number)).ptr - out;
    } else {
        constexpr qsizetype MostKept = 4096;
        const auto bits = std::bit_cast<quint64>(number);
        auto text = m_decimals.constFind(bits);
        if (text == m_decimals.cend()) {
            if (m_decimals.size() >= MostKept)
                m_decimals.clear();
            text = m_decimals.insert(
                bits, QByteArray::number(number, 'g', QLocale::FloatingPointShortest));
        }
        append(text->constData(), text->size());
    }
}

void JsonText::value(bool flag) {
    beginValue();
    if (flag)
        append("true", 4);
    else
        append("false", 5);
}

void JsonText::null() {
    beginValue();
    append("null", 4);
}

void JsonText::stringArray(const QStringList& texts) {
    beginArray();
    for (const QString& text : texts)
        value(text);
    endArray();
}

bool JsonText::finish() {
    append('\n');
    flush();
    if (std::fflush(m_file) != 0)
        m_writeFailed = true;
    return !m_writeFailed;
}

// As QJsonDocument escapes: quote, backslash and control characters; the
// rest as UTF-8, a lone surrogate as \u with lower-case digits. Written
// through a pointer into room made for the worst case (six bytes a unit):
// listings of megabytes are mostly this.
char* JsonText::writeEscaped(char* out, const QString& text) {
    static const char Hex[] = "0123456789abcdef";
    auto escapeUnit = [&](char16_t u) {
        *out++ = '\\';
        *out++ = 'u';
        *out++ = Hex[(u >> 12) & 15];
        *out++ = Hex[(u >> 8) & 15];
        *out++ = Hex[(u >> 4) & 15];
        *out++ = Hex[u & 15];
    };
    auto escapeAs = [&](char c) {
        *out++ = '\\';
        *out++ = c;
    };
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = p + text.size();
    while (p != end) {
#if defined(__SSE2__)
        // Most text is plain ASCII, written as it is: eight units at a time
        // while none needs more.
        while (end - p >= 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            // Compared as signed: units from 0x8000 on are below 0x20 too.
            const __m128i escaped =
                _mm_or_si128(_mm_or_si128(_mm_cmplt_epi16(units, _mm_set1_epi16(0x20)),
                                          _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7F))),
                             _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16('"')),
                                          _mm_cmpeq_epi16(units, _mm_set1_epi16('\\'))));
            if (_mm_movemask_epi8(escaped) != 0)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
            out += 8;
            p += 8;
        }
        if (p == end)
            break;
#endif
        const char16_t u = *p++;
        if (u >= 0x20 && u < 0x80 && u != u'"' && u != u'\\') {
            *out++ = static_cast<char>(u);
            continue;
        }
        if (u < 0x80) {
            switch (u) {
            case u'"':
                escapeAs('"');
                break;
            case u'\\':
                escapeAs('\\');
                break;
            case 0x08:
                escapeAs('b');
                break;
            case 0x0C:
                escapeAs('f');
                break;
            case 0x0A:
                escapeAs('n');
                break;
            case 0x0D:
                escapeAs('r');
                break;
            case 0x09:
                escapeAs('t');
                break;
            default:
                escapeUnit(u);
            }
        } else if (u < 0x800) {
            *out++ = static_cast<char>(0xC0 | (u >> 6));
            *out++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0xD800 || u > 0xDFFF) {
            *out++ = static_cast<char>(0xE0 | (u >> 12));
            *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0xDC00 && p != end && *p >= 0xDC00 && *p <= 0xDFFF) {
            const char32_t c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (*p++ - 0xDC00);
            *out++ = static_cast<char>(0xF0 | (c >> 18));
            *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            escapeUnit(u);
        }
    }
    return out;
}

QByteArray JsonText::quotedArrayText(const QList<QByteArray>& quotedTexts,
                                     const QList<qsizetype>& indexes) const {
    // As beginArray(), a value() for each and endArray() write it.
    const auto levels = static_cast<qsizetype>(m_empty.size());
    QByteArray text = "[\n";
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        if (i > 0)
            text += ",\n";
        text.append(4 * (levels + 1), ' ');
        text += quotedTexts.at(indexes.at(i));
    }
    if (!indexes.isEmpty())
        text += '\n';
    text.append(4 * levels, ' ');
    text += ']';
    return text;
}

QByteArray JsonText::quoted(const QString& text) {
    QByteArray bytes(6 * text.size() + 2, Qt::Uninitialized);
    char* out = bytes.data();
    *out++ = '"';
    out = writeEscaped(out, text);
    *out++ = '"';
    bytes.truncate(out - bytes.constData());
    return bytes;
}

} // namespace cac::cli
