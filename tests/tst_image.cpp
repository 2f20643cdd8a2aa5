#include "CatalogueFixture.h"
#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"

#include <QTest>

using namespace cac;

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

QStringList Repeat(const QString& text, int count) {
    return QStringList(count, text);
}

void SetRow(ConfigModel& model, int row, const QStringList& cells) {
    for (int c = 1; c <= cells.size(); ++c)
        model.setCell(row, c, cells[c - 1]);
}

const QStringList DefaultRow{DoNotUseText, "11 bit", "0x100",          "No Filter", "0", "0",
                             "1",          "Signed", "Intel standard", "1",         "0", "0"};

QStringList DefaultsWith(std::initializer_list<std::pair<int, QString>> changes) {
    QStringList cells = DefaultRow;
    for (const auto& [column, text] : changes)
        cells[column - 1] = text;
    return cells;
}

} // namespace

class TestImage : public QObject {
    Q_OBJECT
private slots:
    void identifierWord_data();
    void identifierWord();
    void longToBytes();
    void priorityTable_data();
    void priorityTable();
    void adapterFloat_data();
    void adapterFloat();
    void channelRecord_data();
    void channelRecord();
    void startupImage();
    void bitTiming_data();
    void bitTiming();
    void identifierBlocksFollowCells();
};

void TestImage::identifierWord_data() {
    QTest::addColumn<bool>("marker");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("11: 0") << false << false << 0 << Hex("00000000");
    QTest::newRow("11: 0 marked") << true << false << 0 << Hex("00040000");
    QTest::newRow("11: 0x100 marked") << true << false << 0x100 << Hex("20040000");
    QTest::newRow("11: 0x280") << false << false << 0x280 << Hex("50000000");
    QTest::newRow("11: 0x7FF") << false << false << 0x7FF << Hex("FFE00000");
    QTest::newRow("11: 0x800 wraps") << false << false << 0x800 << Hex("00000000");
    QTest::newRow("11: -1") << false << false << -1 << Hex("FFE00000");
    QTest::newRow("11: largest x32") << false << false << 67108863 << Hex("FFE00000");
    QTest::newRow("11: x32 overflows") << false << false << 67108864 << Hex("00000000");
    QTest::newRow("11: x32 overflows, marked") << true << false << 67108864 << Hex("00040000");
    QTest::newRow("11: below -2^26") << true << false << -67108865 << Hex("00040000");
    QTest::newRow("29: 0") << false << true << 0 << Hex("00080000");
    QTest::newRow("29: 0x18FEF100") << false << true << 0x18FEF100 << Hex("C7EAF100");
    QTest::newRow("29: 0x18FEF100 marked") << true << true << 0x18FEF100 << Hex("C7EEF100");
    QTest::newRow("29: 0x1FFFFFFF") << false << true << 0x1FFFFFFF << Hex("FFEBFFFF");
    QTest::newRow("29: 0x1FFFFFFF marked") << true << true << 0x1FFFFFFF << Hex("FFEFFFFF");
    QTest::newRow("29: top bits ignored") << false << true << -1 << Hex("FFEBFFFF");
}

void TestImage::identifierWord() {
    QFETCH(bool, marker);
    QFETCH(bool, extended);
    QFETCH(int, id);
    QFETCH(QByteArray, expected);
    QCOMPARE(EncodeIdentifierWord(marker, extended, id).toHex(' '), expected.toHex(' '));
}

void TestImage::longToBytes() {
    QCOMPARE(LongToBytes(0x12345678), Hex("78563412"));
    QCOMPARE(LongToBytes(-2), Hex("FEFFFFFF"));
    QByteArray dest;
    AppendBytes(dest, Hex("0102"));
    AppendBytes(dest, QByteArray());
    AppendBytes(dest, Hex("03"));
    QCOMPARE(dest, Hex("010203"));
}

void TestImage::priorityTable_data() {
    QTest::addColumn<QStringList>("priorities");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("start-up") << QStringList{"2",   "5", "5", "7",   "5", "7", "4", "3",   "1",
                                             "OFF", "2", "4", "OFF", "1", "3", "3", "OFF", "OFF"}
                              << Hex("021010401040080401000208000104040000"
                                     "010102010302010101000202000102030000");
    QTest::newRow("all off") << Repeat("OFF", 18) << QByteArray(36, '\0');
    QStringList odd = Repeat("OFF", 18);
    odd[0] = "9";
    odd[1] = "255";
    odd[2] = "256"; // does not fit a byte: off
    odd[3] = "2.5"; // halves to even: level 2
    odd[4] = "0x3";
    odd[5] = "8";
    odd[6] = "3.5";
    odd[7] = "1";
    odd[8] = "1";
    QTest::newRow("unusual texts") << odd
                                   << Hex("09FF00020480080101000000000000000000"
                                          "000000010101010101000000000000000000");
}

