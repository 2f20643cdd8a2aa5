// References that name a field: OBD-II answers against values encoded by
// hand with the J1979 formulas, the least-squares fit against data built so
// that its exact fit is known, ranking among decoys, CSV and hint edge cases,
// and the demo drive, whose OBD answers must name and scale the database's own
// engine speed, coolant and throttle.
#include "HexFrame.h"
#include "bitmap/SignalBitMap.h"
#include "canlog/LogReader.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ChoiceLists.h"
#include "dbc/CanDatabase.h"
#include "discover/DiscoveryCandidates.h"
#include "discover/DiscoveryTexts.h"
#include "discover/FieldTally.h"
#include "discover/LogDiscovery.h"
#include "discover/SecondLook.h"
#include "discover/reference/CsvReference.h"
#include "discover/reference/FieldMatch.h"
#include "discover/reference/LinearFit.h"
#include "discover/reference/ObdAnswers.h"
#include "discover/reference/PointScan.h"
#include "discover/reference/ReferenceMarks.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <tuple>

using namespace cac;

namespace {

// "0C=16383.75 05=83": the values an answer gives.
QString AnswerText(const CanFrame& frame) {
    QStringList parts;
    for (const ObdValue& v : DecodeObdAnswer(frame))
        parts << QStringLiteral("%1=%2")
                     .arg(QString::number(v.pid, 16).toUpper().rightJustified(2, '0'))
                     .arg(v.value, 0, 'g', 12);
    return parts.join(' ');
}

// A raw value as the channel row's bits read it, or nothing when the frame
// is too short or filtered away.
std::optional<double> RawOf(const SignalBitMap& bits, bool isSigned, int filterByte,
                            int filterValue, const CanFrame& frame) {
    if (filterByte >= 0 && (filterByte >= frame.length || frame.data[filterByte] != filterValue))
        return std::nullopt;
    quint64 raw = 0;
    for (const BitPosition& p : bits.positions) {
        if (p.byte >= frame.length)
            return std::nullopt;
        raw = raw << 1 | ((frame.data[p.byte] >> p.bit) & 1u);
    }
    const int n = int(bits.positions.size());
    if (isSigned && n < 64 && (raw >> (n - 1)) & 1u)
        return double(qint64(raw) - (qint64(1) << n));
    return double(raw);
}

std::vector<CanFrame> ReadLog(const QString& path) {
    std::vector<CanFrame> frames;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return frames;
    QString error;
    const auto reader = OpenLogReader(&file, LogFormat::Unknown, &error);
    CanFrame f;
    while (reader && reader->readFrame(f))
        frames.push_back(f);
    return frames;
}

} // namespace

class TstReference : public QObject {
    Q_OBJECT
private slots:
    void obdAnswers_data();
    void obdAnswers();
    void obdSeriesPicksTheBusiestEcu();
    void fitAgainstExactLine_data();
    void fitAgainstExactLine();
    void rankingFindsTheFieldAmongDecoys();
    void csvReference_data();
    void csvReference();
    void hintParsing_data();
    void hintParsing();
    void hintRanking();
    void windowHintFindsThePressedField();
    void rangeHintPrefersOffsetZero();
    void hintEvidenceEdges_data();
    void hintEvidenceEdges();
    void undecidedMargin_data();
    void undecidedMargin();
    void marksParsing_data();
    void marksParsing();
    void marksAtTheLogsEdges_data();
    void marksAtTheLogsEdges();
    void marksFindTheBrakeAmongFlags();
    void markToleranceEdges_data();
    void markToleranceEdges();
    void marksSeeAShortPressThroughBuckets();
    void demoDriveNamesItsFields_data();
    void demoDriveNamesItsFields();
    void pairSumsMatchTwoPasses();
    void mergedPointsPassAsEachReferenceWould();
    void tallyPairsAtTheEdges_data();
    void tallyPairsAtTheEdges();
    void tallyPairsLikeAPlainInterpolation();
    void fieldsOfOneFrameShareThePoints();
    void longDriveFitsExactly_data();
    void longDriveFitsExactly();
};

void TstReference::obdAnswers_data() {
    QTest::addColumn<CanFrame>("frame");
    QTest::addColumn<QString>("values");
    // Values by J1979: 0C (256A+B)/4, 05 A-40, 11 100A/255, 0E A/2-64,
    // 06 (A-128)*100/128, 14 A/200, 24 (256A+B)*2/65536.
    QTest::newRow("rpm least") << HexFrame(0x7E8, "04410C0000") << "0C=0";
    QTest::newRow("rpm greatest") << HexFrame(0x7E8, "04410CFFFF555555") << "0C=16383.75";
    QTest::newRow("coolant least, last ECU") << HexFrame(0x7EF, "03410500") << "05=-40";
    QTest::newRow("coolant greatest, 29 bit") << HexFrame(0x18DAF110, "034105FF", true) << "05=215";
    QTest::newRow("throttle edges") << HexFrame(0x7E8, "0541110011FF0000") << "11=0 11=100";
    QTest::newRow("timing edges") << HexFrame(0x7E8, "05410E000EFF") << "0E=-64 0E=63.5";
    QTest::newRow("two PIDs asked at once")
        << HexFrame(0x7E8, "06410C1AF8057B55") << "0C=1726 05=83";
    QTest::newRow("trim with bank 3") << HexFrame(0x7E8, "0441068080") << "06=0";
    QTest::newRow("O2 voltage") << HexFrame(0x7E8, "044114FFFF") << "14=1.275";
    QTest::newRow("lambda") << HexFrame(0x7E8, "0641248000FFFF") << "24=1";
    QTest::newRow("below the answers") << HexFrame(0x7E7, "04410C0000") << "";
    QTest::newRow("past the answers") << HexFrame(0x7F0, "04410C0000") << "";
    QTest::newRow("0x7E8 as 29 bit") << HexFrame(0x7E8, "04410C0000", true) << "";
    QTest::newRow("29 bit not to the tester") << HexFrame(0x18DAF210, "034105FF", true) << "";
    QTest::newRow("request") << HexFrame(0x7DF, "02010C5555555555") << "";
    QTest::newRow("mode 02") << HexFrame(0x7E8, "04420C0000") << "";
    QTest::newRow("first frame of a long answer") << HexFrame(0x7E8, "1014490201314731") << "";
    QTest::newRow("payload beyond the frame") << HexFrame(0x7E8, "07410C0000") << "";
    QTest::newRow("PID not decoded") << HexFrame(0x7E8, "0641000000000055") << "";
    QTest::newRow("data cut short") << HexFrame(0x7E8, "03410C00") << "";
}

void TstReference::obdAnswers() {
    QFETCH(CanFrame, frame);
    QFETCH(QString, values);
    QCOMPARE(AnswerText(frame), values);
}

void TstReference::obdSeriesPicksTheBusiestEcu() {
    ObdAnswerCollector collector;
    for (int i = 0; i < 3; ++i) {
        CanFrame f = HexFrame(0x7E8, "04410C0FA0");
        f.time = i;
        collector.add(f);
    }
    collector.add(HexFrame(0x7E9, "04410C0000"));
    collector.add(HexFrame(0x7E8, "0341114D"));
    QCOMPARE(collector.pids(), QList<int>({0x0C, 0x11}));
    const auto rpm = collector.series(0x0C);
    QVERIFY(rpm);
    QCOMPARE(rpm->name, QStringLiteral("OBD 0C Engine RPM"));
    QCOMPARE(rpm->unit, QStringLiteral("rpm"));
    QCOMPARE(rpm->points.size(), std::size_t(3));
    QCOMPARE(rpm->points.back().value, 1000.0);
    QCOMPARE(collector.series(0x11)->name, QStringLiteral("OBD 11 Throttle Percentage"));
    QCOMPARE(ObdSignalName(0x0C), QStringLiteral("OBD_0C_Engine_RPM"));
    QCOMPARE(ObdSignalName(0x0D), QStringLiteral("OBD_0D_vehicle_speed"));
    QCOMPARE(ObdSignalName(0x0E), QStringLiteral("OBD_0E_Timing_advance"));
    QVERIFY(!collector.series(0x05));
}

