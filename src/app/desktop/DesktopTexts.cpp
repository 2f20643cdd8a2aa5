#include "app/desktop/DesktopTexts.h"

#include "channels/ChoiceLists.h"

namespace cac::app::texts {
namespace {

QString clock(const QDateTime& written) {
    return written.toLocalTime().toString(QStringLiteral("HH:mm"));
}

} // namespace

QString unsavedCanBeRestored(const QDateTime& written) {
    return QStringLiteral("Unsaved channels from %1 can be restored: Tools \u2192 Restore unsaved "
                          "channels")
        .arg(clock(written));
}

QString restoredUnsaved(const QDateTime& written) {
    return QStringLiteral("Restored the unsaved channels from %1; they are still unsaved")
        .arg(clock(written));
}

QString keptChannels(const QDateTime& written, const QDateTime& now) {
    const QDateTime local = written.toLocalTime();
    // Yesterday's work names its day.
    const QString when = local.date() == now.toLocalTime().date()
                             ? clock(written)
                             : local.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return QStringLiteral("Unsaved channels from %1 were kept when the program last ended. "
                          "Restore puts them into the table; Discard deletes them.")
        .arg(when);
}

QString discardedUnsaved(const QDateTime& written) {
    return QStringLiteral("Discarded the unsaved channels from %1").arg(clock(written));
}

QString couldNotRestore(const QString& path, const QString& reason) {
    return QStringLiteral("Could not restore unsaved channels from %1: %2").arg(path, reason);
}

QString couldNotWriteRecovery(const QString& reason) {
    return QStringLiteral("Could not keep a copy of the unsaved channels: %1").arg(reason);
}

QString cannotOpenKind(const QString& path) {
    return QStringLiteral("Could not open %1: it is neither a configuration file (.ccf), a CAN "
                          "database (.dbc) nor an Intel HEX image (.hex)")
        .arg(path);
}

QString couldNotOpen(const QString& path, const QString& reason) {
    return QStringLiteral("Could not open %1: %2").arg(path, reason);
}

QString channelName(int channel) {
    return QStringLiteral("Channel %1").arg(channel);
}

QString spokenTitle(const QString& title) {
    return title.simplified(); // the two lines of a title joined by a blank
}

QString channelCellTitle(int channel, int column) {
    // The first line of the title: the hint on the second is for the eye.
    return channelName(channel) + QStringLiteral(", ") + ColumnName(column);
}

QString priorityCellTitle(const QString& parameter) {
    return QStringLiteral("Priority of %1").arg(parameter);
}

QString spokenCell(const QString& title, const QString& text) {
    return title + QStringLiteral(": ") + (text.isEmpty() ? QStringLiteral("empty") : text);
}

} // namespace cac::app::texts
