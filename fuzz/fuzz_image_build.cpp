// The configuration image from arbitrary cell texts. The input is split at
// line feeds: line 0 is the OBD mode flag ("1" on), lines 1 to 180 the
// channel cells row by row (12 settings per channel), line 181 the bit-rate
// text and lines 182 to 199 the OBD priorities. Missing lines are empty.
#include "FuzzCheck.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"
#include "output/IntelHex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

std::uint8_t at(const QByteArray& bytes, qsizetype i) {
    return static_cast<std::uint8_t>(bytes.at(i));
}

bool allBytes(const QByteArray& image, qsizetype from, qsizetype count, std::uint8_t value) {
    for (qsizetype i = from; i < from + count; ++i) {
        if (at(image, i) != value)
            return false;
    }
    return true;
}

// A catalogue of the full size with one named variable in several
// identifier groups.
const cac::VariableCatalogue& Catalogue() {
    static const cac::VariableCatalogue catalogue(
        8001, {{5, {QStringLiteral("LOW"), QStringLiteral("Below list")}},
               {1000, {QStringLiteral("OILT"), QStringLiteral("Oil temp")}},
               {1500, {QStringLiteral("RPM"), QStringLiteral("Engine speed")}},
               {1501, {QStringLiteral("WSPD"), QStringLiteral("Wheel speed")}},
               {1600, {QStringLiteral("FREQ"), QStringLiteral("Frequency")}}});
    return catalogue;
}

// One model for all inputs; every input sets everything the image reads.
cac::ConfigModel& Model() {
    static cac::ConfigModel* model = [] {
        auto* m = new cac::ConfigModel;
        QStringList variables{cac::DoNotUseText};
        for (const cac::CatalogueEntry& entry : Catalogue()) {
            if (!entry.defaultName.isEmpty())
                variables.append(entry.userName + QStringLiteral(" {") + entry.defaultName + u'}');
        }
        m->setVariableList(variables);
        return m;
    }();
    return *model;
}

// Byte offsets of the image's parts.
constexpr qsizetype FirstIds = 0;    // channels 1 to 6
constexpr qsizetype FirstFill = 24;  // 8 x FF
constexpr qsizetype SecondIds = 32;  // channels 7 to 15
constexpr qsizetype SecondFill = 68; // 4 x FF, then 4 x 00
constexpr qsizetype BitTiming = 76;  // 3 bytes
constexpr qsizetype ChannelCountAt = 79;
constexpr qsizetype MarkedIds = 80;  // channels 1 to 15, bit 2 of byte 1 set
constexpr qsizetype Records = 140;   // 15 x 24
constexpr qsizetype TailFill = 500;  // 604 x FF
constexpr qsizetype ObdTable = 1104; // 18 masks, 18 sequence numbers

void checkImage(const QByteArray& image, const cac::ConfigModel& model) {
    check(image.size() == cac::ConfigImageSize);
    check(allBytes(image, FirstFill, 8, 0xFF));
    check(allBytes(image, SecondFill, 4, 0xFF));
    check(allBytes(image, SecondFill + 4, 4, 0x00));
    check(at(image, ChannelCountAt) == 15);
    check(allBytes(image, TailFill, 604, 0xFF));

    const qsizetype rate = cac::BaudRateEntries().indexOf(model.baudRateText());
    if (rate < 0) {
        check(allBytes(image, BitTiming, 3, 0x00));
    } else {
        static const std::uint8_t first[] = {0x40, 0x41, 0x43, 0x47, 0x5D};
        check(at(image, BitTiming) == first[rate] && at(image, BitTiming + 1) == 0xFE &&
              at(image, BitTiming + 2) == 0x03);
    }

    // The marked block repeats the identifier words with the marker bit.
    for (int channel = 1; channel <= 15; ++channel) {
        const qsizetype plain =
            channel <= 6 ? FirstIds + 4 * (channel - 1) : SecondIds + 4 * (channel - 7);
        const qsizetype marked = MarkedIds + 4 * (channel - 1);
        check(at(image, marked) == at(image, plain));
        check(at(image, marked + 1) == (at(image, plain + 1) | 0x04));
        check(at(image, marked + 2) == at(image, plain + 2));
        check(at(image, marked + 3) == at(image, plain + 3));
    }

    for (int channel = 1; channel <= 15; ++channel) {
        const qsizetype record = Records + 24 * (channel - 1);
        check(allBytes(image, record + 8, 8, 0x00)); // the two unused floats
    }
    if (model.obdModeEnabled())
        check(allBytes(image, Records + 24 * 14 + 5, 2, 0xFF));

    // Sequence numbers count within a level, so none exceeds the row count.
    for (int row = 0; row < 18; ++row)
        check(at(image, ObdTable + 18 + row) <= 18);
}

// Every record of the HEX text adds up to 0 modulo 256, and the records
// carry the image in order from 0x6000.
void checkHex(const QByteArray& hex, const QByteArray& image) {
    const QList<QByteArray> lines = hex.split('\n');
    check(lines.size() == 74);
    check(lines.first() == ":020000040000FA\r" && lines.last() == ":00000001FF");
    QByteArray carried;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        check(line.startsWith(':') && line.endsWith('\r'));
        const QByteArray record = QByteArray::fromHex(line.mid(1, line.size() - 2));
        check(record.size() * 2 == line.size() - 2);
        unsigned sum = 0;
        for (const char byte : record)
            sum += static_cast<std::uint8_t>(byte);
        check(sum % 256 == 0);
        const unsigned address = (at(record, 1) << 8) | at(record, 2);
        check(address == 0x6000u + static_cast<unsigned>(carried.size()));
        carried += record.mid(4, at(record, 0));
    }
    check(carried == image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 16384)
        return 0;
    const QList<QByteArray> lines =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\n');
    auto line = [&](qsizetype i) {
        return i < lines.size() ? QString::fromUtf8(lines.at(i)) : QString();
    };

    cac::ConfigModel& model = Model();
    model.setObdModeEnabled(false);
    for (int channel = 1; channel <= 15; ++channel) {
        for (int column = 1; column <= 12; ++column)
            model.setCell(channel, column, line(1 + (channel - 1) * 12 + (column - 1)));
    }
    model.setBaudRateText(line(181));
    for (int row = 1; row <= cac::ObdParameterCount; ++row)
        model.setObdPriority(row, line(181 + row));
    // Switching OBD mode on overwrites channel 15's variable cell, as in the window.
    if (line(0) == QLatin1String("1"))
        model.setObdModeEnabled(true);

    const QByteArray image = cac::BuildConfigImage(model, Catalogue());
    checkImage(image, model);
    checkHex(cac::IntelHexText(image), image);
    return 0;
}
