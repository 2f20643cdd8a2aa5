#include "Fixtures.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"
#include "output/FlasherCommand.h"
#include "output/IntelHex.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using namespace cac;

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

// Bytes as spaced hex digits, so that a failure shows where they differ.
QByteArray Spaced(const QByteArray& bytes) {
    return bytes.toHex(' ');
}

} // namespace

class TestImage : public QObject {
    Q_OBJECT
private slots:
    void priorityTable() {
        // 9 and more keep their number as mask; 256 does not fit a byte and is off.
        const QStringList unusual = QString("9|255|256|2.5|0x3|8|3.5|1|1|OFF").split('|');
        const std::pair<QStringList, QByteArray> rows[] = {
            {StartupObdPriorities(), Hex("021010401040080401000208000104040000"
                                         "010102010302010101000202000102030000")},
            {QStringList(18, "OFF"), QByteArray(36, '\0')},
            {unusual + QStringList(8, "OFF"), Hex("09FF00020480080101000000000000000000"
                                                  "000000010101010101000000000000000000")}};
        for (const auto& [priorities, table] : rows) {
            const RowName row(priorities.join('|'));
            QCOMPARE(Spaced(BuildObdPriorityTable(priorities)), Spaced(table));
        }
    }

    void adapterFloat() {
        // clang-format off
        const std::pair<double, const char*> rows[] = {
            {0.0, "00000000"}, {-0.0, "00000000"}, {1.0, "0000007F"}, {-1.0, "8000007F"},
            {-400.0, "C8000087"}, {double(0.1f), "4CCCCD7B"}, {0.1, "4CCCCC7B"}}; // truncated
        // clang-format on
        for (const auto& [value, bytes] : rows) {
            const RowName row(QString::number(value, 'g', 17));
            QCOMPARE(Spaced(EncodeAdapterFloat(value)), Spaced(Hex(bytes)));
        }
    }

    void channelRecord() {
        // Channels 14 and 15 in OBD mode.
        // clang-format off
        const std::tuple<int, QString, const char*> rows[] = {
            {1, DefaultRow, "0001010000000000 0000000000000000 0000007F00000000"},
            {2, "", "0000800000000000 0000000000000000 0000007F00000000"}, // never edited
            {3, "x {RPM}|11 bit|0x100|No Filter|0|16|16|Unsigned|Motorola forw MSB|4|0|0",
                "1010300000490100 0000000000000000 0000007D00000000"},
            {4, "Oil temp {OILT}|11 bit|0x100|Byte 3|5|8|8|Signed|Intel standard|0.1|-40|-2",
                "08088103054801FE 0000000000000000 48000085C8000087"},
            // A float ignores the length; an unknown type keeps it.
            {5, "|||No Filter||0|5|Float (single)|Intel sequential|1|0|0",
                "0020120000000000 0000000000000000 0000007F00000000"},
            {6, "|||No Filter||0|3|signed|Motorola seq|1|0|0",
                "0003430000000000 0000000000000000 0000007F00000000"},
            {7, "|||Byte 8|0x1F|0|1|Unsigned|Motorola backward|1|0|0",
                "0001D0081F000000 0000000000000000 0000007F00000000"},
            // A byte that does not fit repeats the byte before it.
            {8, "|||Byte 2|300|0|1|Signed|Intel standard|1|0|0",
                "0001810202000000 0000000000000000 0000007F00000000"},
            {9, "|||No Filter|3.5|-1|2.5|Signed||1|0|-128",
                "0002010004000080 0000000000000000 0000007F00000000"},
            {10, "x {CNT3}|||No Filter|3|0|1|Signed||1|0|300",
                 "00010100035F0303 0000000000000000 4800008500000000"},
            {11, "x {CNT256}|||No Filter|0|0|1|Signed||0|0|7",
                 "00010100005F0007 0000000000000000 4800008500000000"},
            {15, DefaultRow.chopped(5) + "0.5|0|0",
                 "0001010000FFFF00 0000000000000000 0000008000000000"},
            {15, "Oil temp {OILT}||||||1|Signed||1|0|0",
                 "0001810000FFFF00 0000000000000000 2000008200000000"},
            {14, "Oil temp {OILT}||||||1|Signed||1|1|0",
                 "0001810000480100 0000000000000000 2000008220000082"}};
        // clang-format on
        for (const auto& [channel, cells, record] : rows) {
            const RowName row(QString("channel %1: %2").arg(channel).arg(cells));
            ConfigModel model;
            model.setObdModeEnabled(channel >= 14);
            SetRow(model, channel, cells);
            QCOMPARE(Spaced(EncodeChannelRecord(model, StandardCatalogue(), channel)),
                     Spaced(Hex(record)));
        }
    }

