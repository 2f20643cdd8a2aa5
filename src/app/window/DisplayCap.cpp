#include "app/window/DisplayCap.h"

#include <QLocale>
#include <QSignalBlocker>
#include <QStatusBar>

namespace cac::app {
namespace {

const QChar Ellipsis(0x2026);

// `count` characters from `from`, widened so that no surrogate pair is split.
QStringView whole(QStringView text, qsizetype from, qsizetype count) {
    if (from > 0 && text.at(from).isLowSurrogate())
        --from, ++count;
    const qsizetype end = from + count;
    if (end < text.size() && text.at(end).isLowSurrogate())
        ++count;
    return text.sliced(from, count);
}

} // namespace

QString displayCapped(const QString& text, Qt::TextElideMode mode, qsizetype cap) {
    if (text.size() <= cap)
        return text;
    const qsizetype head = mode == Qt::ElideMiddle ? (cap - 1) / 2 : cap - 1;
    const qsizetype tail = cap - 1 - head;
    QString shown = whole(text, 0, head).toString() + Ellipsis;
    if (tail > 0)
        shown += whole(text, text.size() - tail, tail);
    return shown;
}

QString displayToolTip(const QString& text) {
    if (text.size() <= DisplayCap)
        return text;
    return displayCapped(text) +
           QStringLiteral("\n(%1 characters)").arg(QLocale().toString(text.size()));
}

void capStatusMessages(QStatusBar* bar) {
    // The bar emits the change before it paints; the capped message replaces
    // the long one in time. Reports carry no time-out that this would drop.
    // The bar cuts off what does not fit its width without a sign, so its
    // tool tip holds the message whole (up to the cap), wrapped as needed.
    QObject::connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& message) {
        if (message.size() > DisplayCap) {
            bar->setToolTip(displayToolTip(message));
            const QSignalBlocker quiet(bar); // the capped text keeps the tool tip
            bar->showMessage(displayCapped(message));
            return;
        }
        bar->setToolTip(message);
    });
}

} // namespace cac::app
