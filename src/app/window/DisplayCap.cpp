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

QString toolTipLines(const QString& text) {
    QString lines;
    lines.reserve(text.size() + text.size() / ToolTipLineLength);
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype newline = text.indexOf(u'\n', at);
        const qsizetype end = newline < 0 ? text.size() : newline;
        if (end - at <= ToolTipLineLength) {
            lines += QStringView(text).sliced(at, end - at);
            if (newline >= 0)
                lines += u'\n';
            at = end + 1;
            continue;
        }
        // A break after the last blank of the line's latter half, where the
        // text has one; otherwise the line is cut where it is full.
        qsizetype cut = at + ToolTipLineLength;
        const qsizetype blank = text.lastIndexOf(u' ', cut - 1);
        if (blank >= at + ToolTipLineLength / 2)
            cut = blank + 1;
        else if (text.at(cut).isLowSurrogate())
            --cut;
        lines += QStringView(text).sliced(at, cut - at);
        lines += u'\n';
        at = cut;
    }
    return lines;
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
            bar->setToolTip(toolTipLines(displayToolTip(message)));
            const QSignalBlocker quiet(bar); // the capped text keeps the tool tip
            bar->showMessage(displayCapped(message));
            return;
        }
        bar->setToolTip(toolTipLines(message));
    });
}

} // namespace cac::app
