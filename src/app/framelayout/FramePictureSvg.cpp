// The frame picture as an SVG document, drawn by hand: the program is also
// built with a Qt that has no SVG module.
#include "app/framelayout/FramePictureSvg.h"

namespace cac::app {

namespace {

class SvgCanvas : public PictureCanvas {
public:
    QByteArray body;

    void fill(const QRectF& r, const QColor& colour) override {
        body += QStringLiteral("<rect %1 fill=\"%2\"/>\n").arg(box(r), colour.name()).toUtf8();
    }
    void hatch(const QRectF& r, const QColor&) override {
        body += QStringLiteral("<rect %1 fill=\"url(#overlap)\"/>\n").arg(box(r)).toUtf8();
    }
    void outline(const QRectF& r, const QColor& colour, qreal width, bool dashed) override {
        body += QStringLiteral("<rect %1 fill=\"none\" stroke=\"%2\" stroke-width=\"%3\"%4/>\n")
                    .arg(box(r), colour.name())
                    .arg(width)
                    .arg(dashed ? QStringLiteral(" stroke-dasharray=\"4 3\"") : QString())
                    .toUtf8();
    }
    void text(const QRectF& r, Qt::Alignment align, const QString& text, const QColor& colour,
              Text style) override {
        const bool right = align.testFlag(Qt::AlignRight);
        const bool centred = align.testFlag(Qt::AlignHCenter);
        const char* anchor = right ? "end" : centred ? "middle" : "start";
        const qreal x = right ? r.right() : centred ? r.center().x() : r.left();
        const qreal size = style == Text::Small ? 9 : 12;
        // SVG places text by its baseline: the size under a top edge, about
        // a quarter of it over a bottom edge, a third of it under the middle.
        const qreal y = align.testFlag(Qt::AlignTop)      ? r.top() + size
                        : align.testFlag(Qt::AlignBottom) ? r.bottom() - size * 0.25
                                                          : r.center().y() + size * 0.35;
        body += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\" font-size=\"%4\"%5 "
                               "fill=\"%6\">%7</text>\n")
                    .arg(x)
                    .arg(y)
                    .arg(QLatin1String(anchor))
                    .arg(size)
                    .arg(style == Text::Bold ? QStringLiteral(" font-weight=\"bold\"") : QString())
                    .arg(colour.name(), text.toHtmlEscaped())
                    .toUtf8();
    }

private:
    static QString box(const QRectF& r) {
        return QStringLiteral("x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"")
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height());
    }
};

} // namespace

QByteArray FramePictureSvg(const FramePicture& picture) {
    SvgCanvas canvas;
    DrawFramePicture(picture, canvas, Qt::black, Qt::white);
    const QString head =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                       "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\">\n"
                       "<defs><pattern id=\"overlap\" width=\"6\" height=\"6\" "
                       "patternUnits=\"userSpaceOnUse\">"
                       "<path d=\"M0 6L6 0M-1 1L1 -1M5 7L7 5\" stroke=\"%3\" stroke-width=\"1.5\"/>"
                       "</pattern></defs>\n")
            .arg(PictureGeometry::width())
            .arg(PictureGeometry::height(picture))
            .arg(PictureGeometry::overlapColour().name());
    return head.toUtf8() + canvas.body + "</svg>\n";
}

} // namespace cac::app
