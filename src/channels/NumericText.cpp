#include "channels/NumericText.h"

#include "common/TextBlanks.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace cac {
namespace {

// Only the first 40 characters of a text count.
constexpr qsizetype MaxReadCharacters = 40;

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
bool readInteger(std::string_view text, double& out) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    // strtod rounds a long digit string correctly to the nearest double.
    char digits[MaxReadCharacters + 1];
    *std::copy(text.begin(), text.end(), digits) = '\0';
    out = std::strtod(digits, nullptr);
    if (negative)
        out = -out;
    return true;
}

// The exponent piece: only digits and "-" count; an optional leading "-",
// then digits up to the first further "-".
double exponentMultiplier(std::string_view piece) {
    char kept[MaxReadCharacters];
    const char* const keptEnd = std::copy_if(piece.begin(), piece.end(), kept, [](char c) {
        return (c >= '0' && c <= '9') || c == '-';
    });
    if (keptEnd == kept)
        return 1.0;
    const char* c = kept;
    const bool negative = *c == '-';
    c += negative;
    long long exponent = 0;
    for (; c != keptEnd && *c != '-'; ++c) {
        // Past a few hundred the power is infinite or zero anyway.
        exponent = std::min<long long>(exponent * 10 + (*c - '0'), 100000);
    }
    return std::pow(10.0, static_cast<double>(negative ? -exponent : exponent));
}

// ParseDecimal, a comma read as a point with `commaIsPoint`. Works on the
// text's first 40 characters in upper case, as bytes: only digits, points,
// minus signs and "E" count, so every other character is kept as a byte
// that is none of them. The upper case comes before the cut, as it may be
// longer than the text ("ß" gives "SS").
double parseDecimal(QStringView input, bool commaIsPoint) {
    const QStringView trimmed = TrimBlanks(input);
    if (trimmed.isEmpty())
        return 0;
    char bytes[MaxReadCharacters];
    qsizetype size = 0;
    auto keep = [&](QStringView text, bool ascii) {
        size = std::min<qsizetype>(text.size(), MaxReadCharacters);
        for (qsizetype i = 0; i < size; ++i) {
            char16_t u = text[i].unicode();
            if (ascii && u >= u'a' && u <= u'z')
                u = static_cast<char16_t>(u - u'a' + u'A');
            if (commaIsPoint && u == u',')
                u = u'.';
            bytes[i] = u < 0x80 ? static_cast<char>(u) : '\x01';
        }
    };
    if (std::all_of(trimmed.begin(), trimmed.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
        keep(trimmed, true);
    else
        keep(trimmed.toString().toUpper(), false);
    std::string_view text(bytes, static_cast<std::size_t>(size));

    const bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);

    // Before the first "E", and between it and the next.
    const std::size_t e = text.find('E');
    double multiplier = 1.0;
    if (e != std::string_view::npos) {
        const std::string_view power = text.substr(e + 1);
        multiplier = exponentMultiplier(power.substr(0, power.find('E')));
    }
    if (!std::isfinite(multiplier))
        return 0;

    char mantissa[MaxReadCharacters];
    const std::string_view beforeE = text.substr(0, e);
    const std::string_view digits(
        mantissa,
        static_cast<std::size_t>(
            std::copy_if(beforeE.begin(), beforeE.end(), mantissa,
                         [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }) -
            mantissa));
    if (digits.empty())
        return 0;

    // Before the first point, and between it and the next.
    const std::size_t point = digits.find('.');
    const std::string_view wholeText = point == 0 ? std::string_view("0") : digits.substr(0, point);

    double fraction = 0;
    if (point != std::string_view::npos) {
        const std::string_view after = digits.substr(point + 1);
        const std::string_view fractionText = after.substr(0, after.find('.'));
        if (!fractionText.empty()) {
            if (!readInteger(fractionText, fraction))
                return 0;
            const std::size_t leadingZeros =
                std::min(fractionText.find_first_not_of('0'), fractionText.size());
            fraction = divideDownFraction(fraction, static_cast<qsizetype>(leadingZeros));
        }
    }

    double whole = 0;
    if (!readInteger(wholeText, whole))
        return 0;

    const double result = (whole + fraction) * multiplier;
    if (!std::isfinite(result))
        return 0;
    return negative ? -result : result;
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
    return parseDecimal(text, /*commaIsPoint=*/true);
}

double ParseDecimal(const QString& input) {
    return parseDecimal(input, /*commaIsPoint=*/false);
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
