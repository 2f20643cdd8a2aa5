#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

// The tokens of .dbc text for the reader: names, numbers, quoted strings and
// punctuation, with the line count kept across LF, CR LF and CR. A token that
// is not what the statement needs throws a SyntaxError naming the line.
namespace cac::dbc {

struct SyntaxError {
    int line;
    QString message;
};

class DbcScanner {
public:
    explicit DbcScanner(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : m_text[m_pos].unicode(); }
    char16_t previous() const { return m_text[m_pos - 1].unicode(); }
    qsizetype position() const { return m_pos; }
    int line() const { return m_line; }

    // Within a line statement (BO_, SG_) tokens must stay on their line.
    void setWithinLine(bool within) { m_withinLine = within; }
    // Blanks, and line ends unless within a line statement.
    void skipSpace();
    void skipRestOfLine();

    [[noreturn]] void fail(const QString& message) const;
    // "expected WHAT, found ..." with what stands at the cursor.
    [[noreturn]] void expected(const char* what) const;

    bool take(char16_t c);
    void expect(char16_t c, const char* what);
    void endOfLine();
    QString identifier(const char* what);
    // A message or signal name. The format's names begin with a letter, but
    // some public files begin them with a digit: those are read too, with
    // `leadingDigit` set so the reader can note it.
    QString name(const char* what, bool& leadingDigit);
    std::uint64_t unsignedNumber(const char* what, std::uint64_t max);
    double number(const char* what);
    QString quoted(const char* what);

    // Reading over statements whose content does not matter here.
    void skipStatement(int line); // to its ";"
    void skipLineStatement();     // to its line end
    void skipNamespaceList();     // NS_ and its indented keyword lines
    void skipNodeList();          // BU_ and the lines of names that continue it

    // After a failed statement: on at the next line that begins with a
    // keyword (which may be where the failure stopped), never where it began.
    void resync(qsizetype statementStart);

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
    bool m_withinLine = false;

    bool atLineStart() const;
    void newLine();
    bool statementStartsHere() const;
};

inline bool IsLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}
inline bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Every statement keyword of the format is upper case and ends with "_"
// (VERSION, which opens a file, is the one exception).
bool IsKeyword(QStringView word);

} // namespace cac::dbc
