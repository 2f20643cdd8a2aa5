#include "discover/CarryTally.h"

#include "discover/FieldTally.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cac {
namespace {

// The step from `last` to `now` of a field of `width` bits, the shorter way
// round: a counter wrapping from its top to 0 steps by one.
double shortStep(std::uint64_t last, std::uint64_t now, qsizetype width) {
    const double range = std::ldexp(1.0, static_cast<int>(width));
    double step = static_cast<double>(now) - static_cast<double>(last);
    if (step > range / 2)
        step -= range;
    else if (step < -range / 2)
        step += range;
    return step;
}

} // namespace

CarryTally::CarryTally(QList<int> upper, QList<int> lower, bool countsOnly)
    : m_upper(std::move(upper)), m_lower(std::move(lower)), m_countsOnly(countsOnly) {
    for (const int bit : m_upper + m_lower)
        m_needBytes = std::max(m_needBytes, bit / 8 + 1);
}

void CarryTally::add(std::uint64_t data, int length) {
    if (length < m_needBytes)
        return;
    const std::uint64_t upper = ReadFieldBits(m_upper, data), lower = ReadFieldBits(m_lower, data);
    if (m_started && (upper != m_lastUpper || lower != m_lastLower)) {
        const double du = shortStep(m_lastUpper, upper, m_upper.size());
        const double dl = static_cast<double>(lower) - static_cast<double>(m_lastLower);
        m_upperSum += du;
        m_lowerSum += dl;
        m_crossSum += du * dl;
        m_upperSquares += du * du;
        m_lowerSquares += dl * dl;
        ++m_changes;
        // The joined number's step, wrapping over its whole width.
        const double joined = std::ldexp(du, static_cast<int>(m_lower.size())) + dl;
        const double quarter =
            std::ldexp(1.0, static_cast<int>(m_upper.size() + m_lower.size()) - 2);
        m_forward += joined > 0 && joined < quarter;
    }
    if (m_started)
        ++m_pairs;
    m_started = true;
    m_lastUpper = upper;
    m_lastLower = lower;
}

bool CarryTally::carries() const {
    if (m_changes == 0)
        return false;
    // Centred: a count moves its upper part forward in most frames, and
    // that common step says nothing of how the two parts go together.
    const auto n = static_cast<double>(m_pairs);
    const double cross = m_crossSum - m_upperSum * m_lowerSum / n;
    const double upper = m_upperSquares - m_upperSum * m_upperSum / n;
    const double lower = m_lowerSquares - m_lowerSum * m_lowerSum / n;
    if (upper <= 0 || lower <= 0)
        return false;
    const double z = cross / std::sqrt(upper * lower) * std::sqrt(n);
    if (!m_countsOnly)
        return z <= -EitherWayCarryZ;
    return z <= -CarryZ &&
           static_cast<double>(m_forward) >= ForwardShare * static_cast<double>(m_changes);
}

} // namespace cac
