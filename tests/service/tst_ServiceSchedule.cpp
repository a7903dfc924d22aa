#include "FrameClient.h"
#include "schedule/ScheduleClock.h"
#include "schedule/ScheduleRunner.h"
#include "schedule/TimeFile.h"
#include "service/DeviceConnection.h"
#include "service/DeviceService.h"
#include "sim/SimFixture.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The service runs the schedule of its folder with no window open; the schedule clock is set, so no test
// waits for a real minute.
class tst_ServiceSchedule : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void aMissedEntryIsCaughtUpOnce_data();
    void aMissedEntryIsCaughtUpOnce();

private:
    void writeSchedule(const QTime& time, int input);
    void writeSettings(quint16 port, const QByteArray& service);
    bool startService();
    int switchesSeen(const SimFixture& sim) const;

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<DeviceService> m_service;
    QDate m_today = QDate(2026, 12, 7);
};

void tst_ServiceSchedule::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_runtime = std::make_unique<QTemporaryDir>();
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());
    m_sim = std::make_unique<SimFixture>();
    QVERIFY(m_sim->start());
}

void tst_ServiceSchedule::cleanup()
{
    m_service.reset();
    m_sim.reset();
    ScheduleClock::useWallClock();
}

void tst_ServiceSchedule::writeSchedule(const QTime& time, int input)
{
    TimeItems items;
    auto item = std::make_unique<MyTimeItem>();
    item->m_time = time;
    item->m_signal = input;
    item->m_week = 0x7F;
    item->m_repeat = 1;
    item->m_active = 1;
    items.push_back(std::move(item));
    QString error;
    QVERIFY2(TimeFile::save(m_folder->filePath(QStringLiteral("time.t")), items, &error), qPrintable(error));
}

void tst_ServiceSchedule::writeSettings(quint16 port, const QByteArray& service)
{
    QSaveFile file(m_folder->filePath(QStringLiteral("info.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("IP=127.0.0.1\nPORT=" + QByteArray::number(port) + "\nID=1\nNETWORK=true\n[Service]\n" + service);
    QVERIFY(file.commit());
}

bool tst_ServiceSchedule::startService()
{
    m_service = std::make_unique<DeviceService>(DeviceService::Options{m_folder->path(), false});
    QString error;
    return m_service->start(&error) && QTest::qWaitFor([&] { return m_service->device()->isUp(); }, 3000);
}

int tst_ServiceSchedule::switchesSeen(const SimFixture& sim) const
{
    int count = 0;
    for (const Rdx::Frame& frame : sim.received())
        count += frame[2] == Rdx::SwitchInputCommand;
    return count;
}

void tst_ServiceSchedule::aMissedEntryIsCaughtUpOnce_data()
{
    QTest::addColumn<QByteArray>("catchUp");
    QTest::addColumn<int>("switches");
    QTest::newRow("latest") << QByteArray("CATCHUP=latest\n") << 1;
    QTest::newRow("none") << QByteArray("CATCHUP=none\n") << 0;
}

void tst_ServiceSchedule::aMissedEntryIsCaughtUpOnce()
{
    QFETCH(QByteArray, catchUp);
    QFETCH(int, switches);
    const quint16 port = m_sim->tcpPort();
    writeSchedule(QTime(10, 6), Rdx::Hdmi2Input);
    writeSettings(port, catchUp);
    ScheduleClock::set(QDateTime(m_today, QTime(10, 5)));
    QVERIFY(startService());

    // The device hangs up across the entry's minute.
    m_sim.reset();
    QTRY_VERIFY(!m_service->device()->isUp());
    QSignalSpy missed(m_service->runner(), &ScheduleRunner::missed);
    ScheduleClock::set(QDateTime(m_today, QTime(10, 6)));
    ScheduleClock::set(QDateTime(m_today, QTime(10, 8)));
    QTRY_COMPARE(missed.count(), 1);

    SimFixture::Options options;
    options.tcpPort = port;
    m_sim = std::make_unique<SimFixture>(options);
    QVERIFY(m_sim->start());
    QTRY_VERIFY_WITH_TIMEOUT(m_service->device()->isUp(), 5000);
    // A client served after the device came back is served after the catch-up was looked at.
    FrameClient client;
    QVERIFY(client.connectLocal(m_service->socketPath()));
    client.send(readRequest(Rdx::StatusRead));
    QTRY_COMPARE(client.replies().size(), 1);
    QCOMPARE(switchesSeen(*m_sim), switches);
    QCOMPARE(m_sim->state().mainInput == Rdx::Hdmi2Input, switches == 1);

    // Not again after a restart: the state file says the device accepted it.
    m_service.reset();
    m_sim->clearReceived();
    QVERIFY(startService());
    QSignalSpy skipped(m_service->runner(), &ScheduleRunner::skipped);
    FrameClient again;
    QVERIFY(again.connectLocal(m_service->socketPath()));
    again.send(readRequest(Rdx::StatusRead));
    QTRY_COMPARE(again.replies().size(), 1);
    QCOMPARE(switchesSeen(*m_sim), 0);
    QCOMPARE(skipped.count(), switches);
}

QTEST_GUILESS_MAIN(tst_ServiceSchedule)
#include "tst_ServiceSchedule.moc"
