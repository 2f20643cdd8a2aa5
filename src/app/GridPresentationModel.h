#pragma once

#include <QBrush>
#include <QIdentityProxyModel>
#include <QStringList>

namespace cac::app {

// How a grid model is shown: the cells the store reports as locked and,
// optionally, the first column take the fixed-cell background, and each
// column title carries a tool tip. Everything else passes through unchanged,
// so a proxy index (r, c) is the source index (r, c).
class GridPresentationModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit GridPresentationModel(QObject* parent = nullptr);

    void setFixedCellBrush(const QBrush& brush) { m_fixedBrush = brush; }
    void setFirstColumnFixed(bool fixed) { m_firstColumnFixed = fixed; }
    // One line per column, in column order.
    void setColumnToolTips(const QStringList& tips) { m_columnToolTips = tips; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QBrush m_fixedBrush;
    bool m_firstColumnFixed = false;
    QStringList m_columnToolTips;
};

} // namespace cac::app
