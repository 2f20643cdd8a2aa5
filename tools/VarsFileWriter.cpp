#include "VarsFileWriter.h"

#include <QDataStream>
#include <QIODevice>

namespace cac::tools {
namespace {

void putInt32(QDataStream& out, std::int32_t value) {
    out << static_cast<qint32>(value);
}

void putString(QDataStream& out, const QString& text) {
    const QByteArray bytes = text.toLatin1();
    out << static_cast<quint16>(bytes.size());
    out.writeRawData(bytes.constData(), static_cast<int>(bytes.size()));
}

void putFiller(QDataStream& out, int count, char value) {
    const QByteArray bytes(count, value);
    out.writeRawData(bytes.constData(), count);
}

} // namespace

QByteArray WriteVarsFile(const VarsFileSpec& spec) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const QString filler = spec.fillUnusedFields ? QStringLiteral("x") : QString();

    putInt32(out, spec.upperIndexA);
    for (std::int64_t i = 0; i <= spec.upperIndexA; ++i) {
        for (int s = 0; s < 4; ++s)
            putString(out, filler);
    }

    putInt32(out, spec.upperIndexB);
    for (std::int64_t i = 0; i <= spec.upperIndexB; ++i) {
        const VarsEntry entry = spec.entries.value(static_cast<int>(i));
        putString(out, filler);            // first text
        putString(out, entry.defaultName); // default name
        putString(out, entry.userName);    // user name
        putFiller(out, 40, spec.fillUnusedFields ? '\x11' : '\0');
        putFiller(out, 4, spec.fillUnusedFields ? '\x22' : '\0');
        for (int s = 0; s < 6; ++s) // text, pair of texts, three texts
            putString(out, filler);
        putFiller(out, 13, spec.fillUnusedFields ? '\x33' : '\0');
    }

    putInt32(out, spec.signature);
    return bytes;
}

} // namespace cac::tools
