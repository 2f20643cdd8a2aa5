#pragma once

#include "catalogue/VariableCatalogue.h"
#include "checks/Finding.h"

#include <QAbstractListModel>
#include <QTimer>

namespace cac {
class ConfigModel;
}

namespace cac::app {

// The engine's findings about the store, kept current: after any change of
// the store the checks run again once, in the next turn of the event loop, so
// that a load writing every cell runs them once. As a list model, one row per
// finding for the checks panel; by place, for the marks on the grids' cells.
class CheckFindings : public QAbstractListModel {
    Q_OBJECT
public:
    CheckFindings(const ConfigModel* model, const VariableCatalogue& catalogue, QObject* parent);

    const QList<Finding>& findings() const { return m_findings; }
    // The findings of the store as it is now: an edit whose refresh still
    // waits for the event loop is checked first.
    const QList<Finding>& current();
    // The findings a cell shows: those about it and, on the first setting of
    // a channel, those about the whole channel. `column` is 0 for a place
    // without columns (an OBD priority).
    QList<Finding> findingsAt(Place place, int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    // The findings changed.
    void refreshed();

private:
    void refresh();

    const ConfigModel* m_model;
    const VariableCatalogue& m_catalogue;
    QList<Finding> m_findings;
    QTimer m_pending;
};

} // namespace cac::app
