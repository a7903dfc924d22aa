#include "schedule/CCheckCombox.h"
#include "schedule/FiredState.h"
#include "schedule/ScheduleAlarm.h"
#include "schedule/ScheduleClock.h"
#include "schedule/myTimer.h"
#include "tests/pages/PageFixture.h"
#include "tests/schedule/ScheduleEntries.h"

#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTimeEdit>

// The schedule reads nothing on a refresh and takes no replies from the page host.
inline void refreshPage(myTimer&) {}
inline void routeReply(myTimer&, int) {}

// The schedule page on a set clock, with no time.t, its link connected to the simulated device.
class SchedulePageFixture : public PageFixture<myTimer>
{
public:
    explicit SchedulePageFixture(const QDateTime& start)
    {
        removeScheduleFiles();
        ScheduleClock::set(start);
    }

    // Shows the page on the connected link and waits for its load and first step.
    bool show(const SimState& state = SimState())
    {
        if (!start(state, false))
            return false;
        table = find<QTableView>("tableView");
        model = page->findChild<TableModel*>();
        alarm = page->findChild<ScheduleAlarm*>();
        return QTest::qWaitFor([this] { return alarm->isActive(); });
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

// "hh:mm:ss" on Monday; hours past 23 fall on Tuesday.
QDateTime on(const QByteArray& time)
{
    const int hour = time.left(2).toInt();
    return QDateTime(monday.addDays(hour / 24), QTime(hour % 24, time.mid(3, 2).toInt(), time.mid(6, 2).toInt()));
}

using Commands = QVector<QVector<int>>;

} // namespace

// The Timer page on a set clock: when entries fire against the simulated device, and its editors.
class tst_SchedulePage : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ScheduleClock::useWallClock(); }

    // Entries added at the first time of the steps, then the clock set to each later time. Among them "edit"
    // changes the first entry's days, "refuse" makes the device refuse the switch, "busy" and "free" begin and
    // end another exchange, "close" and "connect" take the link away and back. Then: what the device received,
    // whether the first entry is active, the boxes shown.
    void firing_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("takeMode");
        QTest::addColumn<Commands>("sent");
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("boxes");
        const int code = Rdx::SwitchInputCommand;
        const Commands switchTo5{{code, 5}};
        QTest::newRow("at its minute, once")
            << Entries{{"08:00", 4}} << "07:59:30 07:59:31 08:00:00 08:00:40" << 0 << Commands{{code, 4}} << 1 << 0;
        QTest::newRow("a late step skips what has passed")
            << Entries{{"07:00", 5}, {"09:00", 7}} << "06:00:00 08:15:10 09:00:00" << 0 << Commands{{code, 7}} << 1
            << 0;
        QTest::newRow("a repeating entry fires again the next day")
            << Entries{{"08:00", 3}} << "07:59:00 08:00:00 24:00:00 32:00:00" << 0 << Commands{{code, 3}, {code, 3}}
            << 1 << 0;
        QTest::newRow("a 00:00 entry fires once in its minute")
            << Entries{{"00:00", 2}} << "23:59:50 24:00:00 24:00:01 24:00:30 24:00:59 24:01:00" << 0
            << Commands{{code, 2}} << 1 << 0;
        // The edit rebuilds the day's list within the minute the entry fired.
        QTest::newRow("an edit in the fired minute does not fire it again")
            << Entries{{"10:30", 5}} << "10:29:00 10:30:00 10:30:20 edit 10:30:21" << 0 << switchTo5 << 1 << 0;
        const Entries oneShot{{"08:00", 5, 127, 0}};
        QTest::newRow("refused: stays active, no retry")
            << oneShot << "07:59:00 refuse 08:00:00 08:00:30" << 0 << switchTo5 << 1 << 0;
        QTest::newRow("Pre + TAKE: followed by TAKE")
            << oneShot << "07:59:00 08:00:00 08:00:30" << 1 << Commands{{code, 5}, {Rdx::TakeCommand, 0}} << 0 << 0;
        // Said once; sent if the link comes back within the minute, else left active for the operator to see.
        QTest::newRow("link closed: nothing sent, stays active")
            << oneShot << "07:59:00 close 08:00:00 08:00:30 08:01:00" << 0 << Commands{} << 1 << 1;
        QTest::newRow("link back within the minute: sent")
            << oneShot << "07:59:00 close 08:00:00 connect 08:00:30" << 0 << switchTo5 << 0 << 1;
        // A page filling its widgets, or waiting for its reads: the entry waits for the end of that exchange.
        QTest::newRow("another exchange all minute: nothing sent")
            << oneShot << "07:59:00 busy 08:00:00 08:00:30 08:01:00" << 0 << Commands{} << 1 << 0;
        QTest::newRow("another exchange ends within the minute: sent")
            << oneShot << "07:59:00 busy 08:00:00 free 08:00:30" << 0 << switchTo5 << 0 << 0;
    }
    void firing()
    {
        QFETCH(QString, steps);
        QFETCH(int, takeMode);
        const QStringList times = steps.split(QLatin1Char(' '));
        SchedulePageFixture fx(on(times.first().toLatin1()));
        SimState state;
        state.takeMode = takeMode;
        QVERIFY(fx.show(state));
        fx.link->deviceState.takeMode = takeMode;
        SimFaults refusing;
        refusing.errorForCode.insert(Rdx::SwitchInputCommand, 9);
        QFETCH(Entries, entries);
        fill(*fx.model, entries);
        for (const QString& step : times.mid(1)) {
            if (step == QLatin1String("close"))
                fx.link->closeSerial();
            else if (step == QLatin1String("connect"))
                QVERIFY(fx.open());
            else if (step == QLatin1String("busy") || step == QLatin1String("free"))
                fx.link->busy = step == QLatin1String("busy");
            else if (step == QLatin1String("refuse"))
                fx.sim->setFaults(refusing);
            else if (step == QLatin1String("edit"))
                fx.model->setData(fx.model->index(0, TableModel::WeekColumn), 0x3E);
            else
                QVERIFY(fx.at(on(step.toLatin1())));
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
            fill(*fx.model, {{"01:00", 4}});
            QVERIFY(fx.at(QDateTime(QDate(2026, 9, 6), QTime(1, 0))));
            QCOMPARE(fx.sent(), Commands({{Rdx::SwitchInputCommand, 4}}));
        }
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    }

    // With the service running the schedule the page fires nothing and says so; the
    // service's firing shows within 2 s and asks for the device's state to be read again; its saves show.
    void serviceRunsTheSchedule()
    {
        SchedulePageFixture fx(on("07:59:00"));
        QVERIFY(fx.show());
        fill(*fx.model, {{"08:00", 5}});
        fx.page->setServiceFiring(true);
        auto* line = fx.find<QLabel>("lab_for_service");
        QVERIFY(line->isVisible() && line->text().startsWith(QStringLiteral("The rdx480 service runs")));

        QSignalSpy refresh(fx.page.get(), &myTimer::send_firedElsewhere);
        ScheduleClock::set(on("08:00:00"));
        QString error;
        QVERIFY(
            FiredState::record(QStringLiteral("time.t"), FiredState::of(*fx.model->itemAt(0), on("08:00:00")), &error));
        QTRY_COMPARE_WITH_TIMEOUT(refresh.count(), 1, 2000);
        QVERIFY(line->text().endsWith(QStringLiteral("08:00: switched to VGA by another program.")));
        QVERIFY(fx.sent().isEmpty());

        // Another program's save is shown, but not while an editor is open.
        fx.table->edit(fx.table->model()->index(0, 0));
        auto* editor = fx.table->findChild<QTimeEdit*>();
        QVERIFY(editor);
        QVERIFY(TimeFile::edit(QStringLiteral("time.t"), [](TimeItems& items) {
                    items.push_back(std::make_unique<MyTimeItem>(QTime(10, 0), 7, 127, 1, 1));
                    return true;
                }).saved);
        fx.model->lookAtFolder();
        QCOMPARE(fx.model->rowCount(), 1);
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(fx.model->rowCount(), 2);
    }

    // A click on a row's number selects the row, and every number fits in bold, as a selected row's is drawn.
    void rowNumbers()
    {
        SchedulePageFixture fx(on("07:00:00"));
        TimeItems items;
        for (int i = 0; i < 120; ++i)
            items.push_back(std::make_unique<MyTimeItem>(QTime(8, 0), 4, 127, 1, 1));
        QString error;
        QVERIFY(TimeFile::save(QStringLiteral("time.t"), items, &error));
        QVERIFY(fx.show());
        QTRY_COMPARE(fx.model->rowCount(), 120);
        QHeaderView* numbers = fx.table->verticalHeader();
        fx.table->scrollToBottom();
        QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {}, {4, numbers->sectionViewportPosition(118) + 4});
        QCOMPARE(fx.table->selectionModel()->selectedRows(), QModelIndexList{fx.table->model()->index(118, 0)});

        QFont bold = numbers->font();
        bold.setBold(true);
        int widest = 0;
        for (int number = 1; number <= 120; ++number)
            widest = std::max(widest, QFontMetrics(bold).size(0, QString::number(number)).width());
        const int margin = numbers->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, numbers);
        QVERIFY(numbers->width() >= widest + 2 * margin);
    }

    // The day list ticks a day only on its icon, not when dismissed; "Del Row" deletes the selected entry,
    // not the current one; "Del All" asks first, in the page's language, and "No" keeps every entry.
    void editorsAndButtons()
    {
        SchedulePageFixture fx(on("07:00:00"));
        QVERIFY(fx.show());
        fill(*fx.model, {{"08:00", 4, 0x3E}, {"09:00", 4, 0x3E}, {"10:00", 4, 0x3E}});
        const auto centre = [&](int row, int column) {
            return fx.table->visualRect(fx.table->model()->index(row, column)).center();
        };
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, {}, centre(0, TableModel::WeekColumn)); // selects row 0
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

        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(1, 0));
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(1, 0));
        QCOMPARE(fx.table->currentIndex().row(), 1); // current, but no longer selected
        QTest::mouseClick(fx.find<QPushButton>("but_for_del"), Qt::LeftButton);
        QCOMPARE(fx.model->rowCount(), 2);
        QCOMPARE(fx.model->timeAt(0), QTime(9, 0));

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
};

QTEST_MAIN(tst_SchedulePage)
#include "tst_SchedulePage.moc"
