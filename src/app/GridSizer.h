#pragma once

#include <QList>
#include <QObject>

class QTableView;

namespace cac::app {

// Sizes a grid to the room it really has. The columns keep fixed proportions
// and together fill the grid's width exactly, so there is no horizontal
// scroll bar; the title row is tall enough for its wrapped titles; the grid
// is exactly as tall as its rows, all of them shown and no empty band below
// the last, and never narrower than the longest word of any title. Once the
// user sizes a column himself, his widths are kept.
class GridSizer : public QObject {
    Q_OBJECT
public:
    // `weights`: the row header's share first when the row header is shown,
    // then one share per column. `rowHeight` is every row's height.
    GridSizer(QTableView* grid, QList<double> weights, int rowHeight);

    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumns();
    // Returns the title row's height.
    int fitTitleRow();
    void fitHeightToRows(int titleHeight);

    QTableView* m_grid;
    QList<double> m_weights;
    int m_rowHeight;
    bool m_applying = false;
    bool m_again = false;
    bool m_userSized = false;
};

} // namespace cac::app