void TstReference::fitAgainstExactLine_data() {
    QTest::addColumn<double>("slope");
    QTest::addColumn<double>("intercept");
    QTest::addColumn<double>("noise");
    QTest::addColumn<double>("scale");  // the adapter's, after rounding
    QTest::addColumn<double>("offset"); // likewise
    QTest::addColumn<double>("step");   // the reference's resolution
    QTest::newRow("engine speed") << 0.25 << 0.0 << 0.1 << 4.0 << 0.0 << 0.25;
    QTest::newRow("temperature") << 1.0 << -48.0 << 0.3 << 1.0 << -48.0 << 1.0;
    QTest::newRow("percent of 255") << 100.0 / 255 << 0.0 << 0.0 << 2.55 << 0.0 << 100.0 / 255;
    QTest::newRow("falling") << -0.5 << 10.0 << 0.2 << -2.0 << 10.0 << 0.5;
    QTest::newRow("scale not round") << 1 / 3.7 << 5.0 << 0.0 << 3.7 << 5.0 << 0.0;
    QTest::newRow("factor round, scale not") << 0.3 << 0.0 << 0.05 << 1 / 0.3 << 0.0 << 0.1;
    // Offset 0 costs sqrt(1.3^2 + 0.2^2) - 1.3 = 0.015 of RMS, within half of
    // the 0.25 step; 0.6 costs 0.132, beyond it, and 1 (0.4 off, 0.060) is
    // the simplest within.
    QTest::newRow("offset 0 allowed") << 0.25 << 0.2 << 1.3 << 4.0 << 0.0 << 0.25;
    QTest::newRow("offset 0 not allowed") << 0.25 << 0.6 << 1.3 << 4.0 << 1.0 << 0.25;
    // x spans 1000..1399 (standard deviation 115.47): factor 0.25 instead of
    // 0.25 (1 + d) adds 0.25 d 115.47 of RMS; half the 0.25 step allows
    // d = 0.00433. At 0.0043 scale 4 still fits, at 0.0044 it does not and
    // 3.98 (factor 0.251256, 0.0006 from 0.2511) is the simplest that does.
    // The offset takes up what the factor moves at the mean x (1199.5):
    // 0.25 * 0.0043 * 1199.5 = 1.289, written 1.3; (0.2511 - 0.251256) *
    // 1199.5 = -0.187, written -0.2.
    QTest::newRow("factor just inside") << 0.25 * 1.0043 << 0.0 << 0.0 << 4.0 << 1.3 << 0.25;
    QTest::newRow("factor just outside") << 0.25 * 1.0044 << 0.0 << 0.0 << 3.98 << -0.2 << 0.25;
    QTest::newRow("negative, just inside")
        << -0.25 * 1.0043 << 100.0 << 0.0 << -4.0 << 98.7 << 0.25;
    QTest::newRow("negative, just outside")
        << -0.25 * 1.0044 << 100.0 << 0.0 << -3.98 << 100.2 << 0.25;
    // Without a step only the fit's own precision: nothing simpler is taken.
    QTest::newRow("no step") << 0.25 << 0.2 << 0.0 << 4.0 << 0.2 << 0.0;
}

// y = slope * x + intercept + e, e = noise * (+1, -1, -1, +1, ...): e sums to
// zero and is orthogonal to x = 1000, 1001, ..., so the least-squares line is
// exactly the one given, the RMS residual is `noise` and
// r^2 = 1 - n noise^2 / (slope^2 Sxx + n noise^2).
void TstReference::fitAgainstExactLine() {
    QFETCH(double, slope);
    QFETCH(double, intercept);
    QFETCH(double, noise);
    QFETCH(double, scale);
    QFETCH(double, offset);
    QFETCH(double, step);
    const int n = 400;
    std::vector<RawValuePair> pairs;
    for (int i = 0; i < n; ++i) {
        const double e = (i % 4 == 0 || i % 4 == 3) ? noise : -noise;
        pairs.emplace_back(1000 + i, slope * (1000 + i) + intercept + e);
    }
    const LineFit fit = FitLine(pairs);
    QVERIFY(fit.ok);
    QVERIFY(std::abs(fit.slope - slope) <= 1e-12);
    QVERIFY(std::abs(fit.intercept - intercept) <= 1e-8);
    const double sxx = double(n) * (double(n) * n - 1) / 12;
    const double r2 = 1 - n * noise * noise / (slope * slope * sxx + n * noise * noise);
    QVERIFY(std::abs(fit.correlation * fit.correlation - r2) <= 1e-12);
    QVERIFY((fit.correlation > 0) == (slope > 0));
    const AdapterConversion c = SimplestConversion(fit, pairs, step);
    QCOMPARE(c.scale, scale);
    QCOMPARE(c.offset + 1, offset + 1); // QCOMPARE of doubles is relative: keep 0 comparable
    QVERIFY(ConversionResidual(pairs, c) <= noise + StepShare * step + 1e-8);
}

// A 10 Hz engine speed reference against 100 Hz fields: the true one (0.25
// rpm per step), a counter, a random checksum, a copy at 0.5 rpm per step with
// noise, a constant; then a reference at 200 Hz against a 5 Hz field.
void TstReference::rankingFindsTheFieldAmongDecoys() {
    const auto rpm = [](double t) { return 2000 + 1500 * std::sin(t / 3) + 300 * std::sin(t); };
    QRandomGenerator random(27);
    std::vector<CandidateField> fields(5);
    for (int k = 0; k < 3000; ++k) {
        const double t = k * 0.01;
        fields[0].samples.push_back({t, double(k % 16)});
        fields[1].samples.push_back({t, double(random.bounded(256))});
        fields[2].samples.push_back({t, std::round(rpm(t) * 4)});
        fields[3].samples.push_back({t, std::round(rpm(t) * 2 + random.bounded(600) - 300)});
        fields[4].samples.push_back({t, 7});
    }
    ReferenceSeries reference{"OBD 0C Engine RPM", "rpm", {}};
    for (int k = 0; k < 300; ++k)
        reference.points.push_back({k * 0.1 + 0.003, std::round(rpm(k * 0.1 + 0.003) * 4) / 4});
    MatchRanking ranking = RankFieldsAgainst(fields, reference);
    QVERIFY2(ranking.error.isEmpty(), qPrintable(ranking.error));
    QCOMPARE(ranking.matches.size(), std::size_t(4)); // the constant is left out
    QCOMPARE(ranking.matches[0].candidate, 2);
    QCOMPARE(ranking.matches[1].candidate, 3);
    QCOMPARE(ranking.matches[0].scale, 4.0);
    QCOMPARE(ranking.matches[0].offset, 0.0);
    QVERIFY(ranking.matches[0].residual < 0.25);
    QVERIFY(std::abs(ranking.matches[2].correlation) < 0.2);

    // The reference denser than the field.
    std::vector<CandidateField> slow(1);
    for (int k = 0; k < 150; ++k)
        slow[0].samples.push_back({k * 0.2, std::round(rpm(k * 0.2) * 4)});
    ReferenceSeries dense;
    for (int k = 0; k < 6000; ++k)
        dense.points.push_back({k * 0.005, rpm(k * 0.005)});
    ranking = RankFieldsAgainst(slow, dense);
    QCOMPARE(ranking.matches.size(), std::size_t(1));
    QCOMPARE(ranking.matches[0].scale, 4.0);
    QCOMPARE(ranking.matches[0].pairs, 150);

    // No shared time, a constant reference, too few values.
    // Both spans are named; milliseconds counted from the log's start (here
    // 0.1 s to 0.13 s, as seconds) are asked about, others not.
    for (ReferencePoint& p : dense.points)
        p.time += 100;
    QCOMPARE(RankFieldsAgainst(slow, dense).error,
             "the reference (100 s to 129.995 s) shares no time with the log (0 s to 29.8 s); if "
             "its times are milliseconds, name its time column \"time [ms]\"");
    for (ReferencePoint& p : dense.points)
        p.time += 1e6;
    QCOMPARE(RankFieldsAgainst(slow, dense).error,
             "the reference (1000100 s to 1000129.995 s) shares no time with the log (0 s to "
             "29.8 s)");
    // Milliseconds from the start of a dated log, moved onto its clock.
    std::vector<CandidateField> dated = slow;
    for (FieldSample& sample : dated[0].samples)
        sample.time += 1.7e9;
    ReferenceSeries milliseconds;
    for (int k = 0; k < 300; ++k)
        milliseconds.points.push_back({1.7e9 + k * 100.0, double(k)});
    QCOMPARE(RankFieldsAgainst(dated, milliseconds).error,
             "the reference (1700000000 s to 1700029900 s) shares only 1 of its times with the log "
             "(1700000000 s to 1700000029.8 s); if its times are milliseconds, name its time "
             "column \"time [ms]\"");
    dense.points.assign(10, {1, 5});
    QVERIFY(RankFieldsAgainst(slow, dense).error.contains("stays at 5"));
    dense.points.resize(2);
    QVERIFY(RankFieldsAgainst(slow, dense).error.contains("a match needs 3"));

    // A log without a single field, and one whose only field never moves: the
    // refusal is whole for a reference and a hint alike, never empty.
    ReferenceSeries moving;
    for (int k = 0; k < 10; ++k)
        moving.points.push_back({k * 0.1, double(k)});
    ReferenceHint hint;
    QVERIFY(ParseReferenceHint("0..100", hint, nullptr));
    const QString none = "the log has no field that changes, so nothing can be matched";
    QCOMPARE(RankFieldsAgainst({}, moving).error, none);
    QCOMPARE(RankFieldsByHint({}, hint).error, none);
    std::vector<CandidateField> still(1);
    for (int k = 0; k < 10; ++k)
        still[0].samples.push_back({k * 0.1, 7});
    QCOMPARE(RankFieldsByHint(still, hint).error, QString("no field changes over the log"));
    QCOMPARE(RankFieldsAgainst(still, moving).error,
             QString("no field changes while the reference does"));
}

