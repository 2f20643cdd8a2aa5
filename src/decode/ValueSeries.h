#pragma once

#include <QtGlobal>

#include <algorithm>
#include <limits>
#include <vector>

// A channel's values over time in a fixed number of time buckets, each with
// the least and greatest value and raw value that fell into it. When a value
// lies beyond the last bucket, neighbouring buckets merge and each covers
// twice the time: memory stays the same however long the log runs, and a
// plot of the buckets keeps every peak.
namespace cac {

struct SeriesBucket {
    double start = 0; // seconds, the log's time
    double width = 0; // seconds
    qint64 count = 0; // values in it; 0 for an empty bucket
    double minValue = 0, maxValue = 0;
    double minRaw = 0, maxRaw = 0;
};

class alignas(64) ValueSeries {
public:
    static constexpr int BucketCount = 2048;
    // The first bucket's time span; it doubles as the log runs on.
    static constexpr double FirstWidth = 1e-3;

    void add(double time, double raw, double value) {
        // Values come in time order, mostly many to a bucket: the last
        // one's bucket is tried before anything else.
        const double offset = time - m_origin;
        if (m_count > 0 && offset >= m_currentFrom && offset < m_currentTo) {
            // Not before the first value's time (the offset is not
            // negative): the least time stays.
            ++m_count;
            m_last = std::max(m_last, time);
            m_open.take(raw, value);
            return;
        }
        addElsewhere(time, raw, value);
    }
    // Before the first value: the values will span at least `seconds` from
    // the first, so the buckets start as wide as they would have grown for
    // it, and none merge on the way (the same buckets, sooner).
    void expectSpan(double seconds);

    // The same values read over a wider field whose added bits never
    // moved: each raw value moves by `rawShift`, and each value becomes its
    // raw value plus `valueShift`.
    void readWider(double rawShift, double valueShift);

    // Times before this one, from the last value's on, fall into the last
    // value's bucket (-infinity where no time is sure to).
    double lastBucketUntil() const { return m_until; }
    // Values went on to `time` without adding anything the buckets show: it
    // becomes the last time where it is later.
    void reach(double time) {
        if (m_count > 0)
            m_last = std::max(m_last, time);
    }

    qint64 count() const { return m_count; }
    // The buckets holding values, in time order.
    std::vector<SeriesBucket> buckets() const;
    // Over all values: least and greatest time.
    double firstTime() const { return m_first; }
    double lastTime() const { return m_last; }
    // All values as one bucket, from the first time to the last: their
    // least and greatest value and raw value, in one walk of the buckets.
    SeriesBucket overall() const;

private:
    struct Bucket {
        qint64 count = 0;
        double minValue = 0, maxValue = 0, minRaw = 0, maxRaw = 0;

        void take(double raw, double value) {
            if (count++ == 0) {
                minValue = maxValue = value;
                minRaw = maxRaw = raw;
                return;
            }
            minValue = std::min(minValue, value);
            maxValue = std::max(maxValue, value);
            minRaw = std::min(minRaw, raw);
            maxRaw = std::max(maxRaw, raw);
        }
        void take(const Bucket& other);
    };
    void addElsewhere(double time, double raw, double value);
    // The values of the last value's bucket not yet in the array, put there.
    void close();
    void halve();

    // What a value in the last value's bucket touches, in the object's
    // first two cache lines: the array of buckets only when the bucket
    // changes.
    std::vector<Bucket> m_buckets;
    qint64 m_count = 0;
    double m_origin = 0; // the first value's time: bucket 0 starts there
    // The bucket the last value went to: its span of offsets from the
    // origin, its values not yet in the array, its place.
    double m_currentFrom = 0, m_currentTo = 0;
    double m_last = 0;
    Bucket m_open;
    std::size_t m_current = 0;
    double m_until = -std::numeric_limits<double>::infinity();
    double m_first = 0;
    double m_width = FirstWidth;
};

} // namespace cac
