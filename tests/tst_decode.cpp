// What the adapter makes of frames: against canmatrix decoding the demo
// database's signals (the reference), then hand tables per byte order at the
// frame's edges, the filter and identifier cases, and scaling as the image
// reads the cells.
#include "Fixtures.h"
#include "HexFrame.h"
#include "canlog/LogReader.h"
#include "dbc/CanDatabase.h"
#include "dbc/SignalRow.h"
#include "decode/DecodeTexts.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace cac;

namespace {

const QString Defaults =
    "Engine speed {RPM}|11 bit|0x100|No Filter|0|0|8|Unsigned|Intel standard|1|0|0";

// Channel 1 of a model holding `cells`, decoding `frame`: the raw value, or
// "not taken", or why there is no value.
QString DecodeOne(const QString& cells, const CanFrame& frame,
                  const VariableCatalogue& catalogue = StandardCatalogue()) {
    ConfigModel model;
    SetRow(model, 1, cells);
    const FrameDecoder decoder(model, catalogue);
    const ChannelDecoding& d = decoder.channel(1);
    if (!d.problem.isEmpty())
        return "no value: " + d.problem;
    if (!decoder.takes(d, frame))
        return "not taken";
    QString problem;
    const auto value = decoder.decode(d, frame, &problem);
    if (!value)
        return problem;
    return QString::number(value->raw, 'g', 12);
}

// canmatrix's lines: "index message.signal raw physical".
QMap<QPair<int, QString>, QPair<double, double>> ReadReference(const QString& path) {
    QMap<QPair<int, QString>, QPair<double, double>> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    while (!file.atEnd()) {
        const QList<QByteArray> f = file.readLine().trimmed().split(' ');
        if (f.size() == 4)
            values.insert({f[0].toInt(), QString::fromLatin1(f[1])},
                          {f[2].toDouble(), f[3].toDouble()});
    }
    return values;
}

bool Close(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) <= 1e-6 * std::max(1.0, std::abs(b));
}

// The logger's value at its resolution, in exact decimal arithmetic: raw /
// scale + offset for scales of 1, 1/2 and -1/4 and offsets of whole halves,
// in steps of 10^-decimals, halves to the even step.
QString ExactLoggedText(qint64 raw, int perUnit, double offset, int decimals) {
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const qint64 twiceSteps = 2 * (raw * perUnit * scale) + static_cast<qint64>(2 * offset) * scale;
    qint64 steps = twiceSteps / 2; // toward zero; then the half, when there is one
    if (twiceSteps % 2 != 0 && steps % 2 != 0)
        steps += twiceSteps > 0 ? 1 : -1;
    QString digits = QString::number(std::abs(steps)).rightJustified(decimals + 1, '0');
    if (decimals > 0)
        digits.insert(digits.size() - decimals, '.');
    return (steps < 0 ? "-" : "") + digits;
}

} // namespace

class TestDecode : public QObject {
    Q_OBJECT

private slots:
    void againstCanmatrix();
    void byteOrderEdges_data();
    void byteOrderEdges();
    void frameSelection_data();
    void frameSelection();
    void scaling_data();
    void scaling();
    void tallyAndTexts();
    void untakenLine_data();
    void untakenLine();
};

