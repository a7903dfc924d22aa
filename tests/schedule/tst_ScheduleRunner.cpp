#include "schedule/ScheduleClock.h"
#include "schedule/ScheduleRunner.h"
#include "tests/schedule/ScheduleEntries.h"

#include <QSignalSpy>
#include <QTest>

#include <optional>

namespace {

const QString fileName = QStringLiteral("time.t");

// What a program's device was sent; it answers every switch the same way.
struct Device
{
    QVector<int> sent;
    Rdx::Outcome answer = Rdx::Outcome::Accepted;

    ScheduleRunner::Device make()
    {
        return {[] { return true; }, [this](int code) { return sent.append(code), answer; }};
    }
};

// time.t holding the entries, as the panel's table saves them.
void save(const Entries& entries)
{
    TableModel model;
    model.load(fileName);
    fill(model, entries);
}

} // namespace

// The firing engine as the service and the command line use it: on time.t with a device of their own.
class tst_ScheduleRunner : public QObject
{
    Q_OBJECT

private slots:
    void init() { removeScheduleFiles(); }
    void cleanup()
    {
        ScheduleClock::useWallClock();
        TimeFile::setWriteThrough({});
    }

    // The panel and the service on one folder fire an entry once; the other is told within 2 s, and a
    // runner started again in that minute does not fire it either.
    void onceAcrossPrograms()
    {
        ScheduleClock::set(QDateTime(monday, QTime(7, 59)));
        save({{"08:00", 4}});
        Device device;
        ScheduleRunner panel(fileName, device.make());
        ScheduleRunner service(fileName, device.make());
        QSignalSpy panelTold(&panel, &ScheduleRunner::firedElsewhere);
        QSignalSpy serviceTold(&service, &ScheduleRunner::firedElsewhere);
        QTRY_VERIFY(panel.nextWake().isValid() && service.nextWake().isValid()); // loaded
        ScheduleClock::set(QDateTime(monday, QTime(8, 0)));
        QTRY_COMPARE(device.sent, QVector<int>{4});
        QTRY_COMPARE_WITH_TIMEOUT(panelTold.count() + serviceTold.count(), 1, 2000);

        ScheduleClock::set(QDateTime(monday, QTime(8, 0, 30)));
        ScheduleRunner again(fileName, device.make());
        QSignalSpy skipped(&again, &ScheduleRunner::skipped);
        QTRY_COMPARE(skipped.count(), 1);
        QCOMPARE(skipped.first().at(0).value<ScheduleRunner::Report>().reason, ScheduleRunner::Reason::AlreadyFired);
        QCOMPARE(device.sent, QVector<int>{4});
    }

    // A one-shot entry fires while time.t cannot be written: the next wake-up is armed before the failed save
    // is reported, so a report that holds the event loop (a message box) lets no later minute pass unseen.
    void armsBeforeReporting()
    {
        ScheduleClock::set(QDateTime(monday, QTime(7, 59)));
        save({{"08:00", 4, 127, 0}, {"08:01", 5}});
        Device device;
        ScheduleRunner runner(fileName, device.make());
        QTRY_VERIFY(runner.nextWake().isValid()); // loaded
        TimeFile::setWriteThrough([](QIODevice*) {
            auto full = std::make_unique<QFile>(QStringLiteral("/dev/full"));
            full->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            return std::unique_ptr<QIODevice>(std::move(full));
        });
        std::optional<QDateTime> armedAtReport;
        connect(runner.model(), &TableModel::send_message, this, [&] { armedAtReport = runner.nextWake(); });
        ScheduleClock::set(QDateTime(monday, QTime(8, 0)));
        QTRY_VERIFY(armedAtReport);
        QCOMPARE(device.sent, QVector<int>{4});
        QCOMPARE(*armedAtReport, QDateTime(monday, QTime(8, 1)));
    }

    // Catching up at 07:45 (at most 60 minutes back), asked twice: what the device is sent.
    void catchUp_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QVector<int>>("sent");
        const int accepted = int(Rdx::Outcome::Accepted);
        QTest::newRow("the latest passed entry, once")
            << Entries{{"07:00", 1}, {"07:30", 2}} << accepted << QVector<int>{2};
        QTest::newRow("refused: asked again")
            << Entries{{"07:30", 2}} << int(Rdx::Outcome::Refused) << QVector<int>{2, 2};
        QTest::newRow("too old, switched off, still to come")
            << Entries{{"06:40", 1}, {"07:40", 3, 127, 1, 0}, {"08:00", 6}} << accepted << QVector<int>{};
    }
    void catchUp()
    {
        QFETCH(Entries, entries);
        QFETCH(int, answer);
        ScheduleClock::set(QDateTime(monday, QTime(7, 45, 10)));
        save(entries);
        Device device;
        device.answer = Rdx::Outcome(answer);
        ScheduleRunner runner(fileName, device.make());
        QTRY_VERIFY(runner.nextWake().isValid()); // loaded
        runner.catchUp(60);
        runner.catchUp(60);
        QTEST(device.sent, "sent");
    }
};

QTEST_GUILESS_MAIN(tst_ScheduleRunner)
#include "tst_ScheduleRunner.moc"
