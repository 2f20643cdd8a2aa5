#include "output/IntelHex.h"

#include "common/SafeFileWrite.h"
#include "image/ConfigImage.h"

#include <array>

namespace cac {
namespace {

constexpr int BytesPerRecord = 16;
const QByteArray LineEnd = QByteArrayLiteral("\r\n");

// Two upper-case digits for every byte value.
constexpr auto HexDigits = [] {
    std::array<char, 512> table{};
    constexpr char Digits[] = "0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
        table[2 * value] = Digits[value >> 4];
        table[2 * value + 1] = Digits[value & 0x0F];
    }
    return table;
}();

void appendHexByte(QByteArray& out, std::uint8_t value) {
    const QLatin1String digits = HexByte(value);
    out.append(digits.data(), digits.size());
}

} // namespace

QLatin1String HexByte(std::uint8_t value) {
    return QLatin1String(HexDigits.data() + 2 * value, 2);
}

QByteArray IntelHexText(const QByteArray& image) {
    QByteArray text = QByteArrayLiteral(":020000040000FA") + LineEnd;
    text.reserve(text.size() + (image.size() / BytesPerRecord + 2) * (11 + 2 * BytesPerRecord + 2));
    std::uint32_t address = ImageLoadAddress;
    for (qsizetype pos = 0; pos < image.size();) {
        const auto count =
            static_cast<std::uint8_t>(std::min<qsizetype>(BytesPerRecord, image.size() - pos));
        const QByteArray addressBytes = LongToBytes(static_cast<std::int32_t>(address));
        const auto high = static_cast<std::uint8_t>(addressBytes[1]);
        const auto low = static_cast<std::uint8_t>(addressBytes[0]);
        text.append(':');
        for (const std::uint8_t field : {count, high, low, std::uint8_t{0}})
            appendHexByte(text, field);
        unsigned sum = count + high + low;
        for (qsizetype i = pos; i < pos + count; ++i) {
            const auto byte = static_cast<std::uint8_t>(image[i]);
            appendHexByte(text, byte);
            sum += byte;
        }
        // All bytes of a record, checksum included, add up to 0 modulo 256.
        appendHexByte(text, static_cast<std::uint8_t>((256 - (sum & 0xFF)) & 0xFF));
        text.append(LineEnd);
        pos += count;
        address += count;
    }
    text.append(":00000001FF");
    return text;
}

bool WriteIntelHex(const QByteArray& image, const QString& path, QString* error) {
    // The flasher must never see a half-written file.
    return WriteFileSafely(path, IntelHexText(image), error);
}

} // namespace cac
