// CAN log readers: every format against frames python-can wrote (the
// reference), then hand cases per format at the edges the writer never
// reaches, damaged input, and the choice of format from the content.
#include "canlog/CandumpWriter.h"
#include "canlog/LogReader.h"
#include "canlog/TextFields.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

#include <bit>
#include <charconv>
#include <cmath>
#include <ctime>

using cac::CanFrame;
using cac::LogFormat;
using cac::LogTimes;

namespace {

struct ReadResult {
    LogFormat format = LogFormat::Unknown;
    QList<CanFrame> frames;
    QStringList problems;
    qint64 fdSkipped = 0;
    LogTimes times = LogTimes::Relative;
    QStringList buses;
};

ReadResult ReadAll(QIODevice* device, LogFormat format = LogFormat::Unknown) {
    ReadResult result;
    QString error;
    const auto reader = cac::OpenLogReader(device, format, &error);
    if (!reader)
        return result;
    result.format = reader->format();
    CanFrame frame;
    while (reader->readFrame(frame))
        result.frames.append(frame);
    for (const cac::LogProblem& p : reader->problems())
        result.problems << p.describe();
    result.fdSkipped = reader->fdFramesSkipped();
    result.times = reader->times();
    result.buses = reader->buses();
    return result;
}

ReadResult ReadBytes(const QByteArray& bytes, LogFormat format = LogFormat::Unknown) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadAll(&buffer, format);
}

// A frame as one text, so a mismatch shows both sides.
QString Text(const CanFrame& f) {
    if (f.error)
        return QStringLiteral("%1 error").arg(f.time, 0, 'f', 6);
    QString text = QStringLiteral("%1 %2%3 %4")
                       .arg(f.time, 0, 'f', 6)
                       .arg(f.id, 0, 16)
                       .arg(f.extended ? "x" : "")
                       .arg(f.length);
    if (f.remote)
        return text + QStringLiteral(" R");
    text += ' ';
    for (int i = 0; i < f.length; ++i)
        text += QStringLiteral("%1").arg(f.data[i], 2, 16, QLatin1Char('0'));
    return text;
}
QStringList Texts(const QList<CanFrame>& frames) {
    QStringList texts;
    for (const CanFrame& f : frames)
        texts << Text(f);
    return texts;
}

// frames.txt of the reference: time id extended remote error length hexdata
// bus, the bus (python-can's channel can0 or can1) in the frame's `bus`.
QList<CanFrame> ReadTruth(const QString& path) {
    QList<CanFrame> frames;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return frames;
    while (!file.atEnd()) {
        const QList<QByteArray> f = file.readLine().trimmed().split(' ');
        if (f.size() != 8)
            continue;
        CanFrame frame;
        frame.time = f[0].toDouble();
        frame.id = f[1].toUInt(nullptr, 16);
        frame.extended = f[2] == "1";
        frame.remote = f[3] == "1";
        frame.error = f[4] == "1";
        frame.length = static_cast<std::uint8_t>(f[5].toUInt());
        const QByteArray data = f[6] == "-" ? QByteArray() : QByteArray::fromHex(f[6]);
        for (int i = 0; i < data.size() && i < 8; ++i)
            frame.data[i] = static_cast<std::uint8_t>(data[i]);
        if (frame.error) // what is kept of an error frame
            frame = CanFrame{frame.time, 0, false, false, true, 0, {}};
        frame.bus = static_cast<std::uint8_t>(f[7].toUInt());
        frames.append(frame);
    }
    return frames;
}

// A .times file of the reference: python-can's reading of a log's times.
QList<double> ReadTimes(const QString& path) {
    QList<double> times;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        while (!file.atEnd())
            times << file.readLine().trimmed().toDouble();
    return times;
}

// A little-endian field of T's size.
template <typename T> QByteArray Le(T v) {
    QByteArray b(sizeof(T), 0);
    qToLittleEndian(v, b.data());
    return b;
}
const auto Le16 = Le<quint16>;
const auto Le32 = Le<quint32>;
const auto Le64 = Le<quint64>;

