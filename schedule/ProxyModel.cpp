#include "schedule/ProxyModel.h"

#include "schedule/MyTimeItem.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"

ProxyModel::ProxyModel(QObject* parent) : QSortFilterProxyModel(parent) {}

void ProxyModel::setState(int m_state)
{
    this->m_state = m_state;
    invalidateFilter();
}

bool ProxyModel::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const
{
    if (m_state == 0)
        return true;
    const QAbstractItemModel* source = sourceModel();
    const QModelIndex active = source->index(source_row, TableModel::ActiveColumn, source_parent);
    if (source->data(active, Qt::EditRole).toInt() != m_state)
        return false;
    const QModelIndex time = source->index(source_row, TableModel::TimeColumn, source_parent);
    const QTime entry = parseTimeText(source->data(time, Qt::EditRole).toString());
    return entry.isValid() && ScheduleClock::minuteNow() <= entry;
}
