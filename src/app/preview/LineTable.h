#pragma once

#include "app/preview/SeriesPainter.h"

#include <QStyledItemDelegate>

#include <functional>

class QTableWidget;
class QTableWidgetItem;

namespace cac {
class ValueSeries;
} // namespace cac

namespace cac::app {

// The read-only tables of lines the preview and the signal finder show: whole
// lines selected one at a time, nothing edited, no wrapping, columns as wide
// as their contents.
void SetUpLineTable(QTableWidget& table, const QString& name, const QStringList& columns);

// A cell of such a table: numbers right-aligned, words left-aligned.
QTableWidgetItem* NewLineItem(const QString& text, bool number);

// The small plot of a line's series over the whole log, in its cell.
class SparklineDelegate : public QStyledItemDelegate {
public:
    // The series of the cell's line (null: nothing to plot) and its side.
    struct Plot {
        const ValueSeries* series = nullptr;
        SeriesPainter::Side side = SeriesPainter::Side::Value;
        const std::vector<double>* marks = nullptr; // times drawn across it
    };
    using PlotOf = std::function<Plot(const QModelIndex& index)>;

    SparklineDelegate(PlotOf plotOf, int width, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    PlotOf m_plotOf;
    int m_width;
};

} // namespace cac::app
