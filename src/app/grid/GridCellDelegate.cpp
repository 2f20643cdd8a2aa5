#include "app/grid/GridCellDelegate.h"

#include "app/grid/GridPresentationModel.h"
#include "app/window/DisplayCap.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QStaticText>
#include <QToolTip>

#include <algorithm>
#include <array>

namespace cac::app {
namespace {

const QStyle* styleOf(const QStyleOptionViewItem& item) {
    return item.widget ? item.widget->style() : QApplication::style();
}

// Where the style draws an item's text.
QRect textRoom(const QStyleOptionViewItem& item) {
    const QStyle* style = styleOf(item);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &item, item.widget) + 1;
    return style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget)
        .adjusted(margin, 0, -margin, 0);
}

// The corner of `rect` a finding's mark fills.
QPainterPath cornerMark(const QRect& rect) {
    const int side = std::clamp(rect.height() / 3, 5, 9);
    QPainterPath mark;
    mark.moveTo(rect.right() + 1 - side, rect.top());
    mark.lineTo(rect.right() + 1, rect.top());
    mark.lineTo(rect.right() + 1, rect.top() + side);
    mark.closeSubpath();
    return mark;
}

} // namespace

QColor GridCellDelegate::findingColour(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return QColor(0xd3, 0x2f, 0x2f);
    case Severity::Warning:
        return QColor(0xef, 0x8f, 0x00);
    case Severity::Note:
        break;
    }
    return QColor(0x1e, 0x88, 0xe5);
}

QIcon GridCellDelegate::findingMark(Severity severity) {
    static const auto marks = [] { // the cells' corner mark, as large as an icon
        std::array<QIcon, 3> icons;
        for (const Severity each : {Severity::Error, Severity::Warning, Severity::Note}) {
            QPixmap shape(12, 12);
            shape.fill(Qt::transparent);
            QPainter painter(&shape);
            painter.setRenderHint(QPainter::Antialiasing);
            QPainterPath mark;
            mark.addPolygon(QPolygonF({{1, 1}, {11, 1}, {11, 11}}));
            painter.fillPath(mark, findingColour(each));
            icons[static_cast<std::size_t>(each)] = QIcon(shape);
        }
        return icons;
    }();
    return marks[static_cast<std::size_t>(severity)];
}

QString GridCellDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    // Capped before the base class looks at every character.
    if (value.typeId() == QMetaType::QString)
        return QStyledItemDelegate::displayText(displayCapped(value.toString()), locale);
    return QStyledItemDelegate::displayText(value, locale);
}

void GridCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~QStyle::State_HasFocus;
    // No more characters than a line of the cell could show, even of the
    // narrowest; rows are one line high.
    const int narrowest = std::max(1, option->fontMetrics.horizontalAdvance(QLatin1Char('i')));
    const qsizetype fits =
        option->rect.isValid() ? option->rect.width() / narrowest + 2 : DisplayCap;
    option->text = displayCapped(option->text, Qt::ElideRight, std::min(fits, DisplayCap));
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    paintCell(painter, option, index);
    const QVariant severity = index.data(GridPresentationModel::FindingSeverityRole);
    if (!severity.isValid())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(cornerMark(option.rect),
                      findingColour(static_cast<Severity>(severity.toInt())));
    painter->restore();
}

void GridCellDelegate::paintCell(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle* style = styleOf(item);
    if (item.text.size() >= index.data().toString().size()) {
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
        return;
    }
    // Longer than the cell: the style draws the cell without its text, the
    // text follows as one elided line.
    const QString text = std::exchange(item.text, QString());
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
    const QRect room = textRoom(item);
    const QStaticText& line = elidedLine(item, text, room.width());
    QPalette::ColorGroup group =
        item.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !item.state.testFlag(QStyle::State_Active))
        group = QPalette::Inactive;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(group, item.state.testFlag(QStyle::State_Selected)
                                                  ? QPalette::HighlightedText
                                                  : QPalette::Text));
    const QRect at =
        QStyle::alignedRect(item.direction, item.displayAlignment, line.size().toSize(), room);
    painter->drawStaticText(at.topLeft(), line);
    painter->restore();
}

const QStaticText& GridCellDelegate::elidedLine(const QStyleOptionViewItem& item,
                                                const QString& text, int width) const {
    LineKey key{text, width};
    if (const Line* known = m_lines.object(key); known && known->font == item.font)
        return known->shown;
    QString oneLine = text;
    oneLine.replace(QChar::LineSeparator, u' ');
    // Eliding costs as much as the text is long: first try as many characters
    // as an ordinary text needs, all of them when those fit.
    const qsizetype likely = width * 5 / (4 * std::max(1, item.fontMetrics.averageCharWidth())) + 2;
    QString shown = item.fontMetrics.elidedText(oneLine.first(std::min(likely, oneLine.size())),
                                                Qt::ElideRight, width);
    if (!shown.endsWith(QChar(0x2026)))
        shown = item.fontMetrics.elidedText(oneLine, Qt::ElideRight, width);
    auto* line = new Line{item.font, QStaticText(shown)};
    line->shown.setTextFormat(Qt::PlainText);
    line->shown.prepare(QTransform(), item.font);
    m_lines.insert(std::move(key), line);
    return line->shown;
}

bool GridCellDelegate::textIsCut(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (item.text.isEmpty())
        return false;
    if (item.text.size() < index.data().toString().size())
        return true; // capped
    const QRect room = textRoom(item);
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
    QStringList tip;
    if (const QString own = index.data(Qt::ToolTipRole).toString(); !own.isEmpty())
        tip << own; // a list entry's explanation, as the byte orders have
    if (textIsCut(option, index))
        tip << displayToolTip(index.data().toString());
    if (const QString said = index.data(GridPresentationModel::FindingTextRole).toString();
        !said.isEmpty())
        tip << said;
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), toolTipLines(tip.join(QStringLiteral("\n\n"))), view,
                           view->visualRect(index));
    return true;
}

} // namespace cac::app
