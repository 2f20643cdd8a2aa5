#pragma once

#include "discover/reference/ReferenceSeries.h"

#include <cstddef>
#include <memory>
#include <vector>

// Where the references' points fall among one identifier's frames: each
// point up to a frame's time meets the field between the frame before and
// this one, interpolated by its place between them. Every field of an
// identifier that sees all of its frames asks the same, so one scan serves
// them all: the first field at a frame walks the points, the others read
// what it found.
namespace cac {

struct PassedPoint {
    std::size_t reference = 0;
    double weight = 1; // of this frame's value against the frame before's
    double value = 0;  // the reference's
};

// The references' points merged into one list in time order (those of one
// reference in their own order), each with its reference: every scan of a
// look walks the one list.
class PointTimeline {
public:
    struct Point {
        double time = 0;
        double value = 0;
        std::size_t reference = 0;
    };
    explicit PointTimeline(const std::vector<ReferenceSeries>* references);
    const std::vector<Point>& points() const { return m_points; }
    std::size_t referenceCount() const { return m_references; }

private:
    std::vector<Point> m_points;
    std::size_t m_references = 0;
};

class PointScan {
public:
    // Frames further apart than `largestGap` seconds bridge no point
    // between them.
    PointScan(std::shared_ptr<const PointTimeline> timeline, double largestGap);

    // Whether a frame at `time` may pass points: false for most frames.
    bool mayPass(double time) const {
        return time >= m_nextPoint || (time == m_time && !m_passed.empty());
    }
    // The points up to `time` not passed yet, the frame before at
    // `lastTime` (`hadFrame` false for a field's first frame). A point
    // before the first frame, or in a pause longer than the largest gap,
    // has no value to pair with and is passed over.
    const std::vector<PassedPoint>& passed(double time, double lastTime, bool hadFrame) {
        if (time == m_time && lastTime == m_lastTime && hadFrame == m_hadFrame)
            return m_passed; // another field of the same frame
        return walk(time, lastTime, hadFrame);
    }
    // Whether a point of the last `passed` lies between the two frames, so
    // that it reads the frame before's value too.
    bool bridgedLast() const { return m_bridged; }
    std::size_t referenceCount() const { return m_timeline->referenceCount(); }

private:
    const std::vector<PassedPoint>& walk(double time, double lastTime, bool hadFrame);

    std::shared_ptr<const PointTimeline> m_timeline;
    double m_largestGap;
    std::size_t m_next = 0; // the first point not yet passed
    double m_nextPoint;     // its time
    // The frame last asked about and what it passed.
    double m_time, m_lastTime = 0;
    bool m_hadFrame = false;
    bool m_bridged = false;
    std::vector<PassedPoint> m_passed;
};

} // namespace cac
