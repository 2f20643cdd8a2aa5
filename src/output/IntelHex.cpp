#include "output/IntelHex.h"

#include "common/HexText.h"
#include "common/SafeFileWrite.h"

#include <algorithm>
#include <array>

namespace cac {
namespace {

constexpr int BytesPerRecord = 16;
constexpr QByteArrayView LineEnd = "\r\n";

char* writeHexByte(char* out, std::uint8_t value) {
    out[0] = HexDigitPairs[2 * value];
    out[1] = HexDigitPairs[2 * value + 1];
    return out + 2;
}

char* writeText(char* out, QByteArrayView text) {
    return std::copy(text.begin(), text.end(), out);
}

} // namespace

QByteArray IntelHexText(const QByteArray& image) {
    constexpr QByteArrayView AddressRecord = ":020000040000FA";
    constexpr QByteArrayView EndRecord = ":00000001FF";
    // ":", count, address, type, data, checksum, line end: all known in advance.
    const qsizetype records = (image.size() + BytesPerRecord - 1) / BytesPerRecord;
    QByteArray text(AddressRecord.size() + LineEnd.size() +
                        records * (1 + 2 * (4 + 1) + LineEnd.size()) + 2 * image.size() +
                        EndRecord.size(),
                    Qt::Uninitialized);
    char* out = writeText(text.data(), AddressRecord);
    out = writeText(out, LineEnd);
    std::uint32_t address = ImageLoadAddress;
    for (qsizetype pos = 0; pos < image.size();) {
        const auto count =
            static_cast<std::uint8_t>(std::min<qsizetype>(BytesPerRecord, image.size() - pos));
        // The low 16 bits of the address, high byte first.
        const auto high = static_cast<std::uint8_t>((address >> 8) & 0xFF);
        const auto low = static_cast<std::uint8_t>(address & 0xFF);
        *out++ = ':';
        out = writeHexByte(out, count);
        out = writeHexByte(out, high);
        out = writeHexByte(out, low);
        out = writeHexByte(out, 0);
        unsigned sum = count + high + low;
        for (qsizetype i = pos; i < pos + count; ++i) {
            const auto byte = static_cast<std::uint8_t>(image[i]);
            out = writeHexByte(out, byte);
            sum += byte;
        }
        // All bytes of a record, checksum included, add up to 0 modulo 256.
        out = writeHexByte(out, static_cast<std::uint8_t>((256 - (sum & 0xFF)) & 0xFF));
        out = writeText(out, LineEnd);
        pos += count;
        address += count;
    }
    writeText(out, EndRecord);
    return text;
}

bool WriteIntelHex(const QByteArray& image, const QString& path, QString* error) {
    // The flasher must never see a half-written file.
    return WriteFileSafely(path, IntelHexText(image), error);
}

} // namespace cac