    // The words of 11-bit identifiers are id * 32 while that fits 32 bits, the
    // 29-bit ones carry the flag 08; each follows the first blocks marker-free,
    // then in the block at 80 with the marker 04.
    void identifierWords() {
        // clang-format off
        const std::tuple<const char*, const char*, const char*> rows[] = {
            {"11 bit", "0x280", "50000000"}, {"11 bit", "0x7FF", "FFE00000"},
            {"11 bit", "0x800", "00000000"}, {"", "-1", "FFE00000"}, {"", "67108863", "FFE00000"},
            {"", "67108864", "00000000"}, {"", "-67108865", "00000000"},
            {"30 bit", "0x280", "50000000"}, {"", "3.5", "00800000"},
            {"29 bit", "0", "00080000"}, {"29", "0x280", "00080280"},
            {" 29", "0x18FEF100", "C7EAF100"}, {"29 bit", "0x1FFFFFFF", "FFEBFFFF"},
            {"29 bit", "-1", "FFEBFFFF"}, {"29.5 bit", "2.5", "00400000"},
            {"11 bit", "9999999999", ""}}; // no settled word, but the layout must hold
        // clang-format on
        int channel = 0;
        for (const auto& [length, id, word] : rows) {
            channel = channel % ChannelCount + 1;
            const RowName row(QString("channel %1: %2, %3").arg(channel).arg(length, id));
            ConfigModel model;
            model.setCell(channel, ColIdLength, length);
            model.setCell(channel, ColCanId, id);
            model.setObdModeEnabled(true); // channel 15 keeps its identifier words
            const QByteArray image = BuildConfigImage(model, StandardCatalogue());
            QCOMPARE(image.size(), ConfigImageSize);
            QCOMPARE(model.cell(channel, ColCanId), QString(id));
            if (!*word)
                continue;
            const int at = channel <= 6 ? 4 * (channel - 1) : 32 + 4 * (channel - 7);
            QCOMPARE(Spaced(image.mid(at, 4)), Spaced(Hex(word)));
            QByteArray marked = Hex(word);
            marked[1] = char(marked[1] | 0x04);
            QCOMPARE(Spaced(image.mid(80 + 4 * (channel - 1), 4)), Spaced(marked));
        }
    }

    // Every entry of the list, in list order, then a text that is none of them.
    void bitTiming() {
        const QStringList rates = BaudRateEntries() << "500 KBIT";
        const char* const timings[] = {"40FE03", "41FE03", "43FE03", "47FE03", "5DFE03", "000000"};
        QCOMPARE(rates.size(), qsizetype(std::size(timings)));
        for (qsizetype i = 0; i < rates.size(); ++i) {
            const RowName row(rates[i]);
            ConfigModel model;
            model.setBaudRateText(rates[i]);
            model.setObdModeEnabled(true); // the hidden list still counts
            QCOMPARE(Spaced(BuildConfigImage(model, {}).mid(76, 3)), Spaced(Hex(timings[i])));
        }
    }

