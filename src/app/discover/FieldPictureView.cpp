#include "app/discover/FieldPictureView.h"

#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverTexts.h"
#include "app/framelayout/PainterCanvas.h"
#include "bitmap/LayoutText.h"
#include "discover/DiscoveryTexts.h"
#include "discover/SignalDiscovery.h"

#include <QMouseEvent>
#include <QPainter>

namespace cac::app {

namespace {
// The picture's own size, without notes: it is drawn scaled into the room.
QSizeF naturalSize() {
    return {PictureGeometry::width(), PictureGeometry::height(0)};
}
} // namespace

QList<int> FieldNumbers(const DiscoveredIdentifier& identifier) {
    QList<int> numbers;
    int next = 0;
    for (const DiscoveredField& field : identifier.fields)
        numbers.append(field.kind == FieldKind::Constant ? 0 : ++next);
    return numbers;
}

FramePicture FieldsPicture(const DiscoveredIdentifier& identifier) {
    FramePicture picture;
    FrameChannels frame{identifier.key.extended, std::int32_t(identifier.key.id), {}};
    const QList<int> numbers = FieldNumbers(identifier);
    for (qsizetype i = 0; i < identifier.fields.size(); ++i) {
        if (numbers[i] == 0)
            continue;
        const auto& cells = identifier.fields[i].row.cells;
        ChannelSignal signal;
        signal.channel = numbers[i];
        signal.extended = identifier.key.extended;
        signal.id = std::int32_t(identifier.key.id);
        signal.bits = MapSignalBits(cells[ColStartBit], cells[ColLength], cells[ColValueType],
                                    cells[ColByteOrder]);
        // A page's fields read only its frames: pages share bits without overlap.
        if (const int page = identifier.fields[i].page; page >= 0)
            signal.filter = {true, 1, std::uint8_t(page)};
        frame.channels.append(signal);
    }
    for (int cell = 0; cell < FramePicture::Cells; ++cell)
        picture.owners[std::size_t(cell)] = OwnersOfBit(frame, FramePicture::positionOf(cell));
    picture.title = texts::discoverPictureTitle(IdentifierOnBusText(identifier),
                                                IdentifierLengthText(identifier.key),
                                                int(frame.channels.size()));
    picture.channels = std::move(frame.channels);
    return picture;
}

FieldPictureView::FieldPictureView(QWidget* parent) : QWidget(parent) {
    setObjectName(names::DiscoverPicture);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void FieldPictureView::showPicture(FramePicture picture) {
    m_picture = std::move(picture);
    update();
}

void FieldPictureView::showChanges(const std::array<double, 64>& changedAt, double now) {
    m_changedAt = changedAt;
    m_now = now;
    m_live = true;
    update();
}

void FieldPictureView::clearChanges() {
    m_live = false;
    update();
}

QList<int> FieldPictureView::litBits() const {
    QList<int> bits;
    for (int bit = 0; m_live && bit < 64; ++bit) {
        const double age = m_now - m_changedAt[std::size_t(bit)];
        if (age >= 0 && age < FadeSeconds)
            bits << bit;
    }
    return bits;
}

QSize FieldPictureView::sizeHint() const {
    return naturalSize().toSize();
}

QSize FieldPictureView::minimumSizeHint() const {
    return (naturalSize() * 0.75).toSize();
}

qreal FieldPictureView::drawnScale() const {
    const QSizeF natural = naturalSize();
    return std::min(width() / natural.width(), height() / natural.height());
}

qreal FieldPictureView::drawnLeft() const {
    return (width() - naturalSize().width() * drawnScale()) / 2;
}

void FieldPictureView::mousePressEvent(QMouseEvent* event) {
    const qreal scale = drawnScale();
    if (scale <= 0)
        return QWidget::mousePressEvent(event);
    const QPointF at((event->position().x() - drawnLeft()) / scale, event->position().y() / scale);
    for (int cell = 0; cell < FramePicture::Cells; ++cell) {
        const QList<int>& owners = m_picture.owners[std::size_t(cell)].channels;
        if (PictureGeometry::cellRect(cell).contains(at) && !owners.isEmpty())
            return emit fieldClicked(owners.first());
    }
    QWidget::mousePressEvent(event);
}

void FieldPictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal scale = drawnScale();
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.translate(drawnLeft(), 0);
    painter.scale(scale, scale);
    PainterCanvas canvas(painter);
    DrawFramePicture(m_picture, canvas, palette().color(QPalette::WindowText),
                     palette().color(QPalette::Window));
    if (!m_live)
        return;
    // A changed bit is ringed in the highlight colour, strong at first.
    QColor ring = palette().color(QPalette::Highlight);
    for (int cell = 0; cell < FramePicture::Cells; ++cell) {
        const double age =
            m_now - m_changedAt[std::size_t(FramePicture::positionOf(cell).databaseIndex())];
        if (!(age >= 0 && age < FadeSeconds))
            continue;
        ring.setAlphaF(float(1.0 - age / FadeSeconds));
        painter.setPen(QPen(ring, 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(PictureGeometry::cellRect(cell).adjusted(2, 2, -2, -2));
    }
}

} // namespace cac::app
