#include "discover/reference/PointScan.h"

#include <cmath>
#include <utility>

namespace cac {

PointTimeline::PointTimeline(const std::vector<ReferenceSeries>* references) {
    if (!references)
        return;
    m_references = references->size();
    // Merged by their heads: the earliest next point of any reference goes
    // next, the lower reference first at one time. A walk of the list then
    // stops where each reference's own walk would: at a head later than the
    // frame, when every other head is later still. A point without a time
    // (never passed, holding up its reference) goes last.
    std::vector<std::size_t> next(m_references, 0);
    std::size_t total = 0;
    for (const ReferenceSeries& series : *references)
        total += series.points.size();
    m_points.reserve(total);
    for (std::size_t n = 0; n < total; ++n) {
        std::size_t best = m_references;
        double bestTime = 0;
        for (std::size_t r = 0; r < m_references; ++r) {
            const std::vector<ReferencePoint>& points = (*references)[r].points;
            if (next[r] == points.size())
                continue;
            const double t = points[next[r]].time;
            if (best == m_references ||
                (!std::isnan(t) && (std::isnan(bestTime) || t < bestTime))) {
                best = r;
                bestTime = t;
            }
        }
        const ReferencePoint& point = (*references)[best].points[next[best]++];
        m_points.push_back({point.time, point.value, best});
    }
}

PointScan::PointScan(std::shared_ptr<const PointTimeline> timeline, double largestGap)
    : m_timeline(std::move(timeline)), m_largestGap(largestGap), m_nextPoint(-INFINITY),
      m_time(NAN) {}

const std::vector<PassedPoint>& PointScan::walk(double time, double lastTime, bool hadFrame) {
    m_time = time;
    m_lastTime = lastTime;
    m_hadFrame = hadFrame;
    m_passed.clear();
    m_bridged = false;
    if (time < m_nextPoint)
        return m_passed;
    const bool bridged = hadFrame && time - lastTime <= m_largestGap;
    const std::vector<PointTimeline::Point>& points = m_timeline->points();
    for (; m_next < points.size() && points[m_next].time <= time; ++m_next) {
        const PointTimeline::Point& point = points[m_next];
        if (point.time == time)
            m_passed.push_back({point.reference, 1, point.value});
        else if (bridged && point.time >= lastTime) {
            m_passed.push_back(
                {point.reference, (point.time - lastTime) / (time - lastTime), point.value});
            m_bridged = true;
        }
    }
    m_nextPoint = m_next < points.size() ? points[m_next].time : INFINITY;
    return m_passed;
}

} // namespace cac
