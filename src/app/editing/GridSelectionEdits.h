#pragma once

#include "channels/CellBlock.h"

#include <QObject>

class QStatusBar;
class QTableView;

namespace cac {
class ConfigModel;
}

namespace cac::app {

class ChannelGridEditor;
class EditHistory;

// The Edit menu's work on the channel grid's selection: copy, cut, paste and
// delete of cells or whole channels (Shift+Space widens the selection to its
// channels, as spreadsheets do), moving a channel up or down, select all.
// The clipboard carries tab-separated text and an HTML table, as spreadsheets
// do. Each command that changes cells is one undo step; the status bar says
// what it did.
class GridSelectionEdits : public QObject {
    Q_OBJECT
public:
    GridSelectionEdits(QTableView* grid, ChannelGridEditor* editor, ConfigModel* model,
                       EditHistory* history, QStatusBar* statusBar, QObject* parent);

    void copy();
    void cut();
    void paste();
    void clear();
    void moveUp() { move(-1); }
    void moveDown() { move(1); }
    void selectAll();
    void selectChannels();

private:
    // The selected setting cells, by row and then column; the current cell
    // when nothing is selected.
    QList<CellPlace> selectedCells() const;
    void selectBlock(int top, int left, int bottom, int right);
    void move(int step);

    QTableView* m_grid;
    ChannelGridEditor* m_editor;
    ConfigModel* m_model;
    EditHistory* m_history;
    QStatusBar* m_statusBar;
};

} // namespace cac::app
