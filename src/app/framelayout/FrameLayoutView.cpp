#include "app/framelayout/FrameLayoutView.h"

#include "app/framelayout/FramePictureSvg.h"
#include "app/framelayout/PainterCanvas.h"
#include "app/platform/PlatformServices.h"
#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"
#include "channels/ConfigModel.h"
#include "common/SafeFileWrite.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QPainter>
#include <QToolTip>

namespace cac::app {

FrameLayoutView::FrameLayoutView(const ConfigModel* model, FileDialogs* dialogs, QWidget* parent)
    : QWidget(parent), m_model(model), m_dialogs(dialogs),
      m_toggle(new QAction(texts::MenuFrameLayout, this)),
      m_copy(new QAction(texts::CopyPicture, this)),
      m_save(new QAction(texts::SavePictureAs, this)) {
    setObjectName(names::FrameLayout);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_toggle->setObjectName(names::MenuFrameLayout);
    m_toggle->setCheckable(true);
    // It starts hidden: the window keeps the height it had without it, and
    // View > Frame layout gives it its room.
    setVisible(false);
    connect(m_toggle, &QAction::toggled, this, &QWidget::setVisible);
    m_copy->setObjectName(names::CopyPicture);
    m_save->setObjectName(names::SavePicture);
    connect(m_copy, &QAction::triggered, this, &FrameLayoutView::copyPicture);
    connect(m_save, &QAction::triggered, this, &FrameLayoutView::savePicture);
    // Any edit may move a bit of this frame: a channel's own cells, another
    // channel joining or leaving the identifier, OBD mode taking channel 15.
    connect(model, &QAbstractItemModel::dataChanged, this, &FrameLayoutView::rebuild);
    connect(model, &QAbstractItemModel::modelReset, this, &FrameLayoutView::rebuild);
    connect(model, &ConfigModel::obdModeChanged, this, &FrameLayoutView::rebuild);
}

void FrameLayoutView::showChannel(int row) {
    if (row == m_channel)
        return;
    m_channel = row;
    rebuild();
}

// The widget's size does not follow the picture (see sizeHint): a redraw is all.
void FrameLayoutView::rebuild() {
    m_picture = BuildFramePicture(*m_model, m_channel);
    update();
}

QSize FrameLayoutView::sizeHint() const {
    // Room for two notes always, so that one more or less does not move the window.
    return {static_cast<int>(PictureGeometry::width()),
            static_cast<int>(PictureGeometry::height(2))};
}

void FrameLayoutView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PainterCanvas canvas(painter);
    DrawFramePicture(m_picture, canvas, palette().color(QPalette::WindowText),
                     palette().color(QPalette::Window));
}

QImage FrameLayoutView::image() const {
    const QSizeF size(PictureGeometry::width(), PictureGeometry::height(m_picture));
    QImage image((size * 2).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PainterCanvas canvas(painter);
    DrawFramePicture(m_picture, canvas, Qt::black, Qt::white);
    return image;
}

int FrameLayoutView::cellAt(const QPoint& pos) const {
    for (int cell = 0; cell < FramePicture::Cells; ++cell) {
        if (PictureGeometry::cellRect(cell).contains(pos))
            return cell;
    }
    return -1;
}

bool FrameLayoutView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int cell = m_picture.channels.isEmpty() ? -1 : cellAt(help->pos());
    if (cell < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), CellToolTip(*m_model, m_picture, cell), this,
                       PictureGeometry::cellRect(cell).toRect());
    return true;
}

void FrameLayoutView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(m_copy);
    menu.addAction(m_save);
    menu.exec(event->globalPos());
}

void FrameLayoutView::copyPicture() {
    QGuiApplication::clipboard()->setImage(image());
    emit reported(texts::CopiedPicture);
}

// SVG for a name ending in .svg, PNG for any other.
void FrameLayoutView::savePicture() {
    const QString path = m_dialogs->saveFileName(window(), texts::SavePictureTitle,
                                                 QtFileFilter(texts::PictureFilter));
    if (path.isEmpty())
        return;
    QByteArray bytes;
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        bytes = FramePictureSvg(m_picture);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image().save(&buffer, "PNG");
    }
    const QString shown = QDir::toNativeSeparators(path);
    QString error;
    emit reported(WriteFileSafely(path, bytes, &error) ? texts::saved(shown)
                                                       : texts::couldNotSave(shown, error));
}

} // namespace cac::app
