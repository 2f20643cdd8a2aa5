#include "configfile/CcfFile.h"

#include "channels/ConfigModel.h"
#include "common/SafeFileWrite.h"
#include "obd/ObdParameters.h"

#include <QFile>
#include <QFileInfo>

namespace cac {
namespace {

constexpr int LinesRead = (ChannelGridColumns - 1) + 1 + 1; // 12 columns, bit rate, priorities
// Nothing a user saves comes near this; it bounds what a load may read.
constexpr qint64 MaxBytesRead = 16 * 1024 * 1024;

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QChar Separator = u'|';

// Files are 8-bit text; Latin-1 maps every byte to one character and back,
// so a loaded and saved file keeps bytes the program does not interpret.
QByteArray encode(const QString& text) {
    return text.toLatin1();
}
QString decode(const char* data, qsizetype size) {
    return QString::fromLatin1(data, size);
}

// Lines end at CR or CR LF; a lone LF is an ordinary character. Reads past the
// end give empty lines.
class LineReader {
public:
    explicit LineReader(const QByteArray& bytes) : m_bytes(bytes) {}

    QString next() {
        if (m_pos >= m_bytes.size())
            return {};
        qsizetype end = m_bytes.indexOf('\r', m_pos);
        if (end < 0)
            end = m_bytes.size();
        const QString line = decode(m_bytes.constData() + m_pos, end - m_pos);
        m_pos = end + 1;
        if (m_pos < m_bytes.size() && m_bytes.at(m_pos) == '\n')
            ++m_pos;
        return line;
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

// An empty line has no pieces at all.
QStringList pieces(const QString& line) {
    return line.isEmpty() ? QStringList() : line.split(Separator);
}

} // namespace

QByteArray SerializeCcf(const ConfigModel& model) {
    QByteArray out;
    for (int column = 1; column < ChannelGridColumns; ++column) {
        for (int row = 1; row < ChannelGridRows; ++row)
            out += encode(model.cell(row, column) + Separator);
        out += LineEnd;
    }
    out += encode(model.baudRateText()) + LineEnd;
    for (int row = 1; row < ObdGridRows; ++row)
        out += encode(model.obdPriority(row) + Separator);
    out += LineEnd;
    return out;
}

CcfLoadReport ApplyCcf(ConfigModel& model, const QByteArray& bytes) {
    CcfLoadReport report;
    LineReader reader(bytes);

    for (int column = 1; column < ChannelGridColumns; ++column) {
        // One piece per grid row: the trailing "|" leaves an empty last piece.
        const QStringList fields = pieces(reader.next());
        if (fields.size() != ChannelGridRows)
            continue;
        for (int row = 1; row < ChannelGridRows; ++row)
            model.setCell(row, column, fields.at(row - 1));
        ++report.channelColumnsApplied;
    }

    const QString baudLine = reader.next();
    for (const QString& entry : BaudRateEntries()) {
        if (entry == baudLine) {
            model.setBaudRateText(entry);
            report.baudRateMatched = true;
        }
    }

    const QStringList priorities = pieces(reader.next());
    if (priorities.size() == ObdGridRows) {
        for (int row = 1; row < ObdGridRows; ++row)
            model.setObdPriority(row, priorities.at(row - 1));
        report.prioritiesApplied = true;
    }
    return report;
}

bool SaveCcfFile(const ConfigModel& model, const QString& path, QString* error) {
    return WriteFileSafely(path, SerializeCcf(model), error);
}

bool LoadCcfFile(ConfigModel& model, const QString& path, CcfLoadReport* report, QString* error) {
    QFile file(path);
    const bool isFolder = QFileInfo(path).isDir();
    if (isFolder || !file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = isFolder ? QStringLiteral("is a folder, not a file") : file.errorString();
        return false;
    }
    // Read only as far as the lines the load uses.
    QByteArray bytes;
    qsizetype lineEnds = 0;
    while (lineEnds < LinesRead && bytes.size() < MaxBytesRead) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty())
            break;
        lineEnds += chunk.count('\r');
        bytes += chunk;
    }
    const CcfLoadReport applied = ApplyCcf(model, bytes);
    if (report)
        *report = applied;
    return true;
}

} // namespace cac
