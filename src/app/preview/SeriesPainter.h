#pragma once

#include "decode/ValueSeries.h"

#include <QColor>
#include <QRectF>

#include <vector>

class QPainter;

namespace cac::app {

// Draws one side of a channel's buckets (its values or its raw values) as a
// band from each bucket's least to its greatest value, joined bucket to
// bucket, so a spike shows however narrow the plot is. A span of time shows
// the buckets within it and, as the value holds between samples, the last
// bucket before it and the first after it: zoomed between two samples, the
// line still runs from the one to the other.
struct SeriesPainter {
    enum class Side { Value, Raw };
    Side side = Side::Value;
    double timeFrom = 0, timeTo = 1; // the time across the rectangle
    double low = 0, high = 1;        // the values from its bottom to its top

    void draw(QPainter& painter, const QRectF& area, const std::vector<SeriesBucket>& buckets,
              const QColor& color, double penWidth = 1.5) const;
    // Low and high of the side over the buckets [from, to] shows, widened a
    // little so the band does not touch the frame; a flat line gets room too.
    static std::pair<double, double> range(const std::vector<SeriesBucket>& buckets, Side side,
                                           double from, double to);
    // The buckets [from, to] shows, as indices [first, end).
    static std::pair<std::size_t, std::size_t> shown(const std::vector<SeriesBucket>& buckets,
                                                     double from, double to);
};

} // namespace cac::app
