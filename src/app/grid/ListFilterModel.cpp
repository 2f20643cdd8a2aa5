#include "app/grid/ListFilterModel.h"

namespace cac::app {

void ListFilterModel::setFilterText(const QString& text) {
    if (text == m_filter)
        return;
    m_filter = text;
    invalidateFilter();
}

bool EntryMatchesFilter(QStringView entry, QStringView filter) {
    return entry.contains(filter, Qt::CaseInsensitive);
}

bool ListFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    return m_filter.isEmpty() ||
           EntryMatchesFilter(sourceModel()->index(sourceRow, 0, sourceParent).data().toString(),
                              m_filter);
}

} // namespace cac::app
