#pragma once

#include <QStyledItemDelegate>

namespace cac::app {

// How the cells of both grids are drawn: without a focus rectangle (the
// current cell shows as selected), and with the whole text as a tool tip
// when the cell cuts it.
class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    // Whether the text does not fit the cell as the cell is drawn now.
    bool textIsCut(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};

} // namespace cac::app
