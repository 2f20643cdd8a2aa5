#include "dbc/DbcScanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cac::dbc {
namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\f' || c == u'\v';
}
bool isLineEnd(char16_t c) {
    return c == u'\n' || c == u'\r';
}

} // namespace

bool IsKeyword(QStringView word) {
    return word.size() >= 3 && word.endsWith(u'_') &&
           std::all_of(word.begin(), word.end(),
                       [](QChar c) { return (c >= u'A' && c <= u'Z') || c == u'_'; });
}

bool DbcScanner::atLineStart() const {
    return m_pos == 0 || isLineEnd(m_text[m_pos - 1].unicode());
}

void DbcScanner::newLine() { // at CR, LF or CR LF
    if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
        ++m_pos;
    ++m_pos;
    ++m_line;
}

void DbcScanner::skipSpace() {
    while (!atEnd()) {
        if (isBlank(peek()))
            ++m_pos;
        else if (isLineEnd(peek()) && !m_withinLine)
            newLine();
        else
            break;
    }
}

void DbcScanner::skipRestOfLine() {
    while (!atEnd() && !isLineEnd(peek()))
        ++m_pos;
}

// Whether the line from here begins with a statement keyword.
bool DbcScanner::statementStartsHere() const {
    qsizetype i = m_pos;
    while (i < m_text.size() && isBlank(m_text[i].unicode()))
        ++i;
    const qsizetype begin = i;
    while (i < m_text.size() && (IsLetter(m_text[i].unicode()) || IsDigit(m_text[i].unicode())))
        ++i;
    const char16_t after = i < m_text.size() ? m_text[i].unicode() : u'\n';
    return IsKeyword(m_text.mid(begin, i - begin)) &&
           (isBlank(after) || isLineEnd(after) || after == u':' || after == u';');
}

void DbcScanner::resync(qsizetype statementStart) {
    if (m_pos > statementStart && atLineStart() && statementStartsHere())
        return;
    for (;;) {
        skipRestOfLine();
        if (atEnd())
            return;
        newLine();
        if (statementStartsHere())
            return;
    }
}

void DbcScanner::fail(const QString& message) const {
    throw SyntaxError{m_line, message};
}

void DbcScanner::expected(const char* what) const {
    QString found;
    if (atEnd())
        found = QStringLiteral("the end of the file");
    else if (isLineEnd(peek()))
        found = QStringLiteral("the end of the line");
    else {
        qsizetype end = m_pos;
        while (end < m_text.size() && end - m_pos < 20 && !isBlank(m_text[end].unicode()) &&
               !isLineEnd(m_text[end].unicode()))
            ++end;
        found = u'\'' + m_text.mid(m_pos, end - m_pos).toString() + u'\'';
    }
    fail(QStringLiteral("expected %1, found %2").arg(QLatin1String(what), found));
}

bool DbcScanner::take(char16_t c) {
    skipSpace();
    if (peek() != c)
        return false;
    ++m_pos;
    return true;
}

void DbcScanner::expect(char16_t c, const char* what) {
    if (!take(c))
        expected(what);
}

QString DbcScanner::identifier(const char* what) {
    skipSpace();
    if (!IsLetter(peek()))
        expected(what);
    const qsizetype begin = m_pos;
    while (IsLetter(peek()) || IsDigit(peek()))
        ++m_pos;
    return m_text.mid(begin, m_pos - begin).toString();
}

QString DbcScanner::name(const char* what, bool& leadingDigit) {
    skipSpace();
    leadingDigit = IsDigit(peek());
    if (!leadingDigit)
        return identifier(what);
    const qsizetype begin = m_pos;
    while (IsLetter(peek()) || IsDigit(peek()))
        ++m_pos;
    return m_text.mid(begin, m_pos - begin).toString();
}

std::uint64_t DbcScanner::unsignedNumber(const char* what, std::uint64_t max) {
    skipSpace();
    if (!IsDigit(peek()))
        expected(what);
    std::uint64_t value = 0;
    while (IsDigit(peek())) {
        value = value * 10 + (peek() - u'0');
        if (value > max)
            fail(QStringLiteral("%1 is larger than %2").arg(QLatin1String(what)).arg(max));
        ++m_pos;
    }
    return value;
}

