#pragma once

#include "checks/Finding.h"

#include <QCache>
#include <QFont>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace cac::app {

// How the cells of both grids and the entries of the in-cell lists are drawn:
// without a focus rectangle (the current cell shows as selected), with a
// small triangle in the top right corner, coloured by severity, on a cell the
// checks find fault with, and with the whole text and the findings as a tool
// tip.
//
// Drawing and sizing cost the same however long a text is: no more of it is
// laid out than the cell could show (DisplayCap when the cell's width is not
// known), and a text longer than that is drawn as one elided line, laid out
// once and kept until the text or the cell's width changes.
class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The mark of a finding of that severity, as the cells show it.
    static QColor findingColour(Severity severity);
    static QIcon findingMark(Severity severity);

    QString displayText(const QVariant& value, const QLocale& locale) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    // Whether the text does not fit the cell as the cell is drawn now.
    bool textIsCut(const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    struct LineKey {
        QString text;
        int width;
        friend bool operator==(const LineKey&, const LineKey&) = default;
        friend size_t qHash(const LineKey& key, size_t seed) {
            return qHashMulti(seed, key.text, key.width);
        }
    };
    struct Line {
        QFont font;
        QStaticText shown;
    };
    void paintCell(QPainter* painter, const QStyleOptionViewItem& option,
                   const QModelIndex& index) const;
    const QStaticText& elidedLine(const QStyleOptionViewItem& item, const QString& text,
                                  int width) const;

    mutable QCache<LineKey, Line> m_lines{1024};
};

} // namespace cac::app
