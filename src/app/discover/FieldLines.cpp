#include "app/discover/FieldLines.h"

#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverTexts.h"
#include "app/discover/FieldPictureView.h"
#include "app/framelayout/FramePictureDrawing.h"
#include "app/preview/LineTable.h"
#include "dbc/DatabaseText.h"
#include "discover/DiscoveryTexts.h"
#include "discover/SignalDiscovery.h"

#include <QHeaderView>

namespace cac::app {

namespace {

enum Column { ColNumber, ColName, ColKind, ColLayout, ColRaw, ColConfidence, ColOverTime, Count };
constexpr int SparklineWidth = 140;

} // namespace

FieldLines::FieldLines(QWidget* parent) : QTableWidget(parent) {
    SetUpLineTable(*this, names::DiscoverFields, texts::discoverFieldColumns());
    horizontalHeader()->setSectionResizeMode(ColOverTime, QHeaderView::Stretch);
    horizontalHeader()->setMinimumSectionSize(24);
    // A field's raw value over the whole log (its two's complement reading
    // when signed).
    const auto plotOf = [this](const QModelIndex& index) {
        return SparklineDelegate::Plot{seriesOf(index.row()),
                                       signedAt(index.row()) ? SeriesPainter::Side::Value
                                                             : SeriesPainter::Side::Raw,
                                       &m_marks};
    };
    setItemDelegateForColumn(ColOverTime, new SparklineDelegate(plotOf, SparklineWidth, this));
}

const ValueSeries* FieldLines::seriesOf(int row) const {
    return row >= 0 && std::size_t(row) < m_series.size() ? m_series[std::size_t(row)].get()
                                                          : nullptr;
}

bool FieldLines::signedAt(int row) const {
    return row >= 0 && std::size_t(row) < m_signed.size() && m_signed[std::size_t(row)];
}

void FieldLines::setMarks(std::vector<double> times) {
    m_marks = std::move(times);
    viewport()->update();
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
            NewLineItem(changes ? QString::number(numbers[row]) : QStringLiteral("\u2013"), true);
        if (changes) {
            number->setBackground(PictureGeometry::channelColour(numbers[row]));
            number->setForeground(Qt::black);
        }
        setItem(row, ColNumber, number);
        setItem(row, ColName, NewLineItem(field.signal.name, false));
        // A checksum's algorithm makes the text long: the tooltip holds it
        // whole, with what the log did not show.
        QTableWidgetItem* kind = NewLineItem(FieldKindText(field), false);
        const QString unseen = FieldUnseenText(field);
        kind->setToolTip(unseen.isEmpty() ? kind->text() : kind->text() + u'\n' + unseen);
        setItem(row, ColKind, kind);
        QTableWidgetItem* layout = NewLineItem(SignalLayoutText(field.signal), false);
        layout->setToolTip(unseen.isEmpty() ? FieldRowText(field.row)
                                            : FieldRowText(field.row) + u'\n' + unseen);
        setItem(row, ColLayout, layout);
        setItem(row, ColRaw,
                NewLineItem(changes ? RawRangeText(field) : QStringLiteral("\u2013"), true));
        setItem(row, ColConfidence, NewLineItem(ConfidenceText(field.confidence), true));
        setItem(row, ColOverTime, NewLineItem(QString(), false));
        m_series.push_back(field.series);
        m_signed.push_back(field.isSigned);
    }
}

} // namespace cac::app