void TstReference::csvReference_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("first"); // "time value" of the first point
    QTest::addColumn<QString>("nameAndUnit");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("problem"); // the first one
    QTest::newRow("empty") << QByteArray() << 0 << ""
                           << "|"
                           << "the file holds no rows"
                           << "";
    QTest::newRow("blank lines only") << QByteArray("\n \n") << 0 << ""
                                      << "|"
                                      << "the file holds no rows"
                                      << "";
    QTest::newRow("header alone") << QByteArray("time,speed [km/h]\n") << 0 << ""
                                  << "speed|km/h"
                                  << "the file holds a header but no rows"
                                  << "";
    QTest::newRow("one row") << QByteArray("0.5,12.25") << 1 << "0.5 12.25"
                             << "|"
                             << ""
                             << "";
    QTest::newRow("semicolons, a decimal comma")
        << QByteArray("t;v\r\n0;1.5\r\n1;2,5\r\n2;3\r\n") << 2 << "0 1.5"
        << "v|"
        << ""
        << "line 3: \"2,5\" is no value (numbers are written with a decimal point)";
    QTest::newRow("BOM, tabs, unit in parentheses")
        << QByteArray("\xEF\xBB\xBFTime\tRPM (rpm)\n0\t800\n1\t900\textra\n") << 2 << "0 800"
        << "RPM|rpm"
        << ""
        << "";
    // The time column's unit, written as a header may write it.
    QTest::newRow("time in ms") << QByteArray("Time [ms],RPM\n1500,800\n") << 1 << "1.5 800"
                                << "RPM|"
                                << ""
                                << "";
    QTest::newRow("time_us") << QByteArray("time_us;v\n2500000;1\n") << 1 << "2.5 1"
                             << "v|"
                             << ""
                             << "";
    QTest::newRow("minutes in parentheses") << QByteArray("t (min),v\n0.5,1\n") << 1 << "30 1"
                                            << "v|"
                                            << ""
                                            << "";
    QTest::newRow("seconds named") << QByteArray("Time [s],v\n1.5,2\n") << 1 << "1.5 2"
                                   << "v|"
                                   << ""
                                   << "";
    QTest::newRow("a last word that is no unit")
        << QByteArray("engine time,v\n1.5,2\n") << 1 << "1.5 2"
        << "v|"
        << ""
        << "";
    QTest::newRow("unknown time unit")
        << QByteArray("Time [h],v\n1,2\n") << 0 << ""
        << "v|"
        << "the time column's unit \"h\" is none of s, ms, us and min"
        << "";
    QTest::newRow("out of order") << QByteArray("2,1\n0,3\n1,2\n") << 3 << "0 3"
                                  << "|"
                                  << ""
                                  << "";
    QTest::newRow("not finite, no value")
        << QByteArray("0,1\n1,nan\n2,inf\n3\n4,-2e1\n") << 2 << "0 1"
        << "|"
        << ""
        << "line 2: \"nan\" is no value (numbers are written with a decimal point)";
    QTest::newRow("nothing readable")
        << QByteArray("a,b\nx,1\n") << 0 << ""
        << "b|"
        << "no row of time and value could be read (line 2: \"x\" is no time (numbers are "
           "written with a decimal point))"
        << "line 2: \"x\" is no time (numbers are written with a decimal point)";
}

void TstReference::csvReference() {
    QFETCH(QByteArray, text);
    QFETCH(int, points);
    QFETCH(QString, first);
    QFETCH(QString, nameAndUnit);
    QFETCH(QString, error);
    QFETCH(QString, problem);
    QBuffer buffer(&text);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const CsvReference csv = ReadCsvReference(&buffer);
    QCOMPARE(csv.error, error);
    QCOMPARE(int(csv.series.points.size()), points);
    if (points > 0)
        QCOMPARE(
            QStringLiteral("%1 %2").arg(csv.series.points[0].time).arg(csv.series.points[0].value),
            first);
    QCOMPARE(csv.series.name + '|' + csv.series.unit, nameAndUnit);
    QCOMPARE(csv.problems.isEmpty() ? QString() : csv.problems.front().describe(), problem);
    QCOMPARE(csv.sorted, QTest::currentDataTag() == QByteArray("out of order"));
}

void TstReference::hintParsing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // "min max unit [from to]" or the error
    QTest::newRow("range and window") << "800..7000@12..15"
                                      << "800 7000  12 15";
    QTest::newRow("in words") << "800 to 7000 rpm"
                              << "800 7000 rpm";
    QTest::newRow("sentence") << "0 to 100 % throttle pressed between 12 s and 15 s"
                              << "0 100 % 12 15";
    QTest::newRow("negative, spaces") << " -40 .. 215 degC @ 0.5 .. 3"
                                      << "-40 215 degC 0.5 3";
    QTest::newRow("empty") << "  "
                           << "the hint is empty: type the expected range as MIN..MAX, "
                              "optionally @T1..T2 in seconds (800..7000@12..15)";
    QTest::newRow("reversed") << "7000..800"
                              << "the range's minimum 7000 is not below its maximum 800";
    QTest::newRow("no width") << "800..800"
                              << "the range's minimum 800 is not below its maximum 800";
    QTest::newRow("no range") << "fast"
                              << "\"fast\" does not begin with a range: type MIN..MAX "
                                 "(800..7000@12..15)";
    QTest::newRow("window reversed") << "800..7000@15..12"
                                     << "the time window's start 15 s is not before its end 12 s";
    QTest::newRow("window unreadable") << "800..7000@soon"
                                       << "\"soon\" is no time window: type @T1..T2 in seconds "
                                          "(800..7000@12..15)";
    QTest::newRow("two windows") << "800..6000@30..33, 12..15"
                                 << "800 6000  12 15 30 33";
    QTest::newRow("windows touching") << "0..1@1..2,2..3"
                                      << "0 1  1 2 2 3";
    QTest::newRow("windows overlapping")
        << "0..1@1..2.5,2..3"
        << "the time windows 1..2.5 and 2..3 overlap: type them as one";
    QTest::newRow("second window unreadable")
        << "0..1@1..2,later"
        << "\"later\" is no time window: type @T1..T2 in seconds (800..7000@12..15)";
    QTest::newRow("beyond numbers") << "1e999..2e999"
                                    << "the range 1e999..2e999 is beyond any "
                                       "number";
}

void TstReference::hintParsing() {
    QFETCH(QString, text);
    QFETCH(QString, read);
    ReferenceHint hint;
    QString error;
    const bool ok = ParseReferenceHint(text, hint, &error);
    QCOMPARE(ok, error.isEmpty());
    if (ok) {
        QString got = QStringLiteral("%1 %2 %3").arg(hint.minimum).arg(hint.maximum).arg(hint.unit);
        for (const HintWindow& w : hint.windows)
            got += QStringLiteral(" %1 %2").arg(w.from).arg(w.to);
        QCOMPARE(got, read);
    } else {
        QCOMPARE(error, read);
    }
}

// "800..6850@12..15": the field that rises in the window wins over one that
// moves elsewhere, a counter and a flag; its range maps onto the hint's.
void TstReference::hintRanking() {
    std::vector<CandidateField> fields(4);
    for (int k = 0; k < 3000; ++k) {
        const double t = k * 0.01;
        const double rise = std::clamp((t - 12) / 3, 0.0, 1.0);
        fields[0].samples.push_back({t, double(k % 16)});
        fields[1].samples.push_back({t, std::round(3200 + 24200 * std::sin(t / 8) * (t < 10))});
        fields[2].samples.push_back({t, std::round(3200 + 24200 * rise * (t < 20))});
        fields[3].samples.push_back({t, double(k / 500 % 2)});
    }
    ReferenceHint hint;
    QVERIFY(ParseReferenceHint("800..6850@12..15", hint, nullptr));
    const MatchRanking ranking = RankFieldsByHint(fields, hint);
    QCOMPARE(ranking.matches.size(), std::size_t(4));
    QCOMPARE(ranking.matches[0].candidate, 2);
    QCOMPARE(ranking.matches[0].scale, 4.0);
    QCOMPARE(ranking.matches[0].offset, 0.0);
    QVERIFY(ranking.matches[1].correlation < ranking.matches[0].correlation / 2);
    hint.windows.clear(); // without a window a steady field still beats the counter
    const MatchRanking plain = RankFieldsByHint(fields, hint);
    QVERIFY(plain.matches.back().candidate == 0 || plain.matches.back().candidate == 3);
}

