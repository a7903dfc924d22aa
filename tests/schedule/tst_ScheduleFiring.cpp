#include "SchedulePageFixture.h"

namespace {

const QDate monday(2026, 3, 2);

QDateTime on(const QDate& date, const QString& time)
{
    return QDateTime(date, QTime::fromString(time, QStringLiteral("hh:mm:ss")));
}

using Commands = QVector<QPair<int, int>>;

} // namespace

class tst_ScheduleFiring : public QObject
{
    Q_OBJECT

private slots:
    void firesOnceAtItsMinute();
    void lateStepSkipsPassedEntries();
    void repeatsAfterMidnight();
    void midnightEntryFiresOnce();
    void editInTheFiredMinuteDoesNotRefire();
    void deactivatedEntryNeverFires();
    void outcome_data();
    void outcome();
    void waitsForAnotherExchange();
};

void tst_ScheduleFiring::firesOnceAtItsMinute()
{
    SchedulePageFixture fx(on(monday, QStringLiteral("07:59:30")));
    QVERIFY(fx.connect());
    QVERIFY(fx.show());
    fx.addEntry(QStringLiteral("08:00"), 4);
    QVERIFY(fx.at(on(monday, QStringLiteral("07:59:31"))));
    QCOMPARE(fx.alarm->target(), on(monday, QStringLiteral("08:00:00")));
    QVERIFY(fx.commands().isEmpty());

    QVERIFY(fx.at(on(monday, QStringLiteral("08:00:00"))));
    QVERIFY(fx.at(on(monday, QStringLiteral("08:00:40"))));
    QCOMPARE(fx.commands(), (Commands{{Rdx::SwitchInputCommand, 4}}));
    QCOMPARE(fx.sim.state().mainInput, 4);
}

void tst_ScheduleFiring::lateStepSkipsPassedEntries()
{
    SchedulePageFixture fx(on(monday, QStringLiteral("06:00:00")));
    QVERIFY(fx.connect());
    QVERIFY(fx.show());
    fx.addEntry(QStringLiteral("07:00"), 5);
    fx.addEntry(QStringLiteral("09:00"), 7);
    QVERIFY(fx.at(on(monday, QStringLiteral("08:15:10"))));
    QVERIFY(fx.commands().isEmpty());
    QCOMPARE(fx.alarm->target(), on(monday, QStringLiteral("08:16:00")));
    QVERIFY(fx.at(on(monday, QStringLiteral("09:00:00"))));
    QCOMPARE(fx.commands(), (Commands{{Rdx::SwitchInputCommand, 7}}));
}

void tst_ScheduleFiring::repeatsAfterMidnight()
{
    SchedulePageFixture fx(on(monday, QStringLiteral("07:59:00")));
    QVERIFY(fx.connect());
    QVERIFY(fx.show());
    fx.addEntry(QStringLiteral("08:00"), 3);
    QVERIFY(fx.at(on(monday, QStringLiteral("08:00:00"))));
    // Nothing left today: the page still wakes at midnight for tomorrow's list.
    QCOMPARE(fx.alarm->target(), on(monday.addDays(1), QStringLiteral("00:00:00")));
    QVERIFY(fx.at(on(monday.addDays(1), QStringLiteral("00:00:00"))));
    QVERIFY(fx.at(on(monday.addDays(1), QStringLiteral("08:00:00"))));
    QCOMPARE(fx.commands(), (Commands{{Rdx::SwitchInputCommand, 3}, {Rdx::SwitchInputCommand, 3}}));
}

void tst_ScheduleFiring::midnightEntryFiresOnce()
{
    SchedulePageFixture fx(on(monday, QStringLiteral("23:59:50")));
    QVERIFY(fx.connect());
    QVERIFY(fx.show());
    fx.addEntry(QStringLiteral("00:00"), 2);
    for (const char* time : {"00:00:00", "00:00:01", "00:00:30", "00:00:59", "00:01:00"})
        QVERIFY(fx.at(on(monday.addDays(1), QLatin1String(time))));
    QCOMPARE(fx.commands(), (Commands{{Rdx::SwitchInputCommand, 2}}));
}

