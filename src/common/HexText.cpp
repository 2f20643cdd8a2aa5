#include "common/HexText.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace cac {
namespace {

// Digits from to_chars into one string: a CAN database listing writes an
// identifier for every signal.
QString Hex(qint64 value, bool prefixed) {
    char text[2 + 1 + 16] = {'0', 'x'};
    char* const digits = text + 2;
    char* const end = std::to_chars(digits, std::end(text), value, 16).ptr;
    std::transform(digits, end, digits, [](char c) { return c >= 'a' ? char(c - 'a' + 'A') : c; });
    const char* const begin = prefixed ? text : digits;
    return QString::fromLatin1(begin, end - begin);
}

} // namespace

QString HexDigits(qint64 value) {
    return Hex(value, false);
}

QString HexNumber(qint64 value) {
    return Hex(value, true);
}

} // namespace cac
