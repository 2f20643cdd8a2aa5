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

QByteArray WriteVarsFile(const VarsFileLayout& varsFile) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    qsizetype fillers = 0;
    auto filler = [&] {
        if (varsFile.fillerLengths.isEmpty())
            return varsFile.fillUnusedFields ? QStringLiteral("x") : QString();
        return QString(varsFile.fillerLengths[fillers++ % varsFile.fillerLengths.size()], u'x');
    };

    putInt32(out, varsFile.upperIndexA);
    for (std::int64_t i = 0; i <= varsFile.upperIndexA; ++i) {
        for (int s = 0; s < 4; ++s)
            putString(out, filler());
    }

    putInt32(out, varsFile.upperIndexB);
    for (std::int64_t i = 0; i <= varsFile.upperIndexB; ++i) {
        const VarsEntry entry = varsFile.entries.value(static_cast<int>(i));
        putString(out, filler());          // first text
        putString(out, entry.defaultName); // default name
        putString(out, entry.userName);    // user name
        putFiller(out, 40, varsFile.fillUnusedFields ? '\x11' : '\0');
        putFiller(out, 4, varsFile.fillUnusedFields ? '\x22' : '\0');
        for (int s = 0; s < 6; ++s) // text, pair of texts, three texts
            putString(out, filler());
        putFiller(out, 13, varsFile.fillUnusedFields ? '\x33' : '\0');
    }

    putInt32(out, varsFile.signature);
    return bytes;
}

} // namespace cac::tools
