#include "image/ImageDecoder.h"

#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "common/AdapterMemory.h"
#include "common/HexText.h"
#include "common/TextBlanks.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"

#include <QHash>

namespace cac {
namespace {

// The variable look-up goes no further, so no variable beyond it is chosen.
constexpr std::int32_t LastVariableId = 8000;

std::uint8_t byteAt(const QByteArray& bytes, int i) {
    return static_cast<std::uint8_t>(bytes.at(i));
}

QString spacedHex(const QByteArray& bytes) {
    QStringList digits;
    for (const char byte : bytes)
        digits.append(HexByte(static_cast<std::uint8_t>(byte)));
    return digits.join(u' ');
}

// Identifiers 0 to 8000 by the logger code they get, in increasing order.
const QHash<QByteArray, QVector<std::int32_t>>& IdentifiersByLoggerCode() {
    static const auto table = [] {
        QHash<QByteArray, QVector<std::int32_t>> byCode;
        for (std::int32_t id = 0; id <= LastVariableId; ++id)
            byCode[GetLoggerChannelCode(id)].append(id);
        return byCode;
    }();
    return table;
}

class Decoder {
public:
    Decoder(const QByteArray& image, const VariableCatalogue& catalogue, ConfigModel& model,
            ImageDecoding& result)
        : m_image(image), m_catalogue(catalogue), m_model(model), m_result(result) {}

    void run() {
        const QByteArray obdCode(2, static_cast<char>(0xFF));
        m_result.obdMode = recordOf(ChannelCount).mid(5, 2) == obdCode;
        m_model.setObdModeEnabled(m_result.obdMode);
        if (m_result.obdMode)
            add(Severity::Note, "image-obd-mode", Place::Image, 0, 0,
                QStringLiteral("the image was built in OBD mode (channel 15 carries FF FF); a "
                               "configuration file does not keep OBD mode, so switch it on "
                               "again before building"));
        for (int channel = 1; channel <= ChannelCount; ++channel)
            decodeChannel(channel);
        decodeBitRate();
        decodePriorities();
        compare();
    }

private:
    QByteArray wordOf(int channel, bool marked) const {
        return m_image.mid(IdentifierWordOffset(channel, marked), 4);
    }
    QByteArray recordOf(int channel) const {
        return m_image.mid(ChannelRecordOffset(channel), ChannelRecordSize);
    }
    bool isObdChannel(int channel) const { return m_result.obdMode && channel == ChannelCount; }

    void add(Severity severity, const char* code, Place place, int row, int column,
             const QString& message) {
        m_result.findings.append(
            {severity, QString::fromLatin1(code), place, row, column, message});
    }
    bool hasFinding(Place place, int row) const {
        for (const Finding& finding : m_result.findings) {
            if (finding.place == place && finding.row == row)
                return true;
        }
        return false;
    }

    void decodeChannel(int channel) {
        // The row as it stands untouched, so that such a row stays empty.
        for (int column = 1; column < ChannelGridColumns; ++column) {
            if (!(column == ColVariable && isObdChannel(channel)))
                m_model.setCell(channel, column, QString());
        }
        auto untouchedWord = [&](bool marked) {
            return EncodeIdentifierWord(marked, IsExtendedIdentifier(m_model, channel),
                                        IdentifierNumber(m_model, channel));
        };
        const QByteArray record = recordOf(channel);
        if (wordOf(channel, false) == untouchedWord(false) &&
            wordOf(channel, true) == untouchedWord(true) &&
            record == EncodeChannelRecord(m_model, m_catalogue, channel))
            return;

        QString texts[ChannelGridColumns];
        decodeIdentifier(channel, texts);
        decodeFormat(record, texts);
        const std::int32_t variable = decodeVariable(channel, record.mid(5, 2), texts);
        const std::uint8_t exponent = byteAt(record, 7);
        texts[ColExponent] = QString::number(exponent < 128 ? exponent : exponent - 256);
        const float resolution = GetVariableResolution(variable);
        texts[ColScale] = decodeFloat(channel, ColScale, record.mid(16, 4), resolution);
        texts[ColOffset] = decodeFloat(channel, ColOffset, record.mid(20, 4), resolution);
        for (int column = 1; column < ChannelGridColumns; ++column) {
            if (!(column == ColVariable && isObdChannel(channel)))
                m_model.setCell(channel, column, texts[column]);
        }
    }

    void decodeIdentifier(int channel, QString* texts) {
        const auto reading = DecodeIdentifierWord(wordOf(channel, false));
        if (!reading ||
            EncodeIdentifierWord(true, reading->extended, reading->id) != wordOf(channel, true)) {
            add(Severity::Error, "image-identifier", Place::Channel, channel, ColCanId,
                QStringLiteral("the identifier words %1 and %2 are not a pair any identifier "
                               "gives, so the identifier cannot be read back")
                    .arg(spacedHex(wordOf(channel, false)), spacedHex(wordOf(channel, true))));
            return;
        }
        texts[ColIdLength] = FixedChoiceList(ComboForColumn(ColIdLength)).at(reading->extended);
        texts[ColCanId] = HexNumber(static_cast<quint32>(reading->id));
    }