// A BLF object: "LOBJ", header size, version 1, size, type, then the
// version 1 header fields (flags: 2 = nanoseconds), then the body, padded.
QByteArray BlfObject(quint32 type, const QByteArray& body, quint64 stamp = 0, quint32 flags = 2) {
    QByteArray o = "LOBJ" + Le16(32) + Le16(1) + Le32(32 + body.size()) + Le32(type) + Le32(flags) +
                   Le16(0) + Le16(0) + Le64(stamp) + body;
    return o + QByteArray(o.size() % 4, '\0');
}
QByteArray BlfCanBody(quint32 id, quint8 dlc, const QByteArray& data, quint8 flags = 0) {
    return Le16(1) + QByteArray(1, char(flags)) + QByteArray(1, char(dlc)) + Le32(id) +
           data.leftJustified(8, '\0', true);
}
QByteArray BlfContainer(const QByteArray& objects, bool compress) {
    QByteArray data = objects;
    if (compress)
        data = qCompress(objects).mid(4); // qCompress puts a 4-byte size in front
    const QByteArray body =
        Le16(compress ? 2 : 0) + QByteArray(6, '\0') + Le32(objects.size()) + Le32(0) + data;
    QByteArray o = "LOBJ" + Le16(16) + Le16(1) + Le32(16 + body.size()) + Le32(10) + body;
    return o + QByteArray(o.size() % 4, '\0');
}
QByteArray BlfFile(const QByteArray& objects) {
    return "LOGG" + Le32(144) + QByteArray(136, '\0') + objects;
}

} // namespace

class TestCanLog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void referenceLogs_data();
    void referenceLogs();
    void textLogs_data();
    void textLogs();
    void blf_data();
    void blf();
    void detection_data();
    void detection();
    void overlongLineIsOneProblem();
    void numbersAsTheGeneralParse();
    void candumpWriterAgreesWithPythonCan();
    void busesAtTheirLimit();
    void candumpWriterReadsBack_data();
    void candumpWriterReadsBack();
};

// ASC and BLF starts are local time, TRC starts UTC: the readers run in a
// zone half an hour off any whole hour, as the reference's writer does (see
// tests/CMakeLists.txt), so a zone mixed up shows.
void TestCanLog::initTestCase() {
    qputenv("TZ", "IST-5:30");
    tzset();
}

// python-can wrote the same random frames in four formats (and the helper a
// SavvyCAN CSV); each read must give them all, in order, with no problem, at
// the same times since 1970 (each header's start, in the time zone the test
// runs in, set in tests/CMakeLists.txt), so the decoded CSV is the same
// whatever the format.
void TestCanLog::referenceLogs_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("format");
    QTest::newRow("candump") << "frames.log" << int(LogFormat::Candump);
    QTest::newRow("asc") << "frames.asc" << int(LogFormat::Asc);
    QTest::newRow("trc 2.1") << "frames.trc" << int(LogFormat::Trc);
    QTest::newRow("blf") << "frames.blf" << int(LogFormat::Blf);
    QTest::newRow("savvycan csv") << "frames.csv" << int(LogFormat::SavvyCsv);
}

void TestCanLog::referenceLogs() {
    QFETCH(QString, file);
    QFETCH(int, format);
    const QString dir = QStringLiteral(CAC_REFERENCE_DIR);
    QList<CanFrame> truth = ReadTruth(dir + "/frames.txt");
    QVERIFY2(!truth.isEmpty(), "no reference frames: run the canlog_reference_logs test first");
    // What each writer keeps: python-can's TRC writer and the CSV layout
    // drop remote and error frames; its candump writer drops a remote
    // frame's length.
    if (format == int(LogFormat::Trc) || format == int(LogFormat::SavvyCsv))
        truth.removeIf([](const CanFrame& f) { return f.remote || f.error; });
    QFile log(dir + '/' + file);
    QVERIFY(log.open(QIODevice::ReadOnly));
    ReadResult read = ReadAll(&log);
    QCOMPARE(int(read.format), format);
    QCOMPARE(read.problems, QStringList());
    if (format == int(LogFormat::Candump))
        for (QList<CanFrame>* frames : {&truth, &read.frames})
            for (CanFrame& f : *frames)
                if (f.remote)
                    f.length = 0;
    // Frames and their times to the microsecond, as the CSV writes them.
    QCOMPARE(int(read.times), int(LogTimes::Absolute));
    QCOMPARE(Texts(read.frames), Texts(truth));
    // Each frame's bus by the name its format gives python-can's channels:
    // candump's interface, the others' numbers (Vector and PEAK count from
    // 1, SavvyCAN from 0), the first named first.
    const auto named = [&](int bus) {
        return format == int(LogFormat::Candump)    ? QStringLiteral("can%1").arg(bus)
               : format == int(LogFormat::SavvyCsv) ? QString::number(bus)
                                                    : QString::number(bus + 1);
    };
    QCOMPARE(read.buses.value(0), named(0));
    QCOMPARE(read.buses.size(), 2);
    for (qsizetype i = 0; i < read.frames.size(); ++i)
        if (!truth[i].error)
            QVERIFY2(read.buses.value(read.frames[i].bus) == named(truth[i].bus),
                     qPrintable(Text(read.frames[i])));
    // python-can's own reading of the times (its writer's SavvyCAN CSV aside).
    if (format == int(LogFormat::SavvyCsv))
        return;
    const QList<double> times = ReadTimes(dir + '/' + file + ".times");
    QCOMPARE(times.size(), read.frames.size());
    for (qsizetype i = 0; i < times.size(); ++i)
        QVERIFY2(std::abs(read.frames[i].time - times[i]) < 5e-7,
                 qPrintable(Text(read.frames[i]) + " vs " + QString::number(times[i], 'f', 7)));
}