void TestImage::priorityTable() {
    QFETCH(QStringList, priorities);
    QFETCH(QByteArray, expected);
    QCOMPARE(BuildObdPriorityTable(priorities).toHex(' '), expected.toHex(' '));
}

void TestImage::adapterFloat_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("0") << 0.0 << Hex("00000000");
    QTest::newRow("-0") << -0.0 << Hex("00000000");
    QTest::newRow("1") << 1.0 << Hex("0000007F");
    QTest::newRow("-1") << -1.0 << Hex("8000007F");
    QTest::newRow("0.5") << 0.5 << Hex("0000007E");
    QTest::newRow("0.25") << 0.25 << Hex("0000007D");
    QTest::newRow("10") << 10.0 << Hex("20000082");
    QTest::newRow("100") << 100.0 << Hex("48000085");
    QTest::newRow("-400") << -400.0 << Hex("C8000087");
    QTest::newRow("single 0.1") << double(0.1f) << Hex("4CCCCD7B");
    QTest::newRow("double 0.1 truncated") << 0.1 << Hex("4CCCCC7B");
}

void TestImage::adapterFloat() {
    QFETCH(double, value);
    QFETCH(QByteArray, expected);
    QCOMPARE(EncodeAdapterFloat(value).toHex(' '), expected.toHex(' '));
}

void TestImage::channelRecord_data() {
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<bool>("obdMode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("expected");

    const char* zeros = "0000000000000000";
    auto record = [&](const char* head, const char* tail) {
        return Hex(QByteArray(head) + zeros + tail);
    };
    QTest::newRow("defaults") << DefaultRow << false << 1
                              << record("0001010000000000", "0000007F00000000");
    QTest::newRow("never edited") << Repeat(QString(), 12) << false << 2
                                  << record("0000800000000000", "0000007F00000000");
    QTest::newRow("engine speed") << DefaultsWith({{1, "Engine speed {RPM}"},
                                                   {6, "16"},
                                                   {7, "16"},
                                                   {8, "Unsigned"},
                                                   {9, "Motorola forw MSB"},
                                                   {10, "4"}})
                                  << false << 3 << record("1010300000490100", "0000007D00000000");
    QTest::newRow("oil temperature")
        << DefaultsWith({{1, "Oil temp {OILT}"},
                         {4, "Byte 3"},
                         {5, "5"},
                         {6, "8"},
                         {7, "8"},
                         {10, "0.1"},
                         {11, "-40"},
                         {12, "-2"}})
        << false << 4 << record("08088103054801FE", "48000085C8000087");
    QTest::newRow("float ignores length")
        << DefaultsWith({{7, "5"}, {8, "Float (single)"}, {9, "Intel sequential"}}) << false << 5
        << record("0020120000000000", "0000007F00000000");
    QTest::newRow("unknown type keeps length")
        << DefaultsWith({{7, "3"}, {8, "signed"}, {9, "Motorola seq"}}) << false << 6
        << record("0003430000000000", "0000007F00000000");
    QTest::newRow("filter flag and order")
        << DefaultsWith({{4, "Byte 8"}, {8, "Unsigned"}, {9, "Motorola backward"}, {5, "0x1F"}})
        << false << 7 << record("0001D0081F000000", "0000007F00000000");
    QTest::newRow("filter value too big repeats position")
        << DefaultsWith({{4, "Byte 2"}, {5, "300"}}) << false << 8
        << record("0001810202000000", "0000007F00000000");
    QTest::newRow("halves to even, bad start bit")
        << DefaultsWith({{6, "-1"}, {7, "2.5"}, {5, "3.5"}, {12, "-128"}}) << false << 9
        << record("0002010004000080", "0000007F00000000");
    QTest::newRow("exponent magnitude too big")
        << DefaultsWith({{1, "x {CNT3}"}, {5, "3"}, {12, "300"}}) << false << 10
        << record("00010100035F0303", "4800008500000000");
    QTest::newRow("position above 255")
        << DefaultsWith({{1, "x {CNT256}"}, {12, "7"}, {10, "0"}}) << false << 11
        << record("00010100005F0007", "4800008500000000");
    QTest::newRow("channel 15 in OBD mode")
        << DefaultsWith({{1, UsedForObdText}, {10, "0.5"}}) << true << 15
        << record("0001010000FFFF00", "0000008000000000");
    QTest::newRow("channel 15, OBD mode, named variable")
        << DefaultsWith({{1, "Oil temp {OILT}"}}) << true << 15
        << record("0001010000FFFF00", "2000008200000000");
    QTest::newRow("OBD mode leaves channel 14 alone")
        << DefaultsWith({{1, "Oil temp {OILT}"}, {11, "1"}}) << true << 14
        << record("0001010000480100", "2000008220000082");
}

void TestImage::channelRecord() {
    QFETCH(QStringList, cells);
    QFETCH(bool, obdMode);
    QFETCH(int, channel);
    QFETCH(QByteArray, expected);
    ConfigModel model;
    model.setObdModeEnabled(obdMode);
    SetRow(model, channel, cells);
    const QByteArray record = EncodeChannelRecord(model, StandardCatalogue(), channel);
    QCOMPARE(record.toHex(' '), expected.toHex(' '));
}

void TestImage::startupImage() {
    ConfigModel model;
    const QByteArray image = BuildConfigImage(model, StandardCatalogue());
    QCOMPARE(image.size(), ConfigImageSize);
    const QByteArray emptyRecord = Hex("000080000000000000000000000000000000007F00000000");
    QByteArray expected = QByteArray(24, '\0') + QByteArray(8, '\xFF') + QByteArray(36, '\0') +
                          Hex("FFFFFFFF0000000041FE030F");
    for (int c = 1; c <= ChannelCount; ++c)
        expected += Hex("00040000");
    for (int c = 1; c <= ChannelCount; ++c)
        expected += emptyRecord;
    expected += QByteArray(604, '\xFF') + BuildObdPriorityTable(StartupObdPriorities());
    QCOMPARE(image.toHex(' '), expected.toHex(' '));
}

void TestImage::bitTiming_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("1 Mbit") << "1 Mbit" << Hex("40FE03");
    QTest::newRow("500 kbit") << "500 kbit" << Hex("41FE03");
    QTest::newRow("250 kbit") << "250 kbit" << Hex("43FE03");
    QTest::newRow("125 kbit") << "125 kbit" << Hex("47FE03");
    QTest::newRow("33.3 kbit") << "33.3 kbit" << Hex("5DFE03");
    QTest::newRow("capitals") << "500 KBIT" << Hex("000000");
    QTest::newRow("typed") << "100 kbit" << Hex("000000");
}

