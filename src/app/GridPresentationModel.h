#pragma once

#include <QBrush>
#include <QIdentityProxyModel>

namespace cac::app {

// How a grid model is shown: the cells the store reports as locked and,
// optionally, the first column take the fixed-cell background. Everything else
// passes through unchanged, so a proxy index (r, c) is the source index (r, c).
class GridPresentationModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit GridPresentationModel(QObject* parent = nullptr);

    void setFixedCellBrush(const QBrush& brush) { m_fixedBrush = brush; }
    void setFirstColumnFixed(bool fixed) { m_firstColumnFixed = fixed; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QBrush m_fixedBrush;
    bool m_firstColumnFixed = false;
};

} // namespace cac::app