// Lines a writer of each format may produce, and damaged ones: every frame
// read, every unreadable line named, reading going on after it.
void TestCanLog::textLogs_data() {
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<int>("fdSkipped");
    QTest::addColumn<bool>("absolute"); // times since 1970, not from the log's start

    QTest::newRow("candump") << QByteArray("(1436509052.249713) can0 123#DEADBEEF\n"
                                           "(1436509052.25) can0 7FF#R\n"
                                           "(1436509052.26) can0 1FFFFFFF#R8\n"
                                           "(1436509052.27) can0 00000000#\n"
                                           "(1436509052.28) can0 20000080#0000000000000000\n"
                                           "(1436509052.29) can0 123##1112233\n"
                                           "(1436509052.30) can0 001#11.22.33.44.55.66.77.88 T\r\n")
                             << QStringList{"1436509052.249713 123 4 deadbeef",
                                            "1436509052.250000 7ff 0 R",
                                            "1436509052.260000 1fffffffx 8 R",
                                            "1436509052.270000 0x 0 ",
                                            "1436509052.280000 error",
                                            "1436509052.300000 1 8 1122334455667788"}
                             << QStringList{} << 1 << true;
    // Times before 1990 are no dates: they count from the log's start.
    QTest::newRow("candump from 1990")
        << QByteArray("(631152000.000000) can0 123#\n(1.0) can0 123#\n")
        << QStringList{"631152000.000000 123 0 ", "1.000000 123 0 "} << QStringList{} << 0 << true;
    QTest::newRow("candump just before 1990")
        << QByteArray("(631151999.999999) can0 123#\n") << QStringList{"631151999.999999 123 0 "}
        << QStringList{} << 0 << false;
    // A comment makes no ASC log: the frame is read, the comment named.
    QTest::newRow("candump after a comment")
        << QByteArray("//\n(1.000000) can0 123#11\n") << QStringList{"1.000000 123 1 11"}
        << QStringList{"line 1: not a candump line: '//'"} << 0 << false;
    QTest::newRow("candump damaged")
        << QByteArray("(1.0) can0 123#11\n"
                      "garbage\n"
                      "(x) can0 123#11\n"
                      "(2.0) can0 1234#11\n"
                      "(3.0) can0 123#112\n"
                      "(4.0) can0 123#112233445566778899\n"
                      "(5.0) can0 123\n"
                      "(6.0) can0 456#\n")
        << QStringList{"1.000000 123 1 11", "6.000000 456 0 "}
        << QStringList{"line 2: not a candump line: 'garbage'",
                       "line 3: unreadable time '(x)'",
                       "line 4: identifier '1234' is not 3 or 8 hex digits",
                       "line 5: unreadable data '112'",
                       "line 6: unreadable data '112233445566778899'",
                       "line 7: no '#' in the frame '123'"}
        << 0 << false;
    QTest::newRow("asc hex, absolute")
        << QByteArray("date Mon Dec 07 12:24:17.754 AM 2026\n"
                      "base hex  timestamps absolute\n"
                      "internal events logged\n"
                      "// version 9.0.0\n"
                      "Begin Triggerblock Tue Nov 14 10:13:20.123 PM 2023\n"
                      "   0.000000 Start of measurement\n"
                      "   0.010000 1  7FF             Rx   d 8 00 01 02 03 04 05 06 FF  "
                      "Length = 228000 BitCount = 117 ID = 2047\n"
                      "   0.020000 2  1FFFFFFFx       Tx   d 0\n"
                      "   0.030000 1  0               Rx   r 3\n"
                      "   0.040000 1  ErrorFrame\n"
                      "   0.050000 CANFD   1 Rx        123  1 0 8  8 11 22 33 44 55 66 77 88 0 0 "
                      "1000 0 0 0 0 0\n"
                      "   0.060000 1  Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%\n"
                      "   0.070000 1  123             TxRq d 1 00\n"
                      "   0.080000 1  800             Rx   d 1 00\n"
                      "   0.090000 1  123             Rx   d 2 00\n"
                      "   0.100000 1  123             Rx   q 2 00 11\n"
                      "   0.110000 CAN 1 Status:chip status error active\n"
                      "   0.120000 1  J1939TP FEE3p 6 0 0 - Rx d 23 A0 0F A6 60 3B D1 40\n"
                      "   0.130000 1  ErrorFrame ECC: 10100010\n"
                      "   0.140000 SV: 1 0 1 ::Namespace::Variable = 0\n"
                      "(0.150000) can0 123#11\n"
                      "   0.160000 1  123             Rx\n"
                      "End TriggerBlock\n")
        // The trigger block's date, 10:13:20.123 PM in the zone the test runs in.
        << QStringList{"1699980200.133000 7ff 8 00010203040506ff", "1699980200.143000 1fffffffx 0 ",
                       "1699980200.153000 0 3 R", "1699980200.163000 error",
                       "1699980200.253000 error"}
        << QStringList{"line 14: unreadable identifier '800'",
                       "line 15: 2 data bytes announced, fewer given",
                       "line 16: neither data 'd' nor remote 'r': 'q'",
                       "line 21: neither an event nor a header line: '(0.150000) can0 123#11'",
                       "line 22: neither data 'd' nor remote 'r': ''"}
        << 1 << true;
    // The header's date where no trigger block has one: 12 AM is midnight;
    // German month names; relative times count on from it.
    QTest::newRow("asc header date, relative")
        << QByteArray("date Sa Sep 30 12:06:13 am 2017\n"
                      "base hex  timestamps relative\n"
                      "no internal events logged\n"
                      "Begin Triggerblock\n"
                      "0.5 1 7FF Rx d 0\n"
                      "0.25 1 7FF Rx d 0\n"
                      "date Sa Okt 07 15:06:13.191 2023\n"
                      "0.25 1 7FF Rx d 0\n"
                      "date Sa Foo 07 15:06:13.191 2023\n")
        << QStringList{"1506710173.500000 7ff 0 ", "1506710173.750000 7ff 0 ",
                       "1696671374.191000 7ff 0 "}
        << QStringList{"line 9: unreadable date 'date Sa Foo 07 15:06:13.191 2023'"} << 0 << true;
    QTest::newRow("asc decimal, relative")
        << QByteArray("base dec timestamps relative\n"
                      "0.5 1 2047 Rx d 2 255 16\n"
                      "0.25 1 536870911x Rx d 1 0\n"
                      "0.25 1 Statistic: nothing\n"
                      "1.0 1 12 Rx d 1 256\n")
        << QStringList{"0.500000 7ff 2 ff10", "0.750000 1fffffffx 1 00"}
        << QStringList{"line 5: unreadable data byte '256'"} << 0 << false;
    QTest::newRow("trc 1.1")
        << QByteArray(";$FILEVERSION=1.1\n"
                      ";$STARTTIME=42209.4075997106\n"
                      ";   Message Number\n"
                      ";---+--   ----+----  --+--  ----+---  +  -+ -- -- -- --\n"
                      "     1)         1.9  Rx         07FF  8  00 11 22 33 44 55 66 FF\n"
                      "     2)        20.2  Tx     1FFFFFFF  0\n"
                      "     3)        49.1  Rx         0300  4  RTR\n"
                      "     4)       100.0  Warng  FFFFFFFF  4  00 00 00 08  BUSHEAVY\n"
                      "     5)       101.0  Error        0000  0\n"
                      "     6)       102.0  Rx         0300  4  00 11\n")
        // $STARTTIME: days since 1899-12-30 UTC.
        << QStringList{"1437731216.616896 7ff 8 00112233445566ff", "1437731216.635196 1fffffffx 0 ",
                       "1437731216.664096 300 4 R", "1437731216.715996 error"}
        << QStringList{"line 10: 4 data bytes announced, fewer given"} << 0 << true;
    QTest::newRow("trc 1.0 and 1.3 shapes")
        << QByteArray("     1)      1841  0001  8  00 00 00 00 00 00 00 01\n"
                      "     2)      1842  0008  4  ERROR 00 19 08 08\n"
                      "     3)      1843  FFFFFFFF  4  00 00 00 04  BUSLIGHT\n"
                      "     4)      1844.5 1  Rx  0100 -  1  7F\n")
        << QStringList{"1.841000 1 8 0000000000000001", "1.842000 error", "1.844500 100 1 7f"}
        << QStringList{} << 0 << false;
    QTest::newRow("trc 2.0")
        << QByteArray(
               ";$FILEVERSION=2.0\n"
               ";$STARTTIME=42209.4075997106\n"
               "      1      1059.900 DT     0300 Rx 7 00 00 00 00 04 00 00\n"
               "      2      1283.200 DT 18EFC000 Tx 0\n"
               "      3      1298.900 RR     0400 Tx 4\n"
               "      4      1323.000 ER          Rx    04 00 02 00 00\n"
               "      5      1335.100 FD     0500 Rx 12 00 00 00 00 00 00 00 00 00 00 00 00\n"
               "      6      1400.000 ST          Rx    00 00 00 08\n"
               "      7      1500.000 DT     0G00 Rx 1 00\n")
        << QStringList{"1437731217.674896 300 7 00000000040000", "1437731217.898196 18efc000x 0 ",
                       "1437731217.913896 400 4 R", "1437731217.937996 error"}
        << QStringList{"line 9: unreadable identifier '0G00'"} << 1 << true;
    QTest::newRow("trc 2.1 columns, started 1990")
        << QByteArray(";$FILEVERSION=2.1\n"
                      ";$STARTTIME=32874\n"
                      ";$COLUMNS=N,O,T,B,I,d,R,L,D\n"
                      "      1         0.000 DT  1     07FF Rx -  8    FF FF FF FF FF FF FF FF\n"
                      "      2         0.001 DT  1 00000000 Rx -  0\n"
                      "      3         0.002 DT  1     0123 Rx -  2    01\n")
        << QStringList{"631152000.000000 7ff 8 ffffffffffffffff", "631152000.000001 0x 0 "}
        << QStringList{"line 6: 2 data bytes announced, fewer given"} << 0 << true;
    QTest::newRow("trc started before 1990, start unreadable")
        << QByteArray(";$FILEVERSION=2.1\n"
                      ";$STARTTIME=32873.9999999\n"
                      ";$COLUMNS=N,O,T,B,I,d,R,L,D\n"
                      "      1         0.001 DT  1     07FF Rx -  0\n"
                      ";$STARTTIME=45000x\n")
        << QStringList{"0.000001 7ff 0 "}
        << QStringList{"line 5: unreadable start time ';$STARTTIME=45000x'"} << 0 << false;
    QTest::newRow("savvycan and gvret csv")
        << QByteArray("Time Stamp,ID,Extended,Dir,Bus,LEN,D1,D2,D3,D4,D5,D6,D7,D8\n"
                      "166064000,0000021A,false,Rx,0,8,FE,36,12,FE,69,05,07,AD,\n"
                      "166065000,1FFFFFFF,true,Rx,0,0,,,,,,,,,\n"
                      "166066000,00000800,false,Rx,0,1,00,,,,,,,,\n"
                      "166067000,00000123,false,Rx,0,2,00,,,,,,,,\n"
                      "Time Stamp,ID,Extended,Bus,LEN,D1,D2,D3,D4,D5,D6,D7,D8\n"
                      "1000,7FF,false,1,1,AB\n")
        << QStringList{"166.064000 21a 8 fe3612fe690507ad", "166.065000 1fffffffx 0 ",
                       "0.001000 7ff 1 ab"}
        << QStringList{"line 4: unreadable identifier '00000800'",
                       "line 5: data byte D2 missing or unreadable"}
        << 0 << false;
    // Without an Extended column an identifier above 11 bits is a 29-bit one.
    QTest::newRow("gvret csv without Extended")
        << QByteArray("Time Stamp,ID,Bus,LEN,D1\n"
                      "1700000000000000,7FF,0,1,AB\n"
                      "1700000000000001,800,0,1,CD\n")
        << QStringList{"1700000000.000000 7ff 1 ab", "1700000000.000001 800x 1 cd"} << QStringList{}
        << 0 << true;
}

