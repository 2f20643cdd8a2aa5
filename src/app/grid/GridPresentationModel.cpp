#include "app/grid/GridPresentationModel.h"

#include "app/checks/CheckFindings.h"
#include "app/desktop/DesktopTexts.h"
#include "app/window/WindowTexts.h"
#include "channels/ConfigModel.h"

#include <algorithm>

namespace cac::app {

GridPresentationModel::GridPresentationModel(QObject* parent) : QIdentityProxyModel(parent) {}

void GridPresentationModel::setFindings(const CheckFindings* findings, Place place) {
    m_findings = findings;
    m_findingPlace = place;
    connect(findings, &CheckFindings::refreshed, this, [this] {
        if (rowCount() > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                             {FindingSeverityRole, FindingTextRole});
    });
}

QString GridPresentationModel::cellTitle(const QModelIndex& index) const {
    if (m_findingPlace == Place::Channel)
        return texts::channelCellTitle(index.row() + 1, index.column() + 1);
    if (index.column() == 0)
        return {};
    return texts::priorityCellTitle(index.siblingAtColumn(0).data().toString());
}

QVariant GridPresentationModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && role == CellTitleRole)
        return cellTitle(index);
    if (index.isValid() && role == Qt::AccessibleTextRole) {
        const QString title = cellTitle(index);
        const QString text = QIdentityProxyModel::data(index, Qt::DisplayRole).toString();
        return title.isEmpty() ? text : texts::spokenCell(title, text);
    }
    if (index.isValid() && role == Qt::AccessibleDescriptionRole)
        return data(index, FindingTextRole);
    if ((role == FindingSeverityRole || role == FindingTextRole) && m_findings && index.isValid()) {
        const bool channels = m_findingPlace == Place::Channel;
        if (!channels && index.column() != 1)
            return {};
        const QList<Finding> found = m_findings->findingsAt(m_findingPlace, index.row() + 1,
                                                            channels ? index.column() + 1 : 0);
        if (found.isEmpty())
            return {};
        if (role == FindingSeverityRole) // Error is the smallest
            return static_cast<int>(std::min_element(found.begin(), found.end(),
                                                     [](const Finding& a, const Finding& b) {
                                                         return a.severity < b.severity;
                                                     })
                                        ->severity);
        QStringList lines;
        for (const Finding& finding : found)
            lines << texts::findingText(finding);
        return lines.join(u'\n');
    }
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
    if (role == Qt::AccessibleTextRole) {
        const QString title = QIdentityProxyModel::headerData(section, orientation).toString();
        return orientation == Qt::Vertical && m_findingPlace == Place::Channel
                   ? texts::channelName(section + 1)
                   : texts::spokenTitle(title);
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}

} // namespace cac::app