namespace {

// Samples of a value every `period` seconds over [from, to].
std::vector<FieldSample> Sampled(double from, double to, double period,
                                 const std::function<double(double)>& raw) {
    std::vector<FieldSample> out;
    for (int k = 0; from + k * period <= to + 1e-9; ++k)
        out.push_back({from + k * period, raw(from + k * period)});
    return out;
}

CandidateField Candidate(const QString& name, std::vector<FieldSample> samples,
                         CandidateKind kind = CandidateKind::Continuous) {
    CandidateField c;
    c.description = name;
    c.samples = std::move(samples);
    c.kind = kind;
    return c;
}

bool Pressed(double t, const std::vector<std::pair<double, double>>& spans) {
    return std::any_of(spans.begin(), spans.end(),
                       [&](const auto& s) { return t >= s.first && t < s.second; });
}

} // namespace

// "0..100@12..15,30..33": a pedal pressed in both windows and quiet
// elsewhere ranks above a fragment of it (its low bits, which wrap), a pedal
// pressed in one window only, an engine speed moving all along; a flag
// pressed in the windows is no candidate for a range.
void TstReference::windowHintFindsThePressedField() {
    const auto pedal = [](double t) {
        const auto in = [&](double a, double b) {
            return std::clamp(std::min(t - a, b - t) / 0.3, 0.0, 1.0);
        };
        return std::round(200 * std::max(in(12, 15), in(30, 33)));
    };
    std::vector<CandidateField> fields;
    fields.push_back(Candidate("engine", Sampled(0, 60, 0.01, [](double t) {
                                   return std::round(8000 + 6000 * std::sin(t / 4));
                               })));
    fields.push_back(Candidate(
        "fragment", Sampled(0, 60, 0.01, [&](double t) { return double(int(pedal(t)) % 16); })));
    fields.push_back(Candidate("pedal", Sampled(0, 60, 0.01, pedal)));
    fields.push_back(Candidate("first window only", Sampled(0, 60, 0.01, [&](double t) {
                                   return t < 20 ? pedal(t) : 0;
                               })));
    fields.push_back(Candidate(
        "switch", Sampled(0, 60, 0.01, [&](double t) { return pedal(t) > 0 ? 1.0 : 0.0; }),
        CandidateKind::State));
    ReferenceHint hint;
    QVERIFY(ParseReferenceHint("0..100@12..15,30..33", hint, nullptr));
    const MatchRanking ranking = RankFieldsByHint(fields, hint);
    QCOMPARE(ranking.scoreName, QString("hint score"));
    QCOMPARE(ranking.matches.size(), std::size_t(4)); // the switch is left out
    QCOMPARE(fields[ranking.matches[0].candidate].description, QString("pedal"));
    QCOMPARE(ranking.matches[0].scale, 2.0);
    QCOMPARE(ranking.matches[0].offset, 0.0);
    QCOMPARE(ranking.matches[0].evidence,
             QString("100 % of its movement in the windows, 100 % of its range in each; 16 or more "
                     "raw values; offset 0"));
    QVERIFY(ranking.matches[1].correlation < 0.8 * ranking.matches[0].correlation);
    QCOMPARE(fields[ranking.matches.back().candidate].description, QString("engine"));
    // One window of the two: the pedal pressed in only that one ties it.
    QVERIFY(ParseReferenceHint("0..100@12..15", hint, nullptr));
    const MatchRanking one = RankFieldsByHint(fields, hint);
    QVERIFY(fields[one.matches[0].candidate].description == "first window only");
}

// "-200..200": a signed angle maps onto it with offset 0 and outranks a
// temperature byte that only an offset of 0.9 spans maps there.
void TstReference::rangeHintPrefersOffsetZero() {
    std::vector<CandidateField> fields;
    fields.push_back(Candidate("coolant", Sampled(0, 60, 0.1, [](double t) {
                                   return std::round(40 + 100 * (1 - std::exp(-t / 20)) / 0.95);
                               })));
    fields.push_back(Candidate("steering", Sampled(0, 60, 0.1, [](double t) {
                                   return std::round(2000 * std::sin(t / 3));
                               })));
    ReferenceHint hint;
    QVERIFY(ParseReferenceHint("-200..200", hint, nullptr));
    const MatchRanking ranking = RankFieldsByHint(fields, hint);
    QCOMPARE(ranking.matches.size(), std::size_t(2));
    QCOMPARE(fields[ranking.matches[0].candidate].description, QString("steering"));
    QCOMPARE(ranking.matches[0].scale, 10.0);
    QCOMPARE(ranking.matches[0].offset, 0.0);
    QCOMPARE(ranking.matches[1].evidence,
             QString("no window: ranked by its range and steadiness only; 16 or more raw "
                     "values; offset 0.90 of the range's span"));
}

void TstReference::hintEvidenceEdges_data() {
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QList<double>>("samples"); // time, raw, time, raw, ...
    QTest::addColumn<QString>("evidence");
    const QString plain = "no window: ranked by its range and steadiness only; ";
    const QList<double> ramp16{0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,
                               8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15};
    // The window 12..15 is widened to 11..16.
    QTest::newRow("step into the margin")
        << "0..100@12..15" << QList<double>{0, 0, 10.5, 0, 11, 100, 30, 100}
        << "100 % of its movement in the windows, 0 % of its range in each; 2 raw values; "
           "offset 0";
    QTest::newRow("step just before it")
        << "0..100@12..15" << QList<double>{0, 0, 10.5, 0, 10.999, 100, 30, 100}
        << "0 % of its movement in the windows, 0 % of its range in each; 2 raw values; offset 0";
    QTest::newRow("step from the margin's end")
        << "0..100@12..15" << QList<double>{0, 0, 16, 0, 16.5, 100, 30, 100}
        << "100 % of its movement in the windows, 0 % of its range in each; 2 raw values; "
           "offset 0";
    QTest::newRow("step just after it")
        << "0..100@12..15" << QList<double>{0, 0, 16.001, 0, 16.5, 100, 30, 100}
        << "0 % of its movement in the windows, 0 % of its range in each; 2 raw values; offset 0";
    QTest::newRow("16 values") << "0..15" << ramp16 << plain + "16 or more raw values; offset 0";
    QTest::newRow("15 values") << "0..14" << ramp16.mid(0, 30) << plain + "15 raw values; offset 0";
    QTest::newRow("offset") << "100..115" << ramp16
                            << plain + "16 or more raw values; offset 6.67 of the range's span";
}

void TstReference::hintEvidenceEdges() {
    QFETCH(QString, hint);
    QFETCH(QList<double>, samples);
    QFETCH(QString, evidence);
    std::vector<FieldSample> series;
    for (qsizetype k = 0; k + 1 < samples.size(); k += 2)
        series.push_back({samples[k], samples[k + 1]});
    ReferenceHint parsed;
    QVERIFY(ParseReferenceHint(hint, parsed, nullptr));
    const MatchRanking ranking = RankFieldsByHint({Candidate("field", series)}, parsed);
    QCOMPARE(ranking.matches.size(), std::size_t(1));
    QCOMPARE(ranking.matches[0].evidence, evidence);
}

void TstReference::undecidedMargin_data() {
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::addColumn<bool>("undecided");
    QTest::newRow("alike") << 1.0 << 1.0 << true;
    QTest::newRow("just within") << 1.0 << 0.981 << true;
    QTest::newRow("well within") << 0.5 << 0.485 << true;
    QTest::newRow("just beyond") << 1.0 << 0.979 << false;
    QTest::newRow("both nothing") << 0.0 << 0.0 << false;
}

// Scores within UndecidedMargin cannot be told apart; two fields that show
// no sign at all are no tie worth reporting.
void TstReference::undecidedMargin() {
    QFETCH(double, first);
    QFETCH(double, second);
    QFETCH(bool, undecided);
    const std::vector<CandidateField> fields{Candidate("A", {}), Candidate("B", {})};
    MatchRanking ranking;
    ranking.matches.resize(2);
    ranking.matches[0].candidate = 0;
    ranking.matches[0].correlation = first;
    ranking.matches[1].candidate = 1;
    ranking.matches[1].correlation = second;
    NoteUndecided(ranking, fields, "change alike");
    QCOMPARE(ranking.undecided,
             undecided ? QString("A and B change alike: the evidence cannot tell them apart")
                       : QString());
}

void TstReference::marksParsing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // "time=label ..." or the error
    const QString how = "type a time in seconds, optionally =label (12.1,15.3,20.8=brake)";
    QTest::newRow("three") << "12.1,15.3,20.8"
                           << "12.1= 15.3= 20.8=";
    QTest::newRow("labelled, unsorted") << " 20.8 s, 12.1=brake pedal ,15.3"
                                        << "12.1=brake pedal 15.3= 20.8=";
    QTest::newRow("one") << "0"
                         << "0=";
    QTest::newRow("none") << "  "
                          << "no marks: type the times you marked in seconds, separated by "
                             "commas (12.1,15.3,20.8=brake)";
    QTest::newRow("a word") << "soon"
                            << "\"soon\" is no mark: " + how;
    QTest::newRow("empty between") << "12.1,,15"
                                   << "\"\" is no mark: " + how;
    QTest::newRow("beyond numbers") << "1e999"
                                    << "\"1e999\" is no mark: " + how;
}

