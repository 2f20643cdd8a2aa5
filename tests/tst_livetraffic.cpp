// Live traffic kept for finding signals: the latest frames only, the bits
// that changed, and an analysis of the frames held in memory that finds
// what the analysis of the same frames as a candump file finds.
#include "canlog/CandumpWriter.h"
#include "canlog/LogReader.h"
#include "discover/LiveTraffic.h"
#include "discover/LogDiscovery.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace cac;

namespace {

CanFrame frameAt(double time, std::uint32_t id, std::uint64_t data, int length = 8,
                 bool extended = false) {
    CanFrame frame;
    frame.time = time;
    frame.id = id;
    frame.extended = extended;
    frame.length = std::uint8_t(length);
    for (int i = 0; i < 8; ++i)
        frame.data[std::size_t(i)] = std::uint8_t(data >> (8 * i));
    return frame;
}

std::vector<CanFrame> readFrames(const QString& path) {
    QFile file(path);
    std::vector<CanFrame> frames;
    if (!file.open(QIODevice::ReadOnly))
        return frames;
    QString error;
    const auto reader = OpenLogReader(&file, LogFormat::Unknown, &error);
    CanFrame frame;
    while (reader && reader->readFrame(frame))
        frames.push_back(frame);
    return frames;
}

// What a discovery found, as one text a mismatch shows whole.
QString foundText(const LogDiscovery& run) {
    QStringList lines;
    lines << QStringLiteral("frames %1, stopped %2").arg(run.result.frames).arg(run.result.stopped);
    for (const DiscoveredIdentifier& identifier : run.result.identifiers) {
        lines << QStringLiteral("%1 %2: %3 frames")
                     .arg(identifier.key.id, 0, 16)
                     .arg(identifier.key.extended)
                     .arg(identifier.frames);
        for (const DiscoveredField& field : identifier.fields)
            lines << QStringLiteral("  %1 %2 signed %3 [%4, %5]")
                         .arg(field.signal.name, QLatin1String(FieldKindName(field.kind)))
                         .arg(field.isSigned)
                         .arg(field.minRaw)
                         .arg(field.maxRaw);
    }
    for (const CandidateField& candidate : run.candidates.fields)
        lines << QStringLiteral("candidate %1, %2 samples")
                     .arg(candidate.description)
                     .arg(candidate.samples.size());
    for (const int pid : run.answers.pids())
        lines << QStringLiteral("answered %1").arg(pid);
    return lines.join(u'\n');
}

} // namespace

class TestLiveTraffic : public QObject {
    Q_OBJECT

private slots:
    // However many frames come, the latest `capacity` are kept, oldest
    // first, and the rest counted as dropped.
    void keepsTheLatest_data() {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("added");
        for (const int capacity : {1, 3})
            for (const int added : {0, 1, capacity - 1, capacity, capacity + 1, 3 * capacity + 1})
                if (added >= 0)
                    QTest::addRow("%d of %d", added, capacity) << capacity << added;
    }
    void keepsTheLatest() {
        QFETCH(int, capacity);
        QFETCH(int, added);
        LiveTraffic traffic(capacity);
        for (int i = 0; i < added; ++i)
            traffic.add(frameAt(i, 0x100, std::uint64_t(i)));
        const int kept = std::min(capacity, added);
        QCOMPARE(traffic.frames(), qint64(added));
        QCOMPARE(traffic.kept(), qsizetype(kept));
        QCOMPARE(traffic.dropped(), qint64(added - kept));
        const std::vector<CanFrame> frames = traffic.keptFrames();
        QCOMPARE(frames.size(), std::size_t(kept));
        for (int i = 0; i < kept; ++i)
            QCOMPARE(frames[std::size_t(i)].time, double(added - kept + i));
    }

