#include "app/preview/PlotView.h"

#include "app/preview/PreviewNames.h"
#include "app/preview/SeriesPainter.h"
#include "canlog/LogReader.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace cac::app {

namespace {

constexpr int AxisRoom = 64;       // left and right, for the value and raw labels
constexpr int TimeRoom = 22;       // below, for the time labels
constexpr int Ticks = 5;           // labelled lines on each axis
constexpr double WheelStep = 0.8;  // a wheel notch forward shows 80 % of the time
constexpr double LeastSpan = 1e-6; // seconds: the deepest zoom

const QColor ValueColor(0x1f, 0x77, 0xb4);
const QColor RawColor(0xe0, 0x7b, 0x00);

// Decimals enough to tell ticks `step` apart.
int decimalsFor(double step) {
    return step >= 1 ? 0 : std::min(9, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

// A round step (1, 2 or 5 times a power of ten) giving about `Ticks` lines over the span.
double roundStep(double span) {
    const double raw = span > 0 ? span / Ticks : 1;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    return (norm < 1.5 ? 1 : norm < 3 ? 2 : norm < 7 ? 5 : 10) * magnitude;
}

// The round values within [low, high], for the lines of an axis.
std::vector<double> roundTicks(double low, double high) {
    const double step = roundStep(high - low);
    std::vector<double> ticks;
    for (double v = std::ceil(low / step) * step; v <= high && ticks.size() < 4 * Ticks; v += step)
        ticks.push_back(std::abs(v) < step * 1e-9 ? 0 : v);
    return ticks;
}

} // namespace

PlotView::PlotView(QWidget* parent) : QWidget(parent) {
    setObjectName(names::PreviewPlotView);
    setMinimumSize(320, 180);
    setFocusPolicy(Qt::WheelFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

double PlotView::wholeFrom() const {
    return m_buckets.empty() ? 0 : m_buckets.front().start;
}

double PlotView::wholeTo() const {
    return m_buckets.empty() ? 1 : m_buckets.back().start + m_buckets.back().width;
}

void PlotView::setSeries(std::vector<SeriesBucket> buckets, bool keepView) {
    const double from = m_from, to = m_to;
    m_buckets = std::move(buckets);
    if (keepView && from >= wholeFrom() && to <= wholeTo())
        setView(from, to);
    else
        showWhole();
}

void PlotView::showWhole() {
    setView(wholeFrom(), wholeTo());
}

void PlotView::setView(double from, double to) {
    const double whole = wholeTo() - wholeFrom();
    const double span = std::clamp(to - from, std::min(LeastSpan, whole), whole);
    from = std::clamp(from, wholeFrom(), wholeTo() - span);
    m_from = from;
    m_to = from + span;
    update();
}

QRectF PlotView::plotArea() const {
    return QRectF(AxisRoom, 8, std::max(1, width() - 2 * AxisRoom),
                  std::max(1, height() - 8 - TimeRoom));
}

double PlotView::timeAt(double x) const {
    const QRectF area = plotArea();
    return m_from + (x - area.left()) / area.width() * (m_to - m_from);
}

void PlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRectF area = plotArea();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area);
    if (m_buckets.empty())
        return;

    const auto [valueLow, valueHigh] =
        SeriesPainter::range(m_buckets, SeriesPainter::Side::Value, m_from, m_to);
    const auto [rawLow, rawHigh] =
        SeriesPainter::range(m_buckets, SeriesPainter::Side::Raw, m_from, m_to);
    const QFontMetrics metrics = fontMetrics();
    const auto yOf = [&](double v, double low, double high) {
        return area.bottom() - (v - low) / (high - low) * area.height();
    };
    const auto axis = [&](double low, double high, const QColor& color, bool left, bool grid) {
        const int decimals = decimalsFor(roundStep(high - low));
        for (const double v : roundTicks(low, high)) {
            const double y = yOf(v, low, high);
            if (grid) {
                painter.setPen(QPen(palette().color(QPalette::Midlight), 1, Qt::DotLine));
                painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
            }
            painter.setPen(color);
            const QRectF box(left ? 0 : area.right() + 4, y - metrics.height() / 2.0, AxisRoom - 4,
                             metrics.height());
            painter.drawText(box, (left ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                             QString::number(v, 'f', decimals));
        }
    };
    axis(valueLow, valueHigh, ValueColor, true, true);
    axis(rawLow, rawHigh, RawColor, false, false);
    // A log that says when it began has dates for times: its axis counts from
    // the first frame, which reads better than ten-digit seconds since 1970.
    const double origin = IsLogDate(wholeFrom()) ? wholeFrom() : 0;
    const int timeDecimals = decimalsFor(roundStep(m_to - m_from));
    for (const double shown : roundTicks(m_from - origin, m_to - origin)) {
        const double t = shown + origin;
        const double x = area.left() + (t - m_from) / (m_to - m_from) * area.width();
        painter.setPen(QPen(palette().color(QPalette::Midlight), 1, Qt::DotLine));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(palette().color(QPalette::Text));
        const QString time = QString::number(shown, 'f', timeDecimals) + QStringLiteral(" s");
        const double w = metrics.horizontalAdvance(time) + 4;
        const double left = std::clamp(x - w / 2, 0.0, width() - w);
        painter.drawText(QRectF(left, area.bottom() + 2, w, TimeRoom - 2), Qt::AlignCenter, time);
    }
    SeriesPainter raw{SeriesPainter::Side::Raw, m_from, m_to, rawLow, rawHigh};
    QColor paleRaw = RawColor;
    paleRaw.setAlpha(150);
    raw.draw(painter, area, m_buckets, paleRaw, 4); // wide beneath: both show where they meet
    SeriesPainter value{SeriesPainter::Side::Value, m_from, m_to, valueLow, valueHigh};
    value.draw(painter, area, m_buckets, ValueColor);
}

void PlotView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || m_buckets.empty())
        return;
    const double anchor = timeAt(event->position().x());
    const double factor = std::pow(WheelStep, notches);
    setView(anchor - (anchor - m_from) * factor, anchor + (m_to - anchor) * factor);
    event->accept();
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    m_dragX = event->position().x();
    m_dragFrom = m_from;
    m_dragTo = m_to;
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const double shift =
        (m_dragX - event->position().x()) / plotArea().width() * (m_dragTo - m_dragFrom);
    setView(m_dragFrom + shift, m_dragTo + shift);
}

void PlotView::mouseDoubleClickEvent(QMouseEvent*) {
    showWhole();
}

QColor PlotView::valueColor() {
    return ValueColor;
}

QColor PlotView::rawColor() {
    return RawColor;
}

} // namespace cac::app