void TstReference::marksParsing() {
    QFETCH(QString, text);
    QFETCH(QString, read);
    std::vector<ReferenceMark> marks;
    QString error;
    const bool ok = ParseReferenceMarks(text, marks, &error);
    QCOMPARE(ok, error.isEmpty());
    if (!ok) {
        QCOMPARE(error, read);
        return;
    }
    QStringList got;
    for (const ReferenceMark& m : marks)
        got.append(QStringLiteral("%1=%2").arg(m.time).arg(m.label));
    QCOMPARE(got.join(' '), read);
}

void TstReference::marksAtTheLogsEdges_data() {
    QTest::addColumn<double>("shift"); // the log's first time when its times are dates
    QTest::addColumn<QList<double>>("marks");
    QTest::addColumn<QString>("error");
    const double date = 1.7e9;
    QTest::newRow("at the start") << 0.0 << QList<double>{10} << "";
    QTest::newRow("at the end") << 0.0 << QList<double>{70} << "";
    QTest::newRow("before the start")
        << 0.0 << QList<double>{9.99, 20}
        << "mark 9.99 s is before the log's start: mark times within 10 to 70 s";
    QTest::newRow("after the end")
        << 0.0 << QList<double>{20, 70.01}
        << "mark 70.01 s is after the log's end: mark times within 10 to 70 s";
    QTest::newRow("none") << 0.0 << QList<double>{} << "no marks to rank the fields by";
    QTest::newRow("dated log, from its start") << date << QList<double>{10, 70} << "";
    QTest::newRow("dated log, before")
        << date << QList<double>{9}
        << "mark 9 s is before the log's start: mark times within 10 to 70 s";
    QTest::newRow("dated log, a date") << date << QList<double>{date + 20} << "";
}

// The log runs from 10 s to 70 s of its clock (plus `shift`); marks outside
// it refuse the ranking with a reason in the times as typed.
void TstReference::marksAtTheLogsEdges() {
    QFETCH(double, shift);
    QFETCH(QList<double>, marks);
    QFETCH(QString, error);
    DiscoveryCandidates candidates;
    candidates.fields.push_back(
        Candidate("Flag",
                  Sampled(shift + 10, shift + 70, 0.5,
                          [&](double t) { return std::fmod(t - shift, 1) < 0.5 ? 0 : 1; }),
                  CandidateKind::State));
    std::vector<ReferenceMark> typed;
    for (const double t : marks)
        typed.push_back({t, {}});
    const ReferenceMatches matches = MatchMarks(candidates, typed, shift);
    QCOMPARE(matches.ranking.error, error);
    QCOMPARE(matches.ranking.matches.empty(), !error.isEmpty());
}

// "I pressed the brake three times": the brake switch ranks first among a
// horn pressed at other times, a door opened at one mark and twice besides,
// and an engine speed; a second switch that changes with the brake (its
// light) makes the ranking undecided.
void TstReference::marksFindTheBrakeAmongFlags() {
    const std::vector<std::pair<double, double>> brake{{12.7, 13.5}, {25.9, 26.7}, {41.4, 42.2}};
    DiscoveryCandidates candidates;
    const auto flag = [&](const QString& name, std::vector<std::pair<double, double>> spans) {
        candidates.fields.push_back(Candidate(
            name, Sampled(0, 60, 0.02, [=](double t) { return Pressed(t, spans) ? 1.0 : 0.0; }),
            CandidateKind::State));
    };
    flag("horn", {{5, 5.5}, {18, 18.4}, {33, 34}, {50, 50.2}});
    flag("door", {{12.5, 30}, {45, 61}});
    candidates.fields.push_back(Candidate("engine", Sampled(0, 60, 0.01, [](double t) {
                                              return std::round(8000 + 6000 * std::sin(t / 4));
                                          })));
    flag("brake", brake);
    std::vector<ReferenceMark> marks;
    QVERIFY(ParseReferenceMarks("12.1,25.3,40.8=brake", marks, nullptr));
    ReferenceMatches matches = MatchMarks(candidates, marks, 0);
    QCOMPARE(matches.name, QString("marks 12.1,25.3,40.8=brake"));
    const MatchRanking& ranking = matches.ranking;
    QCOMPARE(ranking.scoreName, QString("mark score"));
    QVERIFY2(ranking.error.isEmpty(), qPrintable(ranking.error));
    QCOMPARE(candidates.fields[ranking.matches[0].candidate].description, QString("brake"));
    QCOMPARE(ranking.matches[0].correlation, 1.0);
    QCOMPARE(ranking.matches[0].scale, 1.0);
    QCOMPARE(ranking.matches[0].offset, 0.0);
    QCOMPARE(ranking.matches[0].evidence, QString("changes at 3 of 3 marks, 0 time(s) elsewhere"));
    QVERIFY(ranking.matches[1].correlation < 0.5);
    QCOMPARE(ranking.undecided, QString());
    QCOMPARE(MatchLineText("brake", ranking, ranking.matches[0]),
             QString("brake                      mark score 1.000  scale 1  offset 0  (changes at "
                     "3 of 3 marks, 0 time(s) elsewhere)"));
    // The door changes at one mark and twice elsewhere: one is forgiven
    // (what a mark opened closes later), one is not.
    const auto door = std::find_if(ranking.matches.begin(), ranking.matches.end(),
                                   [](const FieldMatch& m) { return m.candidate == 1; });
    QVERIFY(door != ranking.matches.end());
    QCOMPARE(door->evidence, QString("changes at 1 of 3 marks, 1 time(s) elsewhere"));
    QCOMPARE(door->correlation, 1.0 / 3 * 2 / 3);

    // The brake light beside it: no field is the answer.
    flag("brake light", brake);
    matches = MatchMarks(candidates, marks, 0);
    QCOMPARE(matches.ranking.undecided,
             QString("brake and brake light change alike at the marks: the evidence cannot "
                     "tell them apart"));
}

void TstReference::markToleranceEdges_data() {
    QTest::addColumn<double>("before"); // the last sample before the step
    QTest::addColumn<double>("after");  // the first after it
    QTest::addColumn<bool>("atMark");   // the mark at 10 s
    QTest::newRow("last moment after") << 10 + MarkLag << 12.5 << true;
    QTest::newRow("just too late") << 10 + MarkLag + 0.001 << 12.5 << false;
    QTest::newRow("first moment before") << 9.0 << 10 - MarkLead << true;
    QTest::newRow("just too early") << 9.0 << 10 - MarkLead - 0.001 << false;
}

// A flag steps from 0 to 1 between two samples; the step is at the mark at
// 10 s when that span meets MarkLead before to MarkLag after it.
void TstReference::markToleranceEdges() {
    QFETCH(double, before);
    QFETCH(double, after);
    QFETCH(bool, atMark);
    DiscoveryCandidates candidates;
    candidates.fields.push_back(
        Candidate("flag", {{0, 0}, {before, 0}, {after, 1}, {20, 1}}, CandidateKind::State));
    const ReferenceMatches matches = MatchMarks(candidates, {{10, {}}}, 0);
    QCOMPARE(matches.ranking.error,
             atMark ? QString() : QString("no field changes at any of the marks"));
    QCOMPARE(matches.ranking.matches.size(), std::size_t(atMark ? 1 : 0));
}

