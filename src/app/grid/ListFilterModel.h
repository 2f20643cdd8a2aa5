#pragma once

#include <QSortFilterProxyModel>

namespace cac::app {

// Whether a list entry matches what the user typed into a filter:
// case-insensitive, anywhere in the entry's text as shown, so that a variable
// entry ("user name {default name}") is found by either name alone and by
// its beginning typed as it reads ("Engine speed {").
bool EntryMatchesFilter(QStringView entry, QStringView filter);

// The entries of an in-cell list that match what the user typed into its
// filter (EntryMatchesFilter). The entries themselves pass through unchanged.
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
