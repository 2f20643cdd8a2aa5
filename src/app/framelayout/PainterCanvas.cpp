#include "app/framelayout/PainterCanvas.h"

#include <QPainter>

namespace cac::app {

void PainterCanvas::fill(const QRectF& rect, const QColor& colour) {
    m_painter.fillRect(rect, colour);
}

void PainterCanvas::hatch(const QRectF& rect, const QColor& colour) {
    m_painter.fillRect(rect, QBrush(colour, Qt::BDiagPattern));
}

void PainterCanvas::outline(const QRectF& rect, const QColor& colour, qreal width, bool dashed) {
    m_painter.setBrush(Qt::NoBrush);
    m_painter.setPen(QPen(colour, width, dashed ? Qt::DashLine : Qt::SolidLine));
    // Half a pen inside, so that a line lies on the pixels it names.
    m_painter.drawRect(rect.adjusted(width / 2, width / 2, -width / 2, -width / 2));
}

void PainterCanvas::text(const QRectF& rect, Qt::Alignment align, const QString& text,
                         const QColor& colour, Text style) {
    QFont font = m_painter.font();
    font.setPixelSize(style == Text::Small ? 9 : 12);
    font.setBold(style == Text::Bold);
    m_painter.setFont(font);
    m_painter.setPen(colour);
    m_painter.drawText(rect, align.toInt(), text);
}

} // namespace cac::app