    // A bit lights at the time of the frame it changed in, bits 0 and 63
    // too; bytes a shorter frame does not carry, remote and error frames,
    // and another identifier of the same number change nothing.
    void bitChanges() {
        LiveTraffic traffic;
        const IdentifierKey standard{0x123, false}, extended{0x123, true};
        const auto changed = [&](const IdentifierKey& key) {
            QList<int> bits;
            const std::array<double, 64> at = traffic.bitChanges(key);
            for (int bit = 0; bit < 64; ++bit)
                if (at[std::size_t(bit)] != LiveTraffic::NeverChanged)
                    bits << bit;
            return bits;
        };
        traffic.add(frameAt(1, 0x123, 0x00000000000000FFull));
        QCOMPARE(changed(standard), QList<int>()); // the first frame changes nothing
        traffic.add(frameAt(2, 0x123, 0x80000000000000FEull));
        QCOMPARE(changed(standard), (QList<int>{0, 63}));
        QCOMPARE(traffic.bitChanges(standard)[63], 2.0);
        // Four bytes: bytes 4 to 7 are not carried, so bit 63 did not change.
        traffic.add(frameAt(3, 0x123, 0x00000000000000FEull, 4));
        QCOMPARE(traffic.bitChanges(standard)[63], 2.0);
        CanFrame remote = frameAt(4, 0x123, 0, 0);
        remote.remote = true;
        traffic.add(remote);
        CanFrame error = frameAt(4, 0, 0, 0);
        error.error = true;
        traffic.add(error);
        traffic.add(frameAt(5, 0x123, 0xFF, 8, true));
        QCOMPARE(changed(standard), (QList<int>{0, 63}));
        QCOMPARE(changed(extended), QList<int>());
        traffic.add(frameAt(6, 0x123, 0xFE, 8, true));
        QCOMPARE(changed(extended), QList<int>{0});
        QCOMPARE(changed({0x7FF, false}), QList<int>());
        QCOMPARE(traffic.frames(), qint64(7));
    }

    // The demo drive with OBD answers analysed in memory find what the analysis of
    // them written as a candump file finds, OBD answers included; so do its
    // latest frames alone, as a long session keeps them.
    void framesAnalysedAsTheirLog_data() {
        QTest::addColumn<int>("kept");
        QTest::newRow("every frame") << 0;
        QTest::newRow("the latest 3000") << 3000;
    }
    void framesAnalysedAsTheirLog() {
        QFETCH(int, kept);
        std::vector<CanFrame> frames =
            readFrames(QStringLiteral(CAC_EXAMPLES_DIR) + "/discover-demo-obd.log");
        QVERIFY(frames.size() > 6000);
        if (kept > 0) {
            LiveTraffic traffic(kept);
            for (const CanFrame& frame : frames)
                traffic.add(frame);
            frames = traffic.keptFrames();
            QCOMPARE(frames.size(), std::size_t(kept));
        }
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("recording.log")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const CanFrame& frame : frames)
            file.write(CandumpLine(frame));
        file.close();

        LogDiscoveryOptions options;
        options.references = true;
        options.obdAnswers = true;
        const LogDiscovery fromFile = DiscoverLogFile(file.fileName(), options);
        const LogDiscovery inMemory = DiscoverFrames(frames, options);
        QVERIFY(fromFile.error.isEmpty());
        QVERIFY(!inMemory.result.identifiers.isEmpty());
        QVERIFY(!inMemory.candidates.fields.empty());
        QVERIFY(!inMemory.answers.pids().isEmpty());
        QCOMPARE(foundText(inMemory), foundText(fromFile));
        QCOMPARE(inMemory.firstTime, fromFile.firstTime);
    }

    // An analysis asked to stop stops, and says so.
    void framesAnalysisStops() {
        const std::vector<CanFrame> frames(200'000, frameAt(0, 0x100, 1));
        const LogDiscovery run = DiscoverFrames(frames, {}, [](int) { return true; });
        QVERIFY(run.result.stopped);
        QVERIFY(run.cancelled);
    }
};

QTEST_MAIN(TestLiveTraffic)
#include "tst_livetraffic.moc"
