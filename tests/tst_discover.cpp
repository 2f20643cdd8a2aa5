// Finding signals without a database: logs that canmatrix encoded from CAN
// databases with signals moving as a car's do (the reference), then the edge
// cases of short and odd logs.
#include "Fixtures.h"
#include "HexFrame.h"
#include "bitmap/SignalBitMap.h"
#include "canlog/LogReader.h"
#include "dbc/DatabaseText.h"
#include "discover/SignalDiscovery.h"

#include <QFile>
#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestDiscover)
#include "tst_discover.moc"
