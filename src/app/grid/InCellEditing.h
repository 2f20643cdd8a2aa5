#pragma once

#include <QObject>

class QKeyEvent;
class QModelIndex;
class QMouseEvent;
class QTableView;
class QWidget;

namespace cac::app {

class CellListEditor;

// A cell in the window's numbering: row 0 is the title row; column 0 is the
// channel-number column of the channel grid, the name column of the OBD table.
struct GridCell {
    int row = -1;
    int column = -1;
    bool isValid() const { return row >= 0 && column >= 0; }
    friend bool operator==(const GridCell&, const GridCell&) = default;
};

// In-place editing of a grid, shared by the channel grid and the OBD table.
//
// The editors are the window's named widgets (Combo(0) to Combo(6), TextBox,
// SetPriorityCombo) placed over the cell as children of the grid's viewport,
// not editors made by Qt item delegates. The editing rules are not a
// delegate's: each list is one long-lived widget that keeps its selection
// between edits (a cell that matches none of its entries opens it with the
// previous one); a list writes only on a pick, never when it loses the focus;
// a click while an editor is open only closes it. A delegate makes a new
// editor per edit and commits when it loses the focus, so every one of these
// rules would have to be undone. What delegates would give is done here:
// the open editor scrolls with the viewport it lies in and is placed over its
// cell again whenever a row or column changes size, and the keys that open,
// commit and cancel are handled here and in the editors.
//
// An editor opens on the release of a click (press and release on the same
// cell), never on the press: a drop-down opened on the press takes the
// release as a pick or as a click outside, depending on where the style puts
// it, and a press held on the cell would pick the preselected entry.
class InCellEditing : public QObject {
    Q_OBJECT
public:
    // `headerIsColumn0`: the grid's row header is column 0 (channel grid);
    // otherwise model column 0 is (OBD table).
    InCellEditing(QTableView* grid, bool headerIsColumn0, QObject* parent);

    QTableView* grid() const { return m_grid; }
    GridCell currentCell() const;
    // Closes whatever is open; a text box writes its text.
    virtual void closeEditors() = 0;
    // Closes the editors, makes the cell the grid's current one and gives the
    // grid the focus, as the keyboard would have moved there.
    void showCell(const GridCell& cell);

protected:
    virtual bool editorOpen() const = 0;
    // Opens the cell's editor: on a click that did not merely close an
    // editor, and on Enter, F2, Space, Alt+Down (where the window does not
    // take it as a shortcut: the channel grid moves a channel with it) or
    // typing on the current cell; `typed` is the typed text, empty for a
    // click and the other keys.
    virtual void openEditor(const GridCell& cell, const QString& typed) = 0;
    // A click that closed an open editor and does nothing else.
    virtual void closingClick(const GridCell& cell) { Q_UNUSED(cell); }
    // The current cell moved by keyboard.
    virtual void currentCellMoved(const GridCell& cell) { Q_UNUSED(cell); }
    // Places the open editor over its cell again.
    virtual void followCell() = 0;

    // A press that dismisses a list's drop-down over this grid is the grid's
    // click on an open editor.
    void watchList(CellListEditor* list);
    // The text box lost the focus to a mouse press; the press follows at once.
    void noteFocusLostToPress();

    QModelIndex indexOf(const GridCell& cell) const;
    // List height, or the cell's height for the text box.
    void placeOver(QWidget* editor, const GridCell& cell, bool matchCellHeight) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GridCell cellAt(QObject* surface, const QPoint& pos) const;
    GridCell cellAtScreen(const QPoint& globalPos) const;
    GridCell cellOf(const QModelIndex& index) const;
    void onPress(QObject* surface, const QMouseEvent* event);
    void onRelease(QObject* surface, const QMouseEvent* event);
    bool onKey(const QKeyEvent* event);

    QTableView* m_grid;
    bool m_headerIsColumn0;
    GridCell m_pressed;       // where a click that may open began
    bool m_mouseDown = false; // current-cell moves under the mouse are clicks
    bool m_focusLostToPress = false;
};

} // namespace cac::app
