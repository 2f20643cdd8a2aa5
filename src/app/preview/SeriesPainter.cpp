#include "app/preview/SeriesPainter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace cac::app {

namespace {

std::pair<double, double> sideOf(const SeriesBucket& b, SeriesPainter::Side side) {
    return side == SeriesPainter::Side::Value ? std::pair(b.minValue, b.maxValue)
                                              : std::pair(b.minRaw, b.maxRaw);
}

} // namespace

std::pair<std::size_t, std::size_t> SeriesPainter::shown(const std::vector<SeriesBucket>& buckets,
                                                         double from, double to) {
    // Buckets are in time order and do not overlap.
    const auto first = std::partition_point(
        buckets.begin(), buckets.end(), [&](const auto& b) { return b.start + b.width < from; });
    const auto end =
        std::partition_point(first, buckets.end(), [&](const auto& b) { return b.start <= to; });
    const auto begin = first == buckets.begin() ? first : first - 1;
    return {static_cast<std::size_t>(begin - buckets.begin()),
            static_cast<std::size_t>(end - buckets.begin()) + (end == buckets.end() ? 0 : 1)};
}

void SeriesPainter::draw(QPainter& painter, const QRectF& area,
                         const std::vector<SeriesBucket>& buckets, const QColor& color,
                         double penWidth) const {
    const double span = timeTo > timeFrom ? timeTo - timeFrom : 1;
    const double height = high > low ? high - low : 1;
    const auto x = [&](double t) { return area.left() + (t - timeFrom) / span * area.width(); };
    const auto y = [&](double v) { return area.bottom() - (v - low) / height * area.height(); };
    // The points of the line, least then greatest value of each bucket.
    std::vector<QPointF> points;
    const auto [first, end] = shown(buckets, timeFrom, timeTo);
    for (std::size_t i = first; i < end; ++i) {
        const auto [least, most] = sideOf(buckets[i], side);
        const double bx = x(buckets[i].start + buckets[i].width / 2);
        points.emplace_back(bx, y(least));
        points.emplace_back(bx, y(most));
    }
    // A neighbour far beyond the view may lie millions of pixels away: each
    // segment is cut at the area's sides before it is drawn.
    const double left = area.left() - penWidth, right = area.right() + penWidth;
    const auto at = [](const QPointF& p, const QPointF& q, double edge) {
        return QPointF(edge, p.y() + (q.y() - p.y()) * (edge - p.x()) / (q.x() - p.x()));
    };
    // The end of a segment from `other`, moved along it onto a side it lies beyond.
    const auto within = [&](const QPointF& other, const QPointF& end) {
        if (other.x() == end.x())
            return end;
        return end.x() < left    ? at(other, end, left)
               : end.x() > right ? at(other, end, right)
                                 : end;
    };
    QPainterPath path;
    bool joined = false; // the path ends where the next segment starts
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const QPointF& p = points[i];
        const QPointF& q = points[i + 1];
        if (std::max(p.x(), q.x()) < left || std::min(p.x(), q.x()) > right) {
            joined = false;
            continue;
        }
        const QPointF a = within(q, p), b = within(p, q);
        if (!joined)
            path.moveTo(a);
        path.lineTo(b);
        joined = b == q;
    }
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.restore();
}

std::pair<double, double> SeriesPainter::range(const std::vector<SeriesBucket>& buckets, Side side,
                                               double from, double to) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    const auto [first, end] = shown(buckets, from, to);
    for (std::size_t i = first; i < end; ++i) {
        const auto [least, most] = sideOf(buckets[i], side);
        low = std::min(low, least);
        high = std::max(high, most);
    }
    if (!std::isfinite(low) || !std::isfinite(high))
        return {0, 1};
    const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
    return {low - margin, high + margin};
}

} // namespace cac::app
