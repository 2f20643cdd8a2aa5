#include "cli/JsonText.h"

#include <QLocale>

#include <cmath>

namespace cac::cli {

JsonText& JsonText::key(const char* name) {
    beginValue();
    m_out += '"';
    m_out += name;
    m_out += "\": ";
    m_keyGiven = true;
    return *this;
}

void JsonText::flush() {
    if (!m_out.isEmpty()) {
        if (std::fwrite(m_out.constData(), 1, static_cast<std::size_t>(m_out.size()), m_file) !=
            static_cast<std::size_t>(m_out.size()))
            m_writeFailed = true;
        m_out.truncate(0); // keeps its room
    }
}

void JsonText::beginValue() {
    if (m_out.size() >= ChunkSize)
        flush();
    if (m_keyGiven) { // the key began it
        m_keyGiven = false;
        return;
    }
    if (m_empty.isEmpty())
        return;
    if (!m_empty.last())
        m_out += ",\n";
    m_empty.last() = false;
    indent(m_empty.size());
}

void JsonText::open(char bracket) {
    beginValue();
    m_out += bracket;
    m_out += '\n';
    m_empty.append(true);
}

void JsonText::close(char bracket) {
    if (!m_empty.takeLast())
        m_out += '\n';
    indent(m_empty.size());
    m_out += bracket;
}

void JsonText::value(const QString& text) {
    beginValue();
    m_out += '"';
    appendEscaped(text);
    m_out += '"';
}

void JsonText::value(int number) {
    beginValue();
    m_out += QByteArray::number(number);
}

void JsonText::value(double number) {
    beginValue();
    // QJsonValue keeps a whole number that fits 64 bits as an integer.
    constexpr double Limit = 9223372036854775808.0; // 2^63
    if (!std::isfinite(number))
        m_out += "null";
    else if (number == std::trunc(number) && number >= -Limit && number < Limit)
        m_out += QByteArray::number(static_cast<qint64>(number));
    else
        m_out += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}

void JsonText::value(bool flag) {
    beginValue();
    m_out += flag ? "true" : "false";
}

void JsonText::null() {
    beginValue();
    m_out += "null";
}

void JsonText::stringArray(const QStringList& texts) {
    beginArray();
    for (const QString& text : texts)
        value(text);
    endArray();
}

bool JsonText::finish() {
    m_out += '\n';
    flush();
    if (std::fflush(m_file) != 0)
        m_writeFailed = true;
    return !m_writeFailed;
}

// As QJsonDocument escapes: quote, backslash and control characters; the
// rest as UTF-8, a lone surrogate as \u with lower-case digits. Written
// through a pointer into room made for the worst case (six bytes a unit):
// listings of megabytes are mostly this.
void JsonText::appendEscaped(const QString& text) {
    static const char Hex[] = "0123456789abcdef";
    const qsizetype start = m_out.size();
    m_out.resize(start + 6 * text.size());
    char* out = m_out.data() + start;
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
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = p + text.size();
    while (p != end) {
        const char16_t u = *p++;
        if (u < 0x80) {
            if (u >= 0x20 && u != u'"' && u != u'\\') {
                *out++ = static_cast<char>(u);
                continue;
            }
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
    m_out.truncate(out - m_out.constData());
}

} // namespace cac::cli