// Every signal of the demo database the import maps (Intel standard and
// Motorola forw MSB, signed, unsigned and float, a multiplexed pair), in
// channels of up to 15, decodes random frames to canmatrix's values, and a
// channel takes exactly the frames canmatrix gives the signal for.
void TestDecode::againstCanmatrix() {
    const QString dir = QStringLiteral(CAC_REFERENCE_DIR);
    const auto reference = ReadReference(dir + "/dbc.txt");
    QVERIFY2(!reference.isEmpty(), "no reference: run the canlog_reference_logs test first");
    CanDatabase database;
    QVERIFY(LoadCanDatabase(QStringLiteral(CAC_EXAMPLES_DIR "/demo-vehicle.dbc"), database));
    QList<QPair<QString, SignalRow>> rows; // "Message.Signal", its channel row
    for (const DbcMessage& message : database.messages)
        for (const DbcSignal& signal : message.signalList)
            if (const SignalRow row = MapSignalToRow(message, signal); row.importable())
                rows.append({message.name + '.' + signal.name, row});
    QVERIFY(rows.size() > 15);

    QSet<QString> orders;
    int compared = 0;
    for (qsizetype first = 0; first < rows.size(); first += ChannelCount) {
        ConfigModel model;
        QStringList names;
        for (int c = 1; c <= ChannelCount && first + c - 1 < rows.size(); ++c) {
            const auto& [name, row] = rows[first + c - 1];
            model.setCell(c, ColVariable, name + " {X}");
            for (int col = ColIdLength; col <= ColExponent; ++col)
                model.setCell(c, col, row.cells[col]);
            orders.insert(row.cells[ColByteOrder]);
            names << name;
        }
        const FrameDecoder decoder(model, VariableCatalogue());
        DecodeTally tally(decoder);
        QMap<QPair<int, QString>, QPair<double, double>> decoded;
        int index = 0;
        tally.setSink([&](int channel, const CanFrame&, const DecodedValue& v) {
            decoded.insert({index, names[channel - 1]}, {v.raw, v.value});
        });
        QFile log(dir + "/dbc.log");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const auto reader = OpenLogReader(&log, LogFormat::Unknown, nullptr);
        QVERIFY(reader);
        CanFrame frame;
        for (; reader->readFrame(frame); ++index)
            tally.add(frame);
        QVERIFY(index > 0);

        QMap<QPair<int, QString>, QPair<double, double>> expected;
        for (auto it = reference.begin(); it != reference.end(); ++it)
            if (names.contains(it.key().second))
                expected.insert(it.key(), it.value());
        QCOMPARE(decoded.keys(), expected.keys());
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            const auto got = decoded.value(it.key());
            const QString where = QStringLiteral("frame %1, %2: raw %3 value %4, canmatrix %5 %6")
                                      .arg(it.key().first)
                                      .arg(it.key().second)
                                      .arg(got.first)
                                      .arg(got.second)
                                      .arg(it.value().first)
                                      .arg(it.value().second);
            QVERIFY2(got.first == it.value().first || Close(got.first, it.value().first),
                     qPrintable(where));
            QVERIFY2(Close(got.second, it.value().second), qPrintable(where));
            ++compared;
        }
    }
    QCOMPARE(orders, (QSet<QString>{"Intel standard", "Motorola forw MSB"}));
    QVERIFY(compared > 1000);
}

// One row per byte order and value type at the frame's edges: the first and
// last bit, a signal ending in byte 7, the widest signal, the sign bit.
void TestDecode::byteOrderEdges_data() {
    QTest::addColumn<QString>("layout"); // start|length|type|order
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const char* layout, const char* data, const QString& expected) {
        QTest::newRow(name) << layout << QByteArray(data) << expected;
    };
    row("intel last bit", "63|1|Unsigned|Intel standard", "0000000000000080", "1");
    row("intel smallest signed", "4|12|Signed|Intel standard", "0080", "-2048");
    row("intel signed -1 in 32 bits", "32|32|Signed|Intel standard", "00000000ffffffff", "-1");
    row("intel largest unsigned 32 bits", "32|32|Unsigned|Intel standard", "00000000ffffffff",
        "4294967295");
    row("intel float, length cell ignored", "32|8|Float (single)|Intel standard",
        "0000000000509a44", "1234.5");
    row("motorola ending in byte 7", "55|16|Unsigned|Motorola forw MSB", "000000000000beef",
        "48879");
    row("motorola smallest signed", "3|12|Signed|Motorola forw MSB", "0800", "-2048");
    row("motorola largest signed", "3|12|Signed|Motorola forw MSB", "07ff", "2047");
    row("motorola float", "7|32|Float (single)|Motorola forw MSB", "c49a5000", "-1234.5");
    row("frame too short", "56|8|Unsigned|Intel standard", "00000000000000",
        "a frame of 7 bytes is too short for a signal reaching Byte 8");
    row("beyond the frame", "60|8|Unsigned|Intel standard", "0000000000000000",
        "no value: the signal reaches beyond the 8 data bytes");
    row("motorola backward", "0|8|Unsigned|Motorola backward", "00",
        "no value: " + MapSignalBits(0, 8, 5).unknownReason);
}

void TestDecode::byteOrderEdges() {
    QFETCH(QString, layout);
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    const QStringList l = layout.split('|');
    const QString cells =
        QStringLiteral("Engine speed {RPM}|11 bit|0x100|No Filter|0|%1|%2|%3|%4|1|0|0")
            .arg(l[0], l[1], l[2], l[3]);
    QCOMPARE(DecodeOne(cells, HexFrame(0x100, data)), expected);
}

