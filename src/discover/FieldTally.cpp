#include "discover/FieldTally.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace cac {
namespace {

// A step between the top and the bottom code of a field counts as a small
// one of a signed value (-1 to 0) below this share of the field's range: a
// smooth value steps far less from frame to frame, and an unsigned value
// jumping between its extremes steps three quarters of the range or more.
constexpr double SmallStepShare = 0.25;
// A signed value never steps between its own extremes (0x7F.. and 0x80..);
// an unsigned one that rolls over (a distance, a random byte) crosses there
// as often as at its wrap point. Signed only with at least this many small
// steps across the wrap point for each across the middle.
constexpr qint64 WrapsPerMiddle = 4;
// A coarse value near zero (a steering angle of a few counts either side)
// steps by much of its range, as an enumeration does; but an enumeration's
// codes do not sit at both ends of a wide field and step into each other by
// one. Seen crossing zero so this many times, by small steps, it is a signed
// quantity: more than a single start-up jump from the top code to zero.
constexpr qint64 CoarseSignedWraps = 3;
// A counter that steps every second or third frame (a frame sent twice per
// count) changes in at least this share of the frames, nearly every change
// (SlowCountSteps) by one the same way, and goes round its field from top
// to bottom again and again: its steps by one one way outnumber those the
// other way by SlowCountWraps times its codes. A slow value that drifts by
// one turns back, and without rolling over gets no further than its range.
constexpr double SlowCountRate = 0.25;
constexpr double SlowCountSteps = 0.95;
constexpr qint64 SlowCountWraps = 2;

} // namespace

const char* FieldKindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::Constant:
        return "constant";
    case FieldKind::Counter:
        return "counter";
    case FieldKind::Checksum:
        return "checksum";
    case FieldKind::Flag:
        return "flag";
    case FieldKind::Enumeration:
        return "enumeration";
    case FieldKind::Continuous:
        return "continuous";
    }
    return "";
}

FieldTally::FieldTally(QList<int> bits, bool keepSeries) : m_bits(std::move(bits)) {
    if (m_bits.size() > 64)
        m_bits.resize(64);
    for (const int bit : m_bits)
        m_needBytes = static_cast<std::uint8_t>(std::max(int{m_needBytes}, bit / 8 + 1));
    if (m_bits.isEmpty())
        m_needBytes = 9; // more than any frame carries: no frame is read
    if (keepSeries)
        m_series = std::make_unique<ValueSeries>();
    const auto runsDown = [&](auto place) {
        for (qsizetype i = 1; i < m_bits.size(); ++i)
            if (place(m_bits[i]) != place(m_bits[i - 1]) - 1)
                return false;
        return !m_bits.isEmpty();
    };
    const auto swapped = [](int bit) { return (7 - bit / 8) * 8 + bit % 8; };
    if (runsDown([](int bit) { return bit; })) {
        m_read = Read::Shift;
        m_shift = static_cast<std::uint8_t>(m_bits.last());
    } else if (runsDown(swapped)) {
        m_read = Read::SwappedShift;
        m_shift = static_cast<std::uint8_t>(swapped(m_bits.last()));
    }
    const auto n = m_bits.size();
    m_mask = n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    m_top = n == 0 || n >= 64 ? 0 : std::uint64_t{1} << (n - 1);
    m_exactSteps = n <= 53;
    const double range = static_cast<double>(m_mask);
    m_halfRange = range / 2;
    m_smallStep = range * SmallStepShare;
}

std::uint64_t ReadFieldBits(const QList<int>& bits, std::uint64_t data) {
    std::uint64_t raw = 0;
    for (const int bit : bits)
        raw = raw << 1 | (data >> bit & 1);
    return raw;
}

// A new value, or the first.
void FieldTally::change(double time, std::uint64_t raw, std::int64_t value) {
    if (m_values == 0) {
        m_minU = m_maxU = raw;
        m_minS = m_maxS = value;
    } else {
        const std::uint64_t mask = m_mask;
        const std::uint64_t step = (raw - m_last) & mask; // wrapping
        const std::uint64_t back = (m_last - raw) & mask;
        if (step != 0) {
            ++m_changes;
            m_plusOne += step == 1;
            m_minusOne += back == 1;
            // A step of a quarter of the field's range or more either way.
            m_big += std::min(step, back) >= (mask >> 2) + 1;
            double unsignedStep = 0, signedStep = 0;
            if (m_exactSteps) { // the steps are whole numbers a double holds exactly
                const std::int64_t lastValue = asSigned(m_last);
                unsignedStep = static_cast<double>(
                    static_cast<std::int64_t>(raw > m_last ? raw - m_last : m_last - raw));
                signedStep =
                    static_cast<double>(value > lastValue ? value - lastValue : lastValue - value);
            } else {
                unsignedStep = std::fabs(static_cast<double>(raw) - static_cast<double>(m_last));
                signedStep =
                    std::fabs(static_cast<double>(value) - static_cast<double>(asSigned(m_last)));
            }
            m_stepsUnsigned += unsignedStep;
            m_stepsSigned += signedStep;
            m_wraps += unsignedStep > m_halfRange && signedStep < m_smallStep;
            m_middles += signedStep > m_halfRange && unsignedStep < m_smallStep;
        }
    }
    m_minU = std::min(m_minU, raw);
    m_maxU = std::max(m_maxU, raw);
    m_minS = std::min(m_minS, value);
    m_maxS = std::max(m_maxS, value);
    if (m_distinctCount <= DistinctKept) {
        const auto end = m_distinct.begin() + std::min(m_distinctCount, DistinctKept);
        if (std::find(m_distinct.begin(), end, raw) == end) {
            if (m_distinctCount < DistinctKept)
                m_distinct[static_cast<std::size_t>(m_distinctCount)] = raw;
            ++m_distinctCount;
        }
    }
    m_last = raw;
    m_lastTime = time;
    ++m_values;
}

