#pragma once

#include <QSortFilterProxyModel>

namespace cac::app {

// The entries of an in-cell list that match what the user typed into its
// filter: case-insensitive, anywhere in the user name or in the default name
// of a variable entry ("user name {default name}"), anywhere in the whole
// text of any other entry. The entries themselves pass through unchanged.
class ListFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setFilterText(const QString& text);
    QString filterText() const { return m_filter; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_filter;
};

} // namespace cac::app
