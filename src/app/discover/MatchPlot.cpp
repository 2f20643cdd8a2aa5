#include "app/discover/MatchPlot.h"

#include "app/discover/DiscoverNames.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace cac::app {

namespace {

QString axisNumber(double value) {
    return QString::number(value, 'g', 4);
}

} // namespace

MatchPlot::MatchPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(names::DiscoverMatchPlot);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void MatchPlot::showMatch(std::vector<ReferencePoint> reference, std::vector<FieldSample> field,
                          double scale, double offset, const QString& legend) {
    m_reference = std::move(reference);
    m_field.clear();
    m_field.reserve(field.size());
    if (scale != 0)
        for (const FieldSample& sample : field)
            m_field.push_back({sample.time, sample.raw / scale + offset});
    m_legend = legend;
    update();
}

void MatchPlot::clear() {
    m_reference.clear();
    m_field.clear();
    m_legend.clear();
    update();
}

void MatchPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (isEmpty())
        return;
    double t0 = INFINITY, t1 = -INFINITY, v0 = INFINITY, v1 = -INFINITY;
    for (const auto* points : {&m_reference, &m_field})
        for (const ReferencePoint& p : *points) {
            t0 = std::min(t0, p.time);
            t1 = std::max(t1, p.time);
            v0 = std::min(v0, p.value);
            v1 = std::max(v1, p.value);
        }
    if (t1 <= t0)
        t1 = t0 + 1;
    const double room = v1 > v0 ? (v1 - v0) * 0.05 : std::max(1.0, std::abs(v0) * 0.05);
    v0 -= room;
    v1 += room;
    const QFontMetrics metrics = fontMetrics();
    const int axisWidth = std::max(metrics.horizontalAdvance(axisNumber(v0)),
                                   metrics.horizontalAdvance(axisNumber(v1))) +
                          6;
    const QRectF area =
        QRectF(rect()).adjusted(axisWidth, metrics.height() + 4, -4, -metrics.height() - 4);
    if (area.width() < 10 || area.height() < 10)
        return;
    const QColor ink = palette().color(QPalette::Text);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawRect(area);
    painter.setPen(ink);
    painter.drawText(QRectF(0, area.top() - 2, axisWidth - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignTop, axisNumber(v1));
    painter.drawText(
        QRectF(0, area.bottom() - metrics.height() + 2, axisWidth - 4, metrics.height()),
        Qt::AlignRight | Qt::AlignBottom, axisNumber(v0));
    painter.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop, axisNumber(t0) + QStringLiteral(" s"));
    painter.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), metrics.height()),
                     Qt::AlignRight | Qt::AlignTop, axisNumber(t1) + QStringLiteral(" s"));
    painter.drawText(QRectF(2, 0, width() - 4, metrics.height() + 2),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_legend, Qt::ElideRight, width() - 4));
    const auto at = [&](const ReferencePoint& p) {
        return QPointF(area.left() + (p.time - t0) / (t1 - t0) * area.width(),
                       area.bottom() - (p.value - v0) / (v1 - v0) * area.height());
    };
    const auto line = [&](const std::vector<ReferencePoint>& points, const QColor& colour,
                          qreal width) {
        if (points.empty())
            return;
        QPainterPath path(at(points.front()));
        for (std::size_t i = 1; i < points.size(); ++i)
            path.lineTo(at(points[i]));
        painter.setPen(QPen(colour, width));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    };
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    line(m_reference, QColor(0xb8, 0xb8, 0xb8), 6);
    line(m_field, palette().color(QPalette::Link), 1.2);
}

} // namespace cac::app
