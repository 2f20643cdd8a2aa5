#include "app/GridCellDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

namespace cac::app {

void GridCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~QStyle::State_HasFocus;
}

bool GridCellDelegate::textIsCut(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (item.text.isEmpty())
        return false;
    const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &item, item.widget) + 1;
    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget)
                           .adjusted(margin, 0, -margin, 0);
    const int flags =
        static_cast<int>(item.displayAlignment) |
        (item.features.testFlag(QStyleOptionViewItem::WrapText) ? Qt::TextWordWrap : 0);
    const QRect needed = item.fontMetrics.boundingRect(room, flags, item.text);
    return needed.width() > room.width() || needed.height() > room.height();
}

bool GridCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    if (textIsCut(option, index))
        QToolTip::showText(event->globalPos(), index.data().toString(), view,
                           view->visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

} // namespace cac::app