    // Start bit, length, format byte and filter.
    void decodeFormat(const QByteArray& record, QString* texts) {
        const QStringList valueTypes = FixedChoiceList(ComboForColumn(ColValueType));
        const QStringList byteOrders = FixedChoiceList(ComboForColumn(ColByteOrder));
        // Value-type codes 0, 1, 2 are "Unsigned", "Signed", "Float (single)".
        const QString typeOfCode[] = {valueTypes.at(1), valueTypes.at(0), valueTypes.at(2)};
        const std::uint8_t length = byteAt(record, 1), format = byteAt(record, 2),
                           position = byteAt(record, 3);
        const int typeCode = format & 0x03;
        const int order = (format >> 4) & 0x07;
        const bool listed = (format & 0x0C) == 0 && typeCode != 3 && order < byteOrders.size() &&
                            (typeCode != 2 || length == 32);
        texts[ColStartBit] = QString::number(byteAt(record, 0));
        texts[ColLength] = QString::number(length);
        // A value type outside the list leaves the length's bits in the format
        // byte; such a cell is left empty.
        texts[ColValueType] = listed ? typeOfCode[typeCode] : QString();
        // Outside the list, the byte order ORs its code into the length's bits.
        const int lengthOrder = listed ? 0 : (length >> 4) & 0x07;
        for (int code = 0; code < byteOrders.size() && texts[ColByteOrder].isEmpty(); ++code) {
            if ((lengthOrder | code) == order)
                texts[ColByteOrder] = byteOrders.at(code);
        }
        // The filter position reads the last two characters of "Filter Loc";
        // one that does not fit a byte repeats the format byte.
        const bool filterOn = (format & 0x80) && (listed || !(length & 0x80) || position != 0);
        if (!filterOn)
            texts[ColFilterLoc] = FixedChoiceList(ComboForColumn(ColFilterLoc)).at(0);
        else
            texts[ColFilterLoc] = QStringLiteral("Byte %1").arg(position <= 99 ? position : -1);
        texts[ColFilterVal] = QString::number(byteAt(record, 4));
    }

    // The variable the logger code names, or -1.
    std::int32_t decodeVariable(int channel, const QByteArray& code, QString* texts) {
        if (isObdChannel(channel))
            return FindVariableIndex(m_catalogue, m_model.cell(channel, ColVariable));
        texts[ColVariable] = DoNotUseText;
        if (code == QByteArray(2, '\0'))
            return -1;
        const QVector<std::int32_t> ids = IdentifiersByLoggerCode().value(code);
        if (ids.isEmpty()) {
            add(Severity::Error, "image-logger-code", Place::Channel, channel, ColVariable,
                QStringLiteral("logger code %1 names no variable, so the channel's variable "
                               "cannot be read back")
                    .arg(spacedHex(code)));
            return -1;
        }
        for (const std::int32_t id : ids) {
            if (id >= m_catalogue.size())
                break;
            const CatalogueEntry& entry = m_catalogue.at(id);
            if (entry.defaultName.isEmpty())
                continue;
            // The list's entry text when it looks up to the variable; the
            // default name alone when blanks around it keep the entry text
            // from doing so (the look-up trims a whole text, not a name in
            // braces).
            for (const QString& text :
                 {entry.userName + QStringLiteral(" {") + entry.defaultName + u'}',
                  TrimBlanks(entry.defaultName).toString()}) {
                if (FindVariableIndex(m_catalogue, text) == id) {
                    texts[ColVariable] = text;
                    return id;
                }
            }
        }
        add(Severity::Error, "image-variable-unnamed", Place::Channel, channel, ColVariable,
            QStringLiteral("the image feeds variable identifier %1 (logger code %2), which this "
                           "catalogue does not name: the cell says so, and the channel feeds "
                           "nothing until a variable is chosen")
                .arg(ids.first())
                .arg(spacedHex(code)));
        texts[ColVariable] = QStringLiteral("Unknown variable %1").arg(ids.first());
        m_result.unnamedVariables.append(ids.first());
        return ids.first();
    }

