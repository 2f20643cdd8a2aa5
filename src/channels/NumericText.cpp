#include "channels/NumericText.h"

#include "common/TextBlanks.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace cac {
namespace {

// Value of a hexadecimal digit, or -1.
int hexDigitValue(QChar ch) {
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

double readHexadecimal(QStringView text) {
    // Blanks, tabs and line feeds inside the digits are dropped: stepped over.
    std::uint64_t value = 0;
    for (const QChar ch : text.mid(2)) {
        if (ch == u' ' || ch == u'\t' || ch == u'\n')
            continue;
        const int digit = hexDigitValue(ch);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu)
            return 0; // more than eight significant digits has no 32-bit value
    }
    // Eight digits from 80000000 upward are negative; shorter texts never are.
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

// The fraction digits read as an integer and divided down: by 10 until below
// 1, then once more for each leading zero. Both readings use this, step for step.
double divideDownFraction(double fraction, qsizetype leadingZeros) {
    while (std::fabs(fraction) >= 1)
        fraction /= 10;
    for (qsizetype i = 0; i < leadingZeros; ++i)
        fraction /= 10;
    return fraction;
}

// The texts cells mostly hold, such as "16", "-40" or "0,1": an optional
// minus, digits, and a point or comma with more digits, between blanks.
// Read without building strings, to the same bits as ParseDecimal: integers
// of up to 15 digits are exact in a double, as strtod gives them. Anything
// else is left to ParseDecimal.
std::optional<double> readPlainDecimal(QStringView text) {
    constexpr int MaxExactDigits = 15;
    text = TrimBlanks(text);
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == u'-';
    i += negative;
    auto digitAt = [&](qsizetype at) {
        return at < text.size() && text[at] >= u'0' && text[at] <= u'9' ? text[at].unicode() - u'0'
                                                                        : -1;
    };
    std::uint64_t whole = 0;
    qsizetype wholeDigits = 0;
    for (int d; (d = digitAt(i)) >= 0; ++i, ++wholeDigits)
        whole = whole * 10 + static_cast<std::uint64_t>(d);
    std::uint64_t fraction = 0;
    qsizetype fractionDigits = 0;
    qsizetype leadingZeros = 0;
    if (i < text.size() && (text[i] == u'.' || text[i] == u',')) {
        for (int d; (d = digitAt(++i)) >= 0; ++fractionDigits) {
            leadingZeros += fraction == 0 && d == 0;
            fraction = fraction * 10 + static_cast<std::uint64_t>(d);
        }
    }
    if (i != text.size() || wholeDigits + fractionDigits == 0 || wholeDigits > MaxExactDigits ||
        fractionDigits > MaxExactDigits)
        return std::nullopt;
    const double result = static_cast<double>(whole) +
                          divideDownFraction(static_cast<double>(fraction), leadingZeros);
    return negative ? -result : result;
}

// An optional sign followed by at least one digit; anything else (such as a
// minus sign between digits) is not an integer.
bool readInteger(const QString& text, double& out) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && text.at(i) == u'-') {
        negative = true;
        ++i;
    }
    if (i == text.size())
        return false;
    std::string digits;
    for (; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch < u'0' || ch > u'9')
            return false;
        digits.push_back(static_cast<char>(ch.unicode()));
    }
    // strtod rounds a long digit string correctly to the nearest double.
    out = std::strtod(digits.c_str(), nullptr);
    if (negative)
        out = -out;
    return true;
}

// The exponent piece: only digits and "-" count; an optional leading "-",
// then digits up to the first further "-".
double exponentMultiplier(const QString& piece) {
    QString kept;
    for (const QChar ch : piece) {
        if ((ch >= u'0' && ch <= u'9') || ch == u'-')
            kept.append(ch);
    }
    if (kept.isEmpty())
        return 1.0;
    qsizetype i = 0;
    bool negative = false;
    if (kept.at(0) == u'-') {
        negative = true;
        i = 1;
    }
    long long exponent = 0;
    for (; i < kept.size() && kept.at(i) != u'-'; ++i) {
        // Past a few hundred the power is infinite or zero anyway.
        exponent = std::min<long long>(exponent * 10 + (kept.at(i).unicode() - u'0'), 100000);
    }
    return std::pow(10.0, static_cast<double>(negative ? -exponent : exponent));
}

} // namespace

double TextToNumber(const QString& text) {
    if (text.size() >= 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X'))
        return readHexadecimal(text);
    return DecimalTextToNumber(text);
}

double DecimalTextToNumber(const QString& text) {
    if (const std::optional<double> plain = readPlainDecimal(text))
        return *plain;
    QString copy = text;
    copy.replace(u',', u'.');
    return ParseDecimal(copy);
}

double ParseDecimal(const QString& input) {
    QString text = TrimBlanks(input).toString().toUpper();
    if (text.isEmpty())
        return 0;
    text.truncate(40);

    bool negative = false;
    if (text.startsWith(u'-')) {
        negative = true;
        text.remove(0, 1);
    }

    const QStringList ePieces = text.split(u'E');
    double multiplier = 1.0;
    if (ePieces.size() > 1)
        multiplier = exponentMultiplier(ePieces.at(1));
    if (!std::isfinite(multiplier))
        return 0;

    QString mantissa;
    for (const QChar ch : ePieces.at(0)) {
        if ((ch >= u'0' && ch <= u'9') || ch == u'.' || ch == u'E' || ch == u'-')
            mantissa.append(ch);
    }
    if (mantissa.isEmpty())
        return 0;

    const QStringList dotPieces = mantissa.split(u'.');
    const QString wholeText = dotPieces.at(0).isEmpty() ? QStringLiteral("0") : dotPieces.at(0);

    double fraction = 0;
    if (dotPieces.size() > 1 && !dotPieces.at(1).isEmpty()) {
        const QString fractionText = dotPieces.at(1);
        if (!readInteger(fractionText, fraction))
            return 0;
        qsizetype leadingZeros = 0;
        while (leadingZeros < fractionText.size() && fractionText.at(leadingZeros) == u'0')
            ++leadingZeros;
        fraction = divideDownFraction(fraction, leadingZeros);
    }

    double whole = 0;
    if (!readInteger(wholeText, whole))
        return 0;

    double result = (whole + fraction) * multiplier;
    if (!std::isfinite(result))
        return 0;
    return negative ? -result : result;
}

std::optional<std::uint8_t> RoundToByte(double value) {
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (!(rounded >= 0 && rounded <= 255))
        return std::nullopt;
    return static_cast<std::uint8_t>(rounded);
}

std::optional<std::int32_t> RoundToInt32(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::optional<float> RoundToSingle(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const float narrowed = static_cast<float>(value);
    if (!std::isfinite(narrowed))
        return std::nullopt;
    return narrowed;
}

void DropTrailingZeros(QString& text) {
    if (!text.contains(u'.'))
        return;
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
}

} // namespace cac