// Identifier, identifier length and filter as the image carries them.
void TestDecode::frameSelection_data() {
    QTest::addColumn<QString>("idLength");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("filterLoc");
    QTest::addColumn<QString>("filterVal");
    QTest::addColumn<QString>("frame"); // id#hex, "x" for 29 bits
    QTest::addColumn<bool>("taken");
    auto row = [](const char* name, const char* idLength, const char* id, const char* filterLoc,
                  const char* filterVal, const char* frame, bool taken) {
        QTest::newRow(name) << idLength << id << filterLoc << filterVal << frame << taken;
    };
    row("11 bit", "11 bit", "0x7FF", "No Filter", "0", "7FF#00", true);
    row("11 bit, 29-bit frame", "11 bit", "0x7FF", "No Filter", "0", "7FFx#00", false);
    row("29 bit", "29 bit", "0x1FFFFFFF", "No Filter", "0", "1FFFFFFFx#00", true);
    row("29 bit, 11-bit frame", "29 bit", "0x100", "No Filter", "0", "100#00", false);
    row("a bare 29 is 29 bit", "29", "0x100", "No Filter", "0", "100x#00", true);
    // The image keeps the low 11 bits of an 11-bit identifier.
    row("0x800 is identifier 0", "11 bit", "0x800", "No Filter", "0", "000#00", true);
    row("filter byte 1 matches", "11 bit", "0x100", "Byte 1", "2", "100#02", true);
    row("filter byte 1 differs", "11 bit", "0x100", "Byte 1", "2", "100#03", false);
    row("filter byte 8, hex value", "11 bit", "0x100", "Byte 8", "0xFF", "100#00000000000000FF",
        true);
    row("filter byte 8, frame of 7", "11 bit", "0x100", "Byte 8", "0xFF", "100#00000000000000",
        false);
    row("filter value 0", "11 bit", "0x100", "Byte 2", "0", "100#FF00", true);
    // 300 does not fit the byte: the image repeats the position byte, 3.
    row("filter value too large", "11 bit", "0x100", "Byte 3", "300", "100#000003", true);
}

void TestDecode::frameSelection() {
    QFETCH(QString, idLength);
    QFETCH(QString, id);
    QFETCH(QString, filterLoc);
    QFETCH(QString, filterVal);
    QFETCH(QString, frame);
    QFETCH(bool, taken);
    const QString cells =
        QStringLiteral("Engine speed {RPM}|%1|%2|%3|%4|0|1|Unsigned|Intel standard|1|0|0")
            .arg(idLength, id, filterLoc, filterVal);
    const QStringList parts = frame.split('#');
    const bool extended = parts[0].endsWith('x');
    const CanFrame f =
        HexFrame(QString(parts[0]).remove('x').toUInt(nullptr, 16), parts[1].toLatin1(), extended);
    QCOMPARE(DecodeOne(cells, f) != "not taken", taken);
    // Remote and error frames carry no data: never taken.
    CanFrame remote = f;
    remote.remote = true;
    QCOMPARE(DecodeOne(cells, remote), QStringLiteral("not taken"));
}

