#include "app/GridPresentationModel.h"

#include "channels/ConfigModel.h"

namespace cac::app {

GridPresentationModel::GridPresentationModel(QObject* parent) : QIdentityProxyModel(parent) {}

QVariant GridPresentationModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::BackgroundRole && index.isValid()) {
        const bool fixed = (m_firstColumnFixed && index.column() == 0) ||
                           QIdentityProxyModel::data(index, ConfigModel::LockedRole).toBool();
        if (fixed)
            return m_fixedBrush;
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant GridPresentationModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal)
        return m_columnToolTips.value(section);
    return QIdentityProxyModel::headerData(section, orientation, role);
}

} // namespace cac::app