// A 10-minute log: buckets of 0.29 s or more, a brake pressed for 0.3 s
// three times; discovery's candidates still show each press, and the marks
// find it among a horn, a counter and a moving value.
void TstReference::marksSeeAShortPressThroughBuckets() {
    const std::vector<std::pair<double, double>> brake{
        {100.4, 100.7}, {300.6, 300.9}, {455.95, 456.25}};
    const std::vector<std::pair<double, double>> horn{{50, 50.3}, {200, 200.3}, {520, 520.3}};
    std::vector<CanFrame> frames;
    for (int k = 0; k < 30000; ++k) {
        CanFrame f;
        f.time = k * 0.02;
        f.id = 0x1A0;
        f.length = 8;
        const int speed = int(std::lround(20000 + 15000 * std::sin(f.time / 40)));
        f.data[0] =
            std::uint8_t((Pressed(f.time, brake) ? 1 : 0) | (Pressed(f.time, horn) ? 4 : 0));
        f.data[2] = std::uint8_t(speed & 0xFF);
        f.data[3] = std::uint8_t(speed >> 8);
        f.data[7] = std::uint8_t(k % 16);
        frames.push_back(f);
    }
    const DiscoveryResult result = DiscoverSignals([&](const FrameSink& sink) {
        for (const CanFrame& f : frames)
            sink(f);
        return true;
    });
    const DiscoveryCandidates candidates = CandidatesOf(result, false);
    QStringList names;
    for (const CandidateField& c : candidates.fields)
        names.append(c.description);
    QVERIFY2(names.contains("Flag0x1A0_0_1"), qPrintable(names.join(' ')));
    for (const CandidateField& c : candidates.fields)
        QVERIFY2(!c.description.startsWith("Counter"), qPrintable(c.description));
    const CandidateField& brakeField =
        candidates.fields[std::size_t(names.indexOf("Flag0x1A0_0_1"))];
    QCOMPARE(brakeField.kind, CandidateKind::State);
    QVERIFY(brakeField.samples.size() <= std::size_t(ValueSeries::BucketCount));
    QVERIFY(brakeField.samples[1].width >= 0.29);
    std::vector<ReferenceMark> marks;
    QVERIFY(ParseReferenceMarks("100,300.2,455.5", marks, nullptr));
    const ReferenceMatches matches = MatchMarks(candidates, marks, 0);
    QVERIFY2(!matches.ranking.matches.empty(), qPrintable(matches.ranking.error));
    QCOMPARE(candidates.fields[matches.ranking.matches[0].candidate].description,
             QString("Flag0x1A0_0_1"));
    QCOMPARE(matches.ranking.matches[0].evidence,
             QString("changes at 3 of 3 marks, 0 time(s) elsewhere"));
    // Its channel: the bit itself, scale 1 and offset 0.
    const ChannelProposal proposal =
        ProposeChannel(candidates, matches, matches.ranking.matches[0], VariableCatalogue(), {});
    QVERIFY2(proposal.row, qPrintable(proposal.error));
    QCOMPARE(proposal.row->cells[ColStartBit], QString("0"));
    QCOMPARE(proposal.row->cells[ColLength], QString("1"));
    QCOMPARE(proposal.row->cells[ColScale], QString("1"));
    QCOMPARE(proposal.row->cells[ColOffset], QString("0"));
}

void TstReference::demoDriveNamesItsFields_data() {
    QTest::addColumn<int>("pid");
    QTest::addColumn<QString>("signal");
    QTest::newRow("engine speed") << 0x0C << "Engine_1.EngineSpeed";
    QTest::newRow("coolant") << 0x05 << "Engine_2.CoolantTemp";
    QTest::newRow("throttle") << 0x11 << "Engine_3.ThrottlePosition";
}

// Every integer signal of the demo database is a candidate; the OBD answers
// must pick the one that carries their quantity, and the channel row the match
// gives must read the database's own values from every frame, within a step.
void TstReference::demoDriveNamesItsFields() {
    QFETCH(int, pid);
    QFETCH(QString, signal);
    CanDatabase db;
    QVERIFY(LoadCanDatabase(CAC_EXAMPLES_DIR "/demo-vehicle.dbc", db));
    const std::vector<CanFrame> frames = ReadLog(CAC_EXAMPLES_DIR "/discover-demo-obd.log");
    QVERIFY(frames.size() > 1000);
    ObdAnswerCollector collector;
    for (const CanFrame& f : frames)
        collector.add(f);
    QCOMPARE(collector.pids(), QList<int>({0x05, 0x0C, 0x11}));

    std::vector<CandidateField> fields;
    std::vector<SignalRef> refs;
    for (int m = 0; m < db.messages.size(); ++m) {
        const DbcMessage& message = db.messages[m];
        for (int s = 0; s < message.signalList.size(); ++s) {
            const DbcSignal& sig = message.signalList[s];
            if (sig.valueType != DbcValueType::Integer || sig.length > 32 || sig.isMultiplexor)
                continue;
            CandidateField c;
            c.id = message.id;
            c.extended = message.extended;
            c.description = SignalPath(db, {m, s});
            // The demo's one multiplexor is byte 0 of its frame.
            c.layout = FieldLayout{sig.startBit,
                                   sig.length,
                                   sig.littleEndian,
                                   sig.isSigned,
                                   sig.multiplexValue >= 0 ? 0 : -1,
                                   sig.multiplexValue};
            const SignalBitMap bits =
                MapSignalBits(sig.startBit, sig.length, sig.littleEndian ? 0 : 3);
            for (const CanFrame& f : frames) {
                if (f.id != c.id || f.extended != c.extended)
                    continue;
                if (const auto raw =
                        RawOf(bits, sig.isSigned, c.layout->filterByte, c.layout->filterValue, f))
                    c.samples.push_back({f.time, *raw});
            }
            fields.push_back(c);
            refs.push_back({m, s});
        }
    }
    const MatchRanking ranking = RankFieldsAgainst(fields, *collector.series(pid));
    QVERIFY2(ranking.error.isEmpty(), qPrintable(ranking.error));
    const FieldMatch& best = ranking.matches.front();
    const CandidateField& field = fields[best.candidate];
    QCOMPARE(field.description, signal);
    const DbcMessage& message = db.messages[refs[best.candidate].message];
    const DbcSignal& truth = message.signalList[refs[best.candidate].signal];
    const double factorError = std::abs(1 / best.fittedScale - truth.factor) / truth.factor;
    const double offsetSteps = std::abs(best.fittedOffset - truth.offset) / truth.factor;
    qInfo("%s: r %.6f, runner-up %s r %.6f; fitted factor error %.4f %%, offset error %.3f "
          "steps; rounded scale %.15g offset %.15g; residual %.4f over %d pairs",
          qPrintable(signal), best.correlation,
          qPrintable(fields[ranking.matches[1].candidate].description),
          ranking.matches[1].correlation, 100 * factorError, offsetSteps, best.scale, best.offset,
          best.residual, best.pairs);
    QVERIFY(factorError < 0.01);
    QVERIFY(offsetSteps < 1);

    // The row the match gives is the row the database's own signal gives.
    const auto row = MatchedChannelRow(field, best);
    QVERIFY(row && row->importable());
    QCOMPARE(row->settingsText(), MapSignalToRow(message, truth).settingsText());
    // Read as the adapter reads it, it gives the database's values throughout.
    const SignalBitMap bits = MapSignalBits(row->cells[ColStartBit], row->cells[ColLength],
                                            row->cells[ColValueType], row->cells[ColByteOrder]);
    QVERIFY(bits.known);
    const int filterByte =
        row->cells[ColFilterLoc] == "No Filter" ? -1 : row->cells[ColFilterLoc].mid(5).toInt() - 1;
    const bool rowSigned = row->cells[ColValueType] == "Signed";
    const int filterValue = row->cells[ColFilterVal].toInt();
    const double scale = row->cells[ColScale].toDouble();
    const double offset = row->cells[ColOffset].toDouble();
    const SignalBitMap truthBits =
        MapSignalBits(truth.startBit, truth.length, truth.littleEndian ? 0 : 3);
    int compared = 0;
    for (const CanFrame& f : frames) {
        if (f.id != message.id || f.extended != message.extended)
            continue;
        const auto raw = RawOf(bits, rowSigned, filterByte, filterValue, f);
        const auto own = RawOf(truthBits, truth.isSigned, truth.multiplexValue >= 0 ? 0 : -1,
                               truth.multiplexValue, f);
        QCOMPARE(bool(raw), bool(own));
        if (!raw)
            continue;
        QVERIFY(std::abs(*raw / scale + offset - (*own * truth.factor + truth.offset)) <
                truth.factor / 1000);
        ++compared;
    }
    QVERIFY(compared > 100);
}

