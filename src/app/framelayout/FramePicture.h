#pragma once

#include "bitmap/FrameLayout.h"
#include "bitmap/LayoutText.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <array>

namespace cac {
class ConfigModel;
}

namespace cac::app {

// What the frame layout picture shows for one channel: the frame its
// identifier names, every channel in use on that identifier, and per cell
// (byte 0 to 7 down, bit 7 to 0 across) the channels taking that bit as the
// engine's bit map says. The picture only lays the engine's answers out.
struct FramePicture {
    static constexpr int Cells = FrameDataBytes * 8;

    int channel = 0; // the channel the picture is for; 0 for none
    QString title;
    QStringList notes; // channels drawn without all their bits, and why
    QList<ChannelSignal> channels;
    std::array<BitOwners, Cells> owners{};

    // (byte, bit) of a cell index: rows by byte, bit 7 in the first column.
    static BitPosition positionOf(int cell) { return {cell / 8, 7 - cell % 8}; }
    const ChannelSignal* signalOf(int channel) const;
};

// The picture for channel row 1 to 15; a channel not in use is drawn with
// the channels in use on its identifier, so its bits show while it is filled in.
FramePicture BuildFramePicture(const ConfigModel& model, int channel);

// One line per channel taking the cell: its number and variable, the bit's
// weight in its signal, the bit as byte/bit and as a database start-bit number.
QString CellToolTip(const ConfigModel& model, const FramePicture& picture, int cell);

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
