// Where a signal sits in its frame: each byte order's worked examples from the
// public conventions, the cell texts read as the image reads them, and every
// order at every start bit against a bit-by-bit walk (which covers the edges).
#include "Fixtures.h"
#include "bitmap/FramePictureTexts.h"
#include "bitmap/LayoutText.h"
#include "bitmap/SignalBitMap.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"

#include <QSet>
#include <QTest>

using namespace cac;

namespace {

// "2:7..0 1:7..4": runs of bits within one byte, most significant first.
QString RunsText(const SignalBitMap& map) {
    QStringList runs;
    const QList<BitPosition>& p = map.positions;
    for (qsizetype i = 0; i < p.size();) {
        qsizetype j = i;
        while (j + 1 < p.size() && p[j + 1].byte == p[i].byte && p[j + 1].bit == p[j].bit - 1)
            ++j;
        runs.append(i == j
                        ? QStringLiteral("%1:%2").arg(p[i].byte).arg(p[i].bit)
                        : QStringLiteral("%1:%2..%3").arg(p[i].byte).arg(p[i].bit).arg(p[j].bit));
        i = j + 1;
    }
    return runs.join(u' ');
}

// The conventions as prose says them, one bit at a time: Intel runs up from
// its least significant bit, carrying from bit 7 to bit 0 of the next byte;
// Motorola runs down from its most significant bit, carrying from bit 0 to
// bit 7 of the next byte. Sequential start bits count bit 0 as byte 0's bit 7.
QList<BitPosition> Walk(int start, int length, ByteOrder order) {
    auto sequential = [](int s) { return BitPosition{s / 8, 7 - s % 8}; };
    auto up = [](BitPosition p) { // to the next more significant bit
        return p.bit == 7 ? BitPosition{p.byte + 1, 0} : BitPosition{p.byte, p.bit + 1};
    };
    auto upMotorola = [](BitPosition p) {
        return p.bit == 7 ? BitPosition{p.byte - 1, 0} : BitPosition{p.byte, p.bit + 1};
    };
    auto downMotorola = [](BitPosition p) {
        return p.bit == 0 ? BitPosition{p.byte + 1, 7} : BitPosition{p.byte, p.bit - 1};
    };
    QList<BitPosition> bits;
    BitPosition p{start / 8, start % 8};
    switch (order) {
    case ByteOrder::IntelSequential:
        p = sequential(start);
        [[fallthrough]];
    case ByteOrder::IntelStandard:
        for (int k = 0; k < length; ++k, p = up(p))
            bits.prepend(p);
        break;
    case ByteOrder::MotorolaForwLsb:
        for (int k = 0; k < length; ++k, p = upMotorola(p))
            bits.prepend(p);
        break;
    case ByteOrder::MotorolaSeq:
        p = sequential(start);
        [[fallthrough]];
    case ByteOrder::MotorolaForwMsb:
        for (int k = 0; k < length; ++k, p = downMotorola(p))
            bits.append(p);
        break;
    case ByteOrder::MotorolaBackward:
        break;
    }
    return bits;
}

const QStringList Orders = FixedChoiceList(ComboForColumn(ColByteOrder));

} // namespace

