#include "app/preview/SeriesPainter.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <limits>

namespace cac::app {

namespace {

std::pair<double, double> sideOf(const SeriesBucket& b, SeriesPainter::Side side) {
    return side == SeriesPainter::Side::Value ? std::pair(b.minValue, b.maxValue)
                                              : std::pair(b.minRaw, b.maxRaw);
}

} // namespace

void SeriesPainter::draw(QPainter& painter, const QRectF& area,
                         const std::vector<SeriesBucket>& buckets, const QColor& color,
                         double penWidth) const {
    const double span = timeTo > timeFrom ? timeTo - timeFrom : 1;
    const double height = high > low ? high - low : 1;
    const auto x = [&](double t) { return area.left() + (t - timeFrom) / span * area.width(); };
    const auto y = [&](double v) { return area.bottom() - (v - low) / height * area.height(); };
    QPainterPath path;
    bool first = true;
    for (const SeriesBucket& b : buckets) {
        const double middle = b.start + b.width / 2;
        if (b.start + b.width < timeFrom || b.start > timeTo)
            continue;
        const auto [least, most] = sideOf(b, side);
        const double bx = x(middle);
        if (first)
            path.moveTo(bx, y(least));
        else
            path.lineTo(bx, y(least));
        path.lineTo(bx, y(most));
        first = false;
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
    for (const SeriesBucket& b : buckets) {
        if (b.start + b.width < from || b.start > to)
            continue;
        const auto [least, most] = sideOf(b, side);
        low = std::min(low, least);
        high = std::max(high, most);
    }
    if (!std::isfinite(low) || !std::isfinite(high))
        return {0, 1};
    const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
    return {low - margin, high + margin};
}

} // namespace cac::app