// raw / scale + offset with the numbers read as the image reads them, and
// the logger's value in whole steps of the variable's resolution.
void TestDecode::scaling_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("layout"); // start|length|type, Intel
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("logged");
    auto row = [](const char* name, const char* variable, const char* scale, const char* offset,
                  const char* data, double value, const char* logged) {
        QTest::newRow(name) << variable << scale << offset << QStringLiteral("0|8|Unsigned")
                            << QByteArray(data) << value << logged;
    };
    row("resolution 1, halves to even", "Engine speed {RPM}", "4", "0", "0e", 3.5, "4");
    row("comma scale", "Oil temp {OILT}", "2,5", "0", "ff", 102.0, "102.0");
    row("hex scale", "Oil temp {OILT}", "0x10", "-40", "08", -39.5, "-39.5");
    row("scale 0 means none", "Oil temp {OILT}", "0", "1", "ff", 256.0, "256.0");
    row("empty scale means none", "Oil temp {OILT}", "", "", "00", 0.0, "0.0");
    row("resolution 0.01", "Counter {NOU}", "3", "0", "01", 1.0 / 3, "0.33");
    row("halves to even step", "Engine speed {RPM}", "2", "0", "05", 2.5, "2");
    row("no variable in the catalogue", "Mystery {NONE}", "1", "0", "ff", 255.0, "255");

    // Random raw values at both ends of every length and type, each resolution,
    // against exact decimal arithmetic: large values show their true digits.
    struct Resolution {
        const char* variable;
        int decimals;
    };
    const Resolution resolutions[] = {
        {"Counter {NOU}", 2}, {"Oil temp {OILT}", 1}, {"Engine speed {RPM}", 0}};
    struct Scaling {
        const char* scale;
        int perUnit;
        const char* offset;
    };
    const Scaling scalings[] = {{"1", 1, "0"}, {"0.5", 2, "-40"}, {"-0.25", -4, "0.5"}};
    QRandomGenerator random(26);
    int n = 0;
    for (int length = 1; length <= 32; ++length) {
        for (const bool isSigned : {false, true}) {
            const qint64 low = isSigned ? -(qint64(1) << (length - 1)) : 0;
            const qint64 high =
                isSigned ? (qint64(1) << (length - 1)) - 1 : (qint64(1) << length) - 1;
            const qint64 near = std::min<qint64>(high - low, 1000);
            for (const qint64 raw :
                 {low, low + random.bounded(near + 1), high - random.bounded(near + 1), high}) {
                const Resolution& r = resolutions[n % 3];
                const Scaling& s = scalings[n / 3 % 3];
                ++n;
                const quint64 bits = static_cast<quint64>(raw) & ((quint64(1) << length) - 1);
                QByteArray data;
                for (int i = 0; i < 8; ++i)
                    data += QByteArray::number((bits >> (8 * i)) & 0xFF, 16).rightJustified(2, '0');
                const QString logged =
                    ExactLoggedText(raw, s.perUnit, QString(s.offset).toDouble(), r.decimals);
                QTest::addRow("%s %d bits, raw %lld, %s", isSigned ? "signed" : "unsigned", length,
                              raw, r.variable)
                    << r.variable << s.scale << s.offset
                    << QStringLiteral("0|%1|%2").arg(length).arg(isSigned ? "Signed" : "Unsigned")
                    << data << double(raw) * s.perUnit + QString(s.offset).toDouble() << logged;
            }
        }
    }
    // Seen in real databases: a 20-bit counter at 0.01 and a large offset-free value.
    QTest::newRow("1048575 at 0.01")
        << "Counter {NOU}"
        << "1"
        << "0"
        << "0|20|Unsigned" << QByteArray("ffff0f") << 1048575.0 << "1048575.00";
    QTest::newRow("300000 at 0.01")
        << "Counter {NOU}"
        << "1"
        << "0"
        << "0|24|Unsigned" << QByteArray("e09304") << 300000.0 << "300000.00";
    // Past 32 bits the adapter reads no value.
    for (const int length : {33, 64})
        QTest::addRow("unsigned %d bits", length)
            << "Counter {NOU}"
            << "1"
            << "0" << QStringLiteral("0|%1|Unsigned").arg(length) << QByteArray("ffffffffffffffff")
            << 0.0 << QStringLiteral("no value: a signal of %1 bits cannot be read").arg(length);
}

void TestDecode::scaling() {
    QFETCH(QString, variable);
    QFETCH(QString, scale);
    QFETCH(QString, offset);
    QFETCH(QString, layout);
    QFETCH(QByteArray, data);
    QFETCH(double, value);
    QFETCH(QString, logged);
    const QStringList l = layout.split('|');
    ConfigModel model;
    SetRow(model, 1,
           QStringLiteral("%1|11 bit|0x100|No Filter|0|%4|%5|%6|Intel standard|%2|%3|-2")
               .arg(variable, scale, offset, l[0], l[1], l[2]));
    const FrameDecoder decoder(model, StandardCatalogue());
    const ChannelDecoding& d = decoder.channel(1);
    QCOMPARE(d.exponent, -2); // shown, not applied
    if (!d.problem.isEmpty()) {
        QCOMPARE("no value: " + d.problem, logged);
        return;
    }
    DecodeTally tally(decoder);
    tally.add(HexFrame(0x100, data));
    const auto v = decoder.decode(d, HexFrame(0x100, data));
    QVERIFY(v);
    QVERIFY2(std::abs(v->value - value) < 1e-6 * std::max(1.0, std::abs(value)),
             qPrintable(QString::number(v->value)));
    QCOMPARE(LoggerValueText(v->rounded, d.resolution), logged);
    // The summary's last, least and greatest value show the same.
    const ChannelSummary summary = ChannelSummaries(decoder, tally).first();
    QCOMPARE(summary.last, logged);
    QCOMPARE(summary.minimum, logged);
    QCOMPARE(summary.maximum, logged);
}