void TestCanLog::textLogs() {
    QFETCH(QByteArray, log);
    QFETCH(QStringList, frames);
    QFETCH(QStringList, problems);
    QFETCH(int, fdSkipped);
    QFETCH(bool, absolute);
    const ReadResult read = ReadBytes(log);
    QVERIFY(read.format != LogFormat::Unknown);
    QCOMPARE(Texts(read.frames), frames);
    QCOMPARE(read.problems, problems);
    QCOMPARE(read.fdSkipped, qint64(fdSkipped));
    QCOMPARE(read.times, absolute ? LogTimes::Absolute : LogTimes::Relative);
}

// BLF: containers plain and compressed, an object running on into the next
// container, both header versions' time units, CAN FD objects counted, and
// damage that the reader steps over to the next object.
void TestCanLog::blf_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QStringList>("problems");

    const QByteArray a =
        BlfObject(1, BlfCanBody(0x7FF, 8, "\x01\x02\x03\x04\x05\x06\x07\xFF"), 1500000000);
    const QByteArray b =
        BlfObject(86, BlfCanBody(0x9FFFFFFF, 2, "\xAA\xBB") + QByteArray(8, 0), 250000, 1);
    const QByteArray remote = BlfObject(1, BlfCanBody(0x100, 3, {}, 0x80), 3000000000);
    // 62 bytes: 2 bytes of padding follow it.
    const QByteArray error = BlfObject(73, QByteArray(30, 0), 4000000000);
    const QByteArray fd = BlfObject(101, QByteArray(40, 0), 5000000000);
    const QStringList all{"1.500000 7ff 8 01020304050607ff", "2.500000 1fffffffx 2 aabb",
                          "3.000000 100 3 R", "4.000000 error"};
    const QByteArray objects = a + b + remote + error + fd;

    QTest::newRow("one compressed container")
        << BlfFile(BlfContainer(objects, true)) << all << QStringList{};
    QTest::newRow("plain containers, object split across them")
        << BlfFile(BlfContainer(objects.left(40), false) + BlfContainer(objects.mid(40), true))
        << all << QStringList{};
    QTest::newRow("objects outside containers") << BlfFile(a + b) << all.mid(0, 2) << QStringList{};
    QTest::newRow("garbage between containers")
        << BlfFile(BlfContainer(a, true) + "junkjunk" + BlfContainer(b, false)) << all.mid(0, 2)
        << QStringList{QStringLiteral("byte %1: no object signature \"LOBJ\"; looking for the "
                                      "next object")
                           .arg(144 + BlfContainer(a, true).size())};
    QByteArray broken = BlfContainer(a, true);
    broken[40] = char(broken[40] ^ 0x55);
    QTest::newRow("container that does not inflate")
        << BlfFile(broken + BlfContainer(b, true)) << all.mid(1, 1)
        << QStringList{"byte 144: log container does not decompress"};
    QByteArray damaged = a + b;
    damaged[11] = char(0x7F); // a's size claims far too much
    QTest::newRow("damaged object inside a container")
        << BlfFile(BlfContainer(damaged, false)) << all.mid(1, 1)
        << QStringList{"byte 144: damaged object in the log container; looking for the next "
                       "object"};
    QTest::newRow("cut inside an object")
        << BlfFile(BlfContainer(a, false) + BlfContainer(b.left(20), false)) << all.mid(0, 1)
        << QStringList{"byte 224: the log ends inside an object"};
    QTest::newRow("no file header") << QByteArray("LOGX") << QStringList{}
                                    << QStringList{"byte 0: no BLF file header (\"LOGG\")"};
    // The header's start, local time; milliseconds past 999 make no date.
    const auto started = [&](quint16 milliseconds) {
        QByteArray file = BlfFile(BlfContainer(a, false));
        QByteArray start;
        for (const quint16 word : {2023, 11, 3, 15, 3, 43, 20, int(milliseconds)})
            start += Le16(word);
        return file.replace(40, start.size(), start);
    };
    QTest::newRow("start in the header") << started(999)
                                         << QStringList{"1700000002.499000 7ff 8 "
                                                        "01020304050607ff"}
                                         << QStringList{};
    QTest::newRow("start with 1000 ms") << started(1000) << all.mid(0, 1) << QStringList{};
    // Without the 29-bit mark an identifier is 11 bits at most; cut to them,
    // 0x4444444 would be taken for 0x444.
    const QByteArray wide = BlfObject(1, BlfCanBody(0x4444444, 0, {}));
    const QByteArray above = BlfObject(1, BlfCanBody(0x800, 0, {}));
    QTest::newRow("11-bit identifier too wide")
        << BlfFile(BlfContainer(a + wide, true) + above) << all.mid(0, 1)
        << QStringList{"byte 144: identifier 0x4444444 without the 29-bit mark is wider than 11 "
                       "bits",
                       QStringLiteral("byte %1: identifier 0x800 without the 29-bit mark is wider "
                                      "than 11 bits")
                           .arg(144 + BlfContainer(a + wide, true).size())};
}

