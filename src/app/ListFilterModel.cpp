#include "app/ListFilterModel.h"

namespace cac::app {

void ListFilterModel::setFilterText(const QString& text) {
    if (text == m_filter)
        return;
    m_filter = text;
    invalidateFilter();
}

bool ListFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (m_filter.isEmpty())
        return true;
    const QString entry = sourceModel()->index(sourceRow, 0, sourceParent).data().toString();
    const QStringView text(entry);
    const qsizetype open = text.lastIndexOf(QStringLiteral(" {"));
    if (open < 0 || !text.endsWith(u'}'))
        return text.contains(m_filter, Qt::CaseInsensitive);
    // The blank and braces between the two names never match.
    return text.first(open).contains(m_filter, Qt::CaseInsensitive) ||
           text.sliced(open + 2).chopped(1).contains(m_filter, Qt::CaseInsensitive);
}

} // namespace cac::app
