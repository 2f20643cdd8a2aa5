#pragma once

#include <QLatin1String>
#include <QString>

#include <array>
#include <cstdint>

// Hexadecimal text as every part of the program writes it: upper-case digits,
// "0x" before a number a user reads as an identifier or an address.
namespace cac {

// Two upper-case digits for every byte value, side by side: the HEX writer
// reads it in its inner loop.
inline constexpr std::array<char, 512> HexDigitPairs = [] {
    std::array<char, 512> table{};
    constexpr char Digits[] = "0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
        table[2 * value] = Digits[value >> 4];
        table[2 * value + 1] = Digits[value & 0x0F];
    }
    return table;
}();

// Two upper-case hexadecimal digits: "0A".
inline QLatin1String HexByte(std::uint8_t value) {
    return QLatin1String(HexDigitPairs.data() + 2 * value, 2);
}

// The number's upper-case hexadecimal digits, as few as it takes: "1A2".
QString HexDigits(qint64 value);

// The same behind "0x": "0x1A2".
QString HexNumber(qint64 value);

} // namespace cac
