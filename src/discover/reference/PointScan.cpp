#include "discover/reference/PointScan.h"

#include <algorithm>
#include <cmath>

namespace cac {

PointScan::PointScan(const std::vector<ReferenceSeries>* references, double largestGap)
    : m_references(references), m_largestGap(largestGap),
      m_next(references ? references->size() : 0, 0), m_nextPoint(-INFINITY), m_time(NAN) {}

const std::vector<PassedPoint>& PointScan::walk(double time, double lastTime, bool hadFrame) {
    m_time = time;
    m_lastTime = lastTime;
    m_hadFrame = hadFrame;
    m_passed.clear();
    m_bridged = false;
    if (time < m_nextPoint)
        return m_passed;
    const bool bridged = hadFrame && time - lastTime <= m_largestGap;
    m_nextPoint = INFINITY;
    for (std::size_t r = 0; r < m_next.size(); ++r) {
        const std::vector<ReferencePoint>& points = (*m_references)[r].points;
        std::size_t& next = m_next[r];
        for (; next < points.size() && points[next].time <= time; ++next) {
            const ReferencePoint& point = points[next];
            if (point.time == time)
                m_passed.push_back({r, 1, point.value});
            else if (bridged && point.time >= lastTime) {
                m_passed.push_back({r, (point.time - lastTime) / (time - lastTime), point.value});
                m_bridged = true;
            }
        }
        if (next < points.size())
            m_nextPoint = std::min(m_nextPoint, points[next].time);
    }
    return m_passed;
}

} // namespace cac
