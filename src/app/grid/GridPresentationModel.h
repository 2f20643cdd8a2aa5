#pragma once

#include "checks/Finding.h"

#include <QBrush>
#include <QIdentityProxyModel>
#include <QStringList>

namespace cac::app {

class CheckFindings;

// How a grid model is shown: the cells the store reports as locked and,
// optionally, the first column take the fixed-cell background, each column
// title carries a tool tip, and a cell the checks find fault with gives the
// most severe finding's severity and the findings' sentences. Everything
// else passes through unchanged, so a proxy index (r, c) is the source index
// (r, c).
class GridPresentationModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    // The most severe finding's Severity as an int; none without findings.
    static constexpr int FindingSeverityRole = Qt::UserRole + 20;
    // The findings' sentences, one a line.
    static constexpr int FindingTextRole = Qt::UserRole + 21;
    // What a cell is, as a screen reader names it and its editor
    // ("Channel 3, Start bit", "Priority of Engine speed"); empty for the OBD
    // table's names. Qt::AccessibleTextRole adds the cell's text to it, and
    // Qt::AccessibleDescriptionRole gives the findings' sentences.
    static constexpr int CellTitleRole = Qt::UserRole + 22;

    explicit GridPresentationModel(QObject* parent = nullptr);

    // The cells show the findings about `place`: channel cells, or (for the
    // OBD table) the priorities in column 1.
    void setFindings(const CheckFindings* findings, Place place);

    void setFixedCellBrush(const QBrush& brush) { m_fixedBrush = brush; }
    void setFirstColumnFixed(bool fixed) { m_firstColumnFixed = fixed; }
    // One line per column, in column order.
    void setColumnToolTips(const QStringList& tips) { m_columnToolTips = tips; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString cellTitle(const QModelIndex& index) const;

    QBrush m_fixedBrush;
    bool m_firstColumnFixed = false;
    QStringList m_columnToolTips;
    const CheckFindings* m_findings = nullptr;
    Place m_findingPlace = Place::Channel;
};

} // namespace cac::app