class TestBitMap : public QObject {
    Q_OBJECT
private slots:
    void tablePerOrder_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("valueType");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("bits");
        auto row = [](const char* name, const char* start, const char* length, int order,
                      const char* bits, const char* type = "Unsigned") {
            QTest::newRow(name) << start << length << type << order << bits;
        };
        // Intel standard: start bit = least significant, database numbering (@1).
        // MATLAB's little-endian example: 10 bits from bit 2 end at bit 11.
        row("IS matlab 2|10", "2", "10", 0, "1:3..0 0:7..2");
        // Intel sequential: the same bits, the start bit counted in bus order.
        row("ISeq 12 bits at 11", "11", "12", 1, "2:7..0 1:7..4");
        // Motorola forw MSB: start bit = most significant, database numbering (@0).
        // canmatrix's wiki: 7|32@0 fills bytes 0 to 3, 39|32@0 bytes 4 to 7.
        row("MM 7|32", "7", "32", 3, "0:7..0 1:7..0 2:7..0 3:7..0");
        row("MM 39|32", "39", "32", 3, "4:7..0 5:7..0 6:7..0 7:7..0");
        row("MM matlab msb 4", "4", "10", 3, "0:4..0 1:7..3");
        // Motorola forw LSB: the same run, the start bit naming its least significant bit.
        // MATLAB's big-endian example: 10 bits with start bit 11 reach up to bit 4.
        row("ML matlab 11|10", "11", "10", 2, "0:4..0 1:7..3");
        // Motorola seq: most significant bit in bus order.
        row("MS 12 bits at 12", "12", "12", 4, "1:3..0 2:7..0");
        // Read as the image reads the cells.
        row("float takes 32", "0", "8", 0, "3:7..0 2:7..0 1:7..0 0:7..0", "Float (single)");
        row("halves to even", "2.5", "3.5", 0, "0:5..2");
        row("negative start is 0", "-1", "4", 0, "0:3..0");
        row("length repeats start", "4", "300", 0, "0:7..4");
        row("hex start", "0x38", "8", 0, "7:7..0");
        row("no bits", "0", "0", 0, "");
        // An unlisted value type leaves the length's bits in the format byte:
        // 16 bits read as code 1, "Intel sequential".
        row("unlisted type", "7", "16", 0, "1:7..0 0:7..0", "signed");
    }
    void tablePerOrder() {
        QFETCH(QString, start);
        QFETCH(QString, length);
        QFETCH(QString, valueType);
        QFETCH(int, order);
        QFETCH(QString, bits);
        const SignalBitMap map = MapSignalBits(start, length, valueType, Orders.at(order));
        QVERIFY(map.known);
        QCOMPARE(RunsText(map), bits);
    }

    void unknownOrders() {
        const SignalBitMap backward = MapSignalBits("0", "8", "Unsigned", Orders.at(5));
        QVERIFY(!backward.known);
        QVERIFY(backward.positions.isEmpty());
        QVERIFY(backward.unknownReason.contains("Motorola backward"));
        // 96 bits with an unlisted value type leave code 6 in the format byte.
        const SignalBitMap code6 = MapSignalBits("0", "96", "float", Orders.at(0));
        QVERIFY(!code6.known);
        QVERIFY(code6.unknownReason.contains("code 6"));
    }

    // Every known order at every start bit a record can hold: exactly
    // `length` distinct bits, the bit-by-bit walk's bits, and "inside" only
    // when every bit is in bytes 0 to 7.
    void everyOrderMatchesTheWalk() {
        for (int order = 0; order <= 4; ++order) {
            for (int start = 0; start <= 255; ++start) {
                for (int length : {0, 1, 7, 8, 9, 16, 31, 32, 33, 64, 255}) {
                    const SignalBitMap map = MapSignalBits(start, length, order);
                    const QList<BitPosition> walk =
                        Walk(start, length, static_cast<ByteOrder>(order));
                    if (map.positions != walk)
                        QFAIL(qPrintable(QStringLiteral("order %1, start %2, length %3: %4")
                                             .arg(order)
                                             .arg(start)
                                             .arg(length)
                                             .arg(RunsText(map))));
                    QSet<int> distinct;
                    bool inside = true;
                    for (const BitPosition& p : map.positions) {
                        distinct.insert(p.databaseIndex());
                        QVERIFY(p.bit >= 0 && p.bit <= 7);
                        inside = inside && p.byte >= 0 && p.byte <= 7;
                    }
                    QCOMPARE(distinct.size(), length);
                    QCOMPARE(map.insideFrame(), inside);
                }
            }
        }
    }

    void modelRowReadsItsCells() {
        ConfigModel model;
        SetRow(model, ChannelCount,
               "x|11 bit|0x100|No Filter|0|56|16|Unsigned|Motorola forw LSB|1|0|0");
        QCOMPARE(RunsText(MapChannelBits(model, ChannelCount)), QStringLiteral("6:7..0 7:7..0"));
        // A row never edited: start 0, length 0, no bits.
        QVERIFY(MapChannelBits(model, 1).positions.isEmpty());
    }

    // Every byte a "Filter Loc" entry names is named alike by the picture's
    // row and the layout text's row: Byte 1 (the frame's first) to Byte 8.
    void byteNumbersAsFilterLoc() {
        const QStringList entries = FixedChoiceList(6).mid(1); // after "No Filter"
        QCOMPARE(entries.size(), 8);
        for (const QString& entry : entries) {
            ConfigModel model;
            SetRow(model, ChannelCount,
                   QStringLiteral("Engine speed {RPM}|11 bit|0x100|%1|7|0|8|Unsigned|Intel "
                                  "standard|1|0|0")
                       .arg(entry)
                       .toUtf8()
                       .constData());
            const ChannelSignal signal = ReadChannelSignal(model, ChannelCount);
            const int row = signal.filter.dataByte();
            QCOMPARE(row, entry.mid(5).toInt() - 1);
            QCOMPARE(FramePictureByte(row), entry);
            const QList<FrameChannels> frames = UsedFrames(model);
            QCOMPARE(frames.size(), 1);
            const QStringList lines = FrameLayoutText(model, frames.first()).split(u'\n');
            const auto filtered = std::find_if(lines.begin(), lines.end(), [&](const QString& l) {
                return l.contains(QStringLiteral("filter (\"%1\")").arg(entry));
            });
            QVERIFY2(filtered != lines.end(), qPrintable(entry));
            QVERIFY2(filtered->startsWith(QStringLiteral("  ") + entry + QStringLiteral("  ")),
                     qPrintable(*filtered));
        }
    }
};

QTEST_GUILESS_MAIN(TestBitMap)
#include "tst_bitmap.moc"
