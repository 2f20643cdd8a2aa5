#include "app/preview/PreviewLines.h"

#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewTexts.h"
#include "app/preview/SeriesPainter.h"
#include "decode/DecodeTally.h"
#include "decode/DecodeTexts.h"
#include "decode/FrameDecoder.h"
#include "decode/ValueSeries.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <cmath>
#include <utility>

namespace cac::app {

namespace {

enum Column {
    ColChannel,
    ColVariable,
    ColFrames,
    ColLast,
    ColMinimum,
    ColMaximum,
    ColUnit,
    ColNotDecoded,
    ColOverTime,
    ColumnCount
};

constexpr int ChannelRole = Qt::UserRole;
constexpr int SparklineWidth = 160;

// The small plot of a channel's values over the whole log, in its line.
class SparklineDelegate : public QStyledItemDelegate {
public:
    using SeriesOf = PreviewLines::SeriesOf;
    SparklineDelegate(SeriesOf seriesOf, QObject* parent)
        : QStyledItemDelegate(parent), m_seriesOf(std::move(seriesOf)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const ValueSeries* series = m_seriesOf(index.data(ChannelRole).toInt());
        if (!series || series->count() == 0)
            return;
        const std::vector<SeriesBucket> buckets = series->buckets();
        const auto [low, high] =
            SeriesPainter::range(buckets, SeriesPainter::Side::Value, -INFINITY, INFINITY);
        const SeriesPainter draw{SeriesPainter::Side::Value, buckets.front().start,
                                 buckets.back().start + buckets.back().width, low, high};
        const QColor color = option.state & QStyle::State_Selected
                                 ? option.palette.color(QPalette::HighlightedText)
                                 : option.palette.color(QPalette::Link);
        draw.draw(*painter, QRectF(option.rect).adjusted(3, 3, -3, -3), buckets, color);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index).expandedTo({SparklineWidth, 0});
    }

private:
    SeriesOf m_seriesOf;
};

QTableWidgetItem* newItem(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

} // namespace

PreviewLines::PreviewLines(SeriesOf seriesOf, QWidget* parent) : QTableWidget(parent) {
    setObjectName(names::PreviewTable);
    setColumnCount(ColumnCount);
    setHorizontalHeaderLabels(texts::previewColumns());
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(ColVariable, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(ColOverTime, QHeaderView::Fixed);
    setColumnWidth(ColOverTime, SparklineWidth);
    setItemDelegateForColumn(ColOverTime, new SparklineDelegate(std::move(seriesOf), this));
    const auto chosen = [this](int row, int) {
        if (const QTableWidgetItem* line = item(row, ColChannel))
            emit channelChosen(line->data(ChannelRole).toInt());
    };
    connect(this, &QTableWidget::cellClicked, this, chosen);
    connect(this, &QTableWidget::cellActivated, this, chosen);
}

void PreviewLines::showLines(const FrameDecoder& decoder, const DecodeTally& tally) {
    const QList<ChannelSummary> summaries = ChannelSummaries(decoder, tally);
    setRowCount(int(summaries.size())); // the same lines keep their selection
    const auto value = [](const QString& text) {
        return newItem(text.isEmpty() ? QStringLiteral("\u2013") : text, true);
    };
    int row = 0;
    for (const ChannelSummary& s : summaries) {
        const int c = s.channel;
        const ChannelDecoding& d = decoder.channel(c);
        const ChannelTally& t = tally.channel(c);
        setItem(row, ColChannel, newItem(QString::number(c), true));
        setItem(row, ColVariable, newItem(s.variable, false));
        setItem(row, ColFrames, newItem(s.frames, true));
        setItem(row, ColLast, value(s.last));
        setItem(row, ColMinimum, value(s.minimum));
        setItem(row, ColMaximum, value(s.maximum));
        QTableWidgetItem* unit = newItem(s.unit, false);
        if (d.exponent != 0)
            unit->setToolTip(texts::previewExponent(d.exponent));
        setItem(row, ColUnit, unit);
        QTableWidgetItem* notDecoded;
        if (!d.problem.isEmpty()) {
            notDecoded = newItem(texts::PreviewNoValue, true);
            notDecoded->setToolTip(d.problem);
        } else {
            notDecoded = newItem(QString::number(t.undecodable), true);
            notDecoded->setToolTip(t.problem);
        }
        if (!d.problem.isEmpty() || t.undecodable > 0)
            notDecoded->setForeground(QColor(0xb0, 0x20, 0x20));
        setItem(row, ColNotDecoded, notDecoded);
        QTableWidgetItem* plot = newItem(QString(), false);
        setItem(row, ColOverTime, plot);
        for (int column = 0; column < ColumnCount; ++column)
            item(row, column)->setData(ChannelRole, c);
        ++row;
    }
}

} // namespace cac::app
