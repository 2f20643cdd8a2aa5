#pragma once

#include "bitmap/FramePicture.h"

#include <QColor>
#include <QRectF>
#include <QString>

namespace cac::app {

// Where a picture's parts lie, in pixels, and what colours they take.
struct PictureGeometry {
    static constexpr qreal CellWidth = 44;
    static constexpr qreal CellHeight = 32;
    static constexpr qreal MarkBand = 12; // msb/lsb marks, over the channel numbers
    static constexpr qreal Left = 50;     // "byte 0" labels
    static constexpr qreal Top = 36;      // title and bit numbers
    static constexpr qreal Right = 150;   // filter notes
    static constexpr qreal NoteHeight = 16;

    static QRectF cellRect(int cell);
    static qreal width() { return Left + 8 * CellWidth + Right; }
    static qreal height(qsizetype notes) { return Top + 8 * CellHeight + 6 + NoteHeight * notes; }
    static qreal height(const FramePicture& picture) { return height(picture.notes.size()); }
    static QColor channelColour(int channel);
    static QColor overlapColour();
};

// The drawing surfaces of the picture: the window, a PNG and an SVG file all
// get the same strokes from DrawFramePicture.
class PictureCanvas {
public:
    enum class Text { Normal, Bold, Small };
    virtual ~PictureCanvas() = default;
    virtual void fill(const QRectF& rect, const QColor& colour) = 0;
    virtual void hatch(const QRectF& rect, const QColor& colour) = 0;
    virtual void outline(const QRectF& rect, const QColor& colour, qreal width, bool dashed) = 0;
    virtual void text(const QRectF& rect, Qt::Alignment align, const QString& text,
                      const QColor& colour, Text style) = 0;
};

void DrawFramePicture(const FramePicture& picture, PictureCanvas& canvas, const QColor& ink,
                      const QColor& background);

} // namespace cac::app
