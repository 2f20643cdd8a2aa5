#include "app/window/ContentScroller.h"

#include <QEvent>

#include <algorithm>

namespace cac::app {

namespace {
// However small the screen, this much of the contents shows.
constexpr QSize LeastShown{240, 160};
} // namespace

ContentScroller::ContentScroller(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setFocusPolicy(Qt::NoFocus); // the controls in it take the keyboard
}

void ContentScroller::setContents(QWidget* contents) {
    setWidget(contents);
    contents->installEventFilter(this);
}

// A scroll area does not pass its contents' new sizes on to the layout it
// sits in: this one does, so the window's least size follows them.
bool ContentScroller::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

void ContentScroller::setRoom(QSize room) {
    room = room.expandedTo(LeastShown);
    if (room == m_room)
        return;
    m_room = room;
    updateGeometry();
}

QSize ContentScroller::sizeHint() const {
    return widget() ? widget()->sizeHint() : QScrollArea::sizeHint();
}

QSize ContentScroller::minimumSizeHint() const {
    if (!widget())
        return QScrollArea::minimumSizeHint();
    return widget()->minimumSizeHint().boundedTo(m_room);
}

bool ContentScroller::hasHeightForWidth() const {
    return widget() && widget()->hasHeightForWidth();
}

int ContentScroller::heightForWidth(int width) const {
    if (!widget())
        return QScrollArea::heightForWidth(width);
    return std::min(widget()->heightForWidth(width), m_room.height());
}

} // namespace cac::app
