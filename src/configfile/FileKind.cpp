#include "configfile/FileKind.h"

#include "channels/ChoiceLists.h"

#include <QFileInfo>
#include <QList>

#include <cctype>

namespace cac {
namespace {

bool isHexDigits(QByteArrayView text) {
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return !text.isEmpty();
}

// An Intel HEX file begins with a record: a colon and hexadecimal digits.
bool looksLikeHex(const QByteArray& head) {
    const QByteArray first = head.left(head.indexOf('\n')).trimmed();
    return first.startsWith(':') && first.size() >= 11 && isHexDigits(first.mid(1));
}

// A CAN database names its version, its nodes or its messages at a line's
// start within the first lines.
bool looksLikeDbc(const QByteArray& head) {
    for (const QByteArray& line : head.split('\n')) {
        const QByteArray word = line.trimmed();
        if (word.startsWith("VERSION \"") || word.startsWith("BU_:") || word.startsWith("NS_ :") ||
            word.startsWith("BO_ "))
            return true;
    }
    return false;
}

// A configuration file's first line holds one "|" after each channel's text.
bool looksLikeCcf(const QByteArray& head) {
    const qsizetype cr = head.indexOf('\r');
    if (cr < 0)
        return false;
    const QByteArray first = head.left(cr);
    return first.endsWith('|') && first.count('|') == ChannelGridRows - 1;
}

} // namespace

FileKind KindOfName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"ccf")
        return FileKind::Configuration;
    if (suffix == u"dbc")
        return FileKind::CanDatabase;
    if (suffix == u"hex")
        return FileKind::HexImage;
    return FileKind::Unknown;
}

FileKind KindOfFile(const QString& fileName, const QByteArray& head) {
    const QByteArray start = head.left(FileKindHeadSize);
    if (looksLikeCcf(start))
        return FileKind::Configuration;
    if (looksLikeHex(start))
        return FileKind::HexImage;
    if (looksLikeDbc(start))
        return FileKind::CanDatabase;
    return KindOfName(fileName);
}

} // namespace cac
