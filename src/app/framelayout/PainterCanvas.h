#pragma once

#include "app/framelayout/FramePictureDrawing.h"

class QPainter;

namespace cac::app {

// The frame picture's strokes on a QPainter: the window's widgets and the
// PNG copies draw through it.
class PainterCanvas : public PictureCanvas {
public:
    explicit PainterCanvas(QPainter& painter) : m_painter(painter) {}

    void fill(const QRectF& rect, const QColor& colour) override;
    void hatch(const QRectF& rect, const QColor& colour) override;
    void outline(const QRectF& rect, const QColor& colour, qreal width, bool dashed) override;
    void text(const QRectF& rect, Qt::Alignment align, const QString& text, const QColor& colour,
              Text style) override;

private:
    QPainter& m_painter;
};

} // namespace cac::app
