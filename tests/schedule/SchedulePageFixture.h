#ifndef RDX480_TESTS_SCHEDULE_SCHEDULEPAGEFIXTURE_H
#define RDX480_TESTS_SCHEDULE_SCHEDULEPAGEFIXTURE_H

#include "link/Singleton_SerialPort.h"
#include "schedule/ScheduleAlarm.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"
#include "schedule/myTimer.h"
#include "sim/SimFixture.h"
#include "tests/support/MessageLog.h"

#include <QFile>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

#include <memory>

// The schedule page on a set clock, with an empty time.t, its link connected to the simulated device over
// TCP when the test wants one.
class SchedulePageFixture
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
        if (link->isConnected())
            link->closeSerial();
        link->busy = false;
        ScheduleClock::useWallClock();
    }

    // Connects the link to the device over TCP, then shows the page.
    bool startConnected(const SimState& state = SimState())
    {
        if (!sim.start())
            return false;
        sim.setState(state);
        link->useNetwork = true;
        link->openSerial(QStringLiteral("127.0.0.1"), sim.tcpPort(), 1);
        link->linkState = Rdx::Connected;
        return link->isConnected() && show();
    }

    // Shows the page and waits for its load and first step.
    bool show()
    {
        page = std::make_unique<myTimer>();
        page->setLanguage(true);
        page->show();
        page->activateWindow(); // an editor closes when its window loses the focus
        if (!QTest::qWaitForWindowActive(page.get()))
            return false;
        table = page->findChild<QTableView*>(QStringLiteral("tableView"));
        model = qobject_cast<TableModel*>(qobject_cast<QSortFilterProxyModel*>(table->model())->sourceModel());
        alarm = page->findChild<ScheduleAlarm*>();
        return QTest::qWaitFor([this] { return alarm->isActive(); });
    }

    // A new row set to the given values, as the editors would store them.
    int addEntry(const QString& time, int input, int repeat = 1, int week = 127)
    {
        const int row = model->rowCount();
        model->insertRows(row, 1);
        model->setData(model->index(row, TableModel::TimeColumn), time);
        model->setData(model->index(row, TableModel::SignalColumn), input);
        model->setData(model->index(row, TableModel::WeekColumn), week);
        model->setData(model->index(row, TableModel::RepeatColumn), repeat);
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

    // Input switch commands that reached the device, as (code, input).
    QVector<QPair<int, int>> commands() const
    {
        QVector<QPair<int, int>> result;
        for (const Rdx::Frame& frame : sim.received())
            if (frame[2] != Rdx::ReadRequestCode)
                result.append({frame[2], frame[3]});
        return result;
    }

    SimFixture sim;
    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    MessageLog messages;
    std::unique_ptr<myTimer> page;
    QTableView* table = nullptr;
    TableModel* model = nullptr;
    ScheduleAlarm* alarm = nullptr;
};

#endif
