// What the preview keeps of a long log: values over time in a fixed number
// of buckets, the identifiers no channel takes, and the frames kept for
// decoding again. Each is checked against a plain reference that keeps all.
#include "Fixtures.h"
#include "channels/ConfigModel.h"
#include "decode/PreviewDecoding.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <map>

using namespace cac;

Q_DECLARE_METATYPE(std::vector<double>)

namespace {

struct Sample {
    double time, raw, value;
};

// Times from a start and steps; values from a seeded generator.
std::vector<Sample> Samples(double start, const std::vector<double>& steps, quint32 seed) {
    QRandomGenerator random(seed);
    std::vector<Sample> samples;
    double time = start;
    for (const double step : steps) {
        time += step;
        const double raw = random.bounded(-1000, 1000);
        samples.push_back({time, raw, raw * 0.25 - 40});
    }
    return samples;
}

std::vector<double> Steps(int count, double step) {
    return std::vector<double>(count, step);
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void seriesKeepsEveryValueInItsBucket_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<std::vector<double>>("steps");
        const double w = ValueSeries::FirstWidth;
        const int n = ValueSeries::BucketCount;
        QTest::newRow("one value") << 0.0 << Steps(1, 0);
        QTest::newRow("all at one time") << 5.0 << Steps(500, 0);
        // The last bucket filled exactly, then one value past it: the first halving.
        QTest::newRow("last bucket, no halving") << 0.0 << Steps(n, w);
        QTest::newRow("one past the last bucket") << 0.0 << Steps(n + 1, w);
        QTest::newRow("epoch times, a long drive") << 1436509052.249713 << Steps(20000, 0.7);
        QTest::newRow("a jump of a day") << 10.0 << std::vector<double>{0, 0.01, 86400, 0.01};
        std::vector<double> back = Steps(3000, 0.01);
        back[1500] = -20; // the log steps back before its first time
        QTest::newRow("time steps back") << 100.0 << back;
    }

    // The bound before which a time still falls into the last value's
    // bucket is tight: a value at it stays there, one a step of rounding
    // later starts the next bucket; at epoch times too, where the bucket's
    // end rounds.
    void lastBucketBoundIsTight() {
        QRandomGenerator rng(17);
        for (int trial = 0; trial < 2000; ++trial) {
            const double origin = trial == 0 ? 0.0 : 1.6e9 * rng.generateDouble();
            const double until = [&] {
                ValueSeries series;
                series.add(origin, 1, 1);
                return series.lastBucketUntil();
            }();
            const auto bucketsWithSecondAt = [&](double time) {
                ValueSeries series;
                series.add(origin, 1, 1);
                series.add(time, 2, 2);
                return series.buckets().size();
            };
            QVERIFY2(until > origin, qPrintable(QString::number(origin, 'g', 17)));
            QCOMPARE(bucketsWithSecondAt(until), std::size_t(1));
            QCOMPARE(bucketsWithSecondAt(std::nextafter(until, 2 * until + 1)), std::size_t(2));
        }
    }

    void seriesKeepsEveryValueInItsBucket() {
        QFETCH(double, start);
        QFETCH(std::vector<double>, steps);
        const std::vector<Sample> samples = Samples(start, steps, 7);
        ValueSeries series;
        for (const Sample& s : samples)
            series.add(s.time, s.raw, s.value);
        const std::vector<SeriesBucket> buckets = series.buckets();

        QCOMPARE(series.count(), qint64(samples.size()));
        QVERIFY(buckets.size() <= std::size_t(ValueSeries::BucketCount));
        qint64 counted = 0;
        for (std::size_t i = 0; i < buckets.size(); ++i) {
            counted += buckets[i].count;
            if (i > 0) // in time order, none overlapping
                QVERIFY(buckets[i].start >= buckets[i - 1].start + buckets[i - 1].width * 0.999);
        }
        QCOMPARE(counted, series.count());
        double minValue = samples[0].value, maxValue = minValue;
        for (const Sample& s : samples) {
            minValue = std::min(minValue, s.value);
            maxValue = std::max(maxValue, s.value);
            // A bucket its time falls in (the first for a time before it) holds
            // it; a time on a boundary, within rounding, may go to either side.
            const double slack = 1e-9 * std::max(1.0, std::abs(s.time));
            const bool held = std::any_of(buckets.begin(), buckets.end(), [&](const auto& b) {
                const bool within = (s.time >= b.start - slack || &b == &buckets.front()) &&
                                    s.time <= b.start + b.width + slack;
                return within && b.minValue <= s.value && s.value <= b.maxValue &&
                       b.minRaw <= s.raw && s.raw <= b.maxRaw;
            });
            QVERIFY2(held, qPrintable(QString::number(s.time, 'g', 17)));
        }
        QCOMPARE(series.overall().minValue, minValue);
        QCOMPARE(series.overall().maxValue, maxValue);

        // Exactly: a bucket holds the values whose time past the first one,
        // over the final width, rounds down to its place (halving a width
        // halves every place, so the order of halvings cannot matter).
        const double origin = samples.front().time, width = buckets.front().width;
        QCOMPARE(buckets.front().start, origin);
        std::map<qint64, SeriesBucket> grouped;
        for (const Sample& s : samples) {
            const auto place = qint64(std::max(0.0, s.time - origin) / width);
            const auto [it, first] =
                grouped.try_emplace(place, SeriesBucket{0, 0, 0, s.value, s.value, s.raw, s.raw});
            SeriesBucket& b = it->second;
            ++b.count;
            b.minValue = std::min(b.minValue, s.value);
            b.maxValue = std::max(b.maxValue, s.value);
            b.minRaw = std::min(b.minRaw, s.raw);
            b.maxRaw = std::max(b.maxRaw, s.raw);
        }
        QCOMPARE(buckets.size(), grouped.size());
        auto expected = grouped.begin();
        for (const SeriesBucket& b : buckets) {
            QCOMPARE(qint64(std::llround((b.start - origin) / width)), expected->first);
            QCOMPARE(b.count, expected->second.count);
            QCOMPARE(b.minValue, expected->second.minValue);
            QCOMPARE(b.maxValue, expected->second.maxValue);
            QCOMPARE(b.minRaw, expected->second.minRaw);
            QCOMPARE(b.maxRaw, expected->second.maxRaw);
            ++expected;
        }
    }

