// How a number text looks to a person, against how the image reads it.
#include "channels/NumericText.h"
#include "checks/CheckSupport.h"
#include "common/TextBlanks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cac {
namespace {

bool sameNumber(double a, double b) {
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(a));
}

// ASCII digits only: the digits of other scripts mean nothing to the reader.
bool isDigit(QChar ch) {
    return ch >= u'0' && ch <= u'9';
}

// The value of a hexadecimal digit, or -1.
int hexDigitValue(QChar ch) {
    if (isDigit(ch))
        return ch.unicode() - u'0';
    if (ch >= u'a' && ch <= u'f')
        return ch.unicode() - u'a' + 10;
    if (ch >= u'A' && ch <= u'F')
        return ch.unicode() - u'A' + 10;
    return -1;
}

bool isHexDigit(QChar ch) {
    return hexDigitValue(ch) >= 0;
}

bool isHexDigits(QStringView text) {
    if (text.endsWith(u'\n')) // one line feed may end it, as it may end any number text
        text.chop(1);
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isHexDigit);
}

// Where the blanks that follow `from` end.
qsizetype skipBlanks(QStringView text, qsizetype from) {
    while (from < text.size() && text[from] == u' ')
        ++from;
    return from;
}

qsizetype skipDigits(QStringView text, qsizetype from) {
    while (from < text.size() && isDigit(text[from]))
        ++from;
    return from;
}

// "0x" and one to eight hexadecimal digits, then blanks.
std::optional<double> shownHexadecimal(QStringView text) {
    if (text.size() < 3 || text[0] != u'0' || (text[1] != u'x' && text[1] != u'X'))
        return std::nullopt;
    qsizetype end = 2;
    std::uint32_t value = 0;
    for (; end < 10 && end < text.size() && isHexDigit(text[end]); ++end)
        value = value * 16 + static_cast<std::uint32_t>(hexDigitValue(text[end]));
    if (end == 2 || skipBlanks(text, end) != text.size())
        return std::nullopt;
    return static_cast<double>(value);
}

// Blanks, a sign, digits with at most one point or comma (a digit at least
// on one side of it), a power of ten "e12", blanks.
std::optional<double> shownDecimal(QStringView text) {
    const qsizetype begin = skipBlanks(text, 0);
    qsizetype at = begin;
    const bool negative = at < text.size() && text[at] == u'-';
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        ++at;
    const qsizetype digitsBegin = at;
    bool nonZero = false; // a digit other than 0 before the power of ten
    auto scanDigits = [&] {
        const qsizetype from = at;
        at = skipDigits(text, at);
        nonZero = nonZero || std::any_of(text.begin() + from, text.begin() + at,
                                         [](QChar ch) { return ch != u'0'; });
        return at - from;
    };
    qsizetype digits = scanDigits();
    if (at < text.size() && (text[at] == u'.' || text[at] == u',')) {
        ++at;
        digits += scanDigits();
    }
    if (digits == 0)
        return std::nullopt;
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        qsizetype exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == u'+' || text[exponent] == u'-'))
            ++exponent;
        const qsizetype exponentEnd = skipDigits(text, exponent);
        if (exponentEnd == exponent)
            return std::nullopt;
        at = exponentEnd;
    }
    const qsizetype end = at;
    if (skipBlanks(text, end) != text.size())
        return std::nullopt;
    if (!nonZero)
        return negative ? -0.0 : 0.0;
    // The digits as C text, a comma read as a point.
    char ascii[64];
    const qsizetype size = end - digitsBegin;
    if (size < static_cast<qsizetype>(sizeof ascii)) {
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t u = text[digitsBegin + i].unicode();
            ascii[i] = u == u',' ? '.' : static_cast<char>(u);
        }
        double value = 0;
        const auto [ptr, error] = std::from_chars(ascii, ascii + size, value);
        // Beyond the normal range the reading is left to Qt, as it always was.
        if (error == std::errc() && ptr == ascii + size && std::isnormal(value))
            return negative ? -value : value;
    }
    return text.toString().remove(u' ').replace(u',', u'.').toDouble();
}

} // namespace

// Hand-written rather than a regular expression: the checks ask this of every
// number cell of every row a CAN database gives.
std::optional<double> ShownNumber(const QString& text) {
    // One line feed at the very end counts for nothing.
    const QStringView view = text.endsWith(u'\n') ? QStringView(text).chopped(1) : text;
    if (const std::optional<double> hex = shownHexadecimal(view))
        return hex;
    return shownDecimal(view);
}

namespace {

// A minus, up to 15 digits, and a point with up to 15 more: the texts the
// import writes. Both readings take them whole, and their results differ by
// a few units in the last place at most, far inside sameNumber().
bool isPlainDecimal(const QString& text) {
    const QStringView view(text);
    qsizetype at = view.startsWith(u'-') ? 1 : 0;
    const qsizetype whole = skipDigits(view, at) - at;
    at += whole;
    if (whole == 0 || whole > 15)
        return false;
    if (at == view.size())
        return true;
    if (view[at] != u'.')
        return false;
    const qsizetype fraction = skipDigits(view, at + 1) - (at + 1);
    return fraction > 0 && fraction <= 15 && at + 1 + fraction == view.size();
}

// "0x" and up to eight hexadecimal digits below 80000000, as identifiers
// are written: both readings give the same whole number.
bool isPlainHexadecimal(const QString& text) {
    const qsizetype digits = text.size() - 2;
    return digits >= 1 && digits <= 8 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X') &&
           std::all_of(text.begin() + 2, text.end(), isHexDigit) &&
           (digits < 8 || hexDigitValue(text[2]) < 8);
}

} // namespace

namespace checks {

QString NumberTextProblem(const QString& text) {
    if (isPlainDecimal(text) || isPlainHexadecimal(text))
        return {};
    const double read = TextToNumber(text);
    const std::optional<double> shown = ShownNumber(text);
    if (shown && std::isfinite(*shown) && sameNumber(*shown, read))
        return {};
    const QString trimmed = TrimBlanks(text).toString();
    const QString readText = NumberText(read);
    QString why;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) && !text.startsWith(trimmed))
        why = QStringLiteral("a blank before it makes 0x count for nothing, so it is decimal");
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = QString(text.mid(2)).remove(u' ');
        if (shown)
            why =
                QStringLiteral("eight hexadecimal digits from 80000000 on make a negative number");
        else if (digits.size() > 8 && isHexDigits(digits))
            why = QStringLiteral("more than eight hexadecimal digits have no 32-bit value");
        else
            why = QStringLiteral("hexadecimal digits end at the first other character");
    } else if (trimmed.size() > 40)
        why = QStringLiteral("only its first 40 characters count");
    else if (shown)
        why = QStringLiteral("it is too large for a number");
    else if (isHexDigits(trimmed) && trimmed.toUpper() != trimmed.toLower()) // a letter
        why = QStringLiteral("without 0x it is decimal, and letters are skipped");
    else
        why = QStringLiteral("what does not belong to one number is skipped");
    return QStringLiteral("%1 is read as %2: %3").arg(Quoted(text), readText, why);
}

} // namespace checks
} // namespace cac
