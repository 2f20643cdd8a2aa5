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

bool isSettingCell(int row, int column) {
    return row >= 1 && row <= ChannelCount && column >= 1 && column < ChannelGridColumns;
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

bool IsLockedCell(const ConfigModel& model, int row) {
    return row == ChannelCount && model.obdModeEnabled();
}

PasteOutcome PasteCells(ConfigModel& model, int top, int left, const CellBlock& block) {
    PasteOutcome outcome;
    QSet<int> chosenRows; // rows given a list text: their empty cells get defaults
    qsizetype widest = 0;
    for (qsizetype i = 0; i < block.size(); ++i) {
        const int row = top + static_cast<int>(i);
        const QStringList& fields = block[i];
        widest = std::max(widest, fields.size());
        if (row > ChannelCount) {
            ++outcome.rowsBeyond;
            continue;
        }
        for (qsizetype j = 0; j < fields.size(); ++j) {
            const int column = left + static_cast<int>(j);
            if (!isSettingCell(row, column))
                continue;
            const QString& text = fields[j];
            if (IsLockedCell(model, row)) {
                outcome.locked << CellPlace{row, column};
                continue;
            }
            const int k = ComboForColumn(column);
            const bool fits =
                k >= 0 ? text.isEmpty() || model.choiceList(k).contains(text) : !text.contains(Cr);
            if (!fits) {
                outcome.refused << CellPlace{row, column};
                continue;
            }
            model.setCell(row, column, text);
            ++outcome.written;
            if (k >= 0 && !text.isEmpty())
                chosenRows.insert(row);
        }
    }
    outcome.columnsBeyond = std::max(0, left + static_cast<int>(widest) - ChannelGridColumns);
    const int right = left + static_cast<int>(widest) - 1;
    for (int row : chosenRows) {
        for (int column = 1; column < ChannelGridColumns; ++column) {
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
