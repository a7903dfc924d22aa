#include "ServiceSupport.h"
#include "link/Singleton_SerialPort.h"
#include "schedule/ScheduleClock.h"
#include "schedule/ScheduleRunner.h"
#include "schedule/TimeFile.h"
#include "service/ClientFrameCutter.h"
#include "service/DeviceConnection.h"
#include "service/DeviceService.h"
#include "service/FrameServer.h"
#include "sim/SimFixture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <thread>

// The service in this process, its device the simulator on its own thread, its clients driven by the
// event loop like any other socket.
class tst_DeviceService : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<DeviceService> m_service;

    // The simulator over the paced pty or TCP (its pty linked at `node` when given), and info.ini naming
    // it, with `service` added, unless it comes back at the `port` it had.
    bool startSim(bool paced, quint16 port = 0, const QString& node = QString(), const QByteArray& service = {})
    {
        SimFixture::Options options;
        options.paced = paced;
        options.tcpPort = port;
        m_sim = std::make_unique<SimFixture>(options);
        if (!m_sim->start() || (paced && !node.isEmpty() && !QFile::link(m_sim->serialPath(), node)))
            return false;
        const QByteArray serial = (node.isEmpty() ? m_sim->serialPath() : node).toUtf8();
        const QByteArray device = paced ? "PORTNAME=" + serial + "\nID=1\n" : tcpSettings(m_sim->tcpPort());
        return port != 0 || writeFile(m_folder->filePath(QStringLiteral("info.ini")), device + service);
    }

    bool startService()
    {
        m_service = std::make_unique<DeviceService>(DeviceService::Options{m_folder->path(), false});
        QString error;
        const bool started = m_service->start(&error);
        if (!started)
            qWarning() << error;
        return started && QTest::qWaitFor([&] { return m_service->device()->isUp(); }, 3000);
    }

    // A new client's status read is answered.
    bool servesAStatusRead()
    {
        FrameClient client;
        client.connectLocal(m_service->socketPath());
        client.send(readRequest(Rdx::StatusRead));
        return QTest::qWaitFor([&] { return client.replyKinds() == QVector<int>{Rdx::StatusRead}; }, 5000);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_runtime = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());
    }

    void cleanup()
    {
        m_service.reset();
        m_sim.reset();
        ScheduleClock::useWallClock();
    }

    void clientsGetExactlyTheirRepliesInTurn_data()
    {
        QTest::addColumn<bool>("paced");
        QTest::newRow("tcp") << false;
        QTest::newRow("paced serial") << true;
    }

    void clientsGetExactlyTheirRepliesInTurn()
    {
        QFETCH(bool, paced);
        QVERIFY(startSim(paced));
        QVERIFY(startService());

        // Each sends all its frames at once, over TCP more than its queue holds: neither may starve the other.
        const int perClient = paced ? 8 : FrameServer::MaxQueuedFrames + 4;
        FrameClient picture, led;
        picture.connectLocal(m_service->socketPath());
        led.connectLocal(m_service->socketPath());
        QTRY_COMPARE(m_service->server()->clientCount(), 2);
        picture.send(readRequest(Rdx::PictureRead).repeated(perClient));
        led.send(readRequest(Rdx::LedTotalRead).repeated(perClient));
        QTRY_COMPARE_WITH_TIMEOUT(picture.replyKinds().size() + led.replyKinds().size(), 2 * perClient, 20000);
        QCOMPARE(picture.replyKinds(), QVector<int>(perClient, Rdx::PictureRead));
        QCOMPARE(led.replyKinds(), QVector<int>(perClient, Rdx::LedTotalRead));

        // Served in turn: while both have frames waiting, the device sees them alternate.
        const QVector<Rdx::Frame> seen = m_sim->received();
        QCOMPARE(seen.size(), 2 * perClient);
        int alternations = 0;
        for (int i = 1; i < seen.size(); ++i)
            alternations += seen[i][3] != seen[i - 1][3];
        QVERIFY2(alternations >= 2 * perClient - 4, qPrintable(QString::number(alternations)));
    }

    // Garbage, partial frames and a client leaving mid-exchange never reach the device nor another client.
    void misbehavingClientsDisturbNobody()
    {
        QVERIFY(startSim(false) && startService());
        FrameClient noisy, quiet;
        noisy.connectLocal(m_service->socketPath());
        quiet.connectLocal(m_service->socketPath());

        QByteArray noise = QByteArray("\x00\x13garbage", 9);
        noise += frameBytes(Rdx::SwitchInputCommand, {3}).left(7); // a partial frame
        noise += char(Rdx::FrameMarker) + QByteArray(12, '\xff');  // a start marker, no end marker
        noise += readRequest(Rdx::PictureRead);
        noisy.send(noise);
        quiet.send(readRequest(Rdx::StatusRead));
        QTRY_COMPARE(noisy.replyKinds(), QVector<int>{Rdx::PictureRead});
        QTRY_COMPARE(quiet.replyKinds(), QVector<int>{Rdx::StatusRead});
        QCOMPARE(frameCodes(m_sim->received()), QVector<int>(2, Rdx::ReadRequestCode));
        // A partial frame left standing is dropped: what follows it is a frame of its own, and its start marker
        // does not end the partial one.
        noisy.send(frameBytes(Rdx::SwitchInputCommand, {3}).left(12));
        QTest::qWait(int(ClientFrameCutter::DefaultStaleGapMs) + 100);
        noisy.send(readRequest(Rdx::StatusRead));
        QTRY_COMPARE(noisy.replyKinds().size(), 2);
        QCOMPARE(frameCodes(m_sim->received()), QVector<int>(3, Rdx::ReadRequestCode));

        SimFaults slow;
        slow.delayMs = 300;
        m_sim->setFaults(slow);
        // The service blocks this thread during an exchange: the client who leaves in the middle of it is a
        // thread of its own.
        const QString path = m_service->socketPath();
        SimFixture* sim = m_sim.get();
        std::thread leaving([path, sim] {
            QLocalSocket socket;
            socket.connectToServer(path);
            socket.write(readRequest(Rdx::PictureRead) + readRequest(Rdx::PictureRead));
            socket.waitForBytesWritten(5000);
            for (QDeadlineTimer deadline(5000); sim->received().size() < 4 && !deadline.hasExpired();)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        QTRY_COMPARE(m_sim->received().size(), 4);
        leaving.join();
        quiet.send(readRequest(Rdx::LedTotalRead));
        QTRY_COMPARE(quiet.replyKinds(), (QVector<int>{Rdx::StatusRead, Rdx::LedTotalRead}));
        QTRY_COMPARE(m_service->server()->clientCount(), 2);
        // The frame still queued for the one who left never went out.
        QCOMPARE(m_sim->received().size(), 5);
    }

    // The device hangs up across a schedule entry's minute and comes back; the service runs its folder's
    // schedule with no window open, on a set clock.
    void theDeviceAwayAndBack_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::addColumn<QByteArray>("catchUp");
        QTest::addColumn<int>("switches");
        QTest::newRow("tcp, catch up") << false << QByteArray("CATCHUP=latest\n") << 1;
        QTest::newRow("tcp, no catch-up") << false << QByteArray("CATCHUP=none\n") << 0;
        QTest::newRow("vanished serial node") << true << QByteArray() << 1;
    }

    void theDeviceAwayAndBack()
    {
        QFETCH(bool, serial);
        QFETCH(QByteArray, catchUp);
        QFETCH(int, switches);
        // A stable name for a serial node that comes and goes, as /dev/serial/by-id/... is.
        const QString node = serial ? m_folder->filePath(QStringLiteral("usb-RDX480-if00")) : QString();
        TimeItems items;
        items.push_back(std::make_unique<MyTimeItem>(QTime(10, 6), int(Rdx::Hdmi2Input), 0x7F, 1, 1));
        QString error;
        QVERIFY2(TimeFile::save(m_folder->filePath(QStringLiteral("time.t")), items, &error), qPrintable(error));
        const QDate today(2026, 12, 7);
        ScheduleClock::set(QDateTime(today, QTime(10, 5)));
        QVERIFY(startSim(serial, 0, node, "[Service]\n" + catchUp));
        QVERIFY(startService());
        const quint16 port = m_sim->tcpPort();
        FrameClient before;
        before.connectLocal(m_service->socketPath());
        QTRY_COMPARE(m_service->server()->clientCount(), 1);

        // Clients are closed and refused while it is away.
        m_sim.reset();
        QFile::remove(node);
        QTRY_VERIFY(!m_service->device()->isUp());
        QTRY_VERIFY(before.closed);
        FrameClient meanwhile;
        meanwhile.connectLocal(m_service->socketPath());
        QTRY_VERIFY(meanwhile.closed);
        QCOMPARE(m_service->server()->clientCount(), 0);
        QSignalSpy missed(m_service->runner(), &ScheduleRunner::missed);
        ScheduleClock::set(QDateTime(today, QTime(10, 6)));
        ScheduleClock::set(QDateTime(today, QTime(10, 8)));
        QTRY_COMPARE(missed.count(), 1);

        QVERIFY(startSim(serial, port, node));
        QTRY_VERIFY_WITH_TIMEOUT(m_service->device()->isUp(), 5000);
        // A client served after the device came back is served after the catch-up was looked at.
        QVERIFY(servesAStatusRead());
        QCOMPARE(frameCodes(m_sim->received()).count(Rdx::SwitchInputCommand), switches);

        // Not again after a restart: the state file says the device accepted it.
        m_service.reset();
        m_sim->clearReceived();
        QVERIFY(startService());
        QSignalSpy skipped(m_service->runner(), &ScheduleRunner::skipped);
        QVERIFY(servesAStatusRead());
        QCOMPARE(frameCodes(m_sim->received()), QVector<int>{Rdx::ReadRequestCode});
        QCOMPARE(skipped.count(), switches);
    }

    void controlSurfacesAndAChangedSettingsFile()
    {
        QVERIFY(startSim(false, 0, {}, "[Service]\nLISTEN=127.0.0.1:0\n") && startService());
        FrameClient surface;
        surface.connectTcp(m_service->tcpPort());
        surface.send(frameBytes(Rdx::SwitchInputCommand, {Rdx::Hdmi2Input}));
        QTRY_COMPARE(surface.replyKinds().size(), 1);
        QCOMPARE(m_sim->state().mainInput, int(Rdx::Hdmi2Input));
        // The service's copy of the device follows what it forwarded.
        QCOMPARE(Singleton_SerialPort::instance()->deviceState.mainInput, int(Rdx::Hdmi2Input));

        // Another device, and a listening address that is not loopback: not served without --allow-remote.
        SimFixture other;
        QVERIFY(other.start());
        QVERIFY(writeFile(m_folder->filePath(QStringLiteral("info.ini")),
                          tcpSettings(other.tcpPort()) + "[Service]\nLISTEN=0.0.0.0:0\n"));
        QTRY_COMPARE(m_service->tcpPort(), quint16(0));
        QTRY_VERIFY(m_service->device()->settings().port == other.tcpPort() && m_service->device()->isUp());
        QVERIFY(servesAStatusRead());
        QCOMPARE(other.received().size(), 1);

        // One service per folder.
        DeviceService second({m_folder->path(), false});
        QString error;
        QVERIFY(!second.start(&error));
        QVERIFY2(error.contains(QStringLiteral("already runs")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(tst_DeviceService)
#include "tst_DeviceService.moc"
