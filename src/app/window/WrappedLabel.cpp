#include "app/window/WrappedLabel.h"

#include <QResizeEvent>

namespace cac::app {

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setWordWrap(true);
}

int WrappedLabel::linesHeight(int least) const {
    // Until a layout has given it its width, the label has none to wrap at.
    return testAttribute(Qt::WA_Resized) ? std::max(least, heightForWidth(width())) : least;
}

QSize WrappedLabel::sizeHint() const {
    const QSize hint = QLabel::sizeHint();
    return testAttribute(Qt::WA_Resized) ? QSize(hint.width(), linesHeight(minimumHeight())) : hint;
}

QSize WrappedLabel::minimumSizeHint() const {
    const QSize least = QLabel::minimumSizeHint();
    return {least.width(), linesHeight(least.height())};
}

void WrappedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        updateGeometry(); // the lines it needs change with its width
}

} // namespace cac::app
