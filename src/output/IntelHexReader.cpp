#include "output/IntelHexReader.h"

#include "common/AdapterMemory.h"
#include "common/BoundedFileRead.h"
#include "common/HexText.h"
#include "output/IntelHex.h"

#include <QByteArrayView>
#include <QVector>

#include <array>
#include <cstdint>

namespace cac {
namespace {

constexpr int MaxRecordBytes = 255 + 5; // count, address, type, data, checksum
constexpr std::uint32_t ImageEnd = ImageLoadAddress + ConfigImageSize;

enum RecordType : std::uint8_t {
    Data = 0,
    EndOfFile = 1,
    SegmentAddress = 2,
    SegmentStart = 3,
    LinearAddress = 4,
    LinearStart = 5,
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QString address(std::uint32_t value) {
    return QStringLiteral("0x") + HexDigits(value).rightJustified(4, u'0');
}

// Blanks and tabs around a record are not part of it.
QByteArrayView trimmed(QByteArrayView line) {
    while (!line.isEmpty() && (line.front() == ' ' || line.front() == '\t'))
        line = line.sliced(1);
    while (!line.isEmpty() && (line.back() == ' ' || line.back() == '\t'))
        line.chop(1);
    return line;
}

class Reader {
public:
    QByteArray image = QByteArray(ConfigImageSize, '\0');
    HexFault fault;

    // Reads one non-blank line; false on a fault.
    bool readLine(int lineNumber, QByteArrayView line) {
        m_line = lineNumber;
        if (m_ended)
            return fail(QStringLiteral("a record follows the end record"));
        std::array<std::uint8_t, MaxRecordBytes> bytes{};
        int size = 0;
        if (!parseRecord(line, bytes, size))
            return false;
        const int count = bytes[0];
        const std::uint32_t offset = (bytes[1] << 8) | bytes[2];
        const std::uint8_t type = bytes[3];
        switch (type) {
        case Data:
            return storeData(offset, bytes.data() + 4, count);
        case EndOfFile:
            if (count != 0)
                return fail(QStringLiteral("the end record carries data"));
            m_ended = true;
            return true;
        case SegmentAddress:
        case LinearAddress:
            if (count != 2)
                return fail(
                    QStringLiteral("an address record holds 2 bytes, this one %1").arg(count));
            m_base = ((bytes[4] << 8) | bytes[5]) << (type == LinearAddress ? 16 : 4);
            return true;
        case SegmentStart:
        case LinearStart:
            if (count != 4)
                return fail(
                    QStringLiteral("a start address record holds 4 bytes, this one %1").arg(count));
            return true;
        default:
            return fail(QStringLiteral("record type %1 is not an Intel HEX record type")
                            .arg(QLatin1String(HexByte(type))));
        }
    }

    // After the last line: the end record was there and the image is whole.
    bool finish(int lastLine) {
        m_line = lastLine;
        if (!m_ended)
            return fail(QStringLiteral("the file ends without the end record :00000001FF"));
        for (int i = 0; i < ConfigImageSize; ++i) {
            if (m_givenOn[i] == 0) {
                int missing = 0;
                for (int j = i; j < ConfigImageSize; ++j)
                    missing += m_givenOn[j] == 0;
                return fail(QStringLiteral("the image is incomplete: no data for %1 (%2 of its "
                                           "%3 bytes are missing)")
                                .arg(address(ImageLoadAddress + i))
                                .arg(missing)
                                .arg(ConfigImageSize));
            }
        }
        return true;
    }

private:
    bool fail(const QString& message) {
        fault = {m_line, message};
        return false;
    }

    bool parseRecord(QByteArrayView line, std::array<std::uint8_t, MaxRecordBytes>& bytes,
                     int& size) {
        if (line.front() != ':')
            return fail(QStringLiteral("a record starts with ':'"));
        const QByteArrayView digits = line.sliced(1);
        if (digits.size() > 2 * MaxRecordBytes)
            return fail(QStringLiteral("the record is longer than any Intel HEX record"));
        for (qsizetype i = 0; i < digits.size(); ++i) {
            if (hexDigit(digits[i]) < 0)
                return fail(QStringLiteral("'%1' at column %2 is not a hexadecimal digit")
                                .arg(QChar::fromLatin1(digits[i]))
                                .arg(i + 2));
        }
        if (digits.size() % 2 != 0)
            return fail(QStringLiteral("the record has an odd number of digits"));
        size = static_cast<int>(digits.size() / 2);
        if (size < 5)
            return fail(
                QStringLiteral("the record is too short: %1 bytes, at least 5 needed").arg(size));
        unsigned sum = 0;
        for (int i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(hexDigit(digits[2 * i]) * 16 +
                                                 hexDigit(digits[2 * i + 1]));
            sum += bytes[i];
        }
        if (bytes[0] != size - 5)
            return fail(QStringLiteral("the record's count says %1 data bytes, but it holds %2")
                            .arg(bytes[0])
                            .arg(size - 5));
        if (sum % 256 != 0) {
            const auto expected = static_cast<std::uint8_t>(bytes[size - 1] - sum);
            return fail(QStringLiteral("checksum %1 is wrong: the record's bytes need %2")
                            .arg(QLatin1String(HexByte(bytes[size - 1])),
                                 QLatin1String(HexByte(expected))));
        }
        return true;
    }

    bool storeData(std::uint32_t offset, const std::uint8_t* data, int count) {
        for (int i = 0; i < count; ++i) {
            // The 16-bit offset wraps inside its segment, as the format has it.
            const std::uint32_t at = m_base + ((offset + i) & 0xFFFF);
            if (at < ImageLoadAddress || at >= ImageEnd)
                return fail(
                    QStringLiteral("data at %1 lies outside the configuration image "
                                   "(%2 to %3)")
                        .arg(address(at), address(ImageLoadAddress), address(ImageEnd - 1)));
            int& givenOn = m_givenOn[at - ImageLoadAddress];
            if (givenOn != 0)
                return fail(QStringLiteral("data at %1 was already given on line %2")
                                .arg(address(at))
                                .arg(givenOn));
            givenOn = m_line;
            image[at - ImageLoadAddress] = static_cast<char>(data[i]);
        }
        return true;
    }

    QVector<int> m_givenOn = QVector<int>(ConfigImageSize, 0); // line of each byte
    std::uint32_t m_base = 0;
    int m_line = 0;
    bool m_ended = false;
};

} // namespace

std::optional<QByteArray> ReadIntelHexImage(const QByteArray& text, HexFault* fault) {
    Reader reader;
    int lineNumber = 0;
    qsizetype pos = 0;
    bool ok = true;
    while (ok && pos < text.size()) {
        // A line ends at LF, CR LF or CR.
        qsizetype end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const QByteArrayView line = trimmed(QByteArrayView(text).sliced(pos, end - pos));
        ++lineNumber;
        if (!line.isEmpty())
            ok = reader.readLine(lineNumber, line);
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    if (ok)
        ok = reader.finish(std::max(lineNumber, 1));
    if (!ok) {
        if (fault)
            *fault = reader.fault;
        return std::nullopt;
    }
    return reader.image;
}

std::optional<QByteArray> LoadIntelHexImage(const QString& path, HexFault* fault) {
    const FileRead file =
        ReadRegularFile(path, MaxImageHexFileSize, QStringLiteral("an image's HEX file"));
    if (!file.ok()) {
        if (fault)
            *fault = {0, file.reason};
        return std::nullopt;
    }
    return ReadIntelHexImage(file.bytes, fault);
}

} // namespace cac
