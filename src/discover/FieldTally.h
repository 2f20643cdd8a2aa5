#pragma once

#include "canlog/CanFrame.h"
#include "decode/ValueSeries.h"
#include "discover/reference/LinearFit.h"
#include "discover/reference/PointScan.h"
#include "discover/reference/ReferenceSeries.h"

#include <QList>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The second look at a log: the values one candidate field takes frame after
// frame, and from them what kind of field it is.
namespace cac {

// The raw value of the field at `bits` (database bit numbers, most
// significant first) in a frame's data (FrameBits), bit by bit.
std::uint64_t ReadFieldBits(const QList<int>& bits, std::uint64_t data);

enum class FieldKind {
    Constant,    // one value all through the log
    Counter,     // steps by one, wrapping
    Checksum,    // changes nearly every frame, as if at random
    Flag,        // one bit
    Enumeration, // a few distinct values
    Continuous,  // small steps compared with its range
};

// "constant", "counter", "checksum", "flag", "enumeration", "continuous".
const char* FieldKindName(FieldKind kind);

// A field of fewer bits is a flag or an enumeration, never continuous: its
// few codes are states, not a quantity's steps.
inline constexpr int NarrowestContinuous = 4;

struct FieldVerdict {
    FieldKind kind = FieldKind::Constant;
    bool isSigned = false; // two's complement
    // Signed, and seen crossing zero by small steps a few times
    // (FieldTally.cpp's CoarseSignedWraps): its top bit moved as a sign, more
    // than in one start-up jump from an all-ones placeholder.
    bool signSeen = false;
    double certainty = 0; // 0 to 1: how clearly the values show the kind
};

class alignas(64) FieldTally {
public:
    // `bits`: database bit numbers, most significant first (at most 64).
    // With `keepSeries` the values are also kept over time, in buckets.
    FieldTally(QList<int> bits, bool keepSeries);

    // The frame's data (FrameBits) and length; frames too short for the
    // field are passed over. Inline: it runs for every field of every frame.
    void add(double time, std::uint64_t data, int length) {
        if (length < m_needBytes)
            return;
        const std::uint64_t raw = m_read == Read::Shift          ? data >> m_shift & m_mask
                                  : m_read == Read::SwappedShift ? qbswap(data) >> m_shift & m_mask
                                                                 : ReadFieldBits(m_bits, data);
        const std::int64_t value = asSigned(raw);
        if (m_scanIn && m_scanIn->mayPass(time)) {
            const std::vector<PassedPoint>& passed =
                m_scanIn->passed(time, m_lastTime, m_values > 0);
            if (!passed.empty())
                pair(passed, raw, value);
        }
        // A repeat of the last value in the bucket that holds it changes
        // nothing the series shows: its extremes stay, and the bucket holds
        // values already. The series is not touched for it.
        if (m_series &&
            !(m_values > 0 && raw == m_last && time >= m_lastTime && time < m_seriesUntil)) {
            m_series->add(time, static_cast<double>(raw), static_cast<double>(value));
            m_seriesUntil = m_series->lastBucketUntil();
        }
        // Most frames repeat the field's last value: nothing but the counts moves.
        if (m_values > 0 && raw == m_last) {
            m_lastTime = time;
            ++m_values;
            return;
        }
        change(time, raw, value);
    }

    // Pairs each point of the references (in time order, the log's clock)
    // with the field's value at that time, interpolated between the frames
    // around it when they lie at most `largestGap` seconds apart; the sums
    // of the pairs grow as the frames come, so a fit of hours is exact. The
    // references must outlive the tally.
    void pairWith(const std::vector<ReferenceSeries>* references, double largestGap);
    // The same with a scan that other tallies of the identifier share: each
    // of them must see every frame the scan is asked about.
    void pairWith(std::shared_ptr<PointScan> scan);
    // The sums per reference, for the unsigned and the two's complement reading.
    std::vector<PairSums> paired(bool asSigned) const;

    FieldVerdict verdict() const;

