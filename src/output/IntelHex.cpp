#include "output/IntelHex.h"

#include "common/SafeFileWrite.h"
#include "image/ConfigImage.h"

namespace cac {
namespace {

constexpr int BytesPerRecord = 16;
const QByteArray LineEnd = QByteArrayLiteral("\r\n");

} // namespace

QString HexByte(std::uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QByteArray IntelHexText(const QByteArray& image) {
    QString text = QStringLiteral(":020000040000FA") + QString::fromLatin1(LineEnd);
    std::uint32_t address = ImageLoadAddress;
    for (qsizetype pos = 0; pos < image.size();) {
        const auto count =
            static_cast<std::uint8_t>(std::min<qsizetype>(BytesPerRecord, image.size() - pos));
        const QByteArray addressBytes = LongToBytes(static_cast<std::int32_t>(address));
        const auto high = static_cast<std::uint8_t>(addressBytes[1]);
        const auto low = static_cast<std::uint8_t>(addressBytes[0]);
        text += u':' + HexByte(count) + HexByte(high) + HexByte(low) + HexByte(0);
        unsigned sum = count + high + low;
        for (qsizetype i = pos; i < pos + count; ++i) {
            const auto byte = static_cast<std::uint8_t>(image[i]);
            text += HexByte(byte);
            sum += byte;
        }
        // All bytes of a record, checksum included, add up to 0 modulo 256.
        const std::uint8_t checksum = static_cast<std::uint8_t>((256 - (sum & 0xFF)) & 0xFF);
        text += HexByte(checksum) + QString::fromLatin1(LineEnd);
        pos += count;
        address += count;
    }
    text += QStringLiteral(":00000001FF");
    return text.toLatin1();
}

bool WriteIntelHex(const QByteArray& image, const QString& path, QString* error) {
    // The flasher must never see a half-written file.
    return WriteFileSafely(path, IntelHexText(image), error);
}

} // namespace cac
