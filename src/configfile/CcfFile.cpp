#include "configfile/CcfFile.h"

#include "channels/ChoiceLists.h"
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

// One line of a .ccf as far as a load needs it: its text while it can still
// be applied, and what says why it cannot when it cannot.
struct CcfLine {
    std::optional<QByteArray> text; // nullopt: too many "|" or too long
    qsizetype separators = 0;       // its "|", counted to its end
    bool endsInSeparator = false;   // its last byte is a "|"
    bool present = false;           // false past the end of the file
    bool empty() const { return present && separators == 0 && text && text->isEmpty(); }
};

// The lines of a .ccf, one at a time: lines end at CR or CR LF (a lone LF is
// an ordinary character) and reads past the end give empty lines. A line is
// kept only while it can still be applied; one that holds too many "|" or is
// too long is read to its end and dropped, so however long a line is, it
// costs no more memory than one read chunk and never hides the lines after it.
class LineReader {
public:
    explicit LineReader(BoundedInput& input) : m_input(input) {}

    // The next line, its text when it holds at most `maxSeparators` "|" and
    // at most `maxLength` bytes; the line is consumed either way.
    CcfLine next(qsizetype maxSeparators,
                 qsizetype maxLength = std::numeric_limits<qsizetype>::max()) {
        CcfLine line;
        QByteArray text;
        bool kept = true;
        while (m_pos < m_buffer.size() || refill()) {
            if (m_afterCr) { // the LF of a CR LF belongs to the line before
                m_afterCr = false;
                if (m_buffer.at(m_pos) == '\n') {
                    ++m_pos;
                    continue;
                }
            }
            line.present = true;
            const qsizetype cr = m_buffer.indexOf('\r', m_pos);
            const qsizetype end = cr < 0 ? m_buffer.size() : cr;
            const QByteArrayView piece(m_buffer.constData() + m_pos, end - m_pos);
            line.separators += piece.count('|');
            if (!piece.isEmpty())
                line.endsInSeparator = piece.back() == '|';
            if (kept) {
                kept = line.separators <= maxSeparators && piece.size() <= maxLength - text.size();
                if (kept)
                    text.append(piece);
                else
                    text = QByteArray();
            }
            m_pos = end;
            if (cr >= 0) {
                ++m_pos;
                m_afterCr = true;
                break;
            }
        }
        if (kept)
            line.text = std::move(text);
        return line;
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
QStringList fieldsOf(const CcfLine& line, qsizetype separators) {
    if (!line.text || line.separators != separators)
        return {};
    return QString::fromLatin1(*line.text).split(Separator);
}

// Why a column's line that does not fit the grid was not taken.
// Why a line of `cells` cells (each ended by "|") could not be taken.
KeptColumn keptColumn(int column, const CcfLine& line, qsizetype cells = ChannelCount) {
    KeptColumn kept{column, KeptColumn::Why::Missing, 0};
    if (!line.present)
        return kept;
    if (line.empty()) {
        kept.why = KeptColumn::Why::Empty;
        return kept;
    }
    // Every cell ends in "|"; text after the last one is a cell too.
    kept.cells = line.separators + (line.endsInSeparator ? 0 : 1);
    kept.why = kept.cells == cells ? KeptColumn::Why::Unended : KeptColumn::Why::Cells;
    return kept;
}

QString keptReason(const KeptColumn& kept, bool several);

// The 14 lines a load uses, each one as far as it can be applied, all read
// before anything is applied.
struct CcfLines {
    CcfLine channelColumns[ChannelGridColumns - 1];
    CcfLine baudRate;
    CcfLine priorities;
};

CcfLines readLines(LineReader& reader) {
    CcfLines lines;
    for (CcfLine& column : lines.channelColumns)
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
        if (fields.isEmpty()) {
            report.keptColumns.append(keptColumn(column, lines.channelColumns[column - 1]));
            continue;
        }
        for (int row = 1; row < ChannelGridRows; ++row)
            model.setCell(row, column, fields.at(row - 1));
        ++report.channelColumnsApplied;
    }

    if (lines.baudRate.text) {
        const QString text = QString::fromLatin1(*lines.baudRate.text);
        for (const QString& entry : BaudRateEntries()) {
            if (entry == text) {
                model.setBaudRateText(entry);
                report.baudRateMatched = true;
            }
        }
    }
    if (!report.baudRateMatched) {
        const CcfLine& line = lines.baudRate;
        report.baudRateKept = !line.present ? QStringLiteral("the file ends before its line")
                              : line.empty()
                                  ? QStringLiteral("its line is empty")
                                  : QStringLiteral("its line names none of the bit rates");
        if (line.present && !line.empty() && line.text)
            report.baudRateKept += QStringLiteral(" (\"%1\")").arg(QString::fromLatin1(*line.text));
    }

    const QStringList priorities = fieldsOf(lines.priorities, PriorityLineSeparators);
    if (!priorities.isEmpty()) {
        for (int row = 1; row < ObdGridRows; ++row)
            model.setObdPriority(row, priorities.at(row - 1));
        report.prioritiesApplied = true;
    } else {
        report.prioritiesKept =
            keptReason(keptColumn(0, lines.priorities, PriorityLineSeparators), false);
    }
    return report;
}

// "its line has 17 cells" for one column, "their lines have 17 cells" for several.
QString keptReason(const KeptColumn& kept, bool several) {
    switch (kept.why) {
    case KeptColumn::Why::Missing:
        return several ? QStringLiteral("the file ends before their lines")
                       : QStringLiteral("the file ends before its line");
    case KeptColumn::Why::Empty:
        return several ? QStringLiteral("their lines are empty")
                       : QStringLiteral("its line is empty");
    case KeptColumn::Why::Cells:
        return (several ? QStringLiteral("their lines have %1 cell%2")
                        : QStringLiteral("its line has %1 cell%2"))
            .arg(kept.cells)
            .arg(kept.cells == 1 ? "" : "s");
    case KeptColumn::Why::Unended:
        return several ? QStringLiteral("their last cells have no \"|\" after them")
                       : QStringLiteral("its last cell has no \"|\" after it");
    }
    return {};
}

} // namespace

QString KeptColumnsText(const CcfLoadReport& report) {
    const auto sameReason = [](const KeptColumn& a, const KeptColumn& b) {
        return a.why == b.why && a.cells == b.cells;
    };
    QStringList clauses;
    QList<KeptColumn> left = report.keptColumns;
    while (!left.isEmpty()) {
        const KeptColumn first = left.first();
        QStringList names;
        for (const KeptColumn& kept : std::as_const(left))
            if (sameReason(kept, first))
                names << ColumnName(kept.column);
        left.removeIf([&](const KeptColumn& kept) { return sameReason(kept, first); });
        const QString last = names.takeLast();
        const QString named =
            names.isEmpty() ? last
                            : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
        clauses << QStringLiteral("%1 kept: %2").arg(named, keptReason(first, !names.isEmpty()));
    }
    if (!report.baudRateKept.isEmpty())
        clauses << QStringLiteral("the bit rate kept: %1").arg(report.baudRateKept);
    if (!report.prioritiesKept.isEmpty())
        clauses << QStringLiteral("the OBD priorities kept: %1").arg(report.prioritiesKept);
    return clauses.join(QStringLiteral("; "));
}

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