    // The most seen identifiers no channel takes, against a plain count.
    void topUntakenCountsLikeAPlainMap() {
        ConfigModel model; // no channel takes anything
        PreviewDecoding decoding(std::make_shared<const FrameDecoder>(model, StandardCatalogue()));
        QRandomGenerator random(11);
        std::map<std::pair<bool, std::uint32_t>, qint64> reference;
        for (int i = 0; i < 5000; ++i) {
            CanFrame frame;
            frame.extended = random.bounded(2) == 1;
            // Few identifiers, so that counts tie; both ends of each range.
            const std::uint32_t ids[] = {0, 0x7FF, 0x123, 0x1FFFFFFF};
            frame.id = ids[random.bounded(4)] & (frame.extended ? 0x1FFFFFFF : 0x7FF);
            frame.length = 8;
            frame.remote = random.bounded(10) == 0; // counted in the tally, not by identifier
            decoding.add(frame);
            if (!frame.remote)
                ++reference[{bool(frame.extended), frame.id}];
        }
        std::vector<std::pair<std::pair<bool, std::uint32_t>, qint64>> expected(reference.begin(),
                                                                                reference.end());
        std::stable_sort(expected.begin(), expected.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        for (const int count : {0, 1, int(expected.size()), int(expected.size()) + 3}) {
            const auto top = decoding.topUntaken(count);
            QCOMPARE(top.size(), std::min<qsizetype>(count, expected.size()));
            for (int i = 0; i < top.size(); ++i) {
                QCOMPARE(top[i].extended, expected[i].first.first);
                QCOMPARE(top[i].id, expected[i].first.second);
                QCOMPARE(top[i].frames, expected[i].second);
            }
        }
        QCOMPARE(decoding.tally().untaken().frames, 5000);
    }

    // Identifiers past the counted number are left out; the tally still counts their frames.
    void topUntakenCountsAFixedNumberOfIdentifiers() {
        ConfigModel model;
        PreviewDecoding decoding(std::make_shared<const FrameDecoder>(model, StandardCatalogue()));
        CanFrame frame;
        frame.extended = true;
        for (int id = 0; id <= PreviewDecoding::CountedIdentifiers; ++id) {
            frame.id = id;
            decoding.add(frame);
        }
        const auto all = decoding.topUntaken(PreviewDecoding::CountedIdentifiers + 10);
        QCOMPARE(all.size(), PreviewDecoding::CountedIdentifiers);
        QCOMPARE(all.last().id, std::uint32_t(PreviewDecoding::CountedIdentifiers - 1));
        QCOMPARE(decoding.tally().untaken().frames, PreviewDecoding::CountedIdentifiers + 1);
    }

    void keptFramesStopAtTheCap_data() {
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("added");
        QTest::addColumn<bool>("overflowed");
        QTest::newRow("cap 0, none") << 0 << 0 << false;
        QTest::newRow("cap 0, one") << 0 << 1 << true;
        QTest::newRow("up to the cap") << 100 << 100 << false;
        QTest::newRow("one past the cap") << 100 << 101 << true;
    }

    void keptFramesStopAtTheCap() {
        QFETCH(int, cap);
        QFETCH(int, added);
        QFETCH(bool, overflowed);
        KeptFrames kept(cap);
        CanFrame frame;
        for (int i = 0; i < added; ++i) {
            frame.time = i;
            kept.add(frame);
        }
        QCOMPARE(kept.overflowed(), overflowed);
        QCOMPARE(int(kept.frames().size()), overflowed ? 0 : added);
        if (!overflowed && added > 0)
            QCOMPARE(kept.frames().back().time, double(added - 1));
    }
};

QTEST_GUILESS_MAIN(TestPreview)
#include "tst_preview.moc"