void TestCanLog::blf() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, frames);
    QFETCH(QStringList, problems);
    const ReadResult read = ReadBytes(file, LogFormat::Blf);
    QCOMPARE(Texts(read.frames), frames);
    QCOMPARE(read.problems, problems);
    QCOMPARE(read.times,
             frames.value(0).startsWith("17") ? LogTimes::Absolute : LogTimes::Relative);
}

void TestCanLog::detection_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("format");
    QTest::newRow("blf") << QByteArray("LOGG\x90\0\0\0", 8) << int(LogFormat::Blf);
    QTest::newRow("candump") << QByteArray("\n\n(0.0) can0 1#") << int(LogFormat::Candump);
    QTest::newRow("asc date") << QByteArray("// from CANoe\ndate Mon Dec 07 12:24:17.754 AM 2026")
                              << int(LogFormat::Asc);
    QTest::newRow("asc base") << QByteArray("base dec") << int(LogFormat::Asc);
    QTest::newRow("a word date") << QByteArray("date of the log: today") << int(LogFormat::Unknown);
    QTest::newRow("comment, then candump")
        << QByteArray("//\n(1.000000) can0 123#11\n") << int(LogFormat::Candump);
    QTest::newRow("comments alone") << QByteArray("// a\n//b\n") << int(LogFormat::Unknown);
    QTest::newRow("asc body") << QByteArray("  0.1 1 123 Rx d 0") << int(LogFormat::Asc);
    QTest::newRow("asc error first") << QByteArray("0.1 1 ErrorFrame x") << int(LogFormat::Asc);
    QTest::newRow("trc header") << QByteArray(";$FILEVERSION=2.1") << int(LogFormat::Trc);
    QTest::newRow("trc body") << QByteArray("  1) 1.0 Rx 0100 0") << int(LogFormat::Trc);
    QTest::newRow("csv with BOM") << QByteArray("\xEF\xBB\xBFTime Stamp,ID,Extended")
                                  << int(LogFormat::SavvyCsv);
    QTest::newRow("empty") << QByteArray() << int(LogFormat::Unknown);
    QTest::newRow("ccf") << QByteArray("Engine speed {RPM}|||") << int(LogFormat::Unknown);
}

