#ifndef RDX480_SCHEDULE_PROXYMODEL_H
#define RDX480_SCHEDULE_PROXYMODEL_H

#include <QSortFilterProxyModel>

// Sorts the schedule by the clicked column and, with a non-zero state, shows only the entries whose
// active value equals the state and whose minute is still to come today.
class ProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ProxyModel(QObject* parent = nullptr);

public slots:
    void setState(int m_state);

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

private:
    int m_state = 0;
};

#endif