void FieldTally::pairWith(const std::vector<ReferenceSeries>* references, double largestGap) {
    pairWith(
        std::make_shared<PointScan>(std::make_shared<const PointTimeline>(references), largestGap));
}

void FieldTally::pairWith(std::shared_ptr<PointScan> scan) {
    m_scan = std::move(scan);
    m_scanIn = m_scan.get();
    m_pairing.assign(m_scan ? m_scan->referenceCount() : 0, {});
    m_readingsApart = false;
}

std::vector<PairSums> FieldTally::paired(bool asSigned) const {
    std::vector<PairSums> out;
    out.reserve(m_pairing.size());
    for (const RunningPairSums& p : m_pairing)
        out.push_back(p.sums(asSigned && m_readingsApart));
    return out;
}

// The points up to this frame's time meet the field between its last frame
// and this one.
void FieldTally::pair(const std::vector<PassedPoint>& passed, std::uint64_t raw,
                      std::int64_t value) {
    const double lastRaw = static_cast<double>(m_last);
    const double lastValue = static_cast<double>(asSigned(m_last));
    // A point between two frames reads the frame before's value too.
    const bool bridged = m_scanIn->bridgedLast();
    // Until a paired value reads otherwise as two's complement, both
    // readings' sums are the same and only the unsigned ones are kept.
    if (!m_readingsApart && (static_cast<double>(value) != static_cast<double>(raw) ||
                             (bridged && lastValue != lastRaw))) {
        m_readingsApart = true;
        for (RunningPairSums& p : m_pairing)
            p.part();
    }
    const double rawStep = static_cast<double>(raw) - lastRaw;
    const double valueStep = static_cast<double>(value) - lastValue;
    for (const PassedPoint& point : passed) {
        RunningPairSums& p = m_pairing[point.reference];
        if (m_readingsApart)
            p.add(lastRaw + point.weight * rawStep, lastValue + point.weight * valueStep,
                  point.value);
        else
            p.add(lastRaw + point.weight * rawStep, point.value);
    }
}

FieldVerdict FieldTally::verdict() const {
    FieldVerdict v;
    const int n = static_cast<int>(m_bits.size());
    if (m_changes == 0) {
        v.certainty = m_values > 0 ? 1.0 : 0.0;
        return v;
    }
    if (n == 1) {
        v.kind = FieldKind::Flag;
        v.certainty = 1;
        return v;
    }
    // Every value after the first is a transition from the one before.
    const double transitions = static_cast<double>(m_values - 1);
    // Up or down: a counter may count either way.
    const double byOne = static_cast<double>(stepsByOne());
    if (byOne / transitions >= CountingShare) {
        v.kind = FieldKind::Counter;
        v.certainty = byOne / transitions;
        return v;
    }
    if (static_cast<double>(m_changes) >= SlowCountRate * transitions &&
        byOne >= SlowCountSteps * static_cast<double>(m_changes) &&
        std::abs(static_cast<double>(m_plusOne - m_minusOne)) >=
            static_cast<double>(SlowCountWraps) * (static_cast<double>(m_mask) + 1)) {
        v.kind = FieldKind::Counter;
        v.certainty = byOne / static_cast<double>(m_changes);
        return v;
    }
    const double changing = static_cast<double>(m_changes) / transitions;
    const double big = static_cast<double>(m_big) / transitions;
    // Uniform random steps are a quarter of the range or more half the time.
    if (n >= 4 && changing >= 0.9 && big >= 0.3) {
        v.kind = FieldKind::Checksum;
        v.certainty = std::min(1.0, big / 0.5) * changing;
        return v;
    }
    // Two's complement: read as unsigned, values near zero on both sides jump
    // between the bottom and the top of the range; read signed, they step.
    v.isSigned = n >= 2 && m_wraps > 0 && m_wraps >= WrapsPerMiddle * m_middles &&
                 m_stepsSigned < m_stepsUnsigned;
    v.signSeen = v.isSigned && m_wraps >= CoarseSignedWraps;
    const double range = v.isSigned ? static_cast<double>(m_maxS) - static_cast<double>(m_minS)
                                    : static_cast<double>(m_maxU) - static_cast<double>(m_minU);
    const double meanStep =
        (v.isSigned ? m_stepsSigned : m_stepsUnsigned) / static_cast<double>(m_changes);
    if (n < NarrowestContinuous || m_distinctCount <= 4) {
        v.kind = n == 1 ? FieldKind::Flag : FieldKind::Enumeration;
        v.isSigned = v.signSeen = false;
        v.certainty = n < NarrowestContinuous ? 0.9 : 0.7;
        return v;
    }
    if (meanStep <= range / 8) {
        v.kind = FieldKind::Continuous;
        v.certainty = std::clamp(1 - meanStep / range * 4, 0.5, 1.0);
        return v;
    }
    if (v.signSeen) {
        v.kind = FieldKind::Continuous;
        v.certainty = 0.5;
        return v;
    }
    v.kind = m_distinctCount <= DistinctKept ? FieldKind::Enumeration : FieldKind::Continuous;
    v.isSigned = v.isSigned && v.kind == FieldKind::Continuous;
    v.certainty = 0.3;
    return v;
}

} // namespace cac
