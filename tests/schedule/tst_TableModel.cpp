#include "schedule/ProxyModel.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

const QDateTime mondayMorning(QDate(2026, 3, 2), QTime(7, 30, 45));
constexpr int Monday = 1 << 1;
constexpr int Tuesday = 1 << 2;

// time, active, days
using Entries = QVector<std::tuple<const char*, int, int>>;

void fill(TableModel& model, const Entries& entries)
{
    for (const auto& [time, active, days] : entries) {
        const int row = model.rowCount();
        model.insertRows(row, 1);
        model.setData(model.index(row, TableModel::TimeColumn), QLatin1String(time));
        model.setData(model.index(row, TableModel::WeekColumn), days);
        model.setData(model.index(row, TableModel::ActiveColumn), active);
    }
}

} // namespace

Q_DECLARE_METATYPE(Entries)

class tst_TableModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(QStringLiteral("time.t"));
        ScheduleClock::set(mondayMorning);
    }

    void firingList_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QVector<int>>("rows");
        QTest::newRow("time order, lowest row per minute")
            << Entries{{"09:00", 1, Monday}, {"08:00", 1, Monday}, {"08:00", 1, Monday}, {"07:00", 1, Monday}}
            << QVector<int>{1, 0};
        QTest::newRow("the current minute is due, the last one is not")
            << Entries{{"07:29", 1, Monday}, {"07:30", 1, Monday}} << QVector<int>{1};
        QTest::newRow("inactive, or not today")
            << Entries{{"08:00", 0, Monday}, {"08:00", 1, Tuesday}, {"08:00", 1, 0}} << QVector<int>{};
        QTest::newRow("an inactive entry gives its minute to the next")
            << Entries{{"08:00", 0, Monday}, {"08:00", 1, 127}} << QVector<int>{1};
    }

    void firingList()
    {
        QFETCH(Entries, entries);
        TableModel model;
        model.load();
        fill(model, entries);
        QSignalSpy announced(&model, &TableModel::send_starTime);
        model.adjust();
        QTEST(model.todayRows(), "rows");
        QCOMPARE(announced.takeFirst().at(0).toInt(), model.todayRows().size());
    }

    void modelAndProxyKeepQtsRules()
    {
        TableModel model;
        ProxyModel proxy;
        proxy.setSourceModel(&model);
        QAbstractItemModelTester modelTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setLanguage(false);
        model.load();
        proxy.sort(TableModel::TimeColumn);
        fill(model, {{"09:00", 1, Monday}, {"07:00", 1, Monday}, {"08:00", 0, Monday}});
        QCOMPARE(proxy.data(proxy.index(0, TableModel::TimeColumn)).toString(), QStringLiteral("07:00"));
        proxy.setState(1); // upcoming and active only
        QCOMPARE(proxy.rowCount(), 1);

        // A one-shot entry spent changes one cell: an edit in progress and the selection survive it.
        QSignalSpy reset(&model, &TableModel::modelReset);
        QSignalSpy changed(&model, &TableModel::dataChanged);
        model.markFired(0);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!model.isActiveAt(0));

        // Ranges are clamped to what exists (the testers check what is announced); nothing to do is no change.
        QVERIFY(!model.insertRows(0, 0));
        QVERIFY(!model.removeRows(3, 2));
        QVERIFY(model.insertRows(-5, 1));
        QVERIFY(model.removeRows(2, 9));
        QCOMPARE(model.rowCount(), 2);
        model.clearAll();
        QCOMPARE(proxy.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_TableModel)
#include "tst_TableModel.moc"
