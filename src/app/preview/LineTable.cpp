#include "app/preview/LineTable.h"

#include "decode/ValueSeries.h"

#include <QHeaderView>
#include <QPainter>
#include <QTableWidget>

#include <cmath>
#include <utility>

namespace cac::app {

void SetUpLineTable(QTableWidget& table, const QString& name, const QStringList& columns) {
    table.setObjectName(name);
    table.setColumnCount(int(columns.size()));
    table.setHorizontalHeaderLabels(columns);
    table.verticalHeader()->hide();
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setWordWrap(false);
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

QTableWidgetItem* NewLineItem(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

SparklineDelegate::SparklineDelegate(PlotOf plotOf, int width, QObject* parent)
    : QStyledItemDelegate(parent), m_plotOf(std::move(plotOf)), m_width(width) {}

void SparklineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    const Plot plot = m_plotOf(index);
    if (!plot.series || plot.series->count() == 0)
        return;
    const std::vector<SeriesBucket> buckets = plot.series->buckets();
    const auto [low, high] = SeriesPainter::range(buckets, plot.side, -INFINITY, INFINITY);
    const SeriesPainter draw{plot.side, buckets.front().start,
                             buckets.back().start + buckets.back().width, low, high};
    const QColor color = option.state & QStyle::State_Selected
                             ? option.palette.color(QPalette::HighlightedText)
                             : option.palette.color(QPalette::Link);
    const QRectF area = QRectF(option.rect).adjusted(3, 3, -3, -3);
    draw.draw(*painter, area, buckets, color);
    if (!plot.marks || draw.timeTo <= draw.timeFrom)
        return;
    painter->save();
    painter->setPen(QPen(QColor(0xe0, 0x70, 0x10), 1));
    for (const double mark : *plot.marks)
        if (mark >= draw.timeFrom && mark <= draw.timeTo) {
            const qreal x =
                area.left() + (mark - draw.timeFrom) / (draw.timeTo - draw.timeFrom) * area.width();
            painter->drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        }
    painter->restore();
}

QSize SparklineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index).expandedTo({m_width, 0});
}

} // namespace cac::app