void tst_ScheduleFiring::editInTheFiredMinuteDoesNotRefire()
{
    SchedulePageFixture fx(on(monday, QStringLiteral("10:29:00")));
    QVERIFY(fx.connect());
    QVERIFY(fx.show());
    const int row = fx.addEntry(QStringLiteral("10:30"), 6);
    QVERIFY(fx.at(on(monday, QStringLiteral("10:30:00"))));
    ScheduleClock::set(on(monday, QStringLiteral("10:30:20")));
    fx.model->setData(fx.model->index(row, TableModel::WeekColumn), 0x3E);
    QVERIFY(fx.at(on(monday, QStringLiteral("10:30:21"))));
    QCOMPARE(fx.commands(), (Commands{{Rdx::SwitchInputCommand, 6}}));
}

void tst_ScheduleFiring::deactivatedEntryNeverFires()
{
    SchedulePageFixture fx(on(monday, QStringLiteral("07:58:00")));
    QVERIFY(fx.connect());
    QVERIFY(fx.show());
    const int row = fx.addEntry(QStringLiteral("08:00"), 4);
    fx.model->setData(fx.model->index(row, TableModel::ActiveColumn), 0);
    QVERIFY(fx.at(on(monday, QStringLiteral("08:00:00"))));
    QVERIFY(fx.commands().isEmpty());
}

void tst_ScheduleFiring::outcome_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("takeMode");
    QTest::addColumn<int>("deviceError");
    QTest::addColumn<Commands>("sent");
    QTest::addColumn<int>("activeAfter");
    QTest::newRow("accepted: one-shot spent") << true << 0 << 0 << Commands{{Rdx::SwitchInputCommand, 5}} << 0;
    QTest::newRow("refused: stays active, no retry") << true << 0 << 9 << Commands{{Rdx::SwitchInputCommand, 5}} << 1;
    QTest::newRow("Pre + TAKE: followed by TAKE")
        << true << 1 << 0 << Commands{{Rdx::SwitchInputCommand, 5}, {Rdx::TakeCommand, 0}} << 0;
    QTest::newRow("link closed: nothing sent, spent") << false << 0 << 0 << Commands{} << 0;
}

void tst_ScheduleFiring::outcome()
{
    QFETCH(bool, connected);
    QFETCH(int, takeMode);
    QFETCH(int, deviceError);
    SchedulePageFixture fx(on(monday, QStringLiteral("07:59:00")));
    SimState state;
    state.takeMode = takeMode;
    QVERIFY(fx.connect(state));
    fx.link->deviceState.takeMode = takeMode;
    if (deviceError) {
        SimFaults faults;
        faults.errorForCode.insert(Rdx::SwitchInputCommand, deviceError);
        fx.sim.setFaults(faults);
    }
    if (!connected)
        fx.link->closeSerial();
    QVERIFY(fx.show());
    const int row = fx.addEntry(QStringLiteral("08:00"), 5, 0);
    QVERIFY(fx.at(on(monday, QStringLiteral("08:00:00"))));
    QVERIFY(fx.at(on(monday, QStringLiteral("08:00:30"))));
    QTEST(fx.commands(), "sent");
    QTEST(fx.model->data(fx.model->index(row, TableModel::ActiveColumn)).toInt(), "activeAfter");
}

void tst_ScheduleFiring::waitsForAnotherExchange()
{
    SchedulePageFixture fx(on(monday, QStringLiteral("07:59:00")));
    QVERIFY(fx.connect());
    QVERIFY(fx.show());
    fx.addEntry(QStringLiteral("08:00"), 7);
    fx.link->busy = true; // a page is filling its widgets
    ScheduleClock::set(on(monday, QStringLiteral("08:00:00")));
    QVERIFY(fx.commands().isEmpty());
    fx.link->busy = false;
    QTRY_COMPARE(fx.commands(), (Commands{{Rdx::SwitchInputCommand, 7}}));
}

QTEST_MAIN(tst_ScheduleFiring)
#include "tst_ScheduleFiring.moc"
