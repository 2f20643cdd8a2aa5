#include "configfile/CcfFile.h"

#include "channels/ConfigModel.h"
#include "common/BoundedFileRead.h"
#include "common/SafeFileWrite.h"
#include "obd/ObdParameters.h"

#include <QBuffer>

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
    explicit LineReader(BoundedInput& input) : m_input(input) {}

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

    // The bytes taken up by the lines so far; more than the input's limit
    // when a line did not end within it.
    qint64 consumed() const { return m_input.total() - (m_buffer.size() - m_pos); }

private:
    bool refill() {
        m_buffer.resize(ReadChunk);
        const qint64 read = m_input.read(m_buffer.data(), ReadChunk);
        m_buffer.resize(read);
        m_pos = 0;
        return !m_buffer.isEmpty();
    }

    BoundedInput& m_input;
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

// The 14 lines a load uses, each one as far as it can be applied, all read
// before anything is applied.
struct CcfLines {
    std::optional<QByteArray> channelColumns[ChannelGridColumns - 1];
    std::optional<QByteArray> baudRate;
    std::optional<QByteArray> priorities;
};

CcfLines readLines(LineReader& reader) {
    CcfLines lines;
    for (std::optional<QByteArray>& column : lines.channelColumns)
        column = reader.next(ChannelLineSeparators);
    qsizetype longestRate = 0;
    for (const QString& entry : BaudRateEntries())
        longestRate = std::max(longestRate, entry.size());
    lines.baudRate = reader.next(0, longestRate);
    lines.priorities = reader.next(PriorityLineSeparators);
    return lines;
}

CcfLoadReport applyLines(ConfigModel& model, const CcfLines& lines) {
    CcfLoadReport report;
    for (int column = 1; column < ChannelGridColumns; ++column) {
        // One piece per grid row: the trailing "|" leaves an empty last piece.
        const QStringList fields =
            fieldsOf(lines.channelColumns[column - 1], ChannelLineSeparators);
        if (fields.isEmpty())
            continue;
        for (int row = 1; row < ChannelGridRows; ++row)
            model.setCell(row, column, fields.at(row - 1));
        ++report.channelColumnsApplied;
    }

    if (lines.baudRate) {
        const QString text = QString::fromLatin1(*lines.baudRate);
        for (const QString& entry : BaudRateEntries()) {
            if (entry == text) {
                model.setBaudRateText(entry);
                report.baudRateMatched = true;
            }
        }
    }

    const QStringList priorities = fieldsOf(lines.priorities, PriorityLineSeparators);
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
    BoundedInput input(buffer, bytes.size());
    LineReader reader(input);
    return applyLines(model, readLines(reader));
}

bool SaveCcfFile(const ConfigModel& model, const QString& path, QString* error) {
    return WriteFileSafely(path, SerializeCcf(model), error);
}

bool LoadCcfFile(ConfigModel& model, const QString& path, CcfLoadReport* report, QString* error) {
    const OpenedFile opened = OpenRegularFile(path);
    QString problem = opened.reason;
    CcfLines lines;
    if (opened.file) {
        // Reads only as far as the end of the 14th line; what follows it may
        // lie beyond the limit, the 14 lines may not.
        BoundedInput input(*opened.file, MaxCcfFileSize);
        LineReader reader(input);
        lines = readLines(reader);
        if (input.failed())
            problem = QStringLiteral("cannot read it: %1").arg(opened.file->errorString());
        else if (reader.consumed() > MaxCcfFileSize)
            problem = TooLargeReason(MaxCcfFileSize, QStringLiteral("a configuration file"));
    }
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    const CcfLoadReport applied = applyLines(model, lines);
    if (report)
        *report = applied;
    return true;
}

} // namespace cac
