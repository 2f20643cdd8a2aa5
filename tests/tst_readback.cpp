// Reading an image back: Intel HEX text into bytes, bytes into settings that
// build the same image again, through a saved .ccf.
#include "Fixtures.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "checks/Finding.h"
#include "configfile/CcfFile.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"
#include "obd/ObdParameters.h"
#include "output/IntelHex.h"
#include "output/IntelHexReader.h"

#include <QRandomGenerator>
#include <QTest>

#include <tuple>

using namespace cac;

namespace {

QString Pick(QRandomGenerator& random, const QStringList& texts) {
    return texts.at(random.bounded(static_cast<int>(texts.size())));
}

// Number texts as users type them, and as they go wrong.
QString RandomNumber(QRandomGenerator& random) {
    switch (random.bounded(5)) {
    case 0:
        return QString::number(random.bounded(-300, 300));
    case 1:
        return QString::number(random.generateDouble() * 2000 - 1000, 'g', random.bounded(1, 12));
    case 2:
        return QStringLiteral("0x") + QString::number(random.bounded(0x20000000), 16);
    case 3:
        return QString::number(random.generateDouble(), 'g', random.bounded(1, 5))
            .replace('.', ',');
    default:
        return Pick(random, {"", "abc", "1.2.3", "12abc", " 0x10", "1E3", "-0", "0.1", "2.5",
                             "1e-40", "1E400", "0x", "0xFFFFFFFF", "99999999999", "-128"});
    }
}

void FillRandomly(ConfigModel& model, QRandomGenerator& random,
                  const VariableCatalogue& catalogue) {
    QStringList variables{DoNotUseText, "", "Unknown {NONE}", " oil TEMP {oilt} ", "x {low}"};
    for (const CatalogueEntry& entry : catalogue) {
        if (!entry.defaultName.isEmpty())
            variables.append(entry.userName + " {" + entry.defaultName + '}');
    }
    for (int row = 1; row <= ChannelCount; ++row) {
        if (random.bounded(4) == 0)
            continue; // an untouched row
        for (int column = 1; column < ChannelGridColumns; ++column) {
            const int combo = ComboForColumn(column);
            QString text;
            if (column == ColVariable)
                text = Pick(random, variables);
            else if (combo > 0 && random.bounded(5) > 0)
                text = Pick(random, FixedChoiceList(combo));
            else if (combo > 0 && combo != 2 && combo != 3)
                text = Pick(random, {"", "signed", "Byte 9", "30 bit", "Byte -1", "Motorola"});
            else
                text = RandomNumber(random);
            model.setCell(row, column, text);
        }
    }
    model.setObdModeEnabled(random.bounded(4) == 0);
    model.setBaudRateText(Pick(random, BaudRateEntries()));
    for (int row = 1; row <= ObdParameterCount; ++row)
        model.setObdPriority(row, Pick(random, PriorityEntries() + QStringList{"9", "200", "2.5"}));
}

// One Intel HEX record with its checksum.
QByteArray Record(int address, int type, const QByteArray& data) {
    QByteArray bytes =
        char(data.size()) + QByteArray(1, char(address >> 8)) + char(address) + char(type) + data;
    int sum = 0;
    for (const char byte : bytes)
        sum += static_cast<std::uint8_t>(byte);
    return ':' + (bytes + char(-sum)).toHex().toUpper();
}

QString FindingLines(const QList<Finding>& findings) {
    QStringList lines;
    for (const Finding& finding : findings)
        lines.append(FindingLine("image", finding));
    return lines.join('\n');
}

} // namespace

class TestReadback : public QObject {
    Q_OBJECT
private slots:
    // Any configuration whose bit rate is a list entry comes back from its
    // HEX file as settings whose saved .ccf builds the very same bytes.
    void randomConfigurationsRoundTrip() {
        const VariableCatalogue catalogue = GroupsCatalogue();
        QRandomGenerator random(20240611);
        for (int n = 0; n < 3000; ++n) {
            ConfigModel model;
            FillRandomly(model, random, catalogue);
            const QByteArray image = BuildConfigImage(model, catalogue);
            const RowName row(QString("case %1:\n").arg(n) + SerializeCcf(model));

            HexFault fault;
            const std::optional<QByteArray> read = ReadIntelHexImage(IntelHexText(image), &fault);
            QVERIFY2(read, qPrintable(fault.message));
            QCOMPARE(*read, image);

            ConfigModel decoded;
            const ImageDecoding decoding = DecodeConfigImage(image, catalogue, decoded);
            QVERIFY2(decoding.identical, qPrintable(FindingLines(decoding.findings)));
            QCOMPARE(decoding.obdMode, model.obdModeEnabled());

            ConfigModel reloaded;
            QCOMPARE(ApplyCcf(reloaded, SerializeCcf(decoded)).channelColumnsApplied, 12);
            if (decoding.obdMode) // as "hex --obd" does
                reloaded.setObdModeEnabled(true);
            QCOMPARE(BuildConfigImage(reloaded, catalogue), image);
        }
    }

