// TextToNumber on arbitrary text: always a finite number, the same one on
// every reading and by the general reading, and unchanged by what the
// grammar says it ignores.
#include "FuzzCheck.h"
#include "channels/NumericText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool hexPrefixed(const QString& text) {
    return text.size() >= 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X');
}

bool isAscii(const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() > 0x7F)
            return false;
    }
    return true;
}

// The first byte picks the decoding so that both 8-bit file text and any
// UTF-16 text a cell can hold are reached.
QString decode(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return {};
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const auto restSize = static_cast<qsizetype>(size - 1);
    switch (data[0] % 3) {
    case 0:
        return QString::fromLatin1(rest, restSize);
    case 1:
        return QString::fromUtf8(rest, restSize);
    default:
        return QString(reinterpret_cast<const QChar*>(rest), restSize / 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096)
        return 0;
    const QString text = decode(data, size);
    const double value = cac::TextToNumber(text);
    check(std::isfinite(value));
    check(sameBits(value, cac::TextToNumber(text)));
    // Every value that reaches an image goes through these; they must hold
    // for any reading.
    (void)cac::RoundToByte(value);
    (void)cac::RoundToInt32(value);
    (void)cac::RoundToSingle(value);

    if (hexPrefixed(text))
        return 0;
    // Plain numbers are read without building strings; to the same bits as
    // the general reading.
    check(sameBits(value, cac::ParseDecimal(QString(text).replace(u',', u'.'))));
    // The decimal reading trims blanks on both sides.
    check(cac::TextToNumber(QLatin1Char(' ') + text + QLatin1Char(' ')) == value);
    const QString upper = text.toUpper();
    if (!isAscii(text) || upper.startsWith(u' ') || upper.endsWith(u' '))
        return 0;
    // A leading minus negates a reading that has none of its own.
    if (!upper.startsWith(u'-') && upper.size() <= 39)
        check(cac::TextToNumber(QLatin1Char('-') + text) == -value);
    // Only the first 40 characters count.
    if (upper.size() >= 40)
        check(cac::TextToNumber(text + QStringLiteral("9E9")) == value);
    return 0;
}