void TestCanLog::detection() {
    QFETCH(QByteArray, head);
    QFETCH(int, format);
    QBuffer buffer;
    buffer.setData(head);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(int(cac::DetectLogFormat(&buffer)), format);
    QCOMPARE(buffer.pos(), qint64(0)); // peeked, not consumed
    QString error;
    QCOMPARE(cac::OpenLogReader(&buffer, LogFormat::Unknown, &error) != nullptr,
             format != int(LogFormat::Unknown));
}

// A line longer than the reader's buffer is one problem, not a stop, and
// memory stays at the buffer's size.
void TestCanLog::overlongLineIsOneProblem() {
    QByteArray log = "(1.0) can0 123#11\n(2.0) can0 123#";
    log += QByteArray(300 * 1024, '1');
    log += "\n(3.0) can0 123#33";
    const ReadResult read = ReadBytes(log);
    QCOMPARE(Texts(read.frames), (QStringList{"1.000000 123 1 11", "3.000000 123 1 33"}));
    QCOMPARE(read.problems, QStringList{"line 2: line longer than 65536 bytes"});
}

// Time and number fields give, bit for bit, what the general decimal parse
// gives, or are refused where it refuses them: random digits around a point,
// and the edges of the short way (2^53, 17 digits, a bare point or sign).
void TestCanLog::numbersAsTheGeneralParse() {
    QList<QByteArray> texts = {"9007199254740992",
                               "9007199254740993",
                               "12345678901234567",
                               "123456789012345678",
                               "0.00000000000000001",
                               "-0",
                               "-0.0",
                               "1.",
                               ".5",
                               "-",
                               "",
                               "1e5",
                               "+1",
                               "1..2",
                               "0x10",
                               "inf",
                               "00000000000000000001.5"};
    QRandomGenerator random(2015);
    for (int i = 0; i < 20000; ++i) {
        QByteArray text = random.bounded(4) == 0 ? "-" : "";
        const int digits = 1 + random.bounded(20);
        const int point = random.bounded(digits + 2); // past the end: no point
        for (int d = 0; d < digits; ++d) {
            if (d == point)
                text += '.';
            text += char('0' + random.bounded(10));
        }
        texts << text;
    }
    for (const QByteArray& text : texts) {
        double expected = 0;
        const auto [end, error] = std::from_chars(text.constData(), text.constData() + text.size(),
                                                  expected, std::chars_format::fixed);
        const bool valid = !text.isEmpty() && error == std::errc() && end == text.constEnd();
        const auto got = cac::logtext::parseNumber({text.constData(), std::size_t(text.size())});
        QVERIFY2(got.has_value() == valid, text.constData());
        if (valid)
            QVERIFY2(std::bit_cast<quint64>(*got) == std::bit_cast<quint64>(expected),
                     qPrintable(text + ": " + QByteArray::number(*got, 'g', 17)));
    }
}