    // Each fault is named with its line; other tools' ways of writing the
    // same image read alike.
    void hexReaderFaults() {
        QByteArray image(ConfigImageSize, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 13 + 7);
        const QList<QByteArray> lines = IntelHexText(image).split('\n'); // CR kept, but the last
        auto with = [&](int index, const QByteArray& line) {
            QList<QByteArray> changed = lines;
            changed[index] = line;
            return changed.join('\n');
        };
        auto without = [&](int index) {
            QList<QByteArray> changed = lines;
            changed.removeAt(index);
            return changed.join('\n');
        };
        // Records of 32 bytes, last first, in segment addressing, LF ends, lower case.
        QList<QByteArray> other{Record(0, 2, QByteArray::fromHex("0600"))};
        for (int at = ConfigImageSize - ConfigImageSize % 32; at >= 0; at -= 32)
            other.append(Record(at, 0, image.mid(at, 32)).toLower());
        other << ""
              << ":00000001FF"
              << "";
        const QByteArray blank = with(5, lines[5] + "\n   \t");
        const auto checksumPlusOne = [](const QByteArray& line) {
            const int checksum = line.mid(41, 2).toInt(nullptr, 16);
            return QByteArray::number((checksum + 1) % 256, 16).rightJustified(2, '0') + '\r';
        };

        const std::tuple<const char*, QByteArray, int, const char*> rows[] = {
            {"as written", lines.join('\n'), 0, ""},
            {"other tool", other.join('\n'), 0, ""},
            {"blank lines", blank, 0, ""},
            {"no colon", with(2, ";" + lines[2].mid(1)), 3, "starts with ':'"},
            {"not a digit", with(1, lines[1].left(9) + "G" + lines[1].mid(10)), 2,
             "'G' at column 10"},
            {"odd digits", with(3, lines[3].left(20) + lines[3].mid(21)), 4, "odd number"},
            {"too short", with(3, ":00000001"), 4, "too short: 4 bytes"},
            {"count", with(3, lines[3].left(10) + lines[3].mid(12)), 4,
             "count says 16 data bytes, but it holds 15"},
            {"checksum one too large", with(3, lines[3].left(41) + checksumPlusOne(lines[3])), 4,
             "the record's bytes need"},
            {"type 06", with(3, ":00000006FA"), 4, "record type 06"},
            {"end with data", with(73, Record(0, 1, "x")), 74, "end record carries data"},
            {"address size", with(0, Record(0, 4, "x")), 1, "holds 2 bytes, this one 1"},
            {"below", with(1, Record(0x5FFF, 0, "xy")), 2, "0x5FFF lies outside"},
            {"beyond", with(72, Record(0x6470, 0, "12345")), 73,
             "0x6474 lies outside the configuration image (0x6000 to 0x6473)"},
            {"twice", with(3, lines[2]), 4, "0x6010 was already given on line 3"},
            {"no end record", without(73), 73, "ends without the end record"},
            {"missing record", without(2), 73, "no data for 0x6010 (16 of its 1140"},
            {"after the end", lines.join('\n') + "\n" + lines[1], 75, "follows the end record"},
            {"empty", "", 1, "ends without the end record"},
            {"huge line", QByteArray(1 << 20, '0').prepend(':'), 1, "longer than any"}};
        for (const auto& [name, text, line, says] : rows) {
            const RowName row(name);
            HexFault fault;
            const std::optional<QByteArray> read = ReadIntelHexImage(text, &fault);
            QCOMPARE(fault.line, line);
            QVERIFY2(fault.message.contains(says), qPrintable(fault.message));
            if (line == 0)
                QCOMPARE(read.value_or("<fault>"), image);
            else
                QVERIFY(!read);
        }
    }

