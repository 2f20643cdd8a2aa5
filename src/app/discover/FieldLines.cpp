#include "app/discover/FieldLines.h"

#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverTexts.h"
#include "app/discover/FieldPictureView.h"
#include "app/framelayout/FramePictureDrawing.h"
#include "app/preview/SeriesPainter.h"
#include "dbc/DatabaseText.h"
#include "discover/DiscoveryTexts.h"
#include "discover/SignalDiscovery.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <cmath>

namespace cac::app {

namespace {

enum Column { ColNumber, ColName, ColKind, ColLayout, ColRaw, ColConfidence, ColOverTime, Count };
constexpr int SparklineWidth = 140;

// The small plot of a field's raw value (its two's complement reading when
// signed) over the whole log.
class FieldSparkline : public QStyledItemDelegate {
public:
    explicit FieldSparkline(const FieldLines* lines)
        : QStyledItemDelegate(nullptr), m_lines(lines) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const ValueSeries* series = m_lines->seriesOf(index.row());
        if (!series || series->count() == 0)
            return;
        const std::vector<SeriesBucket> buckets = series->buckets();
        const auto side =
            m_lines->signedAt(index.row()) ? SeriesPainter::Side::Value : SeriesPainter::Side::Raw;
        const auto [low, high] = SeriesPainter::range(buckets, side, -INFINITY, INFINITY);
        const SeriesPainter draw{side, buckets.front().start,
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
    const FieldLines* m_lines;
};

QTableWidgetItem* newItem(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

} // namespace

FieldLines::FieldLines(QWidget* parent) : QTableWidget(parent) {
    setObjectName(names::DiscoverFields);
    setColumnCount(Count);
    setHorizontalHeaderLabels(texts::discoverFieldColumns());
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(ColOverTime, QHeaderView::Stretch);
    horizontalHeader()->setMinimumSectionSize(24);
    setItemDelegateForColumn(ColOverTime, new FieldSparkline(this));
    itemDelegateForColumn(ColOverTime)->setParent(this);
}

const ValueSeries* FieldLines::seriesOf(int row) const {
    return row >= 0 && std::size_t(row) < m_series.size() ? m_series[std::size_t(row)].get()
                                                          : nullptr;
}

bool FieldLines::signedAt(int row) const {
    return row >= 0 && std::size_t(row) < m_signed.size() && m_signed[std::size_t(row)];
}

void FieldLines::showFields(const DiscoveredIdentifier& identifier) {
    const QList<int> numbers = FieldNumbers(identifier);
    m_series.clear();
    m_signed.clear();
    setRowCount(int(identifier.fields.size()));
    for (int row = 0; row < identifier.fields.size(); ++row) {
        const DiscoveredField& field = identifier.fields[row];
        const bool changes = numbers[row] > 0;
        QTableWidgetItem* number =
            newItem(changes ? QString::number(numbers[row]) : QStringLiteral("\u2013"), true);
        if (changes) {
            number->setBackground(PictureGeometry::channelColour(numbers[row]));
            number->setForeground(Qt::black);
        }
        setItem(row, ColNumber, number);
        setItem(row, ColName, newItem(field.signal.name, false));
        setItem(row, ColKind, newItem(FieldKindText(field), false));
        QTableWidgetItem* layout = newItem(SignalLayoutText(field.signal), false);
        layout->setToolTip(FieldRowText(field.row));
        setItem(row, ColLayout, layout);
        setItem(row, ColRaw,
                newItem(changes ? RawRangeText(field) : QStringLiteral("\u2013"), true));
        setItem(row, ColConfidence, newItem(ConfidenceText(field.confidence), true));
        setItem(row, ColOverTime, newItem(QString(), false));
        m_series.push_back(field.series);
        m_signed.push_back(field.isSigned);
    }
}

} // namespace cac::app
