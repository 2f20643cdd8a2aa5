#include "catalogue/VariableCatalogue.h"

#include <QFile>

#include <algorithm>

namespace cac {
namespace {

// Smallest possible sizes, used to refuse upper indices that the rest of the
// file could not hold before anything is allocated for them.
constexpr qint64 MinLeadingRecordSize = 4 * 2;       // four empty strings
constexpr qint64 MinEntrySize = 40 + 4 + 13 + 9 * 2; // fixed fields + nine empty strings
// A real catalogue is well under a megabyte; anything this large is not one.
constexpr qint64 MaxCatalogueFileSize = 64 * 1024 * 1024;

constexpr int FirstListedId = 1000;
constexpr int LastListedId = 5049;

// Little-endian reader over the file image that never reads past the end.
class Cursor {
public:
    explicit Cursor(const QByteArray& bytes) : m_bytes(bytes) {}

    qint64 remaining() const { return m_bytes.size() - m_pos; }

    bool readInt32(std::int32_t& out) {
        if (remaining() < 4)
            return fail();
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(m_bytes[m_pos + i]);
        m_pos += 4;
        out = static_cast<std::int32_t>(value);
        return true;
    }

    bool readString(QString* out) {
        if (remaining() < 2)
            return fail();
        const qint64 length = static_cast<std::uint8_t>(m_bytes[m_pos]) |
                              (static_cast<std::uint8_t>(m_bytes[m_pos + 1]) << 8);
        m_pos += 2;
        if (remaining() < length)
            return fail();
        if (out) // 8-bit text; Latin-1 keeps every byte
            *out = QString::fromLatin1(m_bytes.constData() + m_pos, length);
        m_pos += length;
        return true;
    }

    bool skip(qint64 count) {
        if (remaining() < count)
            return fail();
        m_pos += count;
        return true;
    }

private:
    bool fail() {
        m_pos = m_bytes.size();
        return false;
    }

    const QByteArray& m_bytes;
    qint64 m_pos = 0;
};

bool readEntry(Cursor& in, CatalogueEntry& entry) {
    return in.readString(nullptr)                              // first text
           && in.readString(&entry.defaultName)                // default name
           && in.readString(&entry.userName)                   // user name
           && in.skip(40 + 4)                                  // ten values, one value
           && in.readString(nullptr)                           // text
           && in.readString(nullptr) && in.readString(nullptr) // pair of texts
           && in.readString(nullptr) && in.readString(nullptr) && in.readString(nullptr) &&
           in.skip(13);
}

bool plausibleCount(std::int32_t upperIndex, qint64 minSize, qint64 remaining) {
    if (upperIndex < 0)
        return false;
    return (static_cast<qint64>(upperIndex) + 1) * minSize <= remaining;
}

} // namespace

CatalogueLoad ReadVariableDefinitions(const QByteArray& bytes) {
    CatalogueLoad load;
    load.variableList = QStringList{DoNotUseText};
    Cursor in(bytes);

    std::int32_t upperA = 0;
    if (!in.readInt32(upperA) || !plausibleCount(upperA, MinLeadingRecordSize, in.remaining()))
        return load;
    for (std::int64_t i = 0; i <= upperA; ++i) {
        for (int s = 0; s < 4; ++s) {
            if (!in.readString(nullptr))
                return load;
        }
    }

    std::int32_t upperB = 0;
    if (!in.readInt32(upperB) || !plausibleCount(upperB, MinEntrySize, in.remaining()))
        return load;
    // A truncated catalogue keeps the entries read before the end, the rest empty.
    load.catalogue.resize(static_cast<qsizetype>(upperB) + 1);
    for (CatalogueEntry& entry : load.catalogue) {
        if (!readEntry(in, entry))
            return load;
    }

    std::int32_t signature = 0;
    if (!in.readInt32(signature) || signature != VarsFileSignature)
        return load;

    load.corrupt = false;
    const qsizetype last = std::min<qsizetype>(LastListedId, load.catalogue.size() - 1);
    for (qsizetype id = FirstListedId; id <= last; ++id) {
        const CatalogueEntry& entry = load.catalogue.at(id);
        if (!entry.defaultName.isEmpty())
            load.variableList.append(entry.userName + QStringLiteral(" {") + entry.defaultName +
                                     u'}');
    }
    return load;
}

CatalogueLoad LoadVariableDefinitions(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxCatalogueFileSize)
        return ReadVariableDefinitions({});
    return ReadVariableDefinitions(file.read(MaxCatalogueFileSize + 1));
}

} // namespace cac