    // What an image cannot say is a finding at its place (the first one);
    // the rest still reads.
    void decoderFindings() {
        ConfigModel source;
        SetRow(source, 2, "Named {N1003}|11 bit|0x100|No Filter|0|0|8|Signed|Intel standard|1|0|0");
        const VariableCatalogue named = MakeCatalogue(1100, {{1003, "N1003", "Named"}});
        const QByteArray base = BuildConfigImage(source, named);
        auto changed = [&](int offset, const QByteArray& bytes) {
            return QByteArray(base).replace(offset, bytes.size(), bytes);
        };
        ConfigModel obd;
        obd.setObdModeEnabled(true);
        ConfigModel typedRate;
        typedRate.setBaudRateText("50 kbit");

        const std::tuple<const char*, QByteArray, VariableCatalogue, const char*, Place, int, int,
                         bool>
            rows[] = {{"unnamed", base, GroupsCatalogue(), "image-variable-unnamed", Place::Channel,
                       2, ColVariable, false},
                      {"obd", BuildConfigImage(obd, named), named, "image-obd-mode", Place::Image,
                       0, 0, true},
                      {"typed rate", BuildConfigImage(typedRate, named), named, "image-bit-rate",
                       Place::BitRate, 0, 0, false},
                      {"fill", changed(30, "\x01"), named, "image-fixed-bytes", Place::Image, 0, 0,
                       false},
                      {"unused float", changed(ChannelRecordOffset(3) + 9, "\x01"), named,
                       "image-not-reproducible", Place::Channel, 3, 0, false},
                      {"logger code", changed(ChannelRecordOffset(4) + 5, "\x12\x34"), named,
                       "image-logger-code", Place::Channel, 4, ColVariable, false},
                      {"words", changed(IdentifierWordOffset(5, true), "\x01"), named,
                       "image-identifier", Place::Channel, 5, ColCanId, false},
                      {"mask", changed(ImageLayout::ObdTable + 6, "\x03"), named,
                       "image-not-reproducible", Place::ObdPriority, 7, 0, false},
                      {"size", base.left(100), named, "image-size", Place::Image, 0, 0, false}};
        for (const auto& [name, image, catalogue, code, place, row, column, identical] : rows) {
            const RowName rowName(name);
            ConfigModel decoded;
            const ImageDecoding decoding = DecodeConfigImage(image, catalogue, decoded);
            QCOMPARE(decoding.identical, identical);
            QVERIFY(!decoding.findings.isEmpty());
            const Finding& finding = decoding.findings.first();
            QVERIFY2(finding.code == code, qPrintable(FindingLines(decoding.findings)));
            QCOMPARE(int(finding.place), int(place));
            QCOMPARE(finding.row, row);
            QCOMPARE(finding.column, column);
        }
        // Every exponent a signed byte holds reads back as itself.
        for (int exponent = -128; exponent <= 127; ++exponent) {
            ConfigModel model;
            SetRow(model, 2,
                   "Named {N1003}|11 bit|0x100|No Filter|0|0|8|Signed|Intel standard|1|0|" +
                       QString::number(exponent));
            ConfigModel back;
            const ImageDecoding read =
                DecodeConfigImage(BuildConfigImage(model, named), named, back);
            QVERIFY2(read.identical, qPrintable(FindingLines(read.findings)));
            QCOMPARE(back.cell(2, ColExponent), QString::number(exponent));
        }
        // A default name with blanks around it, or made only of them: the
        // cell gets a text that looks up to the image's variable whenever
        // one does, and the image is then built again.
        for (const QString& defaultName :
             QStringList{" N1003 ", "N1003 ", "  N1003", "n1003", " "}) {
            const RowName name('"' + defaultName + '"');
            const VariableCatalogue blanks = MakeCatalogue(1100, {{1003, defaultName, "Named"}});
            ConfigModel decodedBlanks;
            const ImageDecoding decoding = DecodeConfigImage(base, blanks, decodedBlanks);
            const bool named = FindVariableIndex(blanks, defaultName) == 1003;
            QCOMPARE(FindVariableIndex(blanks, decodedBlanks.cell(2, ColVariable)),
                     named ? 1003 : -1);
            QCOMPARE(decoding.identical, named);
        }
        // The variable the catalogue does not name is said in its cell.
        ConfigModel decoded;
        DecodeConfigImage(base, GroupsCatalogue(), decoded);
        QCOMPARE(decoded.cell(2, ColVariable), QString("Unknown variable 1003"));
        QCOMPARE(decoded.cell(2, ColCanId), QString("0x100"));
    }
};

QTEST_MAIN(TestReadback)
#include "tst_readback.moc"
