#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Reading numbers from the texts users type into cells and that files carry.
// The reader never fails: unreadable text gives 0. It deliberately does not
// use a library parser, because the adapter configuration has always been
// read with exactly these lenient rules and byte-exact images depend on them.
namespace cac {

// "0x"/"0X" at the very first position selects the 32-bit hexadecimal reading,
// anything else the lenient decimal reading.
double TextToNumber(const QString& text);

// Commas become points, then ParseDecimal.
double DecimalTextToNumber(const QString& text);

// Lenient decimal grammar: 40-character cut, "E" power of ten, digits kept,
// fraction read as an integer and divided down.
double ParseDecimal(const QString& text);

// Conversions of a number into a byte or a 32-bit integer: rounded to the
// nearest integer, halves to the even neighbour; nullopt when the result does
// not fit, so callers can leave their target unchanged.
std::optional<std::uint8_t> RoundToByte(double value);
std::optional<std::int32_t> RoundToInt32(double value);

// Narrowing of a double to a 32-bit float; nullopt when it overflows.
std::optional<float> RoundToSingle(double value);

// A fixed-point number text without the zeros that end its fraction, nor a
// point left bare: "2.500" gives "2.5", "3.000" gives "3"; "100" stays.
void DropTrailingZeros(QString& text);

} // namespace cac
