#ifndef RDX480_TESTS_SCHEDULE_SCHEDULEPAGEFIXTURE_H
#define RDX480_TESTS_SCHEDULE_SCHEDULEPAGEFIXTURE_H

#include "schedule/ScheduleAlarm.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"
#include "schedule/myTimer.h"
#include "tests/pages/PageFixture.h"

#include <QFile>
#include <QSortFilterProxyModel>
#include <QTableView>

// The schedule reads nothing on a refresh and takes no replies from the page host.
inline void refreshPage(myTimer&) {}
inline void routeReply(myTimer&, int) {}

// The schedule page on a set clock, with an empty time.t, its link connected to the simulated device.
class SchedulePageFixture : public PageFixture<myTimer>
{
public:
    explicit SchedulePageFixture(const QDateTime& start)
    {
        QFile::remove(QStringLiteral("time.t"));
        ScheduleClock::set(start);
    }
    ~SchedulePageFixture()
    {
        page.reset();
        ScheduleClock::useWallClock();
    }

    // Shows the page on the connected link and waits for its load and first step.
    bool show(const SimState& state = SimState())
    {
        if (!start(state, false))
            return false;
        table = find<QTableView>("tableView");
        model = qobject_cast<TableModel*>(qobject_cast<QSortFilterProxyModel*>(table->model())->sourceModel());
        alarm = page->findChild<ScheduleAlarm*>();
        return QTest::qWaitFor([this] { return alarm->isActive(); });
    }

    // A new row set to the given values, as the editors would store them.
    int addEntry(const QString& time, int input, int repeat = 1, int week = 127, int active = 1)
    {
        const int row = model->rowCount();
        model->insertRows(row, 1);
        const int columns[] = {TableModel::TimeColumn, TableModel::SignalColumn, TableModel::WeekColumn,
                               TableModel::RepeatColumn, TableModel::ActiveColumn};
        const QVariant values[] = {time, input, week, repeat, active};
        for (int i = 0; i < 5; ++i)
            model->setData(model->index(row, columns[i]), values[i]);
        return row;
    }

    // Moves the clock; true once the page has stepped, armed its next wake-up and its reads are answered.
    bool at(const QDateTime& time)
    {
        QCoreApplication::processEvents(); // steps queued by edits run on the clock they were queued on
        ScheduleClock::set(time);
        QCoreApplication::processEvents();
        return QTest::qWaitFor(
            [this, time] { return alarm->isActive() && alarm->target() > time && link->pendingReadKeys().isEmpty(); });
    }

    QTableView* table = nullptr;
    TableModel* model = nullptr;
    ScheduleAlarm* alarm = nullptr;
};

#endif
