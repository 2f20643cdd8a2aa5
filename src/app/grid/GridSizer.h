#pragma once

#include <QList>
#include <QObject>
#include <QTableView>

namespace cac::app {

// A grid whose natural height is all its rows at their least height, as its
// GridSizer says, however tall they have grown: the window opens with every
// row shown, and rows that grow into spare height ask for no more.
class GridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    QSize sizeHint() const override;

protected:
    // Ctrl with a key that moves the current cell (Ctrl+Home to the first
    // cell, Ctrl+Down as Down) selects as the key alone does: the highlight
    // stays on the cell the next key edits.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    friend class GridSizer;
    void setNaturalHeight(int height);
    int m_naturalHeight = -1;
};

// Sizes a grid to the room it really has. The columns keep fixed proportions
// and together fill the grid's width exactly, so there is no horizontal
// scroll bar; the title row is tall enough for its wrapped titles; the grid
// is never narrower than the longest word of any title. The rows share the
// grid's height: never lower than `rowHeight` (a scroll bar then shows the
// rest; the grid keeps room for a few rows at least), never higher than
// `rowHeight` times `growth`, which also caps the grid's height, so that no
// empty band stays below the last row. Once the user sizes a column himself,
// his widths are kept.
class GridSizer : public QObject {
    Q_OBJECT
public:
    // `weights`: the row header's share first when the row header is shown,
    // then one share per column. `rowHeight` is every row's height.
    GridSizer(GridView* grid, QList<double> weights, int rowHeight, double growth = 1.0);

    // Rows the grid keeps room for however short the window.
    static constexpr int FewestRows = 4;

    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setLimits(const QSize& least, const QSize& most);
    void fitColumns();
    // Returns the title row's height.
    int fitTitleRow();
    void fitRowsToHeight(int titleNeeds);

    GridView* m_grid;
    QList<double> m_weights;
    int m_rowHeight;
    int m_tallestRow;
    bool m_applying = false;
    bool m_again = false;
    bool m_userSized = false;
};

} // namespace cac::app