    void startupImageAndHexFile() {
        const QByteArray image = BuildConfigImage(ConfigModel(), StandardCatalogue());
        QByteArray expected = QByteArray(24, '\0') + QByteArray(8, '\xFF') + QByteArray(36, '\0') +
                              Hex("FFFFFFFF0000000041FE030F") + Hex("00040000").repeated(15) +
                              Hex("000080000000000000000000000000000000007F00000000").repeated(15) +
                              QByteArray(604, '\xFF') +
                              BuildObdPriorityTable(StartupObdPriorities());
        QCOMPARE(expected.size(), ConfigImageSize);
        QCOMPARE(Spaced(image), Spaced(expected));

        const QByteArray text = IntelHexText(image);
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines.size(), 74);
        QCOMPARE(
            lines.mid(0, 3),
            QList<QByteArray>({":020000040000FA\r", ":106000000000000000000000000000000000000090\r",
                               ":106010000000000000000000FFFFFFFFFFFFFFFF88\r"}));
        QCOMPARE(lines.mid(70), QList<QByteArray>({":10645000021010401040080401000208000104046A\r",
                                                   ":10646000000001010201030201010100020200011A\r",
                                                   ":046470000203000023\r", ":00000001FF"}));
        QCOMPARE(text.count('\r'), 73);
        QCOMPARE(text.toUpper(), text);

        // Short images: the checksum byte is 00, not 100; a tail gets a short record.
        const QByteArray zeros = ":10600000" + QByteArray(32, '0') + "90\r\n";
        const QByteArray head = ":020000040000FA\r\n", end = ":00000001FF";
        QCOMPARE(IntelHexText(QByteArray(16, '\0')), head + zeros + end);
        QCOMPARE(IntelHexText(char(0x90) + QByteArray(15, '\0')),
                 head + ":1060000090" + QByteArray(30, '0') + "00\r\n" + end);
        QCOMPARE(IntelHexText(QByteArray(16, '\0') + char(0xAB)),
                 head + zeros + ":01601000ABE4\r\n" + end);
    }

    // Written file read back by an independent Intel HEX reader (srecord).
    // Failed writes are covered with the other writers in tst_failsafe.
    void writeIntelHexReadBySrecord() {
        const QString srecCmp = QStandardPaths::findExecutable("srec_cmp");
        if (srecCmp.isEmpty())
            QSKIP("srec_cmp (Debian package srecord) is not installed");
        QTemporaryDir dir;
        QByteArray image(ConfigImageSize, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>(i * 7 + 3);
        const QString hex = dir.filePath(HexFileName);
        const QString bin = dir.filePath("image.bin");
        QVERIFY(WriteIntelHex(image, hex));
        QFile raw(bin);
        QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write(image) == image.size());
        raw.close();
        QProcess cmp;
        cmp.start(srecCmp, {hex, "-Intel", bin, "-Binary", "-offset", "0x6000"});
        QVERIFY(cmp.waitForFinished());
        QVERIFY2(cmp.exitCode() == 0, cmp.readAllStandardError().constData());
    }

    void flasherCommand() {
        const QString tools = "C:\\Tools\\Updrive.exe <FACTORY> <F:C:\\Tools\\TempConfig.hex > <P:";
        const std::tuple<const char*, const char*, char, QString> rows[] = {
            {"C:\\Tools", "Serial Port 16", '\\', tools + "16>"},
            {"C:\\Tools", "", '\\', tools + "0>"},
            {"C:\\Tools", "COM7", '\\', tools + "7>"},
            {"/opt/cac", "Serial Port 3", '/',
             "/opt/cac/Updrive.exe <FACTORY> <F:/opt/cac/TempConfig.hex > <P:3>"}};
        for (const auto& [folder, port, separator, command] : rows) {
            const RowName row(QString("%1, %2").arg(folder, port));
            QCOMPARE(FlasherCommandLine(folder, port, QChar(separator)), command);
        }
        // Blanks in the folder stay inside the program and the file argument.
        const FlasherInvocation run =
            FlasherInvocationFor("/home/me/my tools", "Serial Port 2", '/');
        QCOMPARE(run.program, QString("/home/me/my tools/Updrive.exe"));
        QCOMPARE(run.arguments,
                 QStringList({"<FACTORY>", "<F:/home/me/my tools/TempConfig.hex", ">", "<P:2>"}));
    }
};

QTEST_MAIN(TestImage)
#include "tst_image.moc"