// A log through the tally: channels summed up, frames nobody takes counted
// with their identifiers; channel 15 in OBD mode and unused channels left out.
void TestDecode::tallyAndTexts() {
    ConfigModel model;
    SetRow(model, 1,
           "Engine speed {RPM}|11 bit|0x100|No Filter|0|0|8|Unsigned|Intel standard|2|0|0");
    SetRow(model, 2,
           "Oil temp {OILT}|29 bit|0x18FEF100|No Filter|0|56|8|Signed|Intel standard|1|0|0");
    SetRow(model, 15, Defaults);
    model.setObdModeEnabled(true);
    const FrameDecoder decoder(model, StandardCatalogue());
    QVERIFY(!decoder.channel(15).previewed);
    QVERIFY(!decoder.channel(3).previewed);
    DecodeTally tally(decoder);
    QStringList csv;
    tally.setSink([&](int channel, const CanFrame& frame, const DecodedValue& v) {
        QByteArray line;
        AppendDecodedCsvLine(line, frame, channel, decoder.channel(channel).kind, v);
        csv << QString::fromLatin1(line);
    });
    CanFrame a = HexFrame(0x100, "05");
    a.time = 0.5;
    tally.add(a);
    tally.add(HexFrame(0x100, "ff"));
    tally.add(HexFrame(0x18FEF100, "00000000000000", true)); // too short for byte 7
    tally.add(HexFrame(0x18FEF100, "00000000000000ff", true));
    tally.add(HexFrame(0x101, "00"));
    tally.add(HexFrame(0x101, "00"));
    CanFrame error;
    error.error = true;
    tally.add(error);
    QCOMPARE(csv,
             (QStringList{"0.500000,1,5,2.5\n", "0.000000,1,255,127.5\n", "0.000000,2,-1,-1\n"}));
    QCOMPARE(tally.frames(), 7);
    QCOMPARE(ChannelSummaryLines(decoder, tally),
             (QStringList{"channel  variable            frames  minimum  maximum  last  unit",
                          "      1  Engine speed {RPM}       2        2      128   128  [RPM]",
                          "      2  Oil temp {OILT}          2     -1.0     -1.0  -1.0  [degrees "
                          "Celsius]  (1 frames not decoded: a frame of 7 bytes is too short for a "
                          "signal reaching Byte 8)"}));
    QCOMPARE(UntakenSummaryLine(tally.untaken()),
             QStringLiteral("frames no channel takes: 3 (0 remote, 1 error); identifiers 0x101"));
}

// The line of identifiers no channel takes lists the first eight met, each
// once, and "..." only when others were met past them.
void TestDecode::untakenLine_data() {
    QTest::addColumn<int>("distinct");
    QTest::addColumn<QString>("identifiers");
    const QString eight = "0x0, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7FF";
    QTest::newRow("none") << 0 << QString();
    QTest::newRow("seven") << 7 << "; identifiers 0x0, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6";
    QTest::newRow("eight, all listed") << 8 << "; identifiers " + eight;
    QTest::newRow("nine") << 9 << "; identifiers " + eight + ", ...";
    QTest::newRow("ten") << 10 << "; identifiers " + eight + ", ...";
}

void TestDecode::untakenLine() {
    QFETCH(int, distinct);
    QFETCH(QString, identifiers);
    ConfigModel model;
    const FrameDecoder decoder(model, StandardCatalogue());
    DecodeTally tally(decoder);
    // Each twice: a repeat is no new identifier. The eighth is 0x7FF, then 29-bit ones.
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < distinct; ++i)
            tally.add(i < 7    ? HexFrame(i, "00")
                      : i == 7 ? HexFrame(0x7FF, "00")
                               : HexFrame(i, "00", true));
    QCOMPARE(UntakenSummaryLine(tally.untaken()),
             QStringLiteral("frames no channel takes: %1").arg(2 * distinct) + identifiers);
}

QTEST_MAIN(TestDecode)
#include "tst_decode.moc"
