#include "app/editing/GridSelectionEdits.h"

#include "app/editing/EditHistory.h"
#include "app/editing/EditTexts.h"
#include "app/grid/ChannelGridEditor.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QStatusBar>
#include <QTableView>

#include <algorithm>

namespace cac::app {
namespace {

QList<int> distinctSorted(QList<int> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

} // namespace

GridSelectionEdits::GridSelectionEdits(QTableView* grid, ChannelGridEditor* editor,
                                       ConfigModel* model, EditHistory* history,
                                       QStatusBar* statusBar, QObject* parent)
    : QObject(parent), m_grid(grid), m_editor(editor), m_model(model), m_history(history),
      m_statusBar(statusBar) {}

// The grid's model is the store seen through an identity proxy: view index
// (r, c) is cell (r + 1, c + 1).
QList<CellPlace> GridSelectionEdits::selectedCells() const {
    QList<CellPlace> cells;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedIndexes())
        cells << CellPlace{index.row() + 1, index.column() + 1};
    if (cells.isEmpty() && m_grid->currentIndex().isValid())
        cells << CellPlace{m_grid->currentIndex().row() + 1, m_grid->currentIndex().column() + 1};
    std::sort(cells.begin(), cells.end(), [](const CellPlace& a, const CellPlace& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    return cells;
}

void GridSelectionEdits::selectBlock(int top, int left, int bottom, int right) {
    const QAbstractItemModel* view = m_grid->model();
    m_grid->setCurrentIndex(view->index(top - 1, left - 1));
    m_grid->selectionModel()->select(
        QItemSelection(view->index(top - 1, left - 1), view->index(bottom - 1, right - 1)),
        QItemSelectionModel::ClearAndSelect);
}

void GridSelectionEdits::copy() {
    m_editor->closeEditors(); // what the text box holds is copied too
    const QList<CellPlace> cells = selectedCells();
    if (cells.isEmpty())
        return;
    QList<int> rows;
    QList<int> columns;
    for (const CellPlace& place : cells) {
        rows << place.row;
        columns << place.column;
    }
    rows = distinctSorted(rows);
    columns = distinctSorted(columns);
    const CellBlock block = CopyCells(*m_model, rows, columns);
    auto* data = new QMimeData;
    data->setText(CellBlockToTsv(block));
    data->setHtml(CellBlockToHtml(block));
    QGuiApplication::clipboard()->setMimeData(data);
    m_statusBar->showMessage(
        texts::copiedCells(rows.size(), columns.size(), IsWholeChannels(block)));
}

void GridSelectionEdits::cut() {
    copy();
    EditHistory::Scope step(m_history, texts::StepCut);
    const QList<CellPlace> cells = selectedCells();
    const int kept = ClearCells(*m_model, cells);
    m_statusBar->showMessage(m_statusBar->currentMessage() + QLatin1Char(' ') +
                             texts::clearedCells(cells.size() - kept, kept));
}

void GridSelectionEdits::clear() {
    m_editor->closeEditors();
    EditHistory::Scope step(m_history, texts::StepClear);
    const QList<CellPlace> cells = selectedCells();
    const int kept = ClearCells(*m_model, cells);
    m_statusBar->showMessage(texts::clearedCells(cells.size() - kept, kept));
}

void GridSelectionEdits::paste() {
    m_editor->closeEditors();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const CellBlock block = data && data->hasText() ? CellBlockFromTsv(data->text()) : CellBlock{};
    if (block.isEmpty()) {
        m_statusBar->showMessage(texts::NothingToPaste);
        return;
    }
    const QList<CellPlace> cells = selectedCells();
    if (cells.isEmpty())
        return;
    const int top = cells.first().row;
    int left = cells.first().column;
    for (const CellPlace& place : cells)
        left = std::min(left, place.column);
    PasteOutcome outcome;
    {
        EditHistory::Scope step(m_history, texts::StepPaste);
        outcome = PasteCells(*m_model, top, left, block);
    }
    if (outcome.first.row > 0)
        selectBlock(outcome.first.row, outcome.first.column, outcome.last.row, outcome.last.column);
    m_statusBar->showMessage(texts::pasteReport(outcome));
}

void GridSelectionEdits::move(int step) {
    m_editor->closeEditors();
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row() + 1;
    bool moved = false;
    {
        EditHistory::Scope named(m_history, texts::stepMove(row, step));
        moved = MoveChannel(*m_model, row, step);
    }
    if (!moved) {
        m_statusBar->showMessage(texts::CannotMove);
        return;
    }
    // The moved channel stays selected, so that the keys can move it on.
    const bool wholeChannel = m_grid->selectionModel()->isRowSelected(current.row(), {});
    const QModelIndex there = m_grid->model()->index(current.row() + step, current.column());
    m_grid->setCurrentIndex(there);
    if (wholeChannel)
        m_grid->selectRow(there.row());
    m_statusBar->showMessage(texts::movedChannel(row, row + step));
}

void GridSelectionEdits::selectAll() {
    m_editor->closeEditors();
    m_grid->selectAll();
}

void GridSelectionEdits::selectChannels() {
    m_editor->closeEditors();
    const QModelIndex current = m_grid->currentIndex();
    QList<int> rows;
    for (const CellPlace& place : selectedCells())
        rows << place.row;
    QItemSelection channels;
    for (int row : distinctSorted(rows)) {
        const QModelIndex first = m_grid->model()->index(row - 1, 0);
        channels.select(first, first.siblingAtColumn(ChannelGridColumns - 2));
    }
    m_grid->selectionModel()->select(channels, QItemSelectionModel::ClearAndSelect);
    m_grid->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

} // namespace cac::app
