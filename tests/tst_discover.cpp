// Finding signals without a database: logs that canmatrix encoded from CAN
// databases with signals moving as a car's do (the reference), then the edge
// cases of short and odd logs.
#include "Fixtures.h"
#include "HexFrame.h"
#include "bitmap/SignalBitMap.h"
#include "canlog/LogReader.h"
#include "dbc/DatabaseText.h"
#include "discover/DiscoveryCandidates.h"
#include "discover/DiscoveryTexts.h"
#include "discover/FieldTally.h"
#include "discover/OnesRuns.h"
#include "discover/PageLook.h"
#include "discover/SecondLook.h"
#include "discover/SignalDiscovery.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <array>
#include <bitset>
#include <map>
#include <tuple>

using namespace cac;
using namespace Qt::StringLiterals;

namespace {

// One line of a .truth file: what the generator put where.
struct TrueSignal {
    std::uint32_t id = 0;
    bool extended = false;
    QString name, kind;
    bool negative = false;
    QList<int> bits;
};

QList<TrueSignal> ReadTruth(const QString& path) {
    QList<TrueSignal> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QStringList w = QString::fromUtf8(file.readLine()).trimmed().split(u' ');
        if (w.size() != 6)
            continue;
        TrueSignal s{w[0].toUInt(nullptr, 16), w[1] == u"1", w[2], w[3], w[4] == u"1", {}};
        for (const QString& bit : w[5].split(u','))
            s.bits.append(bit.toInt());
        out.append(s);
    }
    return out;
}

FramePlayer PlayFile(const QString& path) {
    return [path](const FrameSink& sink) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        QString error;
        const auto reader = OpenLogReader(&file, LogFormat::Unknown, &error);
        if (!reader)
            return false;
        CanFrame frame;
        while (reader->readFrame(frame))
            sink(frame);
        return true;
    };
}

FramePlayer PlayFrames(const std::vector<CanFrame>& frames) {
    return [frames](const FrameSink& sink) {
        for (const CanFrame& frame : frames)
            sink(frame);
        return true;
    };
}

// The k-th frames of identifiers 0x300, 0x301, ... that decide their byte
// order: each counts across bytes 0 and 1, the first `intel` in Intel order,
// the next `motorola` in Motorola order.
void AddDeciders(std::vector<CanFrame>& frames, int k, double time, int intel, int motorola) {
    for (int d = 0; d < intel + motorola; ++d) {
        const int count = k * (d + 3) % 3000;
        CanFrame frame;
        frame.time = time + 0.001 * (d + 1);
        frame.id = std::uint32_t(0x300 + d);
        frame.length = 2;
        const bool big = d >= intel;
        frame.data[big ? 0 : 1] = std::uint8_t(count >> 8);
        frame.data[big ? 1 : 0] = std::uint8_t(count);
        frames.push_back(frame);
    }
}

const DiscoveredField* FieldWithBits(const DiscoveryResult& result, const TrueSignal& s) {
    for (const DiscoveredIdentifier& identifier : result.identifiers)
        if (identifier.key == IdentifierKey{s.id, s.extended})
            for (const DiscoveredField& field : identifier.fields)
                if (field.bits == s.bits)
                    return &field;
    return nullptr;
}

struct Quality {
    int continuous = 0, exact = 0, signRight = 0, counters = 0, countersFound = 0;
    QStringList missed;
};

Quality Measure(const DiscoveryResult& result, const QList<TrueSignal>& truth) {
    Quality q;
    for (const TrueSignal& s : truth) {
        const DiscoveredField* f = FieldWithBits(result, s);
        if (s.kind == u"continuous" && s.bits.size() >= 4) {
            ++q.continuous;
            q.exact += f != nullptr;
            q.signRight += f && f->isSigned == s.negative;
        }
        if (s.kind == u"counter") {
            ++q.counters;
            q.countersFound += f && f->kind == FieldKind::Counter;
        }
        if (!f || (s.kind != u"enumeration" && QLatin1String(FieldKindName(f->kind)) != s.kind) ||
            (s.kind == u"continuous" && f->isSigned != s.negative))
            q.missed.append(s.name);
    }
    return q;
}

// learn.truth: each signal's identifier, then its bits, most significant first.
QHash<QString, QList<int>> ReadBits(const QString& path) {
    QHash<QString, QList<int>> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QStringList w = QString::fromUtf8(file.readLine()).trimmed().split(u' ');
        if (w.size() != 3)
            continue;
        out[w[0]].append(w[1].toInt(nullptr, 16));
        for (const QString& bit : w[2].split(u','))
            out[w[0]].append(bit.toInt());
    }
    return out;
}

// The field's raw value in a frame, read bit by bit from its bits (most
// significant first) as a database reads a signal, two's complement when
// signed: independent of how discovery reads it.
qint64 ReadRaw(const CanFrame& frame, const DiscoveredField& field) {
    quint64 raw = 0;
    for (const int bit : field.bits)
        raw = raw << 1 | (quint64(quint8(frame.data[bit / 8])) >> (bit % 8) & 1);
    const int n = field.length();
    if (field.isSigned && n < 64 && (raw >> (n - 1) & 1))
        return qint64(raw) - (qint64{1} << n);
    return qint64(raw);
}

CanFrame Frame(double time, std::uint32_t id, const QByteArray& hex) {
    CanFrame f = HexFrame(id, hex);
    f.time = time;
    return f;
}

} // namespace

class TestDiscover : public QObject {
    Q_OBJECT

private slots:
    // Every signal of the edge database found exactly, with its kind and
    // sign; each field's channel row sits on the same bits in the bit map
    // the decoder reads, and the written database reads back.
    // Three signals leave bits at their top that never move, up to their
    // top byte's edge: Wide20 two unused bits above it, SignedPositive its
    // sign bit (always 0), SignedNegative (always below zero) its top two
    // bits at 1 and the four unused above them. Their found fields take
    // those bits in, read as unsigned, and say so.
    void edgeDatabase() {
        const QString dir = QStringLiteral(CAC_DISCOVER_DIR);
        const DiscoveryResult result = DiscoverSignals(PlayFile(dir + "/edges.log"));
        QVERIFY(!result.stopped);
        const QList<TrueSignal> truth = ReadTruth(dir + "/edges.truth");
        QCOMPARE(truth.size(), 20);
        struct Unseen {
            QList<int> above; // bits above the signal the field takes in
            int bits = 0;     // its top bits that never moved
        };
        const QHash<QString, Unseen> unseenTop{{u"Wide20"_s, {{7, 6}, 2}},
                                               {u"SignedPositive"_s, {{}, 1}},
                                               {u"SignedNegative"_s, {{47, 46, 45, 44}, 6}}};
        for (TrueSignal s : truth) {
            // An enumeration's bits jump together at random: no carry ties
            // them, so only its kind of field is asked to be whole.
            if (s.kind == u"enumeration")
                continue;
            const RowName row(s.name);
            const int unseen = unseenTop.value(s.name).bits;
            s.bits = unseenTop.value(s.name).above + s.bits;
            const DiscoveredField* f = FieldWithBits(result, s);
            QVERIFY2(f, qPrintable(s.name + " not found"));
            QCOMPARE(QLatin1String(FieldKindName(f->kind)), s.kind);
            QCOMPARE(f->isSigned, s.negative && unseen == 0);
            QCOMPARE(f->unseenTopBits, unseen);
            QCOMPARE(f->widthUndecided, unseen > 0);
            QCOMPARE(f->signUndecided, unseen > 0);
            QVERIFY(f->row.importable());
            const SignalBitMap map =
                MapSignalBits(f->row.cells[ColStartBit], f->row.cells[ColLength],
                              f->row.cells[ColValueType], f->row.cells[ColByteOrder]);
            QList<int> mapped;
            for (const BitPosition& p : map.positions)
                mapped.append(p.databaseIndex());
            QCOMPARE(mapped, s.bits);
        }
        // The identifier whose frames are 6 or 8 bytes long.
        const auto changing =
            std::find_if(result.identifiers.begin(), result.identifiers.end(),
                         [](const DiscoveredIdentifier& i) { return i.key.extended; });
        QVERIFY(changing != result.identifiers.end());
        QCOMPARE(changing->lengths, (QList<int>{6, 8}));
        // Sent every 50 ms, up to half a millisecond late.
        QVERIFY(qAbs(changing->period - 0.05) < 0.0005);
        QVERIFY(changing->jitter > 0 && changing->jitter < 0.0005);

        const CanDatabase back = ReadCanDatabase(WriteDatabaseText(DiscoveredDatabase(result)));
        QVERIFY(back.problems.isEmpty());
        QCOMPARE(back.messages.size(), 4);
        QCOMPARE(back.messages[0].signalList.size(),
                 DiscoveredDatabase(result).messages[0].signalList.size());
        // Messages come in the order their identifiers were first met.
        const auto motorola =
            std::find_if(back.messages.begin(), back.messages.end(),
                         [](const DbcMessage& m) { return m.id == 0x2A0 && !m.extended; });
        QVERIFY(motorola != back.messages.end());
        QCOMPARE(motorola->signalList[2].name, QStringLiteral("F0x2A0_47_12"));
        QCOMPARE(SignalLayoutText(motorola->signalList[2]), QStringLiteral("47|12@0+"));
    }

    // The demo vehicle's signals, each over a random part of its range as a
    // real drive has them: the shares found.
    void demoDatabase() {
        const QString dir = QStringLiteral(CAC_DISCOVER_DIR);
        const DiscoveryResult result = DiscoverSignals(PlayFile(dir + "/demo.log"));
        const Quality q = Measure(result, ReadTruth(dir + "/demo.truth"));
        qInfo("continuous exact %d/%d, sign right %d/%d, counters %d/%d; missed: %s", q.exact,
              q.continuous, q.signRight, q.exact, q.countersFound, q.counters,
              qPrintable(q.missed.join(", ")));
        QVERIFY(q.continuous >= 15);
        QVERIFY(q.exact * 10 >= q.continuous * 9);
        QVERIFY(q.signRight * 100 >= q.exact * 97);
        QCOMPARE(q.countersFound, q.counters);
    }