// The scan walks one list of every reference's points merged in time; it
// passes each frame the points a walk of each reference's own points
// would, written here the plain way: up to the first point later than the
// frame, the frame's own time counting in full, those between it and the
// frame before by their place, none over a pause. References of one point,
// of none, with times stepping back, ties across references and a point
// without a time (holding up the rest of its reference).
void TstReference::mergedPointsPassAsEachReferenceWould() {
    QRandomGenerator random(5);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<ReferenceSeries> references(std::size_t(random.bounded(1, 5)));
        for (ReferenceSeries& r : references) {
            const int count = int(random.bounded(4)) == 0 ? int(random.bounded(2)) : 30;
            double t = random.bounded(2.0);
            for (int k = 0; k < count; ++k) {
                const int event = int(random.bounded(12));
                t += event == 0 ? -1.0 : event == 1 ? 0.0 : std::round(random.bounded(8.0)) / 8;
                r.points.push_back({event == 2 && trial % 4 == 0 ? NAN : t, double(k)});
            }
        }
        const double gap = 0.6;
        PointScan scan(std::make_shared<const PointTimeline>(&references), gap);
        std::vector<std::size_t> next(references.size(), 0);
        double last = 0;
        for (int frame = 0; frame < 60; ++frame) {
            const double time = frame * 0.25 + (random.bounded(3) == 0 ? 0.125 : 0.0);
            if (frame > 0 && time <= last)
                continue;
            const bool hadFrame = frame > 0;
            std::vector<std::tuple<std::size_t, double, double>> expected, got;
            const bool bridged = hadFrame && time - last <= gap;
            for (std::size_t r = 0; r < references.size(); ++r) {
                const std::vector<ReferencePoint>& points = references[r].points;
                for (; next[r] < points.size() && points[next[r]].time <= time; ++next[r]) {
                    const ReferencePoint& p = points[next[r]];
                    if (p.time == time)
                        expected.emplace_back(r, 1.0, p.value);
                    else if (bridged && p.time >= last)
                        expected.emplace_back(r, (p.time - last) / (time - last), p.value);
                }
            }
            if (scan.mayPass(time))
                for (const PassedPoint& p : scan.passed(time, last, hadFrame))
                    got.emplace_back(p.reference, p.weight, p.value);
            // The same points; within a reference in its own order.
            std::stable_sort(got.begin(), got.end(), [](const auto& a, const auto& b) {
                return std::get<0>(a) < std::get<0>(b);
            });
            QVERIFY2(got == expected, qPrintable(QStringLiteral("trial %1, frame at %2 s: %3 "
                                                                "points passed, %4 expected")
                                                     .arg(trial)
                                                     .arg(time)
                                                     .arg(got.size())
                                                     .arg(expected.size())));
            last = time;
        }
    }
}

// Pairs gathered one at a time give the fit the same pairs give at once,
// also for raw values far from zero, where sums of squares lose digits, and
// when the first pair lies far from the others; at the ends of a block of
// pairs summed together (one pair, a block and one more) as well as long.
void TstReference::pairSumsMatchTwoPasses() {
    QRandomGenerator random(11);
    for (const double base : {0.0, 1e6, -3e4}) {
        for (const int count : {1, 2, 64, 65, 100001}) {
            // A second reading of x (as two's complement would read it)
            // parts from the first at its first pair (1 pair), at a block's
            // last or first pair (100001, 65), or half way.
            const int apartAt = count == 65 ? 64 : count == 100001 ? 63 : count / 2;
            std::vector<RawValuePair> pairs, apart;
            RunningPairSums running;
            while (int(pairs.size()) < count) {
                const double x = pairs.empty() ? base + 60000 : base + random.bounded(4096.0);
                const double y = 0.25 * x - 40 + (pairs.empty() ? 0 : random.bounded(1.0));
                const bool parted = int(pairs.size()) >= apartAt;
                if (int(pairs.size()) == apartAt)
                    running.part();
                const double xApart = parted && x > base + 2048 ? x - 4096 : x;
                pairs.emplace_back(x, y);
                apart.emplace_back(xApart, y);
                if (parted)
                    running.add(x, xApart, y);
                else
                    running.add(x, y);
            }
            const auto near = [](double a, double b) {
                return std::abs(a - b) <= 1e-9 * (1 + std::abs(b));
            };
            const PairSums sums = running.sums(), plain = PairSums::of(pairs);
            const QString where = QStringLiteral("base %1, %2 pairs").arg(base).arg(count);
            for (const auto& [streamed, once] :
                 {std::pair{sums, plain}, std::pair{running.sums(true), PairSums::of(apart)}}) {
                QVERIFY2(streamed.count == once.count, qPrintable(where));
                QVERIFY2(near(streamed.meanX, once.meanX) && near(streamed.meanY, once.meanY),
                         qPrintable(where));
                QVERIFY2(near(streamed.sxx, once.sxx) && near(streamed.syy, once.syy) &&
                             near(streamed.sxy, once.sxy),
                         qPrintable(where));
            }
            if (count < 100001)
                continue;
            const LineFit once = FitLine(pairs), streamed = FitLine(sums);
            QVERIFY(once.ok && streamed.ok);
            QCOMPARE(streamed.pairs, once.pairs);
            QVERIFY(std::abs(streamed.slope - once.slope) < 1e-9);
            QVERIFY(std::abs(streamed.intercept - once.intercept) < 1e-6 * (1 + std::abs(base)));
            QVERIFY(std::abs(streamed.correlation - once.correlation) < 1e-12);
            const AdapterConversion c = SimplestConversion(once, pairs, 1);
            const AdapterConversion d = SimplestConversion(streamed, sums, 1);
            QCOMPARE(d.scale, c.scale);
            QVERIFY(std::abs(d.offset - c.offset) < 1e-6 * (1 + std::abs(base)));
            QVERIFY(std::abs(ConversionResidual(sums, c) - ConversionResidual(pairs, c)) < 1e-6);
        }
    }
    QCOMPARE(FitLine(PairSums{}).ok, false);
    QCOMPARE(ConversionResidual(PairSums{}, {}), 0.0);
}

// A byte read at 0 s, 1 s, 3 s and 10 s (values 0, 10, 30, 100), the gap
// allowed 2 s: points before the first frame and after the last have no
// value; one at a frame takes its value; one between frames takes the
// line between them, up to a gap of exactly 2 s and not beyond.
void TstReference::tallyPairsAtTheEdges_data() {
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("raw"); // -1 for none paired
    QTest::newRow("before the first frame") << -0.5 << -1.0;
    QTest::newRow("at the first frame") << 0.0 << 0.0;
    QTest::newRow("a quarter on") << 0.25 << 2.5;
    QTest::newRow("just before a frame") << 0.999 << 9.99;
    QTest::newRow("at a frame") << 1.0 << 10.0;
    QTest::newRow("in a gap of exactly the largest") << 2.0 << 20.0;
    QTest::newRow("at the frame after it") << 3.0 << 30.0;
    QTest::newRow("in the pause") << 5.0 << -1.0;
    QTest::newRow("at the frame after the pause") << 10.0 << 100.0;
    QTest::newRow("after the last frame") << 10.5 << -1.0;
}

void TstReference::tallyPairsAtTheEdges() {
    QFETCH(double, time);
    QFETCH(double, raw);
    std::vector<ReferenceSeries> references(2);
    references[0].points = {{time, 7.0}};
    references[1].points = {{0.5, 1.0}, {2.5, 2.0}};
    FieldTally tally({7, 6, 5, 4, 3, 2, 1, 0}, false);
    tally.pairWith(&references, 2.0);
    for (const auto& [t, value] : {std::pair{0.0, 0}, {1.0, 10}, {3.0, 30}, {10.0, 100}}) {
        CanFrame frame = HexFrame(0x100, "00");
        frame.data[0] = std::uint8_t(value);
        tally.add(t, FrameBits(frame), 1);
    }
    const std::vector<PairSums> sums = tally.paired(false);
    QCOMPARE(sums.size(), std::size_t(2));
    QCOMPARE(sums[0].count, raw < 0 ? 0LL : 1LL);
    if (raw >= 0) {
        QVERIFY(std::abs(sums[0].meanX - raw) < 1e-9);
        QCOMPARE(sums[0].meanY, 7.0);
    }
    QCOMPARE(sums[1].count, 2LL);
    QVERIFY(std::abs(sums[1].meanX - 15) < 1e-9); // 5 and 25
}

