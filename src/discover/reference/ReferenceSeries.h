#pragma once

#include <QString>

#include <cstddef>
#include <utility>
#include <vector>

namespace cac {

// One physical value of a reference at a time of the log's clock.
struct ReferencePoint {
    double time = 0; // seconds, as the log counts them
    double value = 0;
};

// A quantity measured beside the CAN traffic (an OBD answer, another
// instrument's export), in time order.
struct ReferenceSeries {
    QString name;
    QString unit;
    std::vector<ReferencePoint> points;
};

// Points of a series that may run long: beyond `limit` points every second
// one is dropped and only every second point taken from then on, so memory
// stays bounded whatever the source's length.
class ThinnedPoints {
public:
    explicit ThinnedPoints(std::size_t limit = 1 << 16) : m_limit(limit) {}

    void add(ReferencePoint point) {
        if (m_seen++ % m_every != 0)
            return;
        m_points.push_back(point);
        if (m_points.size() >= m_limit) {
            std::size_t out = 0;
            for (std::size_t i = 0; i < m_points.size(); i += 2)
                m_points[out++] = m_points[i];
            m_points.resize(out);
            m_every *= 2;
        }
    }
    // Points offered, kept or not.
    long long seen() const { return m_seen; }
    const std::vector<ReferencePoint>& points() const { return m_points; }
    std::vector<ReferencePoint> take() { return std::move(m_points); }

private:
    std::size_t m_limit;
    std::vector<ReferencePoint> m_points;
    long long m_seen = 0;
    long long m_every = 1;
};

} // namespace cac
