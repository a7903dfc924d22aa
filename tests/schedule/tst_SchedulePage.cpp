#include "schedule/CCheckCombox.h"
#include "schedule/FiredState.h"
#include "schedule/ScheduleAlarm.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"
#include "schedule/myTimer.h"
#include "tests/pages/PageFixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimeEdit>

// The schedule reads nothing on a refresh and takes no replies from the page host.
inline void refreshPage(myTimer&) {}
inline void routeReply(myTimer&, int) {}

// The schedule page on a set clock, with an empty time.t, its link connected to the simulated device.
class SchedulePageFixture : public PageFixture<myTimer>
{
public:
    explicit SchedulePageFixture(const QDateTime& start)
    {
        for (const char* name : {"time.t", "time.t.state"})
            QFile::remove(QLatin1String(name));
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

namespace {

const QDate monday(2026, 3, 2);

QDateTime on(const QDate& date, const QByteArray& time)
{
    return QDateTime(date, QTime::fromString(QString::fromLatin1(time), QStringLiteral("hh:mm:ss")));
}

using Commands = QVector<QVector<int>>;
// time, input, repeat, active
using Entries = QVector<std::tuple<const char*, int, int, int>>;
const QVector<int> switchTo5{Rdx::SwitchInputCommand, 5};

} // namespace

Q_DECLARE_METATYPE(Entries)

// The Timer page on a set clock: when entries fire against the simulated device, and its editors.
class tst_SchedulePage : public QObject
{
    Q_OBJECT

private slots:
    // Entries on Monday's table, the clock stepped ("+<days> hh:mm:ss" from Monday; "edit" changes the first
    // entry's days in that second, "connect" reconnects the link first), the commands the device received,
    // whether the first entry is active after, and the boxes shown.
    void firing_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<int>("takeMode");
        QTest::addColumn<int>("error"); // the device's error reply; -1: the link closed
        QTest::addColumn<Commands>("sent");
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("boxes");
        const int code = Rdx::SwitchInputCommand;
        const QByteArrayList eight{"+0 08:00:00", "+0 08:00:30"};
        QTest::newRow("at its minute, once")
            << QByteArray("07:59:30") << Entries{{"08:00", 4, 1, 1}}
            << QByteArrayList{"+0 07:59:31", "+0 08:00:00", "+0 08:00:40"} << 0 << 0 << Commands{{code, 4}} << 1 << 0;
        QTest::newRow("a late step skips what has passed")
            << QByteArray("06:00:00") << Entries{{"07:00", 5, 1, 1}, {"09:00", 7, 1, 1}}
            << QByteArrayList{"+0 08:15:10", "+0 09:00:00"} << 0 << 0 << Commands{{code, 7}} << 1 << 0;
        QTest::newRow("a repeating entry fires again the next day")
            << QByteArray("07:59:00") << Entries{{"08:00", 3, 1, 1}}
            << QByteArrayList{"+0 08:00:00", "+1 00:00:00", "+1 08:00:00"} << 0 << 0 << Commands{{code, 3}, {code, 3}}
            << 1 << 0;
        QTest::newRow("a 00:00 entry fires once in its minute")
            << QByteArray("23:59:50") << Entries{{"00:00", 2, 1, 1}}
            << QByteArrayList{"+1 00:00:00", "+1 00:00:01", "+1 00:00:30", "+1 00:00:59", "+1 00:01:00"} << 0 << 0
            << Commands{{code, 2}} << 1 << 0;
        QTest::newRow("a deactivated entry never fires")
            << QByteArray("07:58:00") << Entries{{"08:00", 4, 1, 0}} << QByteArrayList{"+0 08:00:00"} << 0 << 0
            << Commands{} << 0 << 0;
        // The edit rebuilds the day's list within the minute the entry fired.
        QTest::newRow("an edit in the fired minute does not fire it again")
            << QByteArray("10:29:00") << Entries{{"10:30", 5, 1, 1}}
            << QByteArrayList{"+0 10:30:00", "+0 10:30:20 edit", "+0 10:30:21"} << 0 << 0 << Commands{switchTo5} << 1
            << 0;
        const Entries oneShot{{"08:00", 5, 0, 1}};
        const QByteArray before("07:59:00");
        QTest::newRow("accepted: one-shot spent")
            << before << oneShot << eight << 0 << 0 << Commands{switchTo5} << 0 << 0;
        QTest::newRow("refused: stays active, no retry")
            << before << oneShot << eight << 0 << 9 << Commands{switchTo5} << 1 << 0;
        QTest::newRow("Pre + TAKE: followed by TAKE")
            << before << oneShot << eight << 1 << 0 << Commands{switchTo5, {Rdx::TakeCommand, 0}} << 0 << 0;
        // Said once; sent if the link comes back within the minute, else left active for the operator to see.
        QTest::newRow("link closed: nothing sent, stays active")
            << before << oneShot << QByteArrayList{"+0 08:00:00", "+0 08:00:30", "+0 08:01:00"} << 0 << -1 << Commands{}
            << 1 << 1;
        QTest::newRow("link back within the minute: sent")
            << before << oneShot << QByteArrayList{"+0 08:00:00", "+0 08:00:30 connect"} << 0 << -1
            << Commands{switchTo5} << 0 << 1;
    }
    void firing()
    {
        QFETCH(QByteArray, start);
        QFETCH(Entries, entries);
        QFETCH(QByteArrayList, steps);
        QFETCH(int, takeMode);
        QFETCH(int, error);
        SchedulePageFixture fx(on(monday, start));
        SimState state;
        state.takeMode = takeMode;
        QVERIFY(fx.show(state));
        fx.link->deviceState.takeMode = takeMode;
        SimFaults faults;
        if (error > 0)
            faults.errorForCode.insert(Rdx::SwitchInputCommand, error);
        fx.sim->setFaults(faults);
        if (error < 0)
            fx.link->closeSerial();
        for (const auto& [time, input, repeat, active] : entries)
            fx.addEntry(QLatin1String(time), input, repeat, 127, active);
        for (const QByteArray& step : steps) {
            const QDateTime time = on(monday.addDays(step.mid(1, 1).toInt()), step.mid(3, 8));
            if (step.endsWith("connect")) {
                QVERIFY(fx.open());
                fx.link->linkState = Rdx::Connected;
            }
            if (step.endsWith("edit")) {
                ScheduleClock::set(time);
                fx.model->setData(fx.model->index(0, TableModel::WeekColumn), 0x3E);
            } else {
                QVERIFY(fx.at(time));
            }
        }
        QTEST(fx.sent(), "sent");
        QTEST(fx.model->data(fx.model->index(0, TableModel::ActiveColumn)).toInt(), "active");
        QTEST(fx.messages.count(), "boxes");
    }

    // Where daylight saving starts at midnight, 00:00 does not exist: the page wakes at 01:00 instead.
    void midnightThatSkipsAnHour()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "America/Santiago");
        {
            SchedulePageFixture fx(QDateTime(QDate(2026, 9, 5), QTime(23, 59)));
            QVERIFY(fx.show());
            fx.addEntry(QStringLiteral("01:00"), 4);
            QVERIFY(fx.at(QDateTime(QDate(2026, 9, 6), QTime(1, 0))));
            QCOMPARE(fx.sent(), Commands({{Rdx::SwitchInputCommand, 4}}));
        }
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    }

    // A box about a failed save, during a firing, waits until the next wake-up is armed.
    void failedSaveWhileFiring()
    {
        SchedulePageFixture fx(on(monday, "07:59:00"));
        QVERIFY(fx.show());
        fx.addEntry(QStringLiteral("08:00"), 5, 0);
        fx.addEntry(QStringLiteral("08:01"), 6, 0);
        QVERIFY(QFile::remove(QStringLiteral("time.t")) && QDir().mkdir(QStringLiteral("time.t")));
        QVector<bool> armed;
        MessageBox::setHandler([&](const QString&, const QString&) { armed.append(fx.alarm->isActive()); });
        ScheduleClock::set(on(monday, "08:00:00"));
        QTRY_COMPARE(armed, QVector<bool>{true});
        QVERIFY(QDir().rmdir(QStringLiteral("time.t")));
    }

    void waitsForAnotherExchange()
    {
        SchedulePageFixture fx(on(monday, "07:59:00"));
        QVERIFY(fx.show());
        fx.addEntry(QStringLiteral("08:00"), 5);
        fx.link->busy = true; // a page is filling its widgets
        ScheduleClock::set(on(monday, "08:00:00"));
        QVERIFY(fx.sent().isEmpty());
        fx.link->busy = false;
        QTRY_COMPARE(fx.sent(), Commands{switchTo5});
    }

    // "Del All" asks first, in the page's language; "No" keeps every entry.
    void deleteAllAsks()
    {
        SchedulePageFixture fx(on(monday, "07:00:00"));
        QVERIFY(fx.show());
        fx.addEntry(QStringLiteral("08:00"), 4);
        fx.addEntry(QStringLiteral("09:00"), 5);
        QStringList asked;
        myTimer::setQuestionHandler([&](const QString&, const QString& text) {
            asked << text;
            return asked.size() == 2;
        });
        QTest::mouseClick(fx.find<QPushButton>("but_for_delAll"), Qt::LeftButton);
        QCOMPARE(fx.model->rowCount(), 2);
        fx.page->setLanguage(false);
        QTest::mouseClick(fx.find<QPushButton>("but_for_delAll"), Qt::LeftButton);
        myTimer::setQuestionHandler({});
        QCOMPARE(asked, QStringList({QStringLiteral("Delete all 2 entries?"), QStringLiteral("删除全部 2 条定时？")}));
        QCOMPARE(fx.model->rowCount(), 0);
    }

    // With the service running the schedule the page fires nothing and says so, in both languages; the
    // service's firing shows within 2 s and asks for the device's state to be read again; its saves show.
    void serviceRunsTheSchedule()
    {
        SchedulePageFixture fx(on(monday, "07:59:00"));
        QVERIFY(fx.show());
        fx.addEntry(QStringLiteral("08:00"), 5);
        fx.page->setServiceFiring(true);
        auto* line = fx.find<QLabel>("lab_for_service");
        QVERIFY(line->isVisible() && line->text().startsWith(QStringLiteral("The rdx480 service runs")));
        fx.page->setLanguage(false);
        QVERIFY(line->text().startsWith(QStringLiteral("定时表由 rdx480 服务执行")));
        fx.page->setLanguage(true);

        QSignalSpy refresh(fx.page.get(), &myTimer::send_firedElsewhere);
        ScheduleClock::set(on(monday, "08:00:00"));
        QString error;
        QVERIFY(FiredState::record(QStringLiteral("time.t"),
                                   FiredState::of(*fx.model->itemAt(0), on(monday, "08:00:00")), &error));
        QTRY_COMPARE_WITH_TIMEOUT(refresh.count(), 1, 2000);
        QVERIFY(line->text().endsWith(QStringLiteral("08:00: switched to VGA by another program.")));
        QVERIFY(fx.sent().isEmpty());

        // Another program's save is shown, but not while an editor is open.
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, {},
                          fx.table->visualRect(fx.table->model()->index(0, 0)).center());
        QTest::keyClick(fx.table, Qt::Key_F2);
        QTRY_VERIFY(fx.table->findChild<QTimeEdit*>());
        QVERIFY(TimeFile::edit(QStringLiteral("time.t"), [](TimeItems& items) {
                    items.push_back(std::make_unique<MyTimeItem>(QTime(10, 0), 7, 127, 1, 1));
                    return true;
                }).saved);
        fx.model->lookAtFolder();
        QCOMPARE(fx.model->rowCount(), 1);
        QTest::keyClick(fx.table->findChild<QTimeEdit*>(), Qt::Key_Escape);
        QTRY_COMPARE(fx.model->rowCount(), 2);
    }

    // The day list ticks a day only on its icon, not when dismissed; "Del Row" deletes the selected entry,
    // not the current one.
    void editors()
    {
        SchedulePageFixture fx(on(monday, "07:00:00"));
        QVERIFY(fx.show());
        auto cellCentre = [](QTableView* table, int row, int column) {
            return table->visualRect(table->model()->index(row, column)).center();
        };
        for (const char* time : {"08:00", "09:00", "10:00"})
            fx.addEntry(QLatin1String(time), 4, 1, 0x3E);
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, {}, cellCentre(fx.table, 0, TableModel::WeekColumn));
        QTest::keyClick(fx.table, Qt::Key_F2);
        CCheckCombox* days = nullptr;
        QTRY_VERIFY((days = fx.table->findChild<CCheckCombox*>()) != nullptr);
        days->showPopup();
        QAbstractItemView* list = days->view();
        QTRY_VERIFY(list->isVisible());
        const QRect sunday = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(sunday.left() + 4, sunday.center().y()));
        QTest::keyClick(list, Qt::Key_Escape);
        QTRY_VERIFY(!list->isVisible());
        QTest::keyClick(days, Qt::Key_Return);
        QTRY_COMPARE(fx.model->data(fx.model->index(0, TableModel::WeekColumn), Qt::EditRole).toInt(), 0x3F);

        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(fx.table, 1, 0));
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(fx.table, 1, 0));
        QCOMPARE(fx.table->currentIndex().row(), 1); // current, but no longer selected
        QTest::mouseClick(fx.page->findChild<QPushButton*>(QStringLiteral("but_for_del")), Qt::LeftButton);
        QCOMPARE(fx.model->rowCount(), 2);
        QCOMPARE(fx.model->timeAt(0), QTime(9, 0));
    }
};

QTEST_MAIN(tst_SchedulePage)
#include "tst_SchedulePage.moc"
