#include "channels/CellBlock.h"

#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"

#include <QSet>

#include <algorithm>

namespace cac {
namespace {

const QChar Quote = QLatin1Char('"');
const QChar Tab = QLatin1Char('\t');
const QChar Lf = QLatin1Char('\n');
const QChar Cr = QLatin1Char('\r');

QString quotedIfNeeded(const QString& field) {
    const bool needs =
        field.contains(Tab) || field.contains(Lf) || field.contains(Cr) || field.contains(Quote);
    if (!needs)
        return field;
    QString doubled = field;
    doubled.replace(Quote, QStringLiteral("\"\""));
    return Quote + doubled + Quote;
}

constexpr int SettingColumns = ChannelGridColumns - 1;

bool isSettingCell(int row, int column) {
    return row >= 1 && row <= ChannelCount && column >= 1 && column <= SettingColumns;
}

qsizetype widestRow(const CellBlock& block) {
    qsizetype widest = 0;
    for (const QStringList& row : block)
        widest = std::max(widest, row.size());
    return widest;
}

// The entry a pasted text stands for: the same text, else the first entry
// that differs from it only in letter case, as spreadsheets write "unsigned";
// -1 for none.
qsizetype entryFor(const QStringList& list, const QString& text) {
    const qsizetype exact = list.indexOf(text);
    if (exact >= 0)
        return exact;
    const auto found = std::find_if(list.begin(), list.end(), [&](const QString& entry) {
        return entry.compare(text, Qt::CaseInsensitive) == 0;
    });
    return found == list.end() ? -1 : found - list.begin();
}

} // namespace

QString CellBlockToTsv(const CellBlock& block) {
    QString text;
    for (const QStringList& row : block) {
        QStringList fields;
        for (const QString& field : row)
            fields << quotedIfNeeded(field);
        text += fields.join(Tab) + Lf;
    }
    return text;
}

QString CellBlockToHtml(const CellBlock& block) {
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><table>\n");
    for (const QStringList& row : block) {
        html += QStringLiteral("<tr>");
        for (const QString& field : row) {
            QString escaped = field.toHtmlEscaped();
            escaped.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
            escaped.replace(Lf, QStringLiteral("<br>"));
            escaped.replace(Cr, QStringLiteral("<br>"));
            html += QStringLiteral("<td>") + escaped + QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table></body></html>\n");
}

CellBlock CellBlockFromTsv(const QString& text) {
    CellBlock block;
    QStringList row;
    QString field;
    bool rowStarted = false; // a row exists once any character of it was read
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar ch = text[i];
        if (ch == Quote && field.isEmpty()) {
            // A quoted field runs to the quote that is not doubled; what follows
            // it up to the next separator belongs to the field too, as
            // spreadsheets read it.
            rowStarted = true;
            ++i;
            while (i < n) {
                if (text[i] == Quote) {
                    if (i + 1 < n && text[i + 1] == Quote) {
                        field += Quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            continue;
        }
        if (ch == Tab) {
            row << field;
            field.clear();
            rowStarted = true;
            ++i;
            continue;
        }
        if (ch == Cr || ch == Lf) {
            row << field;
            block << row;
            row.clear();
            field.clear();
            rowStarted = false;
            i += (ch == Cr && i + 1 < n && text[i + 1] == Lf) ? 2 : 1;
            continue;
        }
        field += ch;
        rowStarted = true;
        ++i;
    }
    if (rowStarted) {
        row << field;
        block << row;
    }
    return block;
}

CellBlock CopyCells(const ConfigModel& model, const QList<int>& rows, const QList<int>& columns) {
    CellBlock block;
    for (int row : rows) {
        QStringList fields;
        for (int column : columns)
            fields << model.cell(row, column);
        block << fields;
    }
    return block;
}

bool IsWholeChannels(const CellBlock& block) {
    return widestRow(block) == SettingColumns;
}

bool IsLockedCell(const ConfigModel& model, int row) {
    return row == ChannelCount && model.obdModeEnabled();
}

PasteOutcome PasteCells(ConfigModel& model, int top, int left, const CellBlock& block) {
    if (IsWholeChannels(block))
        left = 1;
    PasteOutcome outcome;
    QSet<int> chosenRows; // rows given a list text: their empty cells get defaults
    for (qsizetype i = 0; i < block.size(); ++i) {
        const int row = top + static_cast<int>(i);
        const QStringList& fields = block[i];
        if (row > ChannelCount) {
            ++outcome.rowsBeyond;
            continue;
        }
        for (qsizetype j = 0; j < fields.size(); ++j) {
            const int column = left + static_cast<int>(j);
            if (!isSettingCell(row, column))
                continue;
            if (IsLockedCell(model, row)) {
                outcome.locked << CellPlace{row, column};
                continue;
            }
            QString text = fields[j];
            const int k = ComboForColumn(column);
            if (k >= 0 && !text.isEmpty()) {
                const QStringList list = model.choiceList(k);
                const qsizetype entry = entryFor(list, text);
                if (entry < 0) {
                    outcome.refused << CellPlace{row, column};
                    continue;
                }
                text = list[entry];
                chosenRows.insert(row);
            } else if (k < 0 && text.contains(Cr)) {
                outcome.refused << CellPlace{row, column};
                continue;
            }
            model.setCell(row, column, text);
            ++outcome.written;
        }
    }
    const int right = left + static_cast<int>(widestRow(block)) - 1;
    outcome.columnsBeyond = std::max(0, right - SettingColumns);
    if (!block.isEmpty() && right >= left && isSettingCell(top, left)) {
        outcome.first = {top, left};
        outcome.last = {std::min(ChannelCount, top + static_cast<int>(block.size()) - 1),
                        std::min(SettingColumns, right)};
    }
    for (int row : chosenRows) {
        for (int column = 1; column <= SettingColumns; ++column) {
            if ((column >= left && column <= right) || !model.cell(row, column).isEmpty())
                continue;
            model.setCell(row, column,
                          column == ColVariable ? model.choiceList(0).value(0)
                                                : ColumnDefault(column));
        }
    }
    return outcome;
}

int ClearCells(ConfigModel& model, const QList<CellPlace>& cells) {
    int skipped = 0;
    for (const CellPlace& place : cells) {
        if (IsLockedCell(model, place.row)) {
            ++skipped;
            continue;
        }
        model.setCell(place.row, place.column, QString());
    }
    return skipped;
}

bool MoveChannel(ConfigModel& model, int row, int step) {
    const int other = row + step;
    if ((step != 1 && step != -1) || row < 1 || row > ChannelCount || other < 1 ||
        other > ChannelCount || IsLockedCell(model, row) || IsLockedCell(model, other))
        return false;
    for (int column = 1; column < ChannelGridColumns; ++column) {
        const QString moving = model.cell(row, column);
        model.setCell(row, column, model.cell(other, column));
        model.setCell(other, column, moving);
    }
    return true;
}

} // namespace cac