// Buses are placed in the order first named, a name met again keeps its
// place, and past the last place the rest share it: the 64th bus has its
// own, the 65th and 66th take the 64th's.
void TestCanLog::busesAtTheirLimit() {
    QByteArray log;
    for (int b = 0; b < cac::LogReader::MaxBuses + 2; ++b)
        log += QStringLiteral("(1.%1) can%2 123#00\n(1.%1) can0 123#00\n")
                   .arg(b, 3, 10, QLatin1Char('0'))
                   .arg(b)
                   .toLatin1();
    const ReadResult read = ReadBytes(log);
    QCOMPARE(read.frames.size(), 2 * (cac::LogReader::MaxBuses + 2));
    QCOMPARE(read.buses.size(), cac::LogReader::MaxBuses);
    QCOMPARE(read.buses.last(), QStringLiteral("can%1").arg(cac::LogReader::MaxBuses - 1));
    for (int b = 0; b < cac::LogReader::MaxBuses + 2; ++b) {
        QCOMPARE(int(read.frames[2 * b].bus), std::min(b, cac::LogReader::MaxBuses - 1));
        QCOMPARE(int(read.frames[2 * b + 1].bus), 0);
    }
}

// Each data frame python-can wrote as candump is written by our writer as the
// very line python-can wrote (its direction word aside; the buses are can0
// and can1, named in that order);
// every frame, remote and error ones too, reads back as itself.
void TestCanLog::candumpWriterAgreesWithPythonCan() {
    QFile file(QStringLiteral(CAC_REFERENCE_DIR) + "/frames.log");
    QVERIFY2(file.open(QIODevice::ReadOnly), "run the canlog_reference_logs test first");
    const QList<QByteArray> lines = file.readAll().split('\n');
    const ReadResult read = ReadBytes(lines.join('\n'));
    QVERIFY(read.frames.size() > 100);
    QByteArray written;
    int compared = 0;
    for (qsizetype i = 0; i < read.frames.size(); ++i) {
        const CanFrame& frame = read.frames[i];
        const QByteArray line = cac::CandumpLine(frame);
        written += line;
        if (frame.remote || frame.error)
            continue; // python-can drops a remote frame's length, and an error frame's is its own
        QByteArray theirs = lines[i].trimmed();
        theirs.replace(" vcan0 ", " can0 ");
        if (theirs.endsWith(" R") || theirs.endsWith(" T"))
            theirs.chop(2);
        QCOMPARE(line, theirs + '\n');
        ++compared;
    }
    QVERIFY(compared > 50);
    const ReadResult again = ReadBytes(written);
    QVERIFY(again.problems.isEmpty());
    QCOMPARE(again.frames.size(), read.frames.size());
    for (qsizetype i = 0; i < read.frames.size(); ++i)
        QCOMPARE(Text(again.frames[i]), Text(read.frames[i]));
}

