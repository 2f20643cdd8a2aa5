#include "app/discover/MatchPlot.h"

#include "app/discover/DiscoverNames.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace cac::app {

namespace {

QString axisNumber(double value) {
    return QString::number(value, 'g', 4);
}

// The colour of the marks: apart from the grey reference and the link-blue field.
const QColor MarkColour(0xe0, 0x70, 0x10);

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

void MatchPlot::showField(const std::vector<FieldSample>& field, const QString& legend) {
    showMatch({}, field, 1, 0, legend);
}

void MatchPlot::clear() {
    m_reference.clear();
    m_field.clear();
    m_legend.clear();
    update();
}

void MatchPlot::setMarks(std::vector<double> times, double origin) {
    m_marks = std::move(times);
    m_origin = origin;
    update();
}

MatchPlot::Frame MatchPlot::frame() const {
    Frame f;
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
    f.t0 = t0;
    f.t1 = t1;
    f.v0 = v0 - room;
    f.v1 = v1 + room;
    const QFontMetrics metrics = fontMetrics();
    f.axisWidth = std::max(metrics.horizontalAdvance(axisNumber(f.v0)),
                           metrics.horizontalAdvance(axisNumber(f.v1))) +
                  6;
    f.area = QRectF(rect()).adjusted(f.axisWidth, metrics.height() + 4, -4, -metrics.height() - 4);
    return f;
}

void MatchPlot::mousePressEvent(QMouseEvent* event) {
    if (isEmpty())
        return QWidget::mousePressEvent(event);
    const Frame f = frame();
    const QPointF at = event->position();
    // The time axis: the band under the plot where its times are written.
    if (at.y() < f.area.bottom() || at.x() < f.area.left() || at.x() > f.area.right() ||
        f.area.width() <= 0)
        return QWidget::mousePressEvent(event);
    emit timeClicked(f.t0 + (at.x() - f.area.left()) / f.area.width() * (f.t1 - f.t0));
}

void MatchPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (isEmpty())
        return;
    const Frame f = frame();
    const QRectF& area = f.area;
    const int axisWidth = f.axisWidth;
    const double t0 = f.t0, t1 = f.t1, v0 = f.v0, v1 = f.v1;
    const QFontMetrics metrics = fontMetrics();
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
    // Times from the log's start, as the preview counts them.
    painter.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop,
                     axisNumber(t0 - m_origin) + QStringLiteral(" s"));
    painter.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), metrics.height()),
                     Qt::AlignRight | Qt::AlignTop,
                     axisNumber(t1 - m_origin) + QStringLiteral(" s"));
    painter.drawText(QRectF(2, 0, width() - 4, metrics.height() + 2),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_legend, Qt::ElideRight, width() - 4));
    const auto x = [&](double time) {
        return area.left() + (time - t0) / (t1 - t0) * area.width();
    };
    const auto at = [&](const ReferencePoint& p) {
        return QPointF(x(p.time), area.bottom() - (p.value - v0) / (v1 - v0) * area.height());
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
    painter.setPen(QPen(MarkColour, 1.5, Qt::DashLine));
    for (const double mark : m_marks)
        if (mark >= t0 && mark <= t1)
            painter.drawLine(QPointF(x(mark), area.top()), QPointF(x(mark), area.bottom()));
}

} // namespace cac::app