void TestImage::bitTiming() {
    QFETCH(QString, baud);
    QFETCH(QByteArray, expected);
    ConfigModel model;
    model.setBaudRateText(baud);
    model.setObdModeEnabled(true); // the hidden list still counts
    QCOMPARE(BuildConfigImage(model, {}).mid(76, 3).toHex(' '), expected.toHex(' '));
}

void TestImage::identifierBlocksFollowCells() {
    ConfigModel model;
    const VariableCatalogue catalogue = StandardCatalogue();
    SetRow(model, 1, DefaultsWith({{2, "29 bit"}, {3, "0x18FEF100"}}));
    model.setCell(2, ColIdLength, "29");
    model.setCell(2, ColCanId, "0x1FFFFFFF");
    model.setCell(3, ColIdLength, " 29");
    model.setCell(3, ColCanId, "640");
    model.setCell(6, ColIdLength, "30 bit");
    model.setCell(6, ColCanId, "0x280");
    model.setCell(7, ColIdLength, "29.5 bit");
    model.setCell(7, ColCanId, "2.5"); // halves to even: 2
    SetRow(model, 8, DefaultRow);
    model.setCell(9, ColCanId, "3.5");
    model.setCell(10, ColCanId, "9999999999"); // beyond 32 bits: words still written
    SetRow(model, 15, DefaultsWith({{3, "0x7FF"}}));
    model.setObdModeEnabled(true);

    const QByteArray image = BuildConfigImage(model, catalogue);
    QCOMPARE(image.size(), ConfigImageSize);
    const QList<QByteArray> words{Hex("C7EAF100"), Hex("FFEBFFFF"), Hex("00080280"),
                                  Hex("00000000"), Hex("00000000"), Hex("50000000"),
                                  Hex("00400000"), Hex("20000000"), Hex("00800000")};
    auto wordOffset = [](int channel) {
        return channel <= 6 ? 4 * (channel - 1) : 32 + 4 * (channel - 7);
    };
    for (int c = 1; c <= words.size(); ++c) {
        QByteArray marked = words[c - 1];
        marked[1] = char(marked[1] | 0x04);
        QCOMPARE(image.mid(wordOffset(c), 4).toHex(' '), words[c - 1].toHex(' '));
        QCOMPARE(image.mid(80 + 4 * (c - 1), 4).toHex(' '), marked.toHex(' '));
    }
    QCOMPARE(image.mid(wordOffset(15), 4), Hex("FFE00000"));
    QCOMPARE(image.mid(80 + 56, 4), Hex("FFE40000"));
    for (int c = 1; c <= ChannelCount; ++c)
        QCOMPARE(image.mid(140 + 24 * (c - 1), 24), EncodeChannelRecord(model, catalogue, c));
    QCOMPARE(image.mid(145 + 24 * 14, 2), Hex("FFFF"));
    QCOMPARE(image.mid(24, 8), QByteArray(8, '\xFF'));
    QCOMPARE(image.mid(500, 604), QByteArray(604, '\xFF'));
    QCOMPARE(model.cell(15, ColVariable), UsedForObdText);
    QCOMPARE(model.cell(7, ColCanId), QString("2.5"));
}

QTEST_MAIN(TestImage)
#include "tst_image.moc"