// A signed byte wandering across zero, frames at uneven times with pauses
// longer than the gap allowed, and two references whose points fall at
// frames, between them, in the pauses and beyond both ends: the sums the
// tally gathers as the frames come, for either reading, are those of the
// pairs interpolated the plain way with every frame at hand.
void TstReference::tallyPairsLikeAPlainInterpolation() {
    QRandomGenerator random(23);
    constexpr double LargestGap = 0.5;
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<std::pair<double, int>> frames; // time, signed value
        double t = random.bounded(2.0);
        int value = int(random.bounded(-30, 30));
        for (int k = 0; k < 400; ++k) {
            frames.emplace_back(t, value);
            value = std::clamp(value + int(random.bounded(-3, 4)), -128, 127);
            t += random.bounded(10) == 0 ? 0.6 + random.bounded(1.0) : 0.01 + random.bounded(0.2);
        }
        std::vector<ReferenceSeries> references(2);
        for (ReferenceSeries& reference : references) {
            double p = random.bounded(2.0);
            while (p < t + 1) {
                // Now and then exactly at a frame.
                const auto& frame = frames[random.bounded(int(frames.size()))];
                const double at = random.bounded(8) == 0 && frame.first > p ? frame.first : p;
                reference.points.push_back({at, random.bounded(100.0)});
                p = at + random.bounded(0.3);
            }
        }
        if (trial == 0) { // the first value read negative only between two points' frames
            frames = {{0, 5}, {0.2, -3}, {0.4, 2}, {0.6, 4}};
            references[0].points = {{0.3, 10}, {0.5, 12}};
            references[1].points = {{0.55, 1}};
        }
        FieldTally tally({7, 6, 5, 4, 3, 2, 1, 0}, false);
        tally.pairWith(&references, LargestGap);
        for (const auto& [time, v] : frames)
            tally.add(time, std::uint64_t(std::uint8_t(v)), 1);
        for (const bool asSigned : {false, true}) {
            const auto reading = [&](int v) { return asSigned ? v : int(std::uint8_t(v)); };
            const std::vector<PairSums> sums = tally.paired(asSigned);
            QCOMPARE(sums.size(), references.size());
            for (std::size_t r = 0; r < references.size(); ++r) {
                std::vector<RawValuePair> pairs;
                for (const ReferencePoint& point : references[r].points) {
                    const auto after =
                        std::lower_bound(frames.begin(), frames.end(), point.time,
                                         [](const auto& f, double time) { return f.first < time; });
                    if (after == frames.end())
                        continue; // after the last frame
                    if (after->first == point.time) {
                        pairs.emplace_back(reading(after->second), point.value);
                    } else if (after != frames.begin() &&
                               after->first - (after - 1)->first <= LargestGap) {
                        const auto& before = *(after - 1);
                        const double w =
                            (point.time - before.first) / (after->first - before.first);
                        pairs.emplace_back(reading(before.second) + w * (reading(after->second) -
                                                                         reading(before.second)),
                                           point.value);
                    }
                }
                const PairSums plain = PairSums::of(pairs);
                const QString where = QStringLiteral("trial %1, reference %2, %3")
                                          .arg(trial)
                                          .arg(r)
                                          .arg(asSigned ? "signed" : "unsigned");
                QVERIFY2(sums[r].count == plain.count, qPrintable(where));
                QVERIFY2(std::abs(sums[r].meanX - plain.meanX) < 1e-9, qPrintable(where));
                QVERIFY2(std::abs(sums[r].sxy - plain.sxy) < 1e-6 * (1 + std::abs(plain.sxy)),
                         qPrintable(where));
                QVERIFY2(std::abs(sums[r].sxx - plain.sxx) < 1e-6 * (1 + plain.sxx),
                         qPrintable(where));
            }
        }
    }
}

// The fields of an identifier pair with the references as each would on
// its own, whether they share one walk through the points (every frame one
// length) or not: where every eighth frame of an identifier has 4 bytes,
// its fields in the upper bytes miss those frames, and the points those
// frames passed are theirs still. The frames come evenly enough that no
// gap between a field's frames is too long.
void TstReference::fieldsOfOneFrameShareThePoints() {
    QRandomGenerator random(31);
    std::vector<ReferenceSeries> references(2);
    std::vector<CanFrame> frames;
    std::array<std::uint8_t, 8> bytes{};
    double t = 0;
    for (int k = 0; k < 600; ++k) {
        for (const std::uint32_t id : {0x100u, 0x200u}) {
            CanFrame frame = HexFrame(id, "0000000000000000");
            frame.time = t + (id == 0x200u ? 0.003 : 0);
            if (id == 0x200u && k % 8 == 7)
                frame.length = 4;
            for (std::size_t b = 0; b < 8; ++b) {
                bytes[b] = std::uint8_t(bytes[b] + random.bounded(-2, 3));
                frame.data[b] = bytes[b];
            }
            frames.push_back(frame);
        }
        for (ReferenceSeries& reference : references)
            if (random.bounded(3) == 0)
                reference.points.push_back(
                    {random.bounded(4) == 0 ? t : t + random.bounded(0.01), random.bounded(50.0)});
        t += 0.008 + random.bounded(0.004);
    }
    for (ReferenceSeries& reference : references)
        std::sort(reference.points.begin(), reference.points.end(),
                  [](const ReferencePoint& a, const ReferencePoint& b) { return a.time < b.time; });
    BitStatistics statistics;
    for (const CanFrame& frame : frames)
        statistics.add(frame);
    statistics.finish();
    const std::vector<IdentifierBits>& identifiers = statistics.identifiers();
    SecondLook look = PrepareSecondLook(
        identifiers, std::vector<std::optional<ChecksumFound>>(identifiers.size()), &references);
    std::vector<std::unique_ptr<FieldTally>> alone;
    for (const PendingField& p : look.pending) {
        alone.push_back(std::make_unique<FieldTally>(p.tally->bits(), false));
        alone.back()->pairWith(&references, INFINITY);
    }
    for (const CanFrame& frame : frames) {
        const int identifier = statistics.indexOf(frame);
        look.feed(identifier, frame.time, FrameBits(frame), frame.length);
        for (std::size_t k = 0; k < look.pending.size(); ++k)
            if (look.pending[k].identifier == identifier)
                alone[k]->add(frame.time, FrameBits(frame), frame.length);
    }
    int compared = 0, beyondShortFrames = 0;
    for (std::size_t k = 0; k < look.pending.size(); ++k) {
        const PendingField& p = look.pending[k];
        const std::vector<PairSums> shared = p.tally->paired(true), own = alone[k]->paired(true);
        beyondShortFrames += identifiers[std::size_t(p.identifier)].key.id == 0x200u &&
                             p.tally->bits().first() >= 32 && !shared.empty();
        if (p.tally->bits().size() < NarrowestContinuous) {
            QVERIFY(shared.empty()); // never fitted
            continue;
        }
        QCOMPARE(shared.size(), references.size());
        for (std::size_t r = 0; r < shared.size(); ++r) {
            const QString where = QStringLiteral("field %1 of 0x%2, reference %3")
                                      .arg(p.tally->bits().first())
                                      .arg(identifiers[std::size_t(p.identifier)].key.id, 0, 16)
                                      .arg(r);
            QVERIFY2(shared[r].count == own[r].count && shared[r].count > 50, qPrintable(where));
            QVERIFY2(std::abs(shared[r].meanX - own[r].meanX) < 1e-9, qPrintable(where));
            QVERIFY2(std::abs(shared[r].sxy - own[r].sxy) < 1e-6 * (1 + std::abs(own[r].sxy)),
                     qPrintable(where));
            ++compared;
        }
    }
    QVERIFY(compared >= 8);
    QVERIFY(beyondShortFrames > 0);
}

// Two hours of a cold start and laps with OBD answers (canmatrix encoded,
// python-can wrote the log): each quantity names its own field, with the
// database's own scale and offset, fitted from every answer.
void TstReference::longDriveFitsExactly_data() {
    QTest::addColumn<int>("pid");
    QFile truth(QStringLiteral(CAC_DISCOVER_DIR "/long-drive.truth"));
    QVERIFY(truth.open(QIODevice::ReadOnly));
    while (!truth.atEnd()) {
        const QStringList w = QString::fromUtf8(truth.readLine()).trimmed().split(u' ');
        if (w.size() == 6)
            QTest::newRow(
                qPrintable(QStringLiteral("PID %1").arg(w[0].toInt(), 2, 16, QChar(u'0'))))
                << w[0].toInt();
    }
}

void TstReference::longDriveFitsExactly() {
    QFETCH(int, pid);
    QFile truth(QStringLiteral(CAC_DISCOVER_DIR "/long-drive.truth"));
    QVERIFY(truth.open(QIODevice::ReadOnly));
    QStringList expected;
    while (!truth.atEnd() && expected.isEmpty()) {
        const QStringList w = QString::fromUtf8(truth.readLine()).trimmed().split(u' ');
        if (w.size() == 6 && w[0].toInt() == pid)
            expected = w;
    }
    QVERIFY(!expected.isEmpty());
    static const LogDiscovery run = [] {
        LogDiscoveryOptions options;
        options.references = options.obdAnswers = true;
        return DiscoverLogFile(QStringLiteral(CAC_DISCOVER_DIR "/long-drive.log"), options);
    }();
    QVERIFY(run.error.isEmpty());
    static const QList<ReferenceMatches> matched = MatchObdAnswers(run.candidates, run.answers);
    const auto reference = std::find_if(matched.begin(), matched.end(),
                                        [&](const ReferenceMatches& m) { return m.pid == pid; });
    QVERIFY(reference != matched.end());
    QVERIFY(!reference->ranking.matches.empty());
    const FieldMatch& best = reference->ranking.matches.front();
    const CandidateField& field = run.candidates.fields[std::size_t(best.candidate)];
    QCOMPARE(field.id, expected[1].toUInt());
    QVERIFY(field.layout);
    QCOMPARE(field.layout->startBit, expected[2].toInt());
    QCOMPARE(field.layout->length, expected[3].toInt());
    QCOMPARE(best.scale, 1 / expected[4].toDouble());
    QCOMPARE(best.offset, expected[5].toDouble());
    // Every answer of the two hours took part (a tester asks one PID in four
    // every 100 ms), none lost to buckets.
    QVERIFY2(best.pairs > 7200 * 10 / 4 - 10, qPrintable(QString::number(best.pairs)));
}

QTEST_GUILESS_MAIN(TstReference)
#include "tst_reference.moc"
