#include "configfile/CcfFile.h"

#include "channels/ConfigModel.h"
#include "common/SafeFileWrite.h"
#include "obd/ObdParameters.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <optional>

namespace cac {
namespace {

constexpr qsizetype ChannelLineSeparators = ChannelGridRows - 1; // one after every field
constexpr qsizetype PriorityLineSeparators = ObdGridRows - 1;
constexpr qsizetype ReadChunk = 64 * 1024;

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QChar Separator = u'|';

// Files are 8-bit text; Latin-1 maps every byte to one character and back,
// so a loaded and saved file keeps bytes the program does not interpret.
QByteArray encode(const QString& text) {
    return text.toLatin1();
}

// The lines of a .ccf, one at a time: lines end at CR or CR LF (a lone LF is
// an ordinary character) and reads past the end give empty lines. A line is
// kept only while it can still be applied; one that holds too many "|" or is
// too long is read to its end and dropped, so however long a line is, it
// costs no more memory than one read chunk and never hides the lines after it.
class LineReader {
public:
    explicit LineReader(QIODevice& device) : m_device(device) {}

    // The next line when it holds at most `maxSeparators` "|" and at most
    // `maxLength` bytes, otherwise nullopt; the line is consumed either way.
    std::optional<QByteArray> next(qsizetype maxSeparators,
                                   qsizetype maxLength = std::numeric_limits<qsizetype>::max()) {
        QByteArray line;
        bool kept = true;
        qsizetype separators = 0;
        while (m_pos < m_buffer.size() || refill()) {
            if (m_afterCr) { // the LF of a CR LF belongs to the line before
                m_afterCr = false;
                if (m_buffer.at(m_pos) == '\n') {
                    ++m_pos;
                    continue;
                }
            }
            const qsizetype cr = m_buffer.indexOf('\r', m_pos);
            const qsizetype end = cr < 0 ? m_buffer.size() : cr;
            if (kept) {
                const QByteArrayView piece(m_buffer.constData() + m_pos, end - m_pos);
                separators += piece.count('|');
                kept = separators <= maxSeparators && piece.size() <= maxLength - line.size();
                if (kept)
                    line.append(piece);
                else
                    line = QByteArray();
            }
            m_pos = end;
            if (cr >= 0) {
                ++m_pos;
                m_afterCr = true;
                break;
            }
        }
        return kept ? std::optional<QByteArray>(line) : std::nullopt;
    }

private:
    bool refill() {
        m_buffer.resize(ReadChunk);
        const qint64 read = m_device.read(m_buffer.data(), ReadChunk);
        m_buffer.resize(read > 0 ? read : 0);
        m_pos = 0;
        return !m_buffer.isEmpty();
    }

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_afterCr = false;
};

// The fields of a line holding exactly `separators` "|", else nothing. The
// separators are counted before anything is split, so a line that does not
// fit costs nothing.
QStringList fieldsOf(const std::optional<QByteArray>& line, qsizetype separators) {
    if (!line || line->count('|') != separators)
        return {};
    return QString::fromLatin1(*line).split(Separator);
}

CcfLoadReport applyLines(ConfigModel& model, LineReader& reader) {
    CcfLoadReport report;
    for (int column = 1; column < ChannelGridColumns; ++column) {
        // One piece per grid row: the trailing "|" leaves an empty last piece.
        const QStringList fields =
            fieldsOf(reader.next(ChannelLineSeparators), ChannelLineSeparators);
        if (fields.isEmpty())
            continue;
        for (int row = 1; row < ChannelGridRows; ++row)
            model.setCell(row, column, fields.at(row - 1));
        ++report.channelColumnsApplied;
    }

    qsizetype longestRate = 0;
    for (const QString& entry : BaudRateEntries())
        longestRate = std::max(longestRate, entry.size());
    if (const std::optional<QByteArray> baudLine = reader.next(0, longestRate)) {
        const QString text = QString::fromLatin1(*baudLine);
        for (const QString& entry : BaudRateEntries()) {
            if (entry == text) {
                model.setBaudRateText(entry);
                report.baudRateMatched = true;
            }
        }
    }

    const QStringList priorities =
        fieldsOf(reader.next(PriorityLineSeparators), PriorityLineSeparators);
    if (!priorities.isEmpty()) {
        for (int row = 1; row < ObdGridRows; ++row)
            model.setObdPriority(row, priorities.at(row - 1));
        report.prioritiesApplied = true;
    }
    return report;
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
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    return applyLines(model, reader);
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
    // Reads only as far as the end of the 14th line.
    LineReader reader(file);
    const CcfLoadReport applied = applyLines(model, reader);
    if (report)
        *report = applied;
    return true;
}

} // namespace cac
