#include "dbc/CanDatabase.h"

#include "common/BoundedFileRead.h"
#include "common/HexText.h"

#include <charconv>

namespace cac {

bool LoadCanDatabase(const QString& path, CanDatabase& database, QString* error) {
    const FileRead file =
        ReadRegularFile(path, MaxCanDatabaseFileSize, QStringLiteral("a CAN database"));
    if (!file.ok()) {
        if (error)
            *error = file.reason;
        return false;
    }
    database = ReadCanDatabase(file.bytes);
    return true;
}

QList<SignalRef> FindSignals(const CanDatabase& database, const QString& name) {
    const qsizetype dot = name.indexOf(u'.');
    const QString messageName = dot < 0 ? QString() : name.left(dot);
    const QString signalName = dot < 0 ? name : name.mid(dot + 1);
    QList<SignalRef> found;
    for (int m = 0; m < database.messages.size(); ++m) {
        const DbcMessage& message = database.messages.at(m);
        if (dot >= 0 && message.name != messageName)
            continue;
        for (int s = 0; s < message.signalList.size(); ++s) {
            if (message.signalList.at(s).name == signalName)
                found.append({m, s});
        }
    }
    return found;
}

QString SignalPath(const CanDatabase& database, SignalRef ref) {
    const DbcMessage& message = database.messages.at(ref.message);
    return message.name + u'.' + message.signalList.at(ref.signal).name;
}

QString IdentifierText(const DbcMessage& message) {
    return HexNumber(message.id);
}

QString SignalLayoutText(const DbcSignal& signal) {
    constexpr int IntDigits = 11; // "-2147483648"
    char text[2 * IntDigits + 4];
    char* out = std::to_chars(text, text + IntDigits, signal.startBit).ptr;
    *out++ = '|';
    out = std::to_chars(out, out + IntDigits, signal.length).ptr;
    *out++ = '@';
    *out++ = signal.littleEndian ? '1' : '0';
    *out++ = signal.isSigned ? '-' : '+';
    return QString::fromLatin1(text, out - text);
}

bool SignalMatchesFilter(const DbcMessage& message, const DbcSignal& signal,
                         const QString& filter) {
    const QString wanted = filter.trimmed();
    const auto has = [&](const QString& text) {
        return text.contains(wanted, Qt::CaseInsensitive);
    };
    return has(signal.name) || has(message.name) || has(signal.unit) ||
           has(IdentifierText(message));
}

} // namespace cac