// A decimal number as the format writes it: sign, digits, point, exponent.
double DbcScanner::number(const char* what) {
    skipSpace();
    char digits[64];
    std::size_t count = 0;
    const auto keep = [&] {
        if (count < sizeof digits)
            digits[count] = static_cast<char>(peek());
        ++count;
        ++m_pos;
    };
    const qsizetype begin = m_pos;
    if (peek() == u'+')
        ++m_pos; // from_chars takes no plus sign
    else if (peek() == u'-')
        keep();
    bool anyDigit = false;
    for (; IsDigit(peek()); anyDigit = true)
        keep();
    if (peek() == u'.') {
        keep();
        for (; IsDigit(peek()); anyDigit = true)
            keep();
    }
    if (!anyDigit) {
        m_pos = begin;
        expected(what);
    }
    const qsizetype exponentAt = m_pos;
    if (peek() == u'e' || peek() == u'E') {
        keep();
        if (peek() == u'+' || peek() == u'-')
            keep();
        if (!IsDigit(peek())) {
            m_pos = exponentAt;
            expected(what);
        }
        while (IsDigit(peek()))
            keep();
    }
    double value = 0;
    if (count > sizeof digits || std::from_chars(digits, digits + count, value).ec != std::errc() ||
        !std::isfinite(value))
        fail(QStringLiteral("%1 %2 is out of range")
                 .arg(QLatin1String(what), m_text.mid(begin, m_pos - begin)));
    return value;
}

// A string in double quotes; \" and \\ stand for " and \. Within a line
// statement it must close on its line. Elsewhere it may span lines, but a
// line that begins with a keyword ends it unclosed: the quote was lost,
// and reading goes on with that statement rather than inside strings.
QString DbcScanner::quoted(const char* what) {
    skipSpace();
    if (peek() != u'"')
        expected(what);
    const int startLine = m_line;
    const auto unclosed = [&] {
        return SyntaxError{startLine, QStringLiteral("%1 is not closed").arg(what)};
    };
    QString text;
    qsizetype run = ++m_pos;
    const auto flush = [&] { text.append(m_text.mid(run, m_pos - run)); };
    for (;;) {
        if (atEnd())
            throw unclosed();
        const char16_t c = peek();
        if (c == u'"') {
            flush();
            ++m_pos;
            return text;
        }
        if (c == u'\\' && m_pos + 1 < m_text.size() &&
            (m_text[m_pos + 1] == u'"' || m_text[m_pos + 1] == u'\\')) {
            flush();
            text.append(m_text[m_pos + 1]);
            m_pos += 2;
            run = m_pos;
        } else if (isLineEnd(c)) {
            if (m_withinLine)
                throw unclosed();
            flush();
            text.append(u'\n');
            newLine();
            run = m_pos;
            if (statementStartsHere())
                throw unclosed();
        } else {
            ++m_pos;
        }
    }
}

void DbcScanner::endOfLine() {
    skipSpace();
    if (!atEnd() && !isLineEnd(peek()))
        expected("the end of the line");
}

void DbcScanner::skipStatement(int line) {
    for (;;) {
        if (atEnd())
            throw SyntaxError{line, QStringLiteral("statement without its closing ';'")};
        const char16_t c = peek();
        if (c == u'"') {
            quoted("a string");
        } else if (c == u';') {
            ++m_pos;
            return;
        } else if (isLineEnd(c)) {
            newLine();
            if (statementStartsHere())
                throw SyntaxError{line, QStringLiteral("statement without its closing ';'")};
        } else {
            ++m_pos;
        }
    }
}

void DbcScanner::skipLineStatement() {
    m_withinLine = true;
    while (!atEnd() && !isLineEnd(peek())) {
        if (peek() == u'"')
            quoted("a string");
        else
            ++m_pos;
    }
}

// BU_ names the nodes on its line; a long list goes on over the lines below,
// up to a line that begins a statement, holds anything but names, or is empty.
void DbcScanner::skipNodeList() {
    skipLineStatement();
    for (;;) {
        if (atEnd())
            return;
        const qsizetype lineEnd = m_pos;
        const int line = m_line;
        newLine();
        qsizetype i = m_pos;
        bool anyName = false;
        for (; i < m_text.size() && !isLineEnd(m_text[i].unicode()); ++i) {
            const char16_t c = m_text[i].unicode();
            if (IsLetter(c) || IsDigit(c))
                anyName = true;
            else if (!isBlank(c))
                break;
        }
        const bool onlyNames = i == m_text.size() || isLineEnd(m_text[i].unicode());
        if (!anyName || !onlyNames || statementStartsHere()) {
            m_pos = lineEnd; // the line is read as what it is
            m_line = line;
            return;
        }
        m_pos = i;
    }
}

// NS_ lists keywords on the indented lines below it; BS_, BU_ or BO_, or
// any line that is not indented, ends the list.
void DbcScanner::skipNamespaceList() {
    for (;;) {
        skipRestOfLine();
        if (atEnd())
            return;
        newLine();
        qsizetype i = m_pos;
        while (i < m_text.size() && isBlank(m_text[i].unicode()))
            ++i;
        const QStringView rest = m_text.mid(i);
        if ((i == m_pos && !rest.isEmpty() && !isLineEnd(rest[0].unicode())) ||
            rest.startsWith(u"BS_") || rest.startsWith(u"BU_:") || rest.startsWith(u"BU_ ") ||
            rest.startsWith(u"BO_ "))
            return;
    }
}

} // namespace cac::dbc