    const QList<int>& bits() const { return m_bits; }
    qint64 values() const { return m_values; }
    // Frames whose value is the last one's plus one, or minus one where
    // those are more, wrapping.
    qint64 stepsByOne() const { return std::max(m_plusOne, m_minusOne); }
    // Distinct values seen, counted up to DistinctKept + 1.
    int distinct() const { return m_distinctCount; }
    static constexpr int DistinctKept = 16;
    // A counter steps by one in this share of its frames at least: a missed
    // frame or a reset now and then leaves it a counter.
    static constexpr double CountingShare = 0.8;
    std::uint64_t minUnsigned() const { return m_minU; }
    std::uint64_t maxUnsigned() const { return m_maxU; }
    std::int64_t minSigned() const { return m_minS; }
    std::int64_t maxSigned() const { return m_maxS; }
    // raw: the unsigned reading; value: the two's complement reading.
    // The field's values will span at least `seconds` from its first.
    void expectSpan(double seconds) {
        if (m_series)
            m_series->expectSpan(seconds);
    }
    // The values over time (repeats of a value within its bucket are not
    // counted in it, the last frame's time is its last time).
    ValueSeries* series() {
        if (m_series)
            m_series->reach(m_lastTime);
        return m_series.get();
    }
    std::unique_ptr<ValueSeries> takeSeries() {
        series();
        return std::move(m_series);
    }

private:
    // What every frame reads first, together at the object's start: most
    // frames need nothing else, and the tallies of a log's fields share the
    // cache with one another.
    std::uint8_t m_needBytes = 0; // beyond any frame's length for a field of no bits
    // A field whose bits run on in Intel or Motorola order is read with one
    // shift (Motorola from the byte-swapped data); others bit by bit.
    enum class Read : std::uint8_t { BitByBit, Shift, SwappedShift } m_read = Read::BitByBit;
    bool m_readingsApart = false; // a paired value read signed differed from unsigned
    std::uint8_t m_shift = 0;
    std::uint64_t m_mask = 0;
    std::uint64_t m_last = 0;
    double m_lastTime = 0;
    qint64 m_values = 0;
    std::unique_ptr<ValueSeries> m_series;
    double m_seriesUntil = 0; // ValueSeries::lastBucketUntil after the last value added
    // m_scan's: its shared pointer's second word would push what every
    // frame reads past one cache line.
    PointScan* m_scanIn = nullptr;
    // A new value's.
    std::uint64_t m_top = 0; // the top bit; 0 for no field or one of 64 bits
    // Half the field's range, and the share of it a small step stays below.
    double m_halfRange = 0, m_smallStep = 0;
    bool m_exactSteps = true; // at most 53 bits: steps are exact in a double
    qint64 m_changes = 0, m_plusOne = 0, m_minusOne = 0, m_big = 0;
    qint64 m_wraps = 0;   // small steps across the top and bottom of the unsigned range
    qint64 m_middles = 0; // small steps across its middle, the signed range's ends
    double m_stepsUnsigned = 0, m_stepsSigned = 0; // sums of |step|
    std::uint64_t m_minU = 0, m_maxU = 0;
    std::int64_t m_minS = 0, m_maxS = 0;
    int m_distinctCount = 0;
    std::array<std::uint64_t, DistinctKept> m_distinct{};

    QList<int> m_bits;

    std::shared_ptr<PointScan> m_scan;
    // By reference: the unsigned reading, and the two's complement one once
    // they differ.
    std::vector<RunningPairSums> m_pairing;

    // The two's complement reading: the top bit's weight taken off when set.
    std::int64_t asSigned(std::uint64_t raw) const {
        return raw & m_top ? static_cast<std::int64_t>(raw) - static_cast<std::int64_t>(m_top << 1)
                           : static_cast<std::int64_t>(raw);
    }
    void pair(const std::vector<PassedPoint>& passed, std::uint64_t raw, std::int64_t value);
    void change(double time, std::uint64_t raw, std::int64_t value);
};

} // namespace cac
