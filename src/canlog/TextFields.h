#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

// Small, allocation-free readers of the fields of text log lines.
namespace cac::logtext {

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits at runs of blanks (and `extra`, when given); returns how many
// fields there were, keeping at most N of them.
template <std::size_t N>
std::size_t splitFields(std::string_view line, std::array<std::string_view, N>& fields,
                        char extra = ' ') {
    std::size_t count = 0;
    std::size_t i = 0;
    const std::size_t size = line.size();
    while (i < size) {
        while (i < size && (isBlank(line[i]) || line[i] == extra))
            ++i;
        if (i >= size)
            break;
        const std::size_t start = i;
        while (i < size && !isBlank(line[i]) && line[i] != extra)
            ++i;
        if (count < N)
            fields[count] = line.substr(start, i - start);
        ++count;
    }
    return count;
}

// A table, not comparisons: log data is random, and branches on its digits
// are mispredicted half the time.
inline constexpr std::array<std::int8_t, 256> HexDigits = [] {
    std::array<std::int8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = c >= '0' && c <= '9'   ? std::int8_t(c - '0')
                   : c >= 'a' && c <= 'f' ? std::int8_t(c - 'a' + 10)
                   : c >= 'A' && c <= 'F' ? std::int8_t(c - 'A' + 10)
                                          : std::int8_t(-1);
    return table;
}();

inline int hexDigit(char c) {
    return HexDigits[static_cast<unsigned char>(c)];
}

// A whole field of 1 to `maxDigits` hexadecimal digits.
inline std::optional<std::uint32_t> parseHex(std::string_view text, std::size_t maxDigits = 8) {
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// A whole field of decimal digits that fits 32 bits.
inline std::optional<std::uint32_t> parseDecimal(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A whole field holding a plain decimal number ("12.5", "-3"), never locale
// dependent. Log times ("1436509052.249713") take the short way: their digits
// as one integer of at most 2^53 divided by an exact power of ten is one
// correctly rounded division, the very double the general parse gives.
inline std::optional<double> parseNumber(std::string_view text) {
    static constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    {
        const char* p = text.data();
        const char* const end = p + text.size();
        const bool negative = p != end && *p == '-';
        p += negative;
        const bool digitFirst = p != end && *p >= '0' && *p <= '9';
        std::uint64_t digits = 0;
        int count = 0;
        int fraction = -1; // digits after the point, once there is one
        for (; p != end && count < 17; ++p) {
            const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
            if (digit < 10) {
                digits = digits * 10 + digit;
                ++count;
                if (fraction >= 0)
                    ++fraction;
            } else if (*p == '.' && fraction < 0) {
                fraction = 0;
            } else {
                break;
            }
        }
        if (p == end && digitFirst && fraction != 0 && digits <= (std::uint64_t{1} << 53)) {
            const double whole = static_cast<double>(digits);
            const double value = fraction > 0 ? whole / PowersOfTen[fraction] : whole;
            return negative ? -value : value;
        }
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

inline bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

inline bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (isBlank(text.front()) || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace cac::logtext
