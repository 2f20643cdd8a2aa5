#include "app/preview/PreviewLines.h"

#include "app/preview/LineTable.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewTexts.h"
#include "decode/DecodeTally.h"
#include "decode/DecodeTexts.h"
#include "decode/FrameDecoder.h"
#include "decode/ValueSeries.h"

#include <QHeaderView>

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

} // namespace

PreviewLines::PreviewLines(SeriesOf seriesOf, QWidget* parent) : QTableWidget(parent) {
    SetUpLineTable(*this, names::PreviewTable, texts::previewColumns());
    horizontalHeader()->setSectionResizeMode(ColVariable, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(ColOverTime, QHeaderView::Fixed);
    setColumnWidth(ColOverTime, SparklineWidth);
    // A channel's values over the whole log.
    const auto plotOf = [seriesOf = std::move(seriesOf)](const QModelIndex& index) {
        return SparklineDelegate::Plot{seriesOf(index.data(ChannelRole).toInt()),
                                       SeriesPainter::Side::Value};
    };
    setItemDelegateForColumn(ColOverTime, new SparklineDelegate(plotOf, SparklineWidth, this));
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
        return NewLineItem(text.isEmpty() ? QStringLiteral("\u2013") : text, true);
    };
    int row = 0;
    for (const ChannelSummary& s : summaries) {
        const int c = s.channel;
        const ChannelDecoding& d = decoder.channel(c);
        const ChannelTally& t = tally.channel(c);
        setItem(row, ColChannel, NewLineItem(QString::number(c), true));
        setItem(row, ColVariable, NewLineItem(s.variable, false));
        setItem(row, ColFrames, NewLineItem(s.frames, true));
        setItem(row, ColLast, value(s.last));
        setItem(row, ColMinimum, value(s.minimum));
        setItem(row, ColMaximum, value(s.maximum));
        QTableWidgetItem* unit = NewLineItem(s.unit, false);
        if (d.exponent != 0)
            unit->setToolTip(texts::previewExponent(d.exponent));
        setItem(row, ColUnit, unit);
        QTableWidgetItem* notDecoded;
        if (!d.problem.isEmpty()) {
            notDecoded = NewLineItem(texts::PreviewNoValue, true);
            notDecoded->setToolTip(d.problem);
        } else {
            notDecoded = NewLineItem(QString::number(t.undecodable), true);
            notDecoded->setToolTip(t.problem);
        }
        if (!d.problem.isEmpty() || t.undecodable > 0)
            notDecoded->setForeground(QColor(0xb0, 0x20, 0x20));
        setItem(row, ColNotDecoded, notDecoded);
        QTableWidgetItem* plot = NewLineItem(QString(), false);
        setItem(row, ColOverTime, plot);
        for (int column = 0; column < ColumnCount; ++column)
            item(row, column)->setData(ChannelRole, c);
        ++row;
    }
}

} // namespace cac::app
