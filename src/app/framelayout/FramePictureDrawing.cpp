#include "app/framelayout/FramePictureDrawing.h"

#include "app/grid/GridCellDelegate.h"
#include "bitmap/FramePictureTexts.h"
#include "checks/Finding.h"
#include "common/HexText.h"

namespace cac::app {

QRectF PictureGeometry::cellRect(int cell) {
    return {Left + (cell % 8) * CellWidth, Top + (cell / 8) * CellHeight, CellWidth, CellHeight};
}

// Fifteen light colours that dark digits stand out on, neighbours far apart,
// none near the warning colour of the hatching.
QColor PictureGeometry::channelColour(int channel) {
    static const std::array<QRgb, 15> colours = {0x8dd3c7, 0xffffb3, 0xbebada, 0xfb8072, 0x80b1d3,
                                                 0xb3de69, 0xfccde5, 0xfdd0a2, 0xbc80bd, 0xccebc5,
                                                 0xffed6f, 0xa6cee3, 0xe5c494, 0x9ecae1, 0xc2a5cf};
    return QColor(colours[static_cast<std::size_t>((channel - 1 + 15) % 15)]);
}

QColor PictureGeometry::overlapColour() {
    return GridCellDelegate::findingColour(Severity::Warning);
}

namespace {

// One cell: the colour of the channel taking it (the current one first), the
// hatching of an overlap, the channel numbers and the signals' ends.
void DrawCell(const FramePicture& picture, int cell, PictureCanvas& canvas) {
    using G = PictureGeometry;
    using Text = PictureCanvas::Text;
    const QColor grid(0xb0, 0xb0, 0xb0);
    const QRectF rect = G::cellRect(cell);
    const BitOwners& owners = picture.owners[static_cast<std::size_t>(cell)];
    if (owners.channels.isEmpty()) {
        canvas.outline(rect, grid, 1, false);
        return;
    }
    const bool current = owners.channels.contains(picture.channel);
    canvas.fill(rect, G::channelColour(current ? picture.channel : owners.channels.first()));
    if (owners.overlap)
        canvas.hatch(rect, G::overlapColour());
    canvas.outline(rect, grid, 1, false);
    QStringList numbers;
    for (int number : owners.channels)
        numbers.append(QString::number(number));
    // The number in the lower band of the cell, the signal's ends marked
    // in the band above it, so that neither covers the other.
    canvas.text(rect.adjusted(0, G::MarkBand, 0, -2), Qt::AlignHCenter | Qt::AlignBottom,
                numbers.join(u'/'), Qt::black, current ? Text::Bold : Text::Normal);
    // The ends of each signal, as database editors mark them.
    const BitPosition position = FramePicture::positionOf(cell);
    QStringList ends;
    for (int number : owners.channels) {
        const QList<BitPosition>& bits = picture.signalOf(number)->bits.positions;
        if (bits.first() == position)
            ends.append(FramePictureMsb);
        if (bits.last() == position && bits.size() > 1)
            ends.append(FramePictureLsb);
    }
    ends.removeDuplicates(); // two signals may end on the one bit
    if (!ends.isEmpty())
        canvas.text({rect.left() + 2, rect.top() + 1, rect.width() - 4, G::MarkBand - 1},
                    Qt::AlignRight | Qt::AlignTop, ends.join(u' '), Qt::black, Text::Small);
}

// A dashed frame round a byte some channel filters on, the filters beside it.
void DrawFilters(const FramePicture& picture, int byte, PictureCanvas& canvas, const QColor& ink) {
    using G = PictureGeometry;
    using Text = PictureCanvas::Text;
    QStringList filters;
    for (const ChannelSignal& signal : picture.channels) {
        if (signal.filter.dataByte() == byte)
            filters.append(FramePictureFilter(signal.channel, HexByte(signal.filter.value)));
    }
    if (filters.isEmpty())
        return;
    const QRectF row(G::Left - 2, G::Top + byte * G::CellHeight - 2, 8 * G::CellWidth + 4,
                     G::CellHeight + 4);
    canvas.outline(row, ink, 2, true);
    canvas.text({row.right() + 6, row.top(), G::Right - 8, row.height()},
                Qt::AlignLeft | Qt::AlignVCenter, filters.join(QStringLiteral(", ")), ink,
                Text::Small);
}

} // namespace

void DrawFramePicture(const FramePicture& picture, PictureCanvas& canvas, const QColor& ink,
                      const QColor& background) {
    using G = PictureGeometry;
    using Text = PictureCanvas::Text;
    canvas.fill({0, 0, G::width(), G::height(picture)}, background);
    canvas.text({4, 0, G::width() - 8, 18}, Qt::AlignLeft | Qt::AlignVCenter, picture.title, ink,
                Text::Bold);
    if (picture.channels.isEmpty())
        return;
    for (int column = 0; column < 8; ++column)
        canvas.text({G::Left + column * G::CellWidth, 18, G::CellWidth, G::Top - 18},
                    Qt::AlignCenter, QString::number(7 - column), ink, Text::Small);
    for (int byte = 0; byte < FrameDataBytes; ++byte)
        canvas.text({0, G::Top + byte * G::CellHeight, G::Left - 6, G::CellHeight},
                    Qt::AlignRight | Qt::AlignVCenter, FramePictureByte(byte), ink, Text::Small);

    for (int cell = 0; cell < FramePicture::Cells; ++cell)
        DrawCell(picture, cell, canvas);
    // The current channel's cells are outlined again over their neighbours.
    for (int cell = 0; cell < FramePicture::Cells; ++cell) {
        if (picture.owners[static_cast<std::size_t>(cell)].channels.contains(picture.channel))
            canvas.outline(G::cellRect(cell).adjusted(1, 1, -1, -1), ink, 2, false);
    }

    for (int byte = 0; byte < FrameDataBytes; ++byte)
        DrawFilters(picture, byte, canvas, ink);
    const qreal notesTop = G::height(0); // the notes run below the cells
    for (qsizetype i = 0; i < picture.notes.size(); ++i)
        canvas.text({4, notesTop + i * G::NoteHeight, G::width() - 8, G::NoteHeight},
                    Qt::AlignLeft | Qt::AlignVCenter, picture.notes[i], ink, Text::Small);
}

} // namespace cac::app
