#include "Fixtures.h"
#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"

#include <QTest>

using namespace cac;

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

} // namespace

class TestImage : public QObject {
    Q_OBJECT
private slots:
    void identifierWord_data() {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("word"); // marker clear; the marker adds 04 to byte 1
        QTest::newRow("11: 0x280") << false << 0x280 << Hex("50000000");
        QTest::newRow("11: 0x7FF") << false << 0x7FF << Hex("FFE00000");
        QTest::newRow("11: 0x800 wraps") << false << 0x800 << Hex("00000000");
        QTest::newRow("11: -1") << false << -1 << Hex("FFE00000");
        QTest::newRow("11: largest") << false << 67108863 << Hex("FFE00000");
        QTest::newRow("11: x32 overflows") << false << 67108864 << Hex("00000000");
        QTest::newRow("11: x32 underflows") << false << -67108865 << Hex("00000000");
        QTest::newRow("29: 0") << true << 0 << Hex("00080000");
        QTest::newRow("29: 0x280") << true << 0x280 << Hex("00080280");
        QTest::newRow("29: 0x18FEF100") << true << 0x18FEF100 << Hex("C7EAF100");
        QTest::newRow("29: 0x1FFFFFFF") << true << 0x1FFFFFFF << Hex("FFEBFFFF");
        QTest::newRow("29: top bits ignored") << true << -1 << Hex("FFEBFFFF");
    }
    void identifierWord() {
        QFETCH(bool, extended);
        QFETCH(int, id);
        QFETCH(QByteArray, word);
        QCOMPARE(EncodeIdentifierWord(false, extended, id).toHex(' '), word.toHex(' '));
        word[1] = char(word[1] | 0x04);
        QCOMPARE(EncodeIdentifierWord(true, extended, id).toHex(' '), word.toHex(' '));
    }
    void priorityTable_data() {
        QTest::addColumn<QString>("priorities");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("start-up") << StartupObdPriorities().join('|')
                                  << Hex("021010401040080401000208000104040000"
                                         "010102010302010101000202000102030000");
        QTest::newRow("all off") << QStringList(18, "OFF").join('|') << QByteArray(36, '\0');
        // 9 and more keep their number as mask; 256 does not fit a byte and is off.
        QTest::newRow("unusual texts")
            << "9|255|256|2.5|0x3|8|3.5|1|1" + QString("|OFF").repeated(9)
            << Hex("09FF00020480080101000000000000000000"
                   "000000010101010101000000000000000000");
    }
    void priorityTable() {
        QFETCH(QString, priorities);
        QFETCH(QByteArray, expected);
        QCOMPARE(BuildObdPriorityTable(priorities.split('|')).toHex(' '), expected.toHex(' '));
    }
    void adapterFloat_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("0") << 0.0 << Hex("00000000");
        QTest::newRow("-0") << -0.0 << Hex("00000000");
        QTest::newRow("1") << 1.0 << Hex("0000007F");
        QTest::newRow("-1") << -1.0 << Hex("8000007F");
        QTest::newRow("-400") << -400.0 << Hex("C8000087");
        QTest::newRow("single 0.1") << double(0.1f) << Hex("4CCCCD7B");
        QTest::newRow("double 0.1 truncated") << 0.1 << Hex("4CCCCC7B");
    }
    void adapterFloat() {
        QFETCH(double, value);
        QFETCH(QByteArray, expected);
        QCOMPARE(EncodeAdapterFloat(value).toHex(' '), expected.toHex(' '));
    }
    void channelRecord_data() {
        QTest::addColumn<QString>("cells");
        QTest::addColumn<bool>("obdMode");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* name, const QString& cells, bool obd, int channel,
                      const char* head, const char* tail) {
            QTest::newRow(name) << cells << obd << channel
                                << Hex(QByteArray(head) + "0000000000000000" + tail);
        };
        row("defaults", DefaultRow, false, 1, "0001010000000000", "0000007F00000000");
        row("never edited", "", false, 2, "0000800000000000", "0000007F00000000");
        row("engine speed",
            "x {RPM}|11 bit|0x100|No Filter|0|16|16|Unsigned|Motorola forw MSB|4|0|0", false, 3,
            "1010300000490100", "0000007D00000000");
        row("oil temperature",
            "Oil temp {OILT}|11 bit|0x100|Byte 3|5|8|8|Signed|Intel standard|0.1|-40|-2", false, 4,
            "08088103054801FE", "48000085C8000087");
        row("float ignores length", "|||No Filter||0|5|Float (single)|Intel sequential|1|0|0",
            false, 5, "0020120000000000", "0000007F00000000");
        row("unknown type keeps length", "|||No Filter||0|3|signed|Motorola seq|1|0|0", false, 6,
            "0003430000000000", "0000007F00000000");
        row("filter, hex value", "|||Byte 8|0x1F|0|1|Unsigned|Motorola backward|1|0|0", false, 7,
            "0001D0081F000000", "0000007F00000000");
        // A byte that does not fit repeats the byte before it.
        row("filter value 300", "|||Byte 2|300|0|1|Signed|Intel standard|1|0|0", false, 8,
            "0001810202000000", "0000007F00000000");
        row("start bit -1, halves to even", "|||No Filter|3.5|-1|2.5|Signed||1|0|-128", false, 9,
            "0002010004000080", "0000007F00000000");
        row("exponent 300", "x {CNT3}|||No Filter|3|0|1|Signed||1|0|300", false, 10,
            "00010100035F0303", "4800008500000000");
        row("position above 255, scale 0", "x {CNT256}|||No Filter|0|0|1|Signed||0|0|7", false, 11,
            "00010100005F0007", "4800008500000000");
        row("channel 15 in OBD mode", DefaultRow.chopped(5) + "0.5|0|0", true, 15,
            "0001010000FFFF00", "0000008000000000");
        row("channel 15 in OBD mode, named", "Oil temp {OILT}||||||1|Signed||1|0|0", true, 15,
            "0001810000FFFF00", "2000008200000000");
        row("channel 14 in OBD mode", "Oil temp {OILT}||||||1|Signed||1|1|0", true, 14,
            "0001810000480100", "2000008220000082");
    }
    void channelRecord() {
        QFETCH(QString, cells);
        QFETCH(bool, obdMode);
        QFETCH(int, channel);
        QFETCH(QByteArray, expected);
        ConfigModel model;
        model.setObdModeEnabled(obdMode);
        SetRow(model, channel, cells);
        const QByteArray record = EncodeChannelRecord(model, StandardCatalogue(), channel);
        QCOMPARE(record.toHex(' '), expected.toHex(' '));
    }
    void startupImage() {
        const QByteArray image = BuildConfigImage(ConfigModel(), StandardCatalogue());
        QByteArray expected = QByteArray(24, '\0') + QByteArray(8, '\xFF') + QByteArray(36, '\0') +
                              Hex("FFFFFFFF0000000041FE030F") + Hex("00040000").repeated(15) +
                              Hex("000080000000000000000000000000000000007F00000000").repeated(15) +
                              QByteArray(604, '\xFF') +
                              BuildObdPriorityTable(StartupObdPriorities());
        QCOMPARE(expected.size(), ConfigImageSize);
        QCOMPARE(image.toHex(' '), expected.toHex(' '));
    }
    void identifierBlocks_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("word");
        auto row = [](const char* name, int channel, const char* length, const char* id,
                      const char* word) {
            QTest::newRow(name) << channel << length << id << Hex(word);
        };
        row("29 bit", 1, "29 bit", "0x18FEF100", "C7EAF100");
        row("bare 29", 6, "29", "0x1FFFFFFF", "FFEBFFFF");
        row("blank, 29", 7, " 29", "640", "00080280");
        row("30 bit", 9, "30 bit", "0x280", "50000000");
        row("29.5 bit, id halves to 2", 12, "29.5 bit", "2.5", "00400000");
        row("empty length, id 3.5", 14, "", "3.5", "00800000");
        row("beyond 32 bits", 15, "11 bit", "9999999999", "");
    }
    void identifierBlocks() {
        QFETCH(int, channel);
        QFETCH(QString, length);
        QFETCH(QString, id);
        QFETCH(QByteArray, word);
        ConfigModel model;
        model.setCell(channel, ColIdLength, length);
        model.setCell(channel, ColCanId, id);
        model.setObdModeEnabled(true); // channel 15 keeps its identifier words
        const QByteArray image = BuildConfigImage(model, StandardCatalogue());
        QCOMPARE(image.size(), ConfigImageSize);
        if (word.isEmpty()) // no settled value, but the layout must hold
            return;
        const int offset = channel <= 6 ? 4 * (channel - 1) : 32 + 4 * (channel - 7);
        QCOMPARE(image.mid(offset, 4).toHex(' '), word.toHex(' '));
        word[1] = char(word[1] | 0x04);
        QCOMPARE(image.mid(80 + 4 * (channel - 1), 4).toHex(' '), word.toHex(' '));
        QCOMPARE(model.cell(channel, ColCanId), id);
    }
    void bitTiming_data() {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("1 Mbit") << "1 Mbit" << Hex("40FE03");
        QTest::newRow("33.3 kbit") << "33.3 kbit" << Hex("5DFE03");
        QTest::newRow("capitals") << "500 KBIT" << Hex("000000");
    }
    void bitTiming() {
        QFETCH(QString, baud);
        QFETCH(QByteArray, expected);
        ConfigModel model;
        model.setBaudRateText(baud);
        model.setObdModeEnabled(true); // the hidden list still counts
        QCOMPARE(BuildConfigImage(model, {}).mid(76, 3).toHex(' '), expected.toHex(' '));
    }
};

QTEST_MAIN(TestImage)
#include "tst_image.moc"
