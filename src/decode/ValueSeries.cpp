#include "decode/ValueSeries.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace cac {

namespace {

// The greatest time whose offset from `origin` lies below `to`: every later
// value's time below it, rounded as an offset, stays in the bucket (rounding
// keeps the order of times). None where the bucket takes no shortcut.
double untilOf(double origin, double from, double to) {
    if (!(to > from))
        return -std::numeric_limits<double>::infinity();
    double until = origin + to;
    while (until > origin && !(until - origin < to))
        until = std::nextafter(until, -std::numeric_limits<double>::infinity());
    return until;
}

} // namespace

// A value outside the last one's bucket, the first value, or one without a
// time.
void ValueSeries::addElsewhere(double time, double raw, double value) {
    if (!std::isfinite(time))
        time = m_count == 0 ? 0 : m_last;
    if (m_count == 0) {
        // One spare bucket, never used: the arrays of series made one after
        // another then start at other places within a page, so that the
        // buckets of many series written at one time do not all fall into
        // one set of the processor's cache and evict one another.
        m_buckets.assign(BucketCount + 1, Bucket{});
        m_origin = m_first = m_last = time;
    }
    ++m_count;
    m_first = std::min(m_first, time);
    m_last = std::max(m_last, time);

    // A time before the first (a log that steps back) goes to the first bucket.
    const double offset = std::max(0.0, time - m_origin);
    if (!(offset >= m_currentFrom && offset < m_currentTo)) {
        close();
        while (offset / m_width >= BucketCount)
            halve();
        m_current = static_cast<std::size_t>(offset / m_width);
        m_currentFrom = static_cast<double>(m_current) * m_width;
        m_currentTo = m_currentFrom + m_width;
        // Where rounding puts a bound on the wrong side, the division
        // decides. The greatest offset below the bucket's end is the double
        // just under it (the end is positive: one less in its bits).
        const double below = std::bit_cast<double>(std::bit_cast<std::uint64_t>(m_currentTo) - 1);
        if (static_cast<std::size_t>(m_currentFrom / m_width) != m_current ||
            static_cast<std::size_t>(below / m_width) != m_current)
            m_currentTo = m_currentFrom; // no shortcut for this bucket
        m_until = untilOf(m_origin, m_currentFrom, m_currentTo);
    }
    m_open.take(raw, value);
}

void ValueSeries::Bucket::take(const Bucket& other) {
    if (other.count == 0)
        return;
    if (count == 0) {
        *this = other;
        return;
    }
    count += other.count;
    minValue = std::min(minValue, other.minValue);
    maxValue = std::max(maxValue, other.maxValue);
    minRaw = std::min(minRaw, other.minRaw);
    maxRaw = std::max(maxRaw, other.maxRaw);
}

void ValueSeries::close() {
    if (m_open.count == 0)
        return;
    m_buckets[m_current].take(m_open);
    m_open = {};
}

void ValueSeries::expectSpan(double seconds) {
    if (m_count != 0)
        return;
    // As the halving would widen it, so that the buckets' bounds come out
    // the same.
    while (seconds / m_width >= BucketCount)
        m_width *= 2;
}

SeriesBucket ValueSeries::overall() const {
    // Every value lies in one bucket, or is still open.
    Bucket all = m_open;
    for (const Bucket& b : m_buckets)
        all.take(b);
    return {m_first,      m_last - m_first, all.count, all.minValue,
            all.maxValue, all.minRaw,       all.maxRaw};
}

// Buckets 2i and 2i+1 become bucket i, of twice the width.
void ValueSeries::halve() {
    for (int i = 0; i < BucketCount / 2; ++i) {
        Bucket merged = m_buckets[2 * i];
        merged.take(m_buckets[2 * i + 1]);
        m_buckets[i] = merged;
    }
    std::fill(m_buckets.begin() + BucketCount / 2, m_buckets.end(), Bucket{});
    m_width *= 2;
}

void ValueSeries::readWider(double rawShift, double valueShift) {
    close(); // the open bucket is read wider too
    for (Bucket& b : m_buckets) {
        b.minValue = b.minRaw + valueShift;
        b.maxValue = b.maxRaw + valueShift;
        b.minRaw += rawShift;
        b.maxRaw += rawShift;
    }
}

std::vector<SeriesBucket> ValueSeries::buckets() const {
    std::vector<SeriesBucket> out;
    for (int i = 0; i < static_cast<int>(m_buckets.size()); ++i) {
        Bucket b = m_buckets[static_cast<std::size_t>(i)];
        if (static_cast<std::size_t>(i) == m_current)
            b.take(m_open);
        if (b.count > 0)
            out.push_back({m_origin + i * m_width, m_width, b.count, b.minValue, b.maxValue,
                           b.minRaw, b.maxRaw});
    }
    return out;
}

} // namespace cac