    // A warm engine at idle (learn.log) leaves top bits of many fields
    // unmoved. Each signal's found field: its bits (the moving ones and the
    // constant ones above them up to the top byte's edge, none a neighbour
    // moves), its kind, sign and unseen top bits; read with that layout, a
    // cold start and a drive to 6,500 rpm (check.log) give canmatrix's raw
    // values frame for frame.
    void evidence_data() {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QList<int>>("above"); // bits the field takes above the signal's
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<int>("unseen");
        QTest::newRow("coolant byte up to 127, top 3 bits still")
            << u"Coolant"_s << QList<int>{} << u"continuous"_s << false << 3;
        QTest::newRow("coolant byte up to 128, every bit moves")
            << u"Coolant128"_s << QList<int>{} << u"continuous"_s << false << 0;
        QTest::newRow("idle speed, lowest bit moves seldom")
            << u"EngineSpeed"_s << QList<int>{} << u"continuous"_s << false << 5;
        QTest::newRow("signed byte crossing zero")
            << u"SignedTorque"_s << QList<int>{} << u"continuous"_s << true << 0;
        QTest::newRow("signed byte at bit 63")
            << u"SignedEdge"_s << QList<int>{} << u"continuous"_s << true << 0;
        QTest::newRow("Intel value up to bit 63, top 4 bits still")
            << u"TopValue"_s << QList<int>{} << u"continuous"_s << false << 4;
        // The status bit that stayed still is taken in: nothing tells it
        // from the value's top; the moving switch above is not.
        QTest::newRow("value below a still status bit")
            << u"Level"_s << QList<int>{30} << u"continuous"_s << false << 3;
        QTest::newRow("switch above it") << u"Switch"_s << QList<int>{} << u"flag"_s << false << 0;
        QTest::newRow("Motorola value to its byte run's edge")
            << u"MotoLevel"_s << QList<int>{} << u"continuous"_s << false << 4;
        QTest::newRow("Motorola value below a moving flag")
            << u"MotoShort"_s << QList<int>{22, 21, 20} << u"continuous"_s << false << 5;
        QTest::newRow("Motorola flag") << u"MotoFlag"_s << QList<int>{} << u"flag"_s << false << 0;
        QTest::newRow("jittering value beside a switch")
            << u"Slow"_s << QList<int>{} << u"continuous"_s << false << 0;
        QTest::newRow("the switch") << u"Switch2"_s << QList<int>{} << u"flag"_s << false << 0;
        QTest::newRow("neighbour below")
            << u"NeighbourA"_s << QList<int>{} << u"continuous"_s << false << 0;
        QTest::newRow("Intel carries across a byte")
            << u"Cross"_s << QList<int>{} << u"continuous"_s << false << 7;
        QTest::newRow("Motorola carries across a byte")
            << u"MotoCross"_s << QList<int>{} << u"continuous"_s << false << 7;
        QTest::newRow("neighbour above")
            << u"NeighbourB"_s << QList<int>{} << u"continuous"_s << false << 0;
        // Its upper bits flip only in jumps, without the bit below them: one
        // value still, since they move with the bits above them then.
        QTest::newRow("jittering sensor, upper bits moved in jumps")
            << u"SensorVolts"_s << QList<int>{} << u"continuous"_s << false << 2;
        // Flags that flip a few times each, two of them with a third lower
        // one once: as often as the next, none the next's lower bit.
        QTest::newRow("flag between flags")
            << u"FlagB"_s << QList<int>{} << u"flag"_s << false << 0;
        // Status bits that flipped once together, never with the value
        // below, which moves far more often: not the value's top.
        QTest::newRow("Motorola value below status bits that moved once")
            << u"Effort"_s << QList<int>{} << u"continuous"_s << false << 0;
        // A check's random piece lies right under its lowest bit, across a
        // byte: no carry ties the two, the speed stays its own.
        QTest::newRow("wheel speed above a check's piece")
            << u"Wheel3"_s << QList<int>{} << u"continuous"_s << false << 2;
        QTest::newRow("wheel speed below a count's piece")
            << u"Wheel0"_s << QList<int>{} << u"continuous"_s << false << 2;
        QTest::newRow("Motorola speed above a random piece")
            << u"MotoSpeed"_s << QList<int>{7, 6} << u"continuous"_s << false << 4;
        // Its noisy lowest bits step at random across the byte, but carry
        // into the bits above: one value still.
        QTest::newRow("Motorola value, noisy lowest bits in the next byte")
            << u"MotoSweep"_s << QList<int>{39, 38} << u"continuous"_s << false << 6;
        QTest::newRow("Intel value, noisy lowest bits across the first boundary")
            << u"FirstSweep"_s << QList<int>{23, 22} << u"continuous"_s << false << 6;
        QTest::newRow("Intel value, noisy lowest bits across the last boundary")
            << u"LastSweep"_s << QList<int>{} << u"continuous"_s << false << 0;
    }
    void evidence() {
        QFETCH(QString, signal);
        QFETCH(QList<int>, above);
        QFETCH(QString, kind);
        QFETCH(bool, isSigned);
        QFETCH(int, unseen);
        const QString dir = QStringLiteral(CAC_DISCOVER_DIR);
        static const DiscoveryResult learned = DiscoverSignals(PlayFile(dir + "/learn.log"));
        QList<int> bits = ReadBits(dir + "/learn.truth").value(signal);
        QVERIFY(bits.size() >= 2);
        const auto id = static_cast<std::uint32_t>(bits.takeFirst());
        const QList<int> expected = above + bits;
        const DiscoveredField* found = nullptr;
        for (const DiscoveredIdentifier& identifier : learned.identifiers)
            for (const DiscoveredField& field : identifier.fields)
                if (identifier.key == IdentifierKey{id, false} && field.bits.contains(bits.last()))
                    found = &field;
        QVERIFY(found);
        QCOMPARE(found->bits, expected);
        QCOMPARE(QLatin1String(FieldKindName(found->kind)), kind);
        QCOMPARE(found->isSigned, isSigned);
        QCOMPARE(found->unseenTopBits, unseen);
        QCOMPARE(found->widthUndecided, unseen > 0);
        QCOMPARE(found->signUndecided, unseen > 0);
        QCOMPARE(found->signal.comment.contains(u"never moved in this log; read as unsigned"),
                 unseen > 0);
        QVERIFY(found->row.importable());

        // Frame for frame against canmatrix's raw values.
        QFile values(dir + "/check.values");
        QVERIFY(values.open(QIODevice::ReadOnly));
        int compared = 0, wrong = 0;
        PlayFile(dir + "/check.log")([&](const CanFrame& frame) {
            const QStringList w = QString::fromUtf8(values.readLine()).trimmed().split(u' ');
            if (frame.id != id)
                return;
            for (const QString& pair : w.mid(1))
                if (pair.startsWith(signal + u'=')) {
                    ++compared;
                    wrong += ReadRaw(frame, *found) != pair.mid(signal.size() + 1).toLongLong();
                }
        });
        QVERIFY(compared > 500);
        QCOMPARE(wrong, 0);
    }