    QString decodeFloat(int channel, int column, const QByteArray& bytes, float resolution) {
        const bool scale = column == ColScale;
        auto gives = [&](double number) {
            return EncodeAdapterFloat(scale ? RecordMultiplier(number, resolution)
                                            : RecordOffset(number, resolution)) == bytes;
        };
        QString text;
        if (const auto value = DecodeAdapterFloat(bytes)) {
            // A multiplier of 0 comes from a scale whose reciprocal has no
            // 32-bit float.
            const double near = !scale   ? double(*value) * resolution
                                : *value ? 1.0 / (double(*value) * resolution)
                                         : 1e-40;
            text = ShortestNumberText(near, gives);
        }
        if (text.isEmpty())
            add(Severity::Error, "image-not-reproducible", Place::Channel, channel, column,
                QStringLiteral("the %1 bytes %2 are not what any %3 gives with this variable's "
                               "resolution")
                    .arg(scale ? QStringLiteral("multiplier") : QStringLiteral("offset"),
                         spacedHex(bytes),
                         scale ? QStringLiteral("scale factor") : QStringLiteral("offset")));
        return text;
    }

    void decodeBitRate() {
        const QByteArray timing = m_image.mid(ImageLayout::BitTiming, 3);
        for (const QString& entry : BaudRateEntries()) {
            if (BitTimingBytes(entry) == timing) {
                m_model.setBaudRateText(entry);
                return;
            }
        }
        add(Severity::Error, "image-bit-rate", Place::BitRate, 0, 0,
            timing == BitTimingBytes({})
                ? QStringLiteral("the bit timing 00 00 00 comes from a bit-rate text outside the "
                                 "list, which a configuration file cannot keep: it gets %1")
                      .arg(m_model.baudRateText())
                : QStringLiteral("the bit timing %1 is not one of any bit rate: it gets %2")
                      .arg(spacedHex(timing), m_model.baudRateText()));
    }

    void decodePriorities() {
        QList<int> unreadable;
        const QStringList texts = DecodeObdPriorityTable(
            m_image.mid(ImageLayout::ObdTable, 2 * ObdParameterCount), &unreadable);
        for (int row = 1; row <= ObdParameterCount; ++row)
            m_model.setObdPriority(row, texts.at(row - 1));
        for (const int row : unreadable)
            add(Severity::Error, "image-not-reproducible", Place::ObdPriority, row, 0,
                QStringLiteral("the mask and sequence number in the image are not what any "
                               "priorities give: it gets %1")
                    .arg(texts.at(row - 1)));
    }

    // Builds the settings again and names what still differs.
    void compare() {
        const QByteArray rebuilt = BuildConfigImage(m_model, m_catalogue);
        m_result.identical = rebuilt == m_image;
        if (m_result.identical)
            return;
        QVector<bool> explained(ConfigImageSize, false);
        auto mark = [&](int from, int count) {
            for (int i = from; i < from + count; ++i)
                explained[i] = true;
        };
        for (int channel = 1; channel <= ChannelCount; ++channel) {
            const int record = ChannelRecordOffset(channel);
            mark(IdentifierWordOffset(channel, false), 4);
            mark(IdentifierWordOffset(channel, true), 4);
            mark(record, ChannelRecordSize);
            if (hasFinding(Place::Channel, channel))
                continue;
            for (int i = 0; i < ChannelRecordSize; ++i) {
                if (rebuilt.at(record + i) != m_image.at(record + i)) {
                    add(Severity::Error, "image-not-reproducible", Place::Channel, channel,
                        RecordByteColumn(i),
                        QStringLiteral("record byte %1 holds %2, which no settings give (they "
                                       "give %3)")
                            .arg(i)
                            .arg(HexByte(byteAt(m_image, record + i)),
                                 HexByte(byteAt(rebuilt, record + i))));
                    break;
                }
            }
        }
        mark(ImageLayout::BitTiming, 3);
        mark(ImageLayout::ObdTable, 2 * ObdParameterCount);
        int differing = 0, first = -1;
        for (int i = 0; i < ConfigImageSize; ++i) {
            if (!explained[i] && rebuilt.at(i) != m_image.at(i)) {
                ++differing;
                if (first < 0)
                    first = i;
            }
        }
        if (first >= 0)
            add(Severity::Error, "image-fixed-bytes", Place::Image, 0, 0,
                QStringLiteral("address 0x%1 holds %2 where the program always writes %3 (%4 "
                               "such bytes)")
                    .arg(HexDigits(ImageLoadAddress + first), HexByte(byteAt(m_image, first)),
                         HexByte(byteAt(rebuilt, first)))
                    .arg(differing));
    }

    const QByteArray& m_image;
    const VariableCatalogue& m_catalogue;
    ConfigModel& m_model;
    ImageDecoding& m_result;
};

} // namespace

ImageDecoding DecodeConfigImage(const QByteArray& image, const VariableCatalogue& catalogue,
                                ConfigModel& model) {
    ImageDecoding result;
    if (image.size() != ConfigImageSize) {
        result.findings.append({Severity::Error, QStringLiteral("image-size"), Place::Image, 0, 0,
                                QStringLiteral("the image is %1 bytes, not %2")
                                    .arg(image.size())
                                    .arg(ConfigImageSize)});
        return result;
    }
    Decoder(image, catalogue, model, result).run();
    return result;
}

} // namespace cac