// The ends of what a frame holds, written and read back; a live recording's
// times counted from 0 are written as dates.
void TestCanLog::candumpWriterReadsBack_data() {
    QTest::addColumn<QByteArray>("hex"); // id extended remote error length data, as frames.txt
    QTest::addColumn<double>("shift");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("11-bit 0, no data")
        << QByteArray("000 0 0 0 0 -") << 0.0 << QByteArray("(0.250000) can0 000#\n");
    QTest::newRow("11-bit 0x7FF, 8 bytes of 0xFF")
        << QByteArray("7ff 0 0 0 8 ffffffffffffffff") << 0.0
        << QByteArray("(0.250000) can0 7FF#FFFFFFFFFFFFFFFF\n");
    QTest::newRow("29-bit 1, one byte 0")
        << QByteArray("1 1 0 0 1 00") << 0.0 << QByteArray("(0.250000) can0 00000001#00\n");
    QTest::newRow("29-bit 0x1FFFFFFF") << QByteArray("1fffffff 1 0 0 2 0102") << 0.0
                                       << QByteArray("(0.250000) can0 1FFFFFFF#0102\n");
    QTest::newRow("remote, length 0")
        << QByteArray("123 0 1 0 0 -") << 0.0 << QByteArray("(0.250000) can0 123#R\n");
    QTest::newRow("remote, length 8")
        << QByteArray("123 0 1 0 8 -") << 0.0 << QByteArray("(0.250000) can0 123#R8\n");
    QTest::newRow("error frame") << QByteArray("0 0 0 1 0 -") << 0.0
                                 << QByteArray("(0.250000) can0 20000000#\n");
    QTest::newRow("live time as a date") << QByteArray("100 0 0 0 1 80") << 1717000000.0
                                         << QByteArray("(1717000000.250000) can0 100#80\n");
}

void TestCanLog::candumpWriterReadsBack() {
    QFETCH(QByteArray, hex);
    QFETCH(double, shift);
    QFETCH(QByteArray, line);
    const QList<QByteArray> f = hex.split(' ');
    CanFrame frame;
    frame.time = 0.25;
    frame.id = f[0].toUInt(nullptr, 16);
    frame.extended = f[1] == "1";
    frame.remote = f[2] == "1";
    frame.error = f[3] == "1";
    frame.length = std::uint8_t(f[4].toUInt());
    const QByteArray data = f[5] == "-" ? QByteArray() : QByteArray::fromHex(f[5]);
    for (int i = 0; i < data.size(); ++i)
        frame.data[std::size_t(i)] = std::uint8_t(data[i]);
    QCOMPARE(cac::CandumpLine(frame, shift), line);
    const ReadResult read = ReadBytes(line);
    QCOMPARE(read.frames.size(), 1);
    QVERIFY(read.problems.isEmpty());
    CanFrame expected = frame;
    expected.time += shift;
    QCOMPARE(Text(read.frames.first()), Text(expected));
    QCOMPARE(read.times, shift > 0 ? LogTimes::Absolute : LogTimes::Relative);
}

QTEST_MAIN(TestCanLog)
#include "tst_canlog.moc"
