#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace cac {

class ConfigModel;

// A rectangle of cell texts as it travels through the clipboard: rows of
// fields, the first field of the first row at the top left. Rows may be of
// different lengths; a missing field writes nothing.
using CellBlock = QList<QStringList>;

// A setting cell of the channel grid: row 1 to 15, column 1 to 12.
struct CellPlace {
    int row = 0;
    int column = 0;
    friend bool operator==(const CellPlace&, const CellPlace&) = default;
};

// Tab-separated text as spreadsheets put on the clipboard: fields by tab,
// every row ended by a line feed; a field holding a tab, a line end or a
// quote is quoted, its quotes doubled.
QString CellBlockToTsv(const CellBlock& block);
// The same block as an HTML table, which spreadsheets paste into cells.
QString CellBlockToHtml(const CellBlock& block);
// Reads spreadsheet text: CR LF, LF or CR end a row, quoted fields may hold
// any of them; a line end after the last row adds no row.
CellBlock CellBlockFromTsv(const QString& text);

// The texts of the given channels and columns, rows and columns in the order
// given.
CellBlock CopyCells(const ConfigModel& model, const QList<int>& rows, const QList<int>& columns);

// Whether the block holds whole channels: its widest row has a field for each
// of the twelve settings, as every copy of whole channels and a spreadsheet's
// rows of all twelve columns do. No narrower block fits column 1 alone.
bool IsWholeChannels(const CellBlock& block);

// What a paste wrote and what it left alone.
struct PasteOutcome {
    int written = 0;          // cells whose text the block set (changed or not)
    QList<CellPlace> refused; // list cells given a text that is not an entry
    QList<CellPlace> locked;  // channel 15 while it is used for OBD
    int rowsBeyond = 0;       // block rows below channel 15
    int columnsBeyond = 0;    // block columns right of column 12
    // The grid cells the block covers, its top left and bottom right; what
    // is selected afterwards.
    CellPlace first;
    CellPlace last;
};

// Writes the block with its top left at (top, left), each cell as an edit by
// hand could: a list column takes only its list's texts, matched regardless
// of letter case and written in the list's own spelling (or an empty text,
// the start-up state), a text column any text without a carriage return,
// which would break the file's lines. Whole channels go into whole channels:
// their top left is column 1 of channel `top`, whatever `left` is. A row given a list text gets the
// defaults of its empty cells outside the block, as a list choice fills them;
// cells inside the block keep exactly the pasted texts.
PasteOutcome PasteCells(ConfigModel& model, int top, int left, const CellBlock& block);

// True for a cell no edit may write: channel 15 while OBD mode is on.
bool IsLockedCell(const ConfigModel& model, int row);

// Empties the given cells, their start-up state; locked cells are skipped.
// Returns how many were skipped.
int ClearCells(ConfigModel& model, const QList<CellPlace>& cells);

// Swaps channel `row` with its neighbour `row + step` (step -1 or 1), all
// twelve settings together. Nothing moves into, out of or past a locked
// channel or beyond the grid; returns whether it moved.
bool MoveChannel(ConfigModel& model, int row, int step);

} // namespace cac
