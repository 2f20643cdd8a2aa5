#include "image/ConfigImage.h"

#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "obd/ObdParameters.h"

#include <algorithm>
#include <cstring>

namespace cac {
namespace {

constexpr int ImageFillSize = 604;
constexpr char ByteFF = static_cast<char>(0xFF);

// The identifier of a channel row, read once per build: the three blocks of
// identifier words read the same two cells, which nothing changes meanwhile.
struct RowIdentifier {
    bool extended = false;
    std::int32_t id = 0;
};

RowIdentifier identifierOf(const ConfigModel& model, int row) {
    return {IsExtendedIdentifier(model, row), IdentifierNumber(model, row)};
}

char* writeIdentifierWord(char* out, bool marker, bool extended, std::int32_t id) {
    out[0] = out[1] = out[2] = out[3] = 0;
    if (!extended) {
        // id * 32 as a 32-bit integer; a product that does not fit leaves the word 0.
        const std::int64_t product = static_cast<std::int64_t>(id) * 32;
        if (product >= INT32_MIN && product <= INT32_MAX) {
            const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(product));
            out[0] = static_cast<char>((bits >> 8) & 0xFF);
            out[1] = static_cast<char>(bits & 0xFF);
        }
    } else {
        const auto bits = static_cast<std::uint32_t>(id);
        out[0] = static_cast<char>((bits >> 21) & 0xFF);
        out[1] = static_cast<char>((((bits >> 18) & 0x07) << 5) | 0x08 | ((bits >> 16) & 0x03));
        out[2] = static_cast<char>((bits >> 8) & 0xFF);
        out[3] = static_cast<char>(bits & 0xFF);
    }
    if (marker)
        out[1] = static_cast<char>(out[1] | 0x04);
    return out + 4;
}

char* writeIdentifierWords(char* out, const RowIdentifier* rows, int firstRow, int lastRow,
                           bool marker) {
    for (int row = firstRow; row <= lastRow; ++row)
        out = writeIdentifierWord(out, marker, rows[row].extended, rows[row].id);
    return out;
}

char* fill(char* out, int count, char value) {
    std::memset(out, value, static_cast<size_t>(count));
    return out + count;
}

} // namespace

int IdentifierWordOffset(int channel, bool marked) {
    if (marked)
        return ImageLayout::MarkedIdentifiers + 4 * (channel - 1);
    return channel <= 6 ? ImageLayout::FirstIdentifiers + 4 * (channel - 1)
                        : ImageLayout::SecondIdentifiers + 4 * (channel - 7);
}

int ChannelRecordOffset(int channel) {
    return ImageLayout::ChannelRecords + ChannelRecordSize * (channel - 1);
}

// The low six bits of the first byte are the divisor of 1 Mbit/s minus one.
QByteArray BitTimingBytes(const QString& baudRateText) {
    static const struct {
        const char* text;
        char first;
    } Rates[] = {{"1 Mbit", 0x40},
                 {"500 kbit", 0x41},
                 {"250 kbit", 0x43},
                 {"125 kbit", 0x47},
                 {"33.3 kbit", 0x5D}};
    for (const auto& rate : Rates) {
        if (baudRateText == QLatin1String(rate.text)) {
            QByteArray bytes(3, '\0');
            bytes[0] = rate.first;
            bytes[1] = static_cast<char>(0xFE);
            bytes[2] = 0x03;
            return bytes;
        }
    }
    return QByteArray(3, '\0');
}

bool IsExtendedIdentifier(const ConfigModel& model, int row) {
    return IsExtendedIdentifier(model.rowCells(row));
}

std::int32_t IdentifierNumber(const ConfigModel& model, int row) {
    return IdentifierNumber(model.rowCells(row));
}

bool IsExtendedIdentifier(const ChannelCells& row) {
    // The list's two entries are known without reading them as numbers.
    const QString& text = row.at(ColIdLength);
    if (text == QLatin1StringView("29 bit"))
        return true;
    if (text == QLatin1StringView("11 bit"))
        return false;
    return TextToNumber(row.at(ColIdLength)) == 29;
}

// An identifier outside the 32-bit range reads like unreadable text: 0.
std::int32_t IdentifierNumber(const ChannelCells& row) {
    return RoundToInt32(TextToNumber(row.at(ColCanId))).value_or(0);
}

QByteArray EncodeIdentifierWord(bool marker, bool extended, std::int32_t id) {
    char word[4];
    writeIdentifierWord(word, marker, extended, id);
    return QByteArray(word, sizeof word);
}

QByteArray BuildObdPriorityTable(const QStringList& priorityTexts) {
    const qsizetype n = priorityTexts.size();
    QVector<std::uint8_t> level(n, 0);
    for (qsizetype j = 0; j < n; ++j)
        level[j] = RoundToByte(TextToNumber(priorityTexts.at(j))).value_or(0);

    // Level 1 parameters all share sequence number 1; the others count up
    // within their level, in table order.
    QVector<std::uint8_t> sequence(n, 0);
    for (int L = 1; L <= 8; ++L) {
        int k = 1;
        for (qsizetype j = 0; j < n; ++j) {
            if (level[j] != L)
                continue;
            sequence[j] = static_cast<std::uint8_t>(k);
            if (L > 1)
                ++k;
        }
    }

    QByteArray table;
    for (qsizetype j = 0; j < n; ++j) {
        // Above 8 the mask 2^(p-1) no longer fits a byte, which then keeps p.
        const std::uint8_t p = level[j];
        const std::uint8_t mask =
            p == 0 ? 0 : (p <= 8 ? static_cast<std::uint8_t>(1u << (p - 1)) : p);
        table.append(static_cast<char>(mask));
    }
    for (qsizetype j = 0; j < n; ++j)
        table.append(static_cast<char>(sequence[j]));
    return table;
}

QByteArray BuildConfigImage(const ConfigModel& model, const VariableCatalogue& catalogue) {
    RowIdentifier rows[ChannelCount + 1];
    for (int row = 1; row <= ChannelCount; ++row)
        rows[row] = identifierOf(model, row);
    QStringList priorities;
    priorities.reserve(ObdGridRows - 1);
    for (int row = 1; row < ObdGridRows; ++row)
        priorities.append(model.obdPriority(row));
    const QByteArray obdTable = BuildObdPriorityTable(priorities);

    QByteArray image(ImageLayout::ChannelRecords + ChannelCount * ChannelRecordSize +
                         ImageFillSize + obdTable.size(),
                     Qt::Uninitialized);
    char* out = image.data();
    out = writeIdentifierWords(out, rows, 1, 6, false);
    out = fill(out, 8, ByteFF);
    out = writeIdentifierWords(out, rows, 7, ChannelCount, false);
    out = fill(out, 4, ByteFF);
    out = fill(out, 4, 0);
    const QByteArray timing = BitTimingBytes(model.baudRateText());
    out = std::copy(timing.cbegin(), timing.cend(), out);
    *out++ = static_cast<char>(ChannelCount);
    out = writeIdentifierWords(out, rows, 1, ChannelCount, true);
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        const QByteArray record = EncodeChannelRecord(model, catalogue, channel);
        out = std::copy(record.cbegin(), record.cend(), out);
    }
    out = fill(out, ImageFillSize, ByteFF);
    std::copy(obdTable.cbegin(), obdTable.cend(), out);
    return image;
}

} // namespace cac
