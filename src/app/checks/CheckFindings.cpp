#include "app/checks/CheckFindings.h"

#include "app/grid/GridCellDelegate.h"
#include "app/window/WindowTexts.h"
#include "channels/ConfigModel.h"
#include "checks/ConfigChecks.h"

namespace cac::app {

CheckFindings::CheckFindings(const ConfigModel* model, const VariableCatalogue& catalogue,
                             QObject* parent)
    : QAbstractListModel(parent), m_model(model), m_catalogue(catalogue) {
    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, &CheckFindings::refresh);
    const auto changed = [this] { m_pending.start(); };
    connect(model, &QAbstractItemModel::dataChanged, this, changed);
    connect(model, &QAbstractItemModel::modelReset, this, changed);
    connect(model, &ConfigModel::baudRateTextChanged, this, changed);
    connect(model, &ConfigModel::obdPriorityChanged, this, changed);
    connect(model, &ConfigModel::obdModeChanged, this, changed);
    connect(model, &ConfigModel::variableListChanged, this, changed); // the catalogue was read
    m_pending.start();
}

void CheckFindings::refresh() {
    QList<Finding> findings = CheckConfiguration(*m_model, m_catalogue);
    if (findings == m_findings)
        return;
    beginResetModel();
    m_findings = std::move(findings);
    endResetModel();
    emit refreshed();
}

const QList<Finding>& CheckFindings::current() {
    if (m_pending.isActive()) {
        m_pending.stop();
        refresh();
    }
    return m_findings;
}

QList<Finding> CheckFindings::findingsAt(Place place, int row, int column) const {
    QList<Finding> found;
    for (const Finding& finding : m_findings) {
        if (finding.place == place && finding.row == row &&
            (finding.column == column ||
             (place == Place::Channel && column == ColVariable && finding.column == 0)))
            found.append(finding);
    }
    return found;
}

int CheckFindings::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_findings.size());
}

QVariant CheckFindings::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_findings.size())
        return {};
    const Finding& finding = m_findings.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return texts::findingLine(finding);
    case Qt::ToolTipRole:
        return texts::findingLine(finding) + QStringLiteral(" [") + finding.code + u']';
    case Qt::DecorationRole:
        return GridCellDelegate::findingMark(finding.severity);
    default:
        return {};
    }
}

} // namespace cac::app