    // A byte jumping between `codes` codes 7 apart (0, 7, 14, ...), each held
    // two frames: up to four codes are surely states, up to 16 are states
    // read with doubt, more are a quantity's values. Code 0 comes only first,
    // as a start-up placeholder does, and counts like any other.
    // A field's series, fed by its tally frame after frame, shows what a
    // series given every value shows: the same buckets with the same
    // extremes, empty where it is empty, the same first and last time.
    // Repeats of a value are held for a while, across many buckets.
    void tallySeriesShowsEveryValue_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("hold");   // frames a value is held
        QTest::addColumn<int>("backAt"); // the frame whose time steps back; -1: none
        const double w = ValueSeries::FirstWidth;
        QTest::newRow("every frame new") << 0.0 << 0.01 << 3000 << 1 << -1;
        QTest::newRow("held across buckets") << 0.0 << 0.01 << 3000 << 37 << -1;
        QTest::newRow("on the buckets' bounds")
            << 0.0 << w << 2 * ValueSeries::BucketCount + 1 << 5 << -1;
        QTest::newRow("epoch times, held long") << 1436509052.249713 << 0.7 << 20000 << 400 << -1;
        QTest::newRow("time steps back while held") << 100.0 << 0.01 << 3000 << 50 << 1510;
        QTest::newRow("one value all through") << 3.0 << 0.02 << 5000 << 5000 << -1;
    }
    void tallySeriesShowsEveryValue() {
        QFETCH(double, start);
        QFETCH(double, step);
        QFETCH(int, frames);
        QFETCH(int, hold);
        QFETCH(int, backAt);
        FieldTally tally({7, 6, 5, 4, 3, 2, 1, 0}, true);
        ValueSeries every;
        for (int k = 0; k < frames; ++k) {
            const double time = k == backAt ? start - 20 : start + k * step;
            const auto raw = std::uint64_t(k / hold * 37 % 251);
            tally.add(time, raw, 8);
            every.add(time, double(raw), raw < 128 ? double(raw) : double(raw) - 256);
        }
        const ValueSeries* fed = tally.series();
        QVERIFY(fed);
        QCOMPARE(fed->firstTime(), every.firstTime());
        QCOMPARE(fed->lastTime(), every.lastTime());
        const std::vector<SeriesBucket> got = fed->buckets(), want = every.buckets();
        QCOMPARE(got.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            QCOMPARE(got[i].start, want[i].start);
            QCOMPARE(got[i].width, want[i].width);
            QCOMPARE(got[i].count > 0, want[i].count > 0);
            QCOMPARE(got[i].minRaw, want[i].minRaw);
            QCOMPARE(got[i].maxRaw, want[i].maxRaw);
            QCOMPARE(got[i].minValue, want[i].minValue);
            QCOMPARE(got[i].maxValue, want[i].maxValue);
        }
    }

    void distinctCodes_data() {
        QTest::addColumn<int>("codes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("certainty");
        QTest::newRow("4 codes") << 4 << int(FieldKind::Enumeration) << 0.7;
        QTest::newRow("5 codes") << 5 << int(FieldKind::Enumeration) << 0.3;
        QTest::newRow("16 codes, the most kept") << 16 << int(FieldKind::Enumeration) << 0.3;
        QTest::newRow("17 codes, one past") << 17 << int(FieldKind::Continuous) << 0.3;
    }
    void distinctCodes() {
        QFETCH(int, codes);
        QFETCH(int, kind);
        QFETCH(double, certainty);
        FieldTally tally({7, 6, 5, 4, 3, 2, 1, 0}, false);
        double time = 0;
        tally.add(time, 0, 8);
        // Visited as k * 3 modulo `codes`: steps of several codes, never a ramp.
        for (int cycle = 0; cycle < 5; ++cycle)
            for (int k = 1; k < codes; ++k)
                for (int hold = 0; hold < 2; ++hold)
                    tally.add(time += 0.01, std::uint64_t(k * 3 % codes * 7), 8);
        QCOMPARE(tally.distinct(), codes);
        QCOMPARE(int(tally.verdict().kind), kind);
        QCOMPARE(tally.verdict().certainty, certainty);
    }

    // A nibble counting by one up or down, each count held `every` frames,
    // `back`: one step the other way in that many changes (0: none). Every
    // frame or every few, it is a counter while it goes round its field at
    // least twice (32 counts of a nibble) and nearly all its changes go one way.
    void countsEitherWay_data() {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("every");
        QTest::addColumn<int>("counts");
        QTest::addColumn<int>("back");
        QTest::addColumn<bool>("counter");
        QTest::newRow("up, every frame") << 1 << 1 << 40 << 0 << true;
        QTest::newRow("down, every frame") << -1 << 1 << 40 << 0 << true;
        QTest::newRow("up, every 2nd frame") << 1 << 2 << 40 << 0 << true;
        QTest::newRow("down, every 4th frame: the slowest") << -1 << 4 << 40 << 0 << true;
        QTest::newRow("every 5th frame, one past") << 1 << 5 << 40 << 0 << false;
        QTest::newRow("round its field twice") << 1 << 2 << 32 << 0 << true;
        QTest::newRow("round it once, one short") << 1 << 2 << 31 << 0 << false;
        QTest::newRow("down, round its field twice") << -1 << 2 << 32 << 0 << true;
        QTest::newRow("down, round it once, one short") << -1 << 2 << 31 << 0 << false;
        QTest::newRow("a step back in 20 changes") << 1 << 2 << 380 << 20 << true;
        QTest::newRow("a step back in 19, one past") << 1 << 2 << 380 << 19 << false;
    }
    void countsEitherWay() {
        QFETCH(int, direction);
        QFETCH(int, every);
        QFETCH(int, counts);
        QFETCH(int, back);
        QFETCH(bool, counter);
        FieldTally tally({3, 2, 1, 0}, false);
        double time = 0;
        int value = 0;
        tally.add(time, 0, 8);
        for (int j = 1; j <= counts; ++j) {
            value = (value + (back && j % back == 0 ? -direction : direction) + 16) % 16;
            for (int hold = 0; hold < every; ++hold)
                tally.add(time += 0.01, std::uint64_t(value), 8);
        }
        QCOMPARE(tally.verdict().kind == FieldKind::Counter, counter);
    }

    // A byte rising from -40 to -1 by 3 a frame, then one step of `step`
    // across its wrap point (0xFF to step - 1), then on up by 3:
    // signed while that step is small, below a quarter of its range (255).
    void wrapStep_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("isSigned");
        QTest::newRow("-1 to 0") << 1 << true;
        QTest::newRow("63, the largest small step") << 63 << true;
        QTest::newRow("64, one past") << 64 << false;
    }
    void wrapStep() {
        QFETCH(int, step);
        QFETCH(bool, isSigned);
        FieldTally tally({7, 6, 5, 4, 3, 2, 1, 0}, false);
        QList<int> values;
        for (int v = -40; v <= -1; v += 3)
            values.append(v);
        for (int v = step - 1; v <= step + 40; v += 3)
            values.append(v);
        double time = 0;
        for (const int v : values)
            tally.add(time += 0.01, std::uint64_t(quint8(v)), 8);
        QCOMPARE(tally.verdict().kind, FieldKind::Continuous);
        QCOMPARE(tally.verdict().isSigned, isSigned);
    }

    // A byte crossing zero six times by steps of 2 (-10 to 10 and back),
    // then `middles` times climbing from -10 through 0 to 126 and on to -128
    // (its signed extremes, 0x7E to 0x80) and back up to -10: signed while it
    // crossed its wrap point at least four times for each crossing of its
    // middle, as a value rolling over its whole range does not.
    void middleCrossings_data() {
        QTest::addColumn<int>("middles");
        QTest::addColumn<bool>("isSigned");
        QTest::newRow("none") << 0 << true;
        QTest::newRow("2 with 8 wraps, the most") << 2 << true;
        QTest::newRow("3 with 9 wraps, one past") << 3 << false;
    }
    void middleCrossings() {
        QFETCH(int, middles);
        QFETCH(bool, isSigned);
        QList<int> values;
        for (int cycle = 0; cycle < 3; ++cycle) {
            for (int v = -10; v < 10; v += 2)
                values.append(v);
            for (int v = 10; v > -10; v -= 2)
                values.append(v);
        }
        for (int k = 0; k < middles; ++k) {
            for (int v = -10; v <= 126; v += 2)
                values.append(v);
            for (int v = -128; v < -10; v += 2)
                values.append(v);
        }
        values.append(-10);
        FieldTally tally({7, 6, 5, 4, 3, 2, 1, 0}, false);
        double time = 0;
        for (const int v : values)
            tally.add(time += 0.01, std::uint64_t(quint8(v)), 8);
        QCOMPARE(tally.verdict().kind, FieldKind::Continuous);
        QCOMPARE(tally.verdict().isSigned, isSigned);
    }

    // A 16-bit Intel value stepping by 2 a frame from bit `lowest`, whose
    // lowest bit goes to 1 every 20 frames for `stay` frames: a flicker of up
    // to 2 frames is the value's own; a longer stay is a bit of its own.
    void seldomLowestBit_data() {
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("stay");
        QTest::addColumn<int>("fieldFrom");
        QTest::newRow("bit 0, one frame") << 0 << 1 << 0;
        QTest::newRow("bit 0, two frames") << 0 << 2 << 0;
        QTest::newRow("bit 0, three frames") << 0 << 3 << 1;
        QTest::newRow("bit 4 above still bits, two frames") << 4 << 2 << 4;
        QTest::newRow("bit 4 above still bits, three frames") << 4 << 3 << 5;
    }
    void seldomLowestBit() {
        QFETCH(int, lowest);
        QFETCH(int, stay);
        QFETCH(int, fieldFrom);
        std::vector<CanFrame> frames;
        for (int k = 0; k < 2000; ++k) {
            const int ramp = k % 400 < 200 ? k % 400 : 400 - k % 400;
            const int value = (2 * (500 + ramp) + ((k + 10) % 20 < stay ? 1 : 0)) << lowest;
            QByteArray data(8, 0);
            data[0] = char(value & 0xFF);
            data[1] = char(value >> 8);
            frames.push_back(Frame(k * 0.01, 0x123, data.toHex()));
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredField* value = nullptr;
        for (const DiscoveredField& field : result.identifiers[0].fields)
            if (field.bits.contains(lowest + 1))
                value = &field;
        QVERIFY(value);
        QCOMPARE(value->kind, FieldKind::Continuous);
        QCOMPARE(value->bits.last(), fieldFrom);
        QCOMPARE(value->bits.first(), 15);
    }

    // Byte 0 holds a slow value, 0x4A to 0x4D, stepping every 1.5 s, and
    // byte 1 a flag. Bit 6 of byte 0 moves only where the value jumps from
    // or to 0x00 (a sensor coming up) and stays with the value; bit 7 as a
    // flag of its own, flipping while the value holds, stays a flag; above
    // a two-bit state (1 and 2), bit 6 flipping with it stays apart as well.
    void rareJumpStaysWithItsValue_data() {
        QTest::addColumn<QString>("upper"); // what moves the bit
        QTest::addColumn<int>("bit");
        QTest::addColumn<bool>("joined"); // the bit in the value's field, else in a run of its own
        QTest::newRow("start-up 0x00, one jump") << "start" << 6 << true;
        QTest::newRow("start-up and end 0x00, two jumps") << "start and end" << 6 << true;
        QTest::newRow("a flag of its own") << "flag" << 7 << false;
        QTest::newRow("a flag above a value moving in most frames") << "busy" << 7 << false;
        QTest::newRow("above a two-bit state") << "state" << 6 << false;
        QTest::newRow("a two-bit state of its own, bits 5 and 4") << "pair" << 4 << false;
    }
    void rareJumpStaysWithItsValue() {
        QFETCH(QString, upper);
        QFETCH(int, bit);
        QFETCH(bool, joined);
        std::vector<CanFrame> frames;
        constexpr int Count = 3000;
        for (int k = 0; k < Count; ++k) {
            // Busy: it steps in 19 frames of 20, and the flag's flips all
            // meet its steps, by chance alone.
            int value = upper == u"state"  ? 1 + (k / 37) % 2
                        : upper == u"busy" ? 0x4A + (k - k / 20) % 4
                                           : 0x4A + (k / 150) % 4;
            if ((upper == u"flag" && (k / 290) % 2 == 1) ||
                (upper == u"busy" && (k + 5) / 290 % 2 == 1) || (upper == u"state" && value == 2))
                value |= 1 << bit;
            if (upper == u"pair" && (k / 290) % 2 == 1)
                value |= 0x30; // both bits at once, while the value holds
            if ((upper.startsWith(u"start") && k < 5) ||
                (upper == u"start and end" && k >= Count - 5))
                value = 0;
            QByteArray data(8, 0);
            data[0] = char(value);
            data[1] = char((k / 100) % 2);
            frames.push_back(Frame(k * 0.01, 0x123, data.toHex()));
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredField* holding = nullptr;
        for (const DiscoveredField& field : result.identifiers[0].fields)
            if (field.bits.contains(bit))
                holding = &field;
        QVERIFY(holding);
        if (joined)
            QCOMPARE(holding->bits.last(), 0);
        else if (upper == u"pair")
            QCOMPARE(holding->bits, (QList<int>{5, 4}));
        else
            QCOMPARE(holding->bits, QList<int>{bit});
        // The flag of byte 1 is never taken in.
        for (const DiscoveredField& field : result.identifiers[0].fields)
            if (field.bits.contains(8))
                QCOMPARE(field.bits, QList<int>{8});
    }

    // What a field's row adds when its top bits never moved.
    void unseenText_data() {
        QTest::addColumn<int>("unseen");
        QTest::addColumn<bool>("eitherOrder");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("fit");
        QTest::newRow("all seen") << 0 << false << QString() << QString();
        QTest::newRow("all seen, either order")
            << 0 << true << QString()
            << u"not certain: the other byte order fits the log as well"_s;
        QTest::newRow("one, either order")
            << 1 << true << u"top bit never moved in this log; read as unsigned"_s
            << u"not certain beyond raw 100 to 127: top bit never moved in this log; read as "
               u"unsigned; the other byte order fits the log as well"_s;
        QTest::newRow("one") << 1 << false << u"top bit never moved in this log; read as unsigned"_s
                             << u"not certain beyond raw 100 to 127: top bit never moved in "
                                u"this log; read as unsigned"_s;
        QTest::newRow("two") << 2 << false
                             << u"top 2 bits never moved in this log; read as unsigned"_s
                             << u"not certain beyond raw 100 to 127: top 2 bits never moved "
                                u"in this log; read as unsigned"_s;
    }
    void unseenText() {
        QFETCH(int, unseen);
        QFETCH(bool, eitherOrder);
        QFETCH(QString, row);
        QFETCH(QString, fit);
        DiscoveredField field;
        field.kind = FieldKind::Continuous;
        field.minRaw = 100;
        field.maxRaw = 127;
        field.unseenTopBits = unseen;
        field.widthUndecided = field.signUndecided = unseen > 0;
        field.orderUndecided = eitherOrder;
        QCOMPARE(FieldUnseenText(field), row);
        QCOMPARE(FitUnseenText(field), fit);
    }

    // How an identifier's header says its byte order was found. Fields:
    // "I" an Intel field across bytes 0 and 1, "M" a Motorola one, "i" an
    // Intel field inside byte 2, "c" a constant across bytes 3 and 4.
    void orderText_data() {
        QTest::addColumn<int>("intel");
        QTest::addColumn<int>("motorola");
        QTest::addColumn<bool>("fromBus");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing tells") << 0 << 0 << false << "i" << QString();
        QTest::newRow("the bus's") << 0 << 0 << true << "i" << u"Motorola byte order as the bus"_s;
        QTest::newRow("its own, one vote") << 0 << 1 << false << "M" << u"Motorola byte order"_s;
        QTest::newRow("more votes win") << 1 << 2 << true << "IM" << u"Motorola byte order"_s;
        QTest::newRow("tie, fields of both")
            << 1 << 1 << false << "IM"
            << u"both byte orders: each field crossing a byte has its own"_s;
        QTest::newRow("tie, Intel fields") << 2 << 2 << false << "Ii" << u"Intel byte order"_s;
        QTest::newRow("tie, Motorola fields")
            << 1 << 1 << false << "Mc" << u"Motorola byte order"_s;
        QTest::newRow("tie, no field crosses")
            << 1 << 1 << false << "ic"
            << u"byte order undecided: 1 crossing takes Intel, 1 Motorola"_s;
        QTest::newRow("tie, no field crosses, bus")
            << 3 << 3 << true << "i"
            << u"byte order undecided: 3 crossings take Intel, 3 Motorola; the rest Motorola as "
               u"the bus"_s;
    }
    void orderText() {
        QFETCH(int, intel);
        QFETCH(int, motorola);
        QFETCH(bool, fromBus);
        QFETCH(QString, fields);
        QFETCH(QString, text);
        DiscoveredIdentifier identifier;
        identifier.intelVotes = intel;
        identifier.motorolaVotes = motorola;
        identifier.orderFromBus = fromBus;
        // What the slicer leaves where the votes tie: the bus's order or Intel.
        identifier.order = intel > motorola || (intel == motorola && !fromBus)
                               ? FieldOrder::Intel
                               : FieldOrder::Motorola;
        for (const QChar c : fields) {
            DiscoveredField field;
            field.kind = c == u'c' ? FieldKind::Constant : FieldKind::Continuous;
            field.order = c == u'M' ? FieldOrder::Motorola : FieldOrder::Intel;
            field.bits = c == u'I'   ? QList<int>{15, 14, 13, 12, 11, 10, 9, 8, 7}
                         : c == u'M' ? QList<int>{0, 15, 14}
                         : c == u'i' ? QList<int>{23, 22, 21}
                                     : QList<int>{39, 38, 37, 36, 35, 34, 33, 32, 31};
            identifier.fields.append(field);
        }
        QCOMPARE(IdentifierOrderText(identifier), text);
    }

    // Logs with too little in them find no field and never fail.
    void shortLogs_data() {
        QTest::addColumn<std::vector<CanFrame>>("frames");
        QTest::addColumn<int>("identifiers");
        QTest::addColumn<int>("changing"); // fields that are not constant
        QTest::newRow("empty log") << std::vector<CanFrame>{} << 0 << 0;
        QTest::newRow("one frame")
            << std::vector<CanFrame>{Frame(0, 0x123, "0102030405060708")} << 1 << 0;
        QTest::newRow("no data bytes")
            << std::vector<CanFrame>{Frame(0, 0x7FF, ""), Frame(0.1, 0x7FF, "")} << 1 << 0;
        QTest::newRow("bit 0 and bit 63 toggle")
            << std::vector<CanFrame>{Frame(0, 0x1, "0000000000000000"),
                                     Frame(0.1, 0x1, "0100000000000080"),
                                     Frame(0.2, 0x1, "0000000000000000")}
            << 1 << 2;
    }
    void shortLogs() {
        QFETCH(std::vector<CanFrame>, frames);
        QFETCH(int, identifiers);
        QFETCH(int, changing);
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), identifiers);
        int found = 0;
        for (const DiscoveredIdentifier& identifier : result.identifiers)
            for (const DiscoveredField& field : identifier.fields)
                found += field.kind != FieldKind::Constant;
        QCOMPARE(found, changing);
    }
    // The frames kept for the later looks play back as they came: both
    // identifier lengths at their ends, every length 0 to 8, the last byte
    // too; remote and error frames, which carry no data, are not kept.
    void keptFramesPlayBackAsTheyCame() {
        QRandomGenerator random(5);
        std::vector<CanFrame> frames, data;
        const std::pair<std::uint32_t, bool> ids[] = {
            {0, false}, {0x7FF, false}, {0x100, false}, {0, true}, {0x1FFFFFFF, true}};
        for (int k = 0; k < 3000; ++k) {
            CanFrame frame;
            frame.time = k * 0.001;
            const auto& [id, extended] = ids[random.bounded(5)];
            frame.id = id;
            frame.extended = extended;
            frame.bus = std::uint8_t(random.bounded(3)); // the same identifier on three buses
            frame.length = std::uint8_t(random.bounded(9));
            for (int b = 0; b < frame.length; ++b)
                frame.data[std::size_t(b)] = std::uint8_t(random.bounded(256));
            frame.remote = random.bounded(20) == 0;
            frame.error = !frame.remote && random.bounded(20) == 0;
            frames.push_back(frame);
            if (!frame.remote && !frame.error)
                data.push_back(frame);
        }
        const FramePlayer play = [&](const FrameSink& sink) {
            for (const CanFrame& frame : frames)
                sink(frame);
            return true;
        };
        QVERIFY(!DiscoverSignals(play).kept);
        DiscoveryOptions options;
        options.keepFrames = true;
        const DiscoveryResult result = DiscoverSignals(play, options);
        QVERIFY(result.kept);
        std::vector<CanFrame> played;
        result.kept->play([&](const CanFrame& frame) { played.push_back(frame); });
        QCOMPARE(played.size(), data.size());
        for (std::size_t i = 0; i < data.size(); ++i)
            QVERIFY2(played[i] == data[i], qPrintable(QString::number(i)));

        // Only the identifiers asked for, by place: the first, the last,
        // none, all but the first, and a list shorter than the identifiers.
        const auto placeOf = [&](const CanFrame& frame) {
            for (int i = 0; i < result.identifiers.size(); ++i)
                if (result.identifiers[i].key == IdentifierKey::of(frame))
                    return std::size_t(i);
            return std::size_t(99);
        };
        constexpr std::size_t Places = 15; // five identifiers on three buses
        QCOMPARE(result.identifiers.size(), qsizetype(Places));
        std::vector<bool> first(Places, false), last(Places, false), allButFirst(Places, true);
        first.front() = last.back() = true;
        allButFirst.front() = false;
        for (const std::vector<bool>& only : {first, last, std::vector<bool>(Places, false),
                                              allButFirst, std::vector<bool>{false, true}}) {
            std::vector<CanFrame> some, expected;
            result.kept->play([&](const CanFrame& frame) { some.push_back(frame); }, &only);
            for (const CanFrame& frame : data)
                if (placeOf(frame) < only.size() && only[placeOf(frame)])
                    expected.push_back(frame);
            QCOMPARE(some.size(), expected.size());
            QVERIFY(some == expected);
        }
    }
    // Identifiers' places against a plain map, through the table's growth
    // (at 9 keys and at 17, then each doubling): the smallest and largest
    // packed keys, keys that share their hash's slot, keys never met.
    void identifierIndexFindsEveryKey() {
        QRandomGenerator random(3);
        for (const int count : {1, 8, 9, 17, 600}) {
            IdentifierIndex index;
            std::map<std::uint32_t, int> plain;
            std::vector<std::uint32_t> keys{0u, 0x9FFFFFFFu, 0x7FFu, 0x800007FFu};
            while (int(keys.size()) < count)
                // Multiples of 2^20 crowd into few slots of a small table.
                keys.push_back(random.bounded(2) ? random.bounded(0x800u) << 20
                                                 : random.bounded(0x9FFFFFFFu));
            keys.resize(std::size_t(count));
            for (const std::uint32_t key : keys) {
                if (plain.count(key))
                    continue;
                const int place = int(plain.size());
                index.insert(key, place);
                plain[key] = place;
                for (const auto& [k, v] : plain)
                    QCOMPARE(index.find(k), v);
            }
            for (int k = 0; k < 2000; ++k) {
                const std::uint32_t key = random.bounded(0xA0000000u);
                const auto it = plain.find(key);
                QCOMPARE(index.find(key), it == plain.end() ? -1 : it->second);
            }
        }
    }
    // The period and jitter against the plain mean and sample deviation of
    // the intervals (none for one frame: both 0): one interval, two, a long pause first (far from
    // the intervals after it), a pause last, alternating intervals and a drive of many frames far
    // from the clock's zero.
    void periodAndJitter_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<QList<double>>("intervals");
        QTest::addColumn<int>("repeat");
        QTest::newRow("one frame") << 0.0 << QList<double>{} << 1;
        QTest::newRow("one interval") << 0.0 << QList<double>{0.02} << 1;
        QTest::newRow("two") << 0.0 << QList<double>{0.02, 0.03} << 1;
        QTest::newRow("a pause first") << 5.0 << QList<double>{30.0, 0.01, 0.0101, 0.0099} << 1;
        QTest::newRow("a pause last") << 0.0 << QList<double>{0.01, 0.0101, 0.0099, 30.0} << 1;
        QTest::newRow("alternating") << 0.0 << QList<double>{0.004, 0.016} << 500;
        QTest::newRow("far from zero") << 1.7e9 << QList<double>{0.1, 0.1002, 0.0998} << 20000;
    }
    void periodAndJitter() {
        QFETCH(double, start);
        QFETCH(QList<double>, intervals);
        QFETCH(int, repeat);
        BitStatistics statistics;
        CanFrame frame;
        frame.id = 0x100;
        frame.length = 1;
        frame.time = start;
        std::vector<double> seen; // as the frames' times give them
        statistics.add(frame);
        for (int r = 0; r < repeat; ++r)
            for (const double interval : intervals) {
                const double before = frame.time;
                frame.time += interval;
                seen.push_back(frame.time - before);
                statistics.add(frame);
            }
        statistics.finish();
        double mean = 0, squares = 0;
        for (const double v : seen)
            mean += v / double(seen.size());
        for (const double v : seen)
            squares += (v - mean) * (v - mean);
        const double deviation = seen.size() > 1 ? std::sqrt(squares / double(seen.size() - 1)) : 0;
        const IdentifierBits& s = statistics.identifiers().front();
        QVERIFY2(std::abs(s.period() - mean) <= 1e-9 * mean,
                 qPrintable(QString::number(s.period(), 'g', 17)));
        QVERIFY2(std::abs(s.jitter() - deviation) <= 1e-6 * deviation + 1e-12,
                 qPrintable(QString::number(s.jitter(), 'g', 17)));
    }
    // Frames of every length, 0 to 8 and one claiming 15, whose bytes beyond
    // their length hold leftovers (0xFF): the counts per byte and bit, read
    // a word at a time, agree with a plain count, bit by bit, of the bytes
    // each frame (and, for flips, both frames) carry, and a frame without
    // data gives byte 0 no value.
    void countsStopAtEachFramesLength() {
        QRandomGenerator random(17);
        BitStatistics statistics;
        std::array<qint64, 8> seen{}, pairs{};
        std::array<qint64, 64> ones{}, flips{}, alone{}, withLower{}, withHigher{}, above{};
        std::array<qint64, 7> aloneMotorola{};
        // Steps across the boundary after byte b, the shorter way round, by
        // width 2, 4, 8 and by order (Intel b, Motorola 7 + b).
        std::array<std::array<qint64, 14>, 3> crossing{};
        std::bitset<256> firstBytes;
        CanFrame last;
        for (int k = 0; k < 700; ++k) { // more than a lane holds
            CanFrame frame;
            frame.time = k * 0.01;
            frame.id = 0x123;
            frame.length = std::uint8_t(k % 10 == 9 ? 15 : random.bounded(9));
            frame.data.fill(0xFF);
            const int length = std::min<int>(frame.length, 8);
            // Byte 0 is never 0 in the frames that carry it: a frame without
            // data must not give it that value.
            for (int b = 0; b < length; ++b)
                frame.data[std::size_t(b)] = std::uint8_t(random.bounded(b == 0 ? 1 : 0, 256));
            std::uint64_t bits = 0;
            for (int b = 0; b < length; ++b) {
                bits |= std::uint64_t{frame.data[std::size_t(b)]} << (8 * b);
                ++seen[std::size_t(b)];
                for (int j = 0; j < 8; ++j)
                    ones[std::size_t(8 * b + j)] += frame.data[std::size_t(b)] >> j & 1;
            }
            if (length > 0)
                firstBytes.set(frame.data[0]);
            const int common = k > 0 ? std::min<int>(length, std::min<int>(last.length, 8)) : 0;
            const auto flipped = [&](int bit) {
                return bit / 8 < common &&
                       ((frame.data[std::size_t(bit / 8)] ^ last.data[std::size_t(bit / 8)]) >>
                            (bit % 8) &
                        1) != 0;
            };
            for (int bit = 0; bit < 8 * common; ++bit) {
                bool higher = false;
                for (int up = bit + 1; up < bit - bit % 8 + 8; ++up)
                    higher = higher || flipped(up);
                above[std::size_t(bit)] += higher;
                if (!flipped(bit))
                    continue;
                ++flips[std::size_t(bit)];
                alone[std::size_t(bit)] += bit > 0 && !flipped(bit - 1);
                bool lower = false;
                for (int below = bit - bit % 8; below < bit; ++below)
                    lower = lower || flipped(below);
                withLower[std::size_t(bit)] += lower;
                withHigher[std::size_t(bit)] += higher;
                if (bit % 8 == 0 && bit / 8 + 1 < common)
                    aloneMotorola[std::size_t(bit / 8)] += !flipped(bit + 15);
            }
            for (int b = 0; b < common; ++b)
                ++pairs[std::size_t(b)];
            for (int b = 0; b + 1 < common; ++b)
                for (int w = 0; w < 3; ++w) {
                    const int width = 2 << w, span = 1 << (2 * width);
                    const auto across = [&](const CanFrame& f, bool motorola) {
                        const int lower = f.data[std::size_t(b)],
                                  upper = f.data[std::size_t(b + 1)];
                        return ((motorola ? lower << 8 | upper : upper << 8 | lower) >>
                                (8 - width)) &
                               (span - 1);
                    };
                    for (const bool motorola : {false, true}) {
                        const int step =
                            (across(frame, motorola) - across(last, motorola) + span) % span;
                        crossing[std::size_t(w)][std::size_t(b + (motorola ? 7 : 0))] +=
                            std::min(step, span - step);
                    }
                }
            QCOMPARE(FrameBits(frame), bits);
            QCOMPARE(statistics.add(frame), 0);
            last = frame;
        }
        statistics.finish();
        const IdentifierBits& s = statistics.identifiers().front();
        QCOMPARE(s.byteSeen, seen);
        QCOMPARE(s.bytePairs, pairs);
        QCOMPARE(s.ones, ones);
        QCOMPARE(s.flips, flips);
        QCOMPARE(s.flipsAlone, alone);
        QCOMPARE(s.flipsWithLower, withLower);
        for (int bit = 0; bit < 64; ++bit) {
            QCOMPARE(s.flipsWithHigher(bit), withHigher[std::size_t(bit)]);
            QCOMPARE(s.movesAbove(bit), above[std::size_t(bit)]);
        }
        QCOMPARE(s.flipsAloneMotorola, aloneMotorola);
        QCOMPARE(s.firstBytes, firstBytes);
        for (int b = 0; b < 7; ++b)
            for (int w = 0; w < 3; ++w)
                for (const bool motorola : {false, true}) {
                    const int width = 2 << w;
                    const double plain =
                        double(crossing[std::size_t(w)][std::size_t(b + (motorola ? 7 : 0))]) /
                        double(pairs[std::size_t(b + 1)]) / std::ldexp(1.0, 2 * width);
                    QVERIFY2(s.crossingStep(motorola, b, width) == plain,
                             qPrintable(QStringLiteral("%1 boundary after byte %2, width %3")
                                            .arg(motorola ? "Motorola" : "Intel")
                                            .arg(b)
                                            .arg(width)));
                }
    }
    // A 10-bit value at bits 16 to 25 below bits that never flipped, bit 28
    // and the top bit 31 set: the field found takes them in, and its range,
    // series and pairs are those of the 16 bits read from every frame. With
    // frames of two lengths a bit may change unseen between frames that do
    // not both carry it: there bit 31 changes only across the short frames.
    void widenedFieldReadsItsWholeWidth_data() {
        QTest::addColumn<bool>("mixed");
        QTest::newRow("one length") << false;
        QTest::newRow("bit 31 changes across short frames") << true;
    }
    void widenedFieldReadsItsWholeWidth() {
        QFETCH(bool, mixed);
        QRandomGenerator random(9);
        std::vector<CanFrame> frames;
        int value = 300;
        bool top = true;
        std::uint32_t least = 0xFFFF, most = 0;
        for (int k = 0; k < 2000; ++k) {
            CanFrame frame;
            frame.time = k * 0.01;
            frame.id = 0x321;
            frame.length = 8;
            if (mixed && k % 50 == 49) { // a short frame, and bit 31 may change behind it
                frame.length = 2;
                top = !top;
            } else {
                value = std::clamp(value + int(random.bounded(-3, 4)), 0, 1023);
                const std::uint32_t wide = std::uint32_t(value) | 1u << 12 | (top ? 1u << 15 : 0);
                frame.data[2] = std::uint8_t(wide);
                frame.data[3] = std::uint8_t(wide >> 8);
                least = std::min(least, wide);
                most = std::max(most, wide);
            }
            frames.push_back(frame);
        }
        std::vector<ReferenceSeries> references(1);
        for (const CanFrame& f : frames)
            if (f.length == 8)
                references[0].points.push_back({f.time, double(f.data[2] | f.data[3] << 8)});
        DiscoveryOptions options;
        options.pairing = [&] { return references; };
        const DiscoveryResult result = DiscoverSignals(
            [&](const FrameSink& sink) {
                for (const CanFrame& f : frames)
                    sink(f);
                return true;
            },
            options);
        QCOMPARE(result.identifiers.size(), 1);
        const auto& fields = result.identifiers[0].fields;
        const auto wide = std::find_if(fields.begin(), fields.end(), [](const DiscoveredField& f) {
            return f.kind == FieldKind::Continuous;
        });
        QVERIFY(wide != fields.end());
        QCOMPARE(wide->bits.first(), 31);
        QCOMPARE(wide->bits.last(), 16);
        QVERIFY(!wide->isSigned);
        QCOMPARE(wide->minRaw, double(least));
        QCOMPARE(wide->maxRaw, double(most));
        QVERIFY(wide->series);
        QCOMPARE(wide->series->overall().minRaw, double(least));
        QCOMPARE(wide->series->overall().maxRaw, double(most));
        // Read unsigned, the field is the reference itself.
        QCOMPARE(wide->paired.size(), std::size_t(1));
        const LineFit fit = FitLine(wide->paired[0]);
        QVERIFY(fit.ok);
        QVERIFY(std::abs(fit.slope - 1) < 1e-9);
        QVERIFY(std::abs(fit.intercept) < 1e-6);
    }
    // Past MaxSeriesFields a field keeps no series: the busiest identifiers'
    // fields keep theirs, up to exactly the limit, and a widened tally
    // follows its field. One flag each for the limit's worth of identifiers
    // with four frames, and last in line one met first with three frames of
    // two lengths, whose low nibble moves under a constant one.
    void seriesUpToTheLimit() {
        BitStatistics statistics;
        const std::uint32_t quiet = 0x7FF;
        const auto add = [&](double time, std::uint32_t id, int length, std::uint8_t byte2) {
            CanFrame frame;
            frame.time = time;
            frame.id = id;
            frame.length = std::uint8_t(length);
            frame.data[2] = byte2;
            statistics.add(frame);
        };
        const std::uint8_t nibbles[] = {0x00, 0x0F, 0x05};
        for (int k = 0; k < 3; ++k)
            add(k, quiet, k == 2 ? 4 : 8, nibbles[k]);
        for (int k = 0; k < 4; ++k)
            for (int id = 0; id < MaxSeriesFields; ++id)
                add(k, std::uint32_t(id), 8, std::uint8_t(k % 2));
        statistics.finish();
        const std::vector<IdentifierBits>& identifiers = statistics.identifiers();
        QCOMPARE(int(identifiers.size()), MaxSeriesFields + 1);
        const SecondLook look = PrepareSecondLook(
            identifiers, std::vector<std::optional<ChecksumFound>>(identifiers.size()), nullptr);
        int withSeries = 0, quietFields = 0, widened = 0;
        for (const PendingField& p : look.pending) {
            const bool busy = identifiers[std::size_t(p.identifier)].frames == 4;
            QCOMPARE(p.tally->series() != nullptr, busy);
            withSeries += p.tally->series() != nullptr;
            if (!busy) {
                ++quietFields;
                if (p.widened) {
                    ++widened;
                    QVERIFY(!p.widened->series());
                }
            }
        }
        QCOMPARE(withSeries, MaxSeriesFields);
        QVERIFY(quietFields > 0);
        QCOMPARE(widened, 1); // the nibble's top piece, under bits 23 to 20
    }

    // A checksum found is the nibble its family explains, even where the
    // nibble above it never moves; and a value below a checksum nibble
    // whose lowest bit never moves does not widen into it (the value is
    // copied to byte 0, so the nibbles summed are always even).
    void checksumNeverWidens_data() {
        QTest::addColumn<bool>("checksumHigh");
        QTest::newRow("checksum in the low nibble, the high one constant") << false;
        QTest::newRow("value in the low nibble, checksum above it") << true;
    }
    void checksumNeverWidens() {
        QFETCH(bool, checksumHigh);
        QRandomGenerator random(21);
        std::vector<CanFrame> frames;
        int value = 100, low = 6;
        for (int k = 0; k < 3000; ++k) {
            CanFrame frame;
            frame.time = k * 0.01;
            frame.id = 0x123; // nibbles summing to 6
            frame.length = 8;
            if (checksumHigh) {
                if (k % 3 == 0)
                    low = std::clamp(low + int(random.bounded(-1, 2)), 0, 15);
                frame.data[0] = std::uint8_t(low);
            } else {
                value = std::clamp(value + int(random.bounded(-1, 2)), 0, 255);
                frame.data[0] = std::uint8_t(value);
            }
            int sum = 1 + 2 + 3;
            for (int b = 0; b < 7; ++b)
                sum += (frame.data[b] & 0xF) + (frame.data[b] >> 4);
            frame.data[7] =
                checksumHigh ? std::uint8_t((sum + low) % 16 << 4 | low) : std::uint8_t(sum % 16);
            frames.push_back(frame);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const auto& fields = result.identifiers[0].fields;
        const auto checksum =
            std::find_if(fields.begin(), fields.end(),
                         [](const DiscoveredField& f) { return f.kind == FieldKind::Checksum; });
        QVERIFY(checksum != fields.end());
        QVERIFY2(!checksum->algorithm.isEmpty(), "no family named");
        const QList<int> nibble =
            checksumHigh ? QList<int>{63, 62, 61, 60} : QList<int>{59, 58, 57, 56};
        QCOMPARE(checksum->bits, nibble);
        QCOMPARE(checksum->unseenTopBits, 0);
        for (const DiscoveredField& f : fields)
            if (&f != &*checksum)
                for (const int bit : nibble)
                    QVERIFY2(!f.bits.contains(bit),
                             qPrintable(FieldName(result.identifiers[0].key, f.kind, f.bits.last(),
                                                  f.length())));
    }

    // A checksum nibble flips as busily as a noisy byte beside it and seems
    // to run on into it: a crossing into a checksum its family explains
    // votes for no order, so a frame of big-endian counts with a nibble
    // checksum in its last byte, under a noisy byte, is Motorola.
    void checksumCrossingVotesNoOrder() {
        QRandomGenerator random(17);
        std::vector<CanFrame> frames;
        for (int k = 0; k < 2000; ++k) {
            CanFrame frame = Frame(k * 0.01, 0x1D0, "0000000000000000");
            std::uint8_t* d = frame.data.data();
            qToBigEndian(std::uint16_t(3 * k + 1000), d + 2);
            d[6] = std::uint8_t(random.bounded(256));
            d[7] = std::uint8_t((k % 4) << 4);
            // The frame's other nibbles and the identifier's, summed and negated.
            int sum = 1 + 0xD + 0;
            for (int i = 0; i < 8; ++i)
                sum += (d[i] & 15) + (d[i] >> 4);
            d[7] |= std::uint8_t((8 - sum) & 15);
            frames.push_back(frame);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredIdentifier& found = result.identifiers[0];
        QCOMPARE(found.intelVotes, 0);
        QCOMPARE(found.motorolaVotes, 1);
        QCOMPARE(found.order, FieldOrder::Motorola);
        QVERIFY(std::any_of(found.fields.begin(), found.fields.end(), [](const auto& f) {
            return f.kind == FieldKind::Checksum && f.bits == QList<int>{59, 58, 57, 56} &&
                   !f.algorithm.isEmpty();
        }));
    }

    // Identifiers whose 16-bit counts cross a byte decide their own order;
    // one whose two bytes hold noise joins them either way and takes the
    // order the deciding ones agree on, or Intel where they are too few or
    // disagree.
    void busOrderForOpenCrossings_data() {
        QTest::addColumn<int>("intel");    // deciding identifiers counting Intel
        QTest::addColumn<int>("motorola"); // and Motorola
        QTest::addColumn<QString>("bus");  // the order learnt, "" for none
        QTest::newRow("none decides") << 0 << 0 << QString();
        QTest::newRow("two agree: too few") << 0 << 2 << QString();
        QTest::newRow("three agree") << 0 << 3 << u"Motorola"_s;
        QTest::newRow("three of four") << 1 << 3 << u"Motorola"_s;
        QTest::newRow("two of three: mixed") << 1 << 2 << QString();
        QTest::newRow("Intel bus") << 4 << 0 << u"Intel"_s;
        QTest::newRow("even split") << 2 << 2 << QString();
    }
    void busOrderForOpenCrossings() {
        QFETCH(int, intel);
        QFETCH(int, motorola);
        QFETCH(QString, bus);
        QRandomGenerator random(5);
        std::vector<CanFrame> frames;
        for (int k = 0; k < 2000; ++k) {
            CanFrame noise = Frame(k * 0.01, 0x200, "00000000");
            noise.data[2] = std::uint8_t(random.bounded(256));
            noise.data[3] = std::uint8_t(random.bounded(256));
            frames.push_back(noise);
            AddDeciders(frames, k, noise.time, intel, motorola);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.busOrder().intel, intel);
        QCOMPARE(result.busOrder().motorola, motorola);
        QCOMPARE(result.busOrder().order ? FieldOrderName(*result.busOrder().order) : QString(),
                 bus);
        const DiscoveredIdentifier& open = result.identifiers[0];
        QCOMPARE(open.key.id, 0x200u);
        QCOMPARE(open.intelVotes + open.motorolaVotes, 0);
        QCOMPARE(open.orderFromBus, !bus.isEmpty());
        const bool big = bus == u"Motorola";
        // The noise as one field in the order taken: the more significant
        // byte first, each byte from bit 7 down.
        QList<int> bits;
        for (const int byte : big ? std::array{2, 3} : std::array{3, 2})
            for (int bit = 8 * byte + 7; bit >= 8 * byte; --bit)
                bits.append(bit);
        const auto field = std::find_if(open.fields.begin(), open.fields.end(),
                                        [](const DiscoveredField& f) { return f.length() == 16; });
        QVERIFY(field != open.fields.end());
        QCOMPARE(field->bits, bits);
        QCOMPARE(field->order, big ? FieldOrder::Motorola : FieldOrder::Intel);
        QVERIFY(field->orderUndecided);
        QCOMPARE(open.order, field->order);
    }

    // Two buses of one log with the same identifiers, one ordering its
    // frames Intel, the other Motorola: each identifier is found per bus,
    // each bus learns its own order, and each bus's open crossing takes it.
    // Read as one bus, 0x300's counts would interleave and 0x200 would take
    // one order on both.
    void busesApart() {
        QRandomGenerator random(9);
        std::vector<CanFrame> frames;
        for (int k = 0; k < 2000; ++k)
            for (const int bus : {0, 1}) {
                const std::size_t first = frames.size();
                CanFrame noise = Frame(k * 0.01 + bus * 0.005, 0x200, "00000000");
                noise.data[2] = std::uint8_t(random.bounded(256));
                noise.data[3] = std::uint8_t(random.bounded(256));
                frames.push_back(noise);
                AddDeciders(frames, k + 700 * bus, noise.time, bus == 0 ? 3 : 0, bus == 0 ? 0 : 3);
                for (std::size_t i = first; i < frames.size(); ++i)
                    frames[i].bus = std::uint8_t(bus);
            }
        // The first bus's 0x302 misses a frame: the database takes the
        // second's, the busier; 0x300 ties and the first bus's goes in.
        frames.erase(std::find_if(frames.begin(), frames.end(),
                                  [](const CanFrame& f) { return f.id == 0x302 && f.bus == 0; }));
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 8);
        const CanDatabase database = DiscoveredDatabase(result);
        QStringList ids;
        for (const DbcMessage& message : database.messages) {
            ids << QString::number(message.id, 16);
            const bool motorola = std::any_of(message.signalList.begin(), message.signalList.end(),
                                              [](const DbcSignal& s) { return !s.littleEndian; });
            if (message.id == 0x300 || message.id == 0x302)
                QCOMPARE(motorola, message.id == 0x302);
        }
        ids.sort();
        QCOMPARE(ids, QStringList({u"200"_s, u"300"_s, u"301"_s, u"302"_s}));
        QCOMPARE(result.busOrders.size(), std::size_t(2));
        for (const int bus : {0, 1}) {
            const FieldOrder order = bus == 0 ? FieldOrder::Intel : FieldOrder::Motorola;
            const BusOrder& learnt = result.busOrders[std::size_t(bus)];
            QCOMPARE(learnt.order, std::optional<FieldOrder>(order));
            QCOMPARE(bus == 0 ? learnt.intel : learnt.motorola, 3);
            QCOMPARE(bus == 0 ? learnt.motorola : learnt.intel, 0);
            for (const std::uint32_t id : {0x200u, 0x300u, 0x301u, 0x302u}) {
                const auto found =
                    std::find_if(result.identifiers.begin(), result.identifiers.end(),
                                 [&](const DiscoveredIdentifier& i) {
                                     return i.key == IdentifierKey{id, false, std::uint8_t(bus)};
                                 });
                QVERIFY(found != result.identifiers.end());
                QCOMPARE(found->frames, qint64(id == 0x302u && bus == 0 ? 1999 : 2000));
                QCOMPARE(found->order, order);
                QCOMPARE(found->orderFromBus, id == 0x200u);
                if (id != 0x200u)
                    continue;
                // The noise as one field in the bus's order.
                const auto noise =
                    std::find_if(found->fields.begin(), found->fields.end(),
                                 [](const DiscoveredField& f) { return f.length() == 16; });
                QVERIFY(noise != found->fields.end());
                QCOMPARE(noise->order, order);
                QCOMPARE(noise->bits.first(), bus == 0 ? 31 : 23);
            }
        }
        // One name per bus in the texts, the first bus's first.
        DiscoveryResult named = result;
        NameBuses(named, {u"can0"_s, u"can1"_s});
        QCOMPARE(named.buses, QStringList({u"can0"_s, u"can1"_s}));
        QCOMPARE(IdentifierOnBusText(named.identifiers[0]), u"0x200 on can0"_s);
        QCOMPARE(BusOrderTexts(named).size(), 2);
        // Fields for references name their bus too: 0x300 gives one on each.
        const DiscoveryCandidates candidates = CandidatesOf(named, false);
        QVERIFY(!candidates.fields.empty());
        QStringList buses;
        for (const CandidateField& field : candidates.fields)
            buses << field.description.section(u" on "_s, 1);
        QVERIFY2(buses.contains(u"can0"_s) && buses.contains(u"can1"_s) &&
                     !buses.contains(QString()),
                 qPrintable(buses.join(u", "_s)));
        QVERIFY(BusOrderTexts(named)[1].startsWith(u"can1: bus byte order Motorola"_s));
        // A log of one bus names none, whatever its name.
        std::vector<CanFrame> one(frames.begin(), frames.begin() + 4);
        for (CanFrame& frame : one)
            frame.bus = 1;
        DiscoveryResult single = DiscoverSignals(PlayFrames(one));
        NameBuses(single, {u"can0"_s, u"can1"_s});
        QVERIFY(single.buses.isEmpty());
        QCOMPARE(IdentifierOnBusText(single.identifiers[0]), u"0x200"_s);
        QCOMPARE(BusOrderTexts(single).size(), 1);
    }

    // Bits 23, 16, 31 and 24 flip at random: Intel joins 23 to 24 across
    // byte 2's boundary, Motorola 16 to 31. A frame whose order is known
    // (from an even count across bytes 0 and 1 in Motorola order, or from the
    // bus) is cut in it alone; an open one takes both crossings.
    void frameCutInItsOrder_data() {
        QTest::addColumn<int>("counting");      // 0 none, 1 Intel, 2 Motorola, across bytes 0 and 1
        QTest::addColumn<int>("busDeciders");   // other identifiers counting Motorola
        QTest::addColumn<bool>("intelCrossed"); // bits 24 and 23 one field
        QTest::addColumn<bool>("motorolaCrossed"); // bits 16 and 31 one field
        QTest::newRow("open frame, open bus") << 0 << 0 << true << true;
        QTest::newRow("Motorola frame") << 2 << 0 << false << true;
        QTest::newRow("Intel frame") << 1 << 0 << true << false;
        QTest::newRow("open frame, Motorola bus") << 0 << 3 << false << true;
        QTest::newRow("Intel frame, Motorola bus") << 1 << 3 << true << false;
    }
    void frameCutInItsOrder() {
        QFETCH(int, counting);
        QFETCH(int, busDeciders);
        QFETCH(bool, intelCrossed);
        QFETCH(bool, motorolaCrossed);
        QRandomGenerator random(9);
        std::vector<CanFrame> frames;
        for (int k = 0; k < 3000; ++k) {
            CanFrame frame = Frame(k * 0.01, 0x123, "00000000");
            // Doubled, so that its lowest bit stays 0 and nothing crosses
            // to byte 2 (in Intel order its top bits stay 0).
            const int count = counting > 0 ? k * 3 % 3000 * 2 : 0;
            frame.data[counting == 1 ? 1 : 0] = std::uint8_t(count >> 8);
            frame.data[counting == 1 ? 0 : 1] = std::uint8_t(count);
            frame.data[2] = std::uint8_t((random.bounded(2) << 7) | random.bounded(2));
            frame.data[3] = std::uint8_t((random.bounded(2) << 7) | random.bounded(2));
            frames.push_back(frame);
            AddDeciders(frames, k, frame.time, 0, busDeciders);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        const DiscoveredIdentifier& frame = result.identifiers[0];
        QCOMPARE(frame.key.id, 0x123u);
        const auto has = [&](const QList<int>& bits) {
            return std::any_of(frame.fields.begin(), frame.fields.end(),
                               [&](const DiscoveredField& f) { return f.bits == bits; });
        };
        QCOMPARE(has({24, 23}), intelCrossed);
        QCOMPARE(has({24}) && has({23}), !intelCrossed);
        QCOMPARE(has({16, 31}), motorolaCrossed);
        QCOMPARE(has({16}) && has({31}), !motorolaCrossed);
    }
    // A value whose low bits step by more than one (a torque asked in tens,
    // now and then by ones) flips its bits at rates that fall and rise again,
    // so the rates alone would cut it; its low bits move only with its upper
    // ones, and it stays one field. A flag below a value, flipping at its
    // own moments, stays apart: beside a value moving in a few frames, and
    // beside one moving in nearly every frame, whose flips meet the flag's by
    // chance alone.
    void lowBitsMoveWithTheirValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QList<int>>("field"); // the field holding bit 1
        QTest::newRow("steps of ten, signed, two bytes")
            << u"tens"_s << QList<int>{15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
        // Its bits flip at rates far below its moves: chance is how often some
        // bit above moves, not the busiest one.
        QTest::newRow("a flag below a value moving in tens in nearly every frame")
            << u"tens, a flag below"_s
            << QList<int>{15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
        QTest::newRow("steps of five in one byte")
            << u"fives"_s << QList<int>{7, 6, 5, 4, 3, 2, 1, 0};
        QTest::newRow("a flag below a value moving now and then")
            << u"slow"_s << QList<int>{7, 6, 5, 4, 3, 2, 1};
        QTest::newRow("a flag below a value moving in nearly every frame")
            << u"busy"_s << QList<int>{7, 6, 5, 4, 3, 2, 1};
        // At both sides of the share: the bit flips 26 times, every 113th
        // frame, meeting a move of the value (every third frame) in 7 of 10
        // or in 19 of 20 of them.
        QTest::newRow("a bit meeting the value's moves 7 times in 10")
            << u"7 in 10"_s << QList<int>{7, 6, 5, 4, 3, 2, 1};
        QTest::newRow("a bit meeting the value's moves 19 times in 20")
            << u"19 in 20"_s << QList<int>{7, 6, 5, 4, 3, 2, 1, 0};
    }
    void lowBitsMoveWithTheirValue() {
        QFETCH(QString, value);
        QFETCH(QList<int>, field);
        QRandomGenerator random(5);
        std::vector<CanFrame> frames;
        int walk = 0, lowBit = 0;
        for (int k = 0; k < 3000; ++k) {
            // Asked anew in most frames: by ten or twenty up or down, now and
            // then by five, held at -600 and 600.
            const int step = int(random.bounded(10));
            walk += step < 3    ? 10
                    : step < 6  ? -10
                    : step == 6 ? 20
                    : step == 7 ? -20
                    : step == 8 ? (random.bounded(2) ? 5 : -5)
                    : value == u"tens, a flag below" && random.bounded(4) > 0
                        ? (walk > 0 ? -10 : 10)
                        : 0;
            walk = std::clamp(walk, -600, 600);
            int raw = 0;
            if (value == u"tens")
                raw = walk;
            else if (value == u"tens, a flag below") // moving in 39 frames of 40
                raw = walk * 2 | (k / 113 % 2);
            else if (value == u"fives") // the same in fives, 0 to 250
                raw = 125 + walk / 24 * 5;
            else if (value == u"slow") // steps every 7th frame, a flag below
                raw = (20 + k / 7 % 50) << 1 | (k / 113 % 2);
            else if (value == u"busy") // steps in 19 frames of 20
                raw = (k - k / 20) % 100 << 1 | (k / 113 % 2);
            else { // steps every third frame; the bit toggles near every 113th
                const int ramp = k / 3 % 120, block = k / 113, start = 113 * block;
                const bool met = value == u"7 in 10" ? block % 10 < 7 : block % 20 < 19;
                // The first frame of the block where the value moves, or the next.
                const int toggle = start + (3 - start % 3) % 3 + (met ? 0 : 1);
                lowBit ^= block > 0 && k == toggle ? 1 : 0;
                raw = (20 + (ramp < 60 ? ramp : 120 - ramp)) << 1 | lowBit;
            }
            CanFrame frame = Frame(k * 0.01, 0x123, "0000");
            frame.data[0] = std::uint8_t(raw);
            frame.data[1] = std::uint8_t(value.startsWith(u"tens") ? raw >> 8 : 0);
            frames.push_back(frame);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredField* holding = nullptr;
        for (const DiscoveredField& f : result.identifiers[0].fields)
            if (f.bits.contains(1))
                holding = &f;
        QVERIFY(holding);
        QCOMPARE(holding->bits, field);
        if (value == u"tens")
            QVERIFY(holding->isSigned);
    }
    // A counter whose bit above follows the count some other way (a copy of
    // its top bit, as a frame whose whole content cycles with its counter
    // has) is cut from that bit: read together, they do not count. A counter
    // that fills its bits stays whole, and one that steps by one too seldom
    // is no counter at all.
    void counterBelowBitsThatFollowIt_data() {
        QTest::addColumn<int>("bottom");       // the counter's lowest bit
        QTest::addColumn<int>("width");        // the counter's bits
        QTest::addColumn<QString>("above");    // what sits on the counter
        QTest::addColumn<double>("stepShare"); // frames that step by one
        QTest::addColumn<int>("otherStep");    // the step of the other frames
        QTest::addColumn<bool>("counter");     // a counter is found on its bits
        QTest::newRow("a copy of a 2-bit counter's top bit")
            << 48 << 2 << u"copy"_s << 1.0 << 1 << true;
        QTest::newRow("in the frame's last byte, at its top")
            << 61 << 2 << u"copy"_s << 1.0 << 1 << true;
        QTest::newRow("a 4-bit counter from the frame's first bit")
            << 0 << 4 << u"copy"_s << 1.0 << 1 << true;
        // Skipping a step moves its second bit more often than half its first's.
        QTest::newRow("skipping a step in one frame of six")
            << 48 << 2 << u"copy"_s << 0.84 << 2 << true;
        // At both sides of the share of steps by one that makes a counter.
        QTest::newRow("holding its count in one frame of six")
            << 40 << 2 << u"copy"_s << 0.84 << 0 << true;
        QTest::newRow("holding its count in one frame of three")
            << 40 << 2 << u"copy"_s << 0.67 << 0 << false;
        QTest::newRow("a 3-bit counter with nothing above")
            << 8 << 3 << u"nothing"_s << 1.0 << 1 << true;
        QTest::newRow("a bit of its own above, as busy as the counter's top")
            << 16 << 2 << u"random"_s << 1.0 << 1 << true;
        // Its lowest two bits count, the bit above flips at every step.
        QTest::newRow("a value stepping by five") << 24 << 7 << u"fives"_s << 1.0 << 1 << false;
        // Its fifth bit flips as often as its fourth, and with it the count goes on.
        QTest::newRow("a count from 9 to 18, again and again")
            << 32 << 5 << u"nine to eighteen"_s << 1.0 << 1 << true;
    }
    void counterBelowBitsThatFollowIt() {
        QFETCH(int, bottom);
        QFETCH(int, width);
        QFETCH(QString, above);
        QFETCH(double, stepShare);
        QFETCH(int, otherStep);
        QFETCH(bool, counter);
        QRandomGenerator random(11);
        std::vector<CanFrame> frames;
        std::uint64_t count = 0;
        const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
        for (int k = 0; k < 2000; ++k) {
            count =
                (count + std::uint64_t(random.generateDouble() < stepShare ? 1 : otherStep)) & mask;
            std::uint64_t bits = count;
            if (above == u"copy") // the top bit again
                bits |= (count >> (width - 1)) << width;
            else if (above == u"random")
                bits |= std::uint64_t{random.bounded(2u)} << width;
            else if (above == u"fives")
                bits = std::uint64_t(k) * 5 & mask;
            else if (above == u"nine to eighteen")
                bits = std::uint64_t(9 + k % 10);
            CanFrame frame = Frame(k * 0.01, 0x1DC, "C000000000000000");
            const std::uint64_t data =
                qFromLittleEndian<std::uint64_t>(frame.data.data()) | bits << bottom;
            qToLittleEndian(data, frame.data.data());
            frames.push_back(frame);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        QList<int> counted;
        for (int bit = bottom + width - 1; bit >= bottom; --bit)
            counted.append(bit);
        bool found = false;
        for (const DiscoveredField& f : result.identifiers[0].fields) {
            found = found || (f.bits == counted && f.kind == FieldKind::Counter);
            if (f.kind == FieldKind::Counter)
                QCOMPARE(f.bits, counted);
        }
        QCOMPARE(found, counter);
    }

    // A count whose step varies (a wheel encoder moving by one, two or three
    // pulses a frame, mostly two; a temperature ramp rising two units a
    // frame, now and then one) flips its lowest bit only at odd steps, far
    // less often than the bit above: it is still the count's, as a carry
    // shows (the two step against each other, and together they count
    // forward). A busy flag below a counter steps when it likes, and one
    // that goes back too often is no count. A value falling on its own below
    // a count steps against it on the whole, but not frame by frame.
    void countWithVaryingStep_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("value");
        QTest::addColumn<double>("backShare"); // frames stepping back by one
        QTest::addColumn<int>("lowest");       // the bit below the count, from the byte's bit 0
        QTest::addColumn<int>("first");        // the top bit of the field holding it, likewise
        QTest::newRow("an encoder") << 4 << u"encoder"_s << 0.0 << 2 << 7;
        QTest::newRow("an encoder in the frame's last byte") << 7 << u"encoder"_s << 0.0 << 2 << 7;
        QTest::newRow("a busy flag below a counter") << 4 << u"flag"_s << 0.0 << 2 << 2;
        // At both sides of the share of forward steps that makes a count.
        QTest::newRow("stepping back in 2 frames of 100") << 4 << u"encoder"_s << 0.02 << 2 << 7;
        QTest::newRow("stepping back in 10 frames of 100") << 4 << u"encoder"_s << 0.10 << 2 << 2;
        // Its upper bits wrap from 7 to 0 every fourth frame: one step forward.
        QTest::newRow("a 4-bit encoder") << 4 << u"4-bit encoder"_s << 0.0 << 4 << 7;
        // Over two bytes, Intel, the bit below the count lying first in the
        // frame; its top bits never move and widen it to its byte's edge.
        QTest::newRow("a ramp rising two units a frame") << 2 << u"ramp"_s << 0.0 << 0 << 15;
        QTest::newRow("a ramp in the frame's last two bytes") << 6 << u"ramp"_s << 0.0 << 0 << 15;
        QTest::newRow("a flag below a ramp") << 2 << u"flag below ramp"_s << 0.0 << 0 << 0;
        QTest::newRow("a value falling on its own below a count")
            << 4 << u"falling"_s << 0.0 << 0 << 4;
    }
    void countWithVaryingStep() {
        QFETCH(int, byte);
        QFETCH(QString, value);
        QFETCH(double, backShare);
        QFETCH(int, lowest);
        QFETCH(int, first);
        QRandomGenerator random(13);
        std::vector<CanFrame> frames;
        int count = 0;
        bool flag = false;
        for (int k = 0; k < 2500; ++k) {
            const double draw = random.generateDouble();
            CanFrame frame = Frame(k * 0.02, 0xB4, "0000000000000000");
            std::uint8_t* at = frame.data.data() + byte;
            if (value == u"encoder") { // in units of 4 from bit 2; bits 1 and 0 hold 01
                count += draw < backShare ? -1 : draw < 0.73 ? 2 : draw < 0.87 ? 1 : 3;
                at[0] = std::uint8_t((count & 63) << 2 | 1);
            } else if (value == u"4-bit encoder") { // bits 7 to 4, bits 3 to 0 holding 0101
                count += draw < 0.73 ? 2 : draw < 0.87 ? 1 : 3;
                at[0] = std::uint8_t((count & 15) << 4 | 5);
            } else if (value == u"ramp") { // 16 bits from 10976, Intel, pausing now and then
                count += draw < 0.6 ? 2 : draw < 0.7 ? 1 : 0;
                qToLittleEndian(std::uint16_t(10976 + count), at);
            } else if (value == u"flag below ramp") { // the ramp in units of 2 from bit 1
                count += draw < 0.92 ? 1 : 0;
                flag = flag != (random.generateDouble() < 0.05);
                qToLittleEndian(std::uint16_t((5488 + count) << 1 | int(flag)), at);
            } else if (value == u"falling") { // a count from bit 5, below it bits 4 to 0 falling
                count += draw < 0.97 ? 1 : 2;
                at[0] = std::uint8_t((count & 7) << 5 | (31 - k / 80));
            } else { // a counter from bit 3, a flag at bit 2 toggling in 27 frames of 100
                ++count;
                flag = flag != (draw < 0.27);
                at[0] = std::uint8_t((count & 31) << 3 | int(flag) << 2 | 1);
            }
            frames.push_back(frame);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredField* holding = nullptr;
        for (const DiscoveredField& f : result.identifiers[0].fields)
            if (f.bits.contains(8 * byte + lowest))
                holding = &f;
        QVERIFY(holding);
        QCOMPARE(holding->bits.first(), 8 * byte + first);
        QCOMPARE(holding->bits.last(), 8 * byte + lowest);
    }

    // A signed value's bits above its magnitude copy its sign, flipping in
    // the same frames: a bit above them that flips at other times is a flag
    // of its own, even where some of its flips come with the sign's (a
    // steering request over its torque command, the torque jumping as the
    // request comes on). Copies seen flipping a few times only may be a
    // start-up jump's, and then the rates alone cut the field.
    void bitAboveSignedValue_data() {
        QTest::addColumn<int>("crossings"); // of zero, by the torque
        QTest::addColumn<bool>("apart");    // the request is a flag of its own
        QTest::newRow("crossing zero 40 times") << 40 << true;
        QTest::newRow("crossing zero 8 times") << 8 << true;
        QTest::newRow("crossing zero 7 times") << 7 << false;
    }
    void bitAboveSignedValue() {
        QFETCH(int, crossings);
        QFETCH(bool, apart);
        constexpr int Frames = 3000;
        // The request comes on or off at two of the torque's crossings and
        // at two other moments.
        const auto crossingFrame = [&](int m) {
            return int(std::ceil(m / (crossings + 0.5) * Frames - 0.5));
        };
        const QList<int> toggles{crossingFrame(2), Frames / 2 + 7, crossingFrame(crossings - 1),
                                 Frames - 100};
        std::vector<CanFrame> frames;
        bool request = false;
        for (int k = 0; k < Frames; ++k) {
            request = request != toggles.contains(k);
            // Positive at first, through zero `crossings` times.
            const double t = (k + 0.5) / Frames;
            const auto torque =
                std::uint16_t(std::lround(300 * std::sin(M_PI * (crossings + 0.5) * t)));
            CanFrame frame = Frame(k * 0.01, 0x2E4, "0000000000");
            frame.data[0] = std::uint8_t(request);
            frame.data[1] = std::uint8_t(torque >> 8);
            frame.data[2] = std::uint8_t(torque);
            frames.push_back(frame);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredField* holding = nullptr;
        for (const DiscoveredField& f : result.identifiers[0].fields)
            if (f.bits.contains(15))
                holding = &f;
        QVERIFY(holding);
        const QList<int> torqueBits{15, 14, 13, 12, 11, 10, 9, 8, 23, 22, 21, 20, 19, 18, 17, 16};
        QCOMPARE(holding->bits.contains(0), !apart);
        if (apart) {
            QCOMPARE(holding->bits, torqueBits);
            QVERIFY(holding->isSigned);
        }
    }

    // A coarse value near zero (a steering angle of -3 to 2 counts in 12
    // bits) steps by much of its range, as an enumeration does, but its
    // codes sit at both ends of the field and step into each other: seen
    // crossing zero a few times it is signed, over its own bits, since bits
    // above that never moved would have moved with its sign. A value whose
    // all-ones start-up placeholder is its only crossing stays unsigned and
    // takes in the constant bits above it.
    void coarseSignedValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("crossings"); // of zero, by steps of one
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<QList<int>>("bits");
        const QList<int> twelve{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
        QTest::newRow("crossing zero 3 times") << u"angle"_s << 3 << true << twelve;
        QTest::newRow("crossing zero twice") << u"angle"_s << 2 << false << twelve;
        QTest::newRow("a start-up placeholder of all ones")
            << u"placeholder"_s << 1 << false << QList<int>{7, 6, 5, 4, 3, 2, 1, 0};
    }
    void coarseSignedValue() {
        QFETCH(QString, value);
        QFETCH(int, crossings);
        QFETCH(bool, isSigned);
        QFETCH(QList<int>, bits);
        QList<int> values;
        if (value == u"angle") {
            values = {2, 1, 0};
            for (int c = 0; c < crossings; ++c) // down to -3 or up to 2, through zero
                for (int v = c % 2 == 0 ? -1 : 0; c % 2 == 0 ? v >= -3 : v <= 2;
                     v += c % 2 == 0 ? -1 : 1)
                    values.append(v);
        } else { // 6 bits: the placeholder 0x3F, then a ramp of 1 to 17 and back
            values = {0x3F, 0x3F, 0x3F};
            for (int cycle = 0; cycle < 4; ++cycle)
                for (int v = 1; v < 34; ++v)
                    values.append(v <= 17 ? v : 34 - v);
        }
        std::vector<CanFrame> frames;
        for (int k = 0; k < 2000; ++k) {
            // Each value held for a few frames: a slow quantity.
            const int v = values[std::min<qsizetype>(k / 5, values.size() - 1)];
            CanFrame frame = Frame(k * 0.01, 0x25, "00000000");
            const int width = value == u"angle" ? 12 : 6;
            const auto raw = std::uint16_t(v & ((1 << width) - 1));
            frame.data[0] = std::uint8_t(raw);
            frame.data[1] = std::uint8_t(raw >> 8);
            frames.push_back(frame);
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredField* found = nullptr;
        for (const DiscoveredField& f : result.identifiers[0].fields)
            if (f.bits.contains(0))
                found = &f;
        QVERIFY(found);
        QCOMPARE(found->bits, bits);
        QCOMPARE(found->isSigned, isSigned);
        QCOMPARE(found->kind, isSigned || value == u"placeholder" ? FieldKind::Continuous
                                                                  : FieldKind::Enumeration);
    }

    // Byte 0 turning among three values sets a layout only where the pages
    // show one: each page its own level of a value in bytes 2 and 3 is read
    // page by page; one value every page carries is not, even where the
    // whole frame read it otherwise (here: narrower) than the pages do.
    void pagesNeedEvidence_data() {
        QTest::addColumn<bool>("shared");
        QTest::addColumn<int>("spread"); // between the pages' levels
        QTest::addColumn<int>("swing");  // of each page's value
        QTest::addColumn<int>("pageFields");
        QTest::addColumn<QList<int>>("pages"); // byte 0 of each page
        const QList<int> first{0, 1, 2};
        QTest::newRow("each page its own level") << false << 8000 << 3000 << 3 << first;
        QTest::newRow("own levels, the same bits moving") << false << 0x1000 << 200 << 3 << first;
        QTest::newRow("one value in every page") << true << 8000 << 3000 << 0 << first;
        QTest::newRow("pages 0, 128 and 255") << false << 8000 << 3000 << 3 << QList{0, 128, 255};
    }
    void pagesNeedEvidence() {
        QFETCH(bool, shared);
        QFETCH(int, spread);
        QFETCH(int, swing);
        QFETCH(int, pageFields);
        QFETCH(QList<int>, pages);
        // The pages in a shuffled order each round: in turn they would count.
        QRandomGenerator random(7);
        std::array<int, 3> order{0, 1, 2};
        std::vector<CanFrame> frames;
        for (int k = 0; k < 3000; ++k) {
            if (k % 3 == 0)
                std::shuffle(order.begin(), order.end(), random);
            const int page = order[std::size_t(k % 3)];
            const int level = 0x4800 + (shared ? 0 : spread * page);
            const auto value = std::uint16_t(level + swing * std::sin(k / 300.0));
            CanFrame frame = Frame(k * 0.01, 0x2B0, "0000000000000000");
            frame.data[0] = std::uint8_t(pages[page]);
            frame.data[2] = std::uint8_t(value);
            frame.data[3] = std::uint8_t(value >> 8);
            frames.push_back(frame);
        }
        DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        if (shared)
            for (DiscoveredField& f : result.identifiers[0].fields)
                if (f.kind != FieldKind::Constant && f.bits.contains(16))
                    f.bits = f.bits.mid(f.bits.size() - 8);
        AddPageFields(result, [&](const std::vector<bool>&, const FrameSink& sink) {
            return PlayFrames(frames)(sink);
        });
        const QList<DiscoveredField>& fields = result.identifiers[0].fields;
        QCOMPARE(std::count_if(fields.begin(), fields.end(),
                               [](const DiscoveredField& f) { return f.page >= 0; }),
                 pageFields);
        QCOMPARE(std::count_if(fields.begin(), fields.end(),
                               [](const DiscoveredField& f) { return f.pageNumber; }),
                 pageFields > 0 ? 1 : 0);
        QList<int> seen; // the pages whose own value was found
        for (const DiscoveredField& f : fields)
            if (f.page >= 0)
                seen << f.page;
        std::sort(seen.begin(), seen.end());
        QCOMPARE(seen, pageFields > 0 ? pages : QList<int>());
    }

    // Runs of ones that may mark a field's extent, in either order: 6 to 16
    // bits between zeros or the frame's edges, an end inside a byte.
    void onesRunsOf_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("motorola");
        QTest::addColumn<QList<QList<int>>>("runs"); // bits, most significant first
        QTest::newRow("6 bits, the shortest")
            << "00000000000000fc"_ba << false << QList<QList<int>>{{63, 62, 61, 60, 59, 58}};
        QTest::newRow("5 bits, too short") << "00000000000000f8"_ba << false << QList<QList<int>>{};
        QTest::newRow("16 bits, the longest")
            << "00000000000ffff0"_ba << true
            << QList<QList<int>>{{43, 42, 41, 40, 55, 54, 53, 52, 51, 50, 49, 48, 63, 62, 61, 60}};
        QTest::newRow("17 bits, too long") << "00000000001ffff0"_ba << true << QList<QList<int>>{};
        QTest::newRow("whole bytes") << "0000000000ffff00"_ba << true << QList<QList<int>>{};
        QTest::newRow("from bit 0, Intel")
            << "3f00000000000000"_ba << false << QList<QList<int>>{{5, 4, 3, 2, 1, 0}};
        QTest::newRow("Intel, across a byte")
            << "000000000000f00f"_ba << false
            << QList<QList<int>>{{59, 58, 57, 56, 55, 54, 53, 52}};
        QTest::newRow("the same bits, Motorola")
            << "000000000000f00f"_ba << true << QList<QList<int>>{};
    }
    void onesRunsOf() {
        QFETCH(QByteArray, data);
        QFETCH(bool, motorola);
        QFETCH(QList<QList<int>>, runs);
        const CanFrame frame = Frame(0, 0x5BC, data);
        QCOMPARE(OnesRunsOf(FrameBits(frame), motorola ? FieldOrder::Motorola : FieldOrder::Intel),
                 runs);
    }

    // A charge time that takes a few levels in turn, its "not available"
    // code 0x1FFF among them, beside the condition that selects it (as a
    // battery controller sends them, bytes 5 to 7): the flips alone cut the
    // time in pieces; the run of ones between zeros gives its 13 bits.
    // Whole bytes of ones, a counter at its top beside a value not yet
    // available, or two neighbours not yet available, each changing on its
    // own later, join nothing.
    void onesRunsJoin_data() {
        QTest::addColumn<QByteArrayList>("turn"); // bytes 5 to 7 of each frame in turn
        QTest::addColumn<QString>("start");       // else: what the first 400 frames leave unset
        QTest::addColumn<bool>("joined");
        QTest::newRow("all ones in one frame of 5")
            << QByteArrayList{"052028", "054000", "06205a", "064000", "041fff"} << QString()
            << true;
        QTest::newRow("whole bytes of ones")
            << QByteArrayList{"050028", "054000", "06005a", "064000", "04ffff"} << QString()
            << false;
        QTest::newRow("a counter at its top") << QByteArrayList{} << u"counter"_s << false;
        QTest::newRow("two neighbours") << QByteArrayList{} << u"neighbours"_s << false;
    }
    void onesRunsJoin() {
        QFETCH(QByteArrayList, turn);
        QFETCH(QString, start);
        QFETCH(bool, joined);
        std::vector<CanFrame> frames;
        for (int k = 0; k < 1000; ++k) {
            const bool unset = k < 400;
            int tail = 0;
            if (start == u"counter") {
                // Bits 52..48 and 63..60 a value, bits 59..56 a counter.
                const int value = unset ? 0x1FF : int(100 + 50 * std::sin(k / 40.0));
                tail = 0x40000 | (value >> 4) << 8 | (value & 15) << 4 | k % 16;
            } else if (start == u"neighbours") {
                // Bits 53..48 one value, bits 63..58 the next.
                const int a = unset ? 63 : int(30 + 20 * std::sin(k / 30.0));
                const int b = unset ? 63 : int(30 + 20 * std::cos(k / 17.0));
                tail = 0x40000 | a << 8 | b << 2;
            } else {
                // The time left counts down between its codes.
                tail = turn[k % turn.size()].toInt(nullptr, 16);
                if ((tail & 0xFF) != 0 && (tail & 0x1FFF) != 0x1FFF)
                    tail -= k / 400;
            }
            frames.push_back(
                Frame(k * 0.5, 0x5BC,
                      "36432c3baa" + QByteArray::number(tail, 16).rightJustified(6, '0')));
        }
        const DiscoveryResult result = DiscoverSignals(PlayFrames(frames));
        QCOMPARE(result.identifiers.size(), 1);
        const QList<DiscoveredField>& fields = result.identifiers[0].fields;
        const auto whole = std::find_if(fields.begin(), fields.end(),
                                        [&](const DiscoveredField& f) { return f.onesCode; });
        QCOMPARE(whole != fields.end(), joined);
        if (!joined)
            return;
        QCOMPARE(whole->bits, (QList<int>{52, 51, 50, 49, 48, 63, 62, 61, 60, 59, 58, 57, 56}));
        QCOMPARE(whole->order, FieldOrder::Motorola);
        QVERIFY(!whole->isSigned);
        QCOMPARE(whole->maxRaw, 8191.0);
        QVERIFY(FieldKindText(*whole).contains(u"continuous, 8191 = \"not available\""_s));
    }
};

QTEST_GUILESS_MAIN(TestDiscover)
#include "tst_discover.moc"
