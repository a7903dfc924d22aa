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

private slots:
    void init();
    void cleanup();
    void clientsGetExactlyTheirRepliesInTurn_data();
    void clientsGetExactlyTheirRepliesInTurn();
    void garbageAndPartialFramesNeverReachTheDevice();
    void aClientLeavingMidExchangeDisturbsNobody();
    void clientsAreRefusedWhileTheDeviceIsAway_data();
    void clientsAreRefusedWhileTheDeviceIsAway();
    void aChangedSettingsFileReconnects();
    void controlSurfacesOnLoopbackTcp();
    void aMissedEntryIsCaughtUpOnce_data();
    void aMissedEntryIsCaughtUpOnce();

private:
    // The simulator over the paced pty or TCP (its pty linked at `node` when given), and info.ini naming it
    // unless it comes back at the `port` it had.
    bool startSim(bool paced, quint16 port = 0, const QString& node = QString());
    void writeSettings(const QByteArray& text) { QVERIFY(writeFile(m_folder->filePath(QStringLiteral("info.ini")), text)); }
    bool startService();
    // The simulator over TCP, the settings that name it, the service on them.
    bool serveTcp(const QByteArray& service = QByteArray());
    // A new client's status read is answered.
    bool servesAStatusRead();
    // Byte 2 of each frame the device saw.
    QVector<int> codesSeen() const;

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<DeviceService> m_service;
};

bool tst_DeviceService::startSim(bool paced, quint16 port, const QString& node)
{
    SimFixture::Options options;
    options.paced = paced;
    options.tcpPort = port;
    m_sim = std::make_unique<SimFixture>(options);
    if (!m_sim->start() || (paced && !node.isEmpty() && !QFile::link(m_sim->serialPath(), node)))
        return false;
    const QString serial = node.isEmpty() ? m_sim->serialPath() : node;
    if (port == 0)
        writeSettings(paced ? "PORTNAME=" + serial.toUtf8() + "\nID=1\n" : tcpSettings(m_sim->tcpPort()));
    return true;
}

bool tst_DeviceService::startService()
{
    m_service = std::make_unique<DeviceService>(DeviceService::Options{m_folder->path(), false});
    QString error;
    if (!m_service->start(&error)) {
        qWarning() << error;
        return false;
    }
    return QTest::qWaitFor([&] { return m_service->device()->isUp(); }, 3000);
}

bool tst_DeviceService::serveTcp(const QByteArray& service)
{
    if (!startSim(false))
        return false;
    if (!service.isEmpty())
        writeSettings(tcpSettings(m_sim->tcpPort()) + service);
    return startService();
}

bool tst_DeviceService::servesAStatusRead()
{
    FrameClient client;
    if (!client.connectLocal(m_service->socketPath()))
        return false;
    client.send(readRequest(Rdx::StatusRead));
    return QTest::qWaitFor([&] { return client.replyKinds() == QVector<int>{Rdx::StatusRead}; }, 5000);
}

QVector<int> tst_DeviceService::codesSeen() const
{
    QVector<int> codes;
    for (const Rdx::Frame& frame : m_sim->received())
        codes.append(frame[2]);
    return codes;
}

void tst_DeviceService::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_runtime = std::make_unique<QTemporaryDir>();
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());
}

void tst_DeviceService::cleanup()
{
    m_service.reset();
    m_sim.reset();
    ScheduleClock::useWallClock();
}

void tst_DeviceService::clientsGetExactlyTheirRepliesInTurn_data()
{
    QTest::addColumn<bool>("paced");
    QTest::newRow("tcp") << false;
    QTest::newRow("paced serial") << true;
}

void tst_DeviceService::clientsGetExactlyTheirRepliesInTurn()
{
    QFETCH(bool, paced);
    QVERIFY(startSim(paced));
    QVERIFY(startService());

    // Each sends all its frames at once, over TCP more than its queue holds: neither may starve the other.
    const int perClient = paced ? 8 : FrameServer::MaxQueuedFrames + 4;
    FrameClient picture, led;
    QVERIFY(picture.connectLocal(m_service->socketPath()));
    QVERIFY(led.connectLocal(m_service->socketPath()));
    QTRY_COMPARE(m_service->server()->clientCount(), 2);
    QByteArray pictureFrames, ledFrames;
    for (int i = 0; i < perClient; ++i) {
        pictureFrames += readRequest(Rdx::PictureRead);
        ledFrames += readRequest(Rdx::LedTotalRead);
    }
    picture.send(pictureFrames);
    led.send(ledFrames);
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

void tst_DeviceService::garbageAndPartialFramesNeverReachTheDevice()
{
    QVERIFY(serveTcp());
    FrameClient noisy, quiet;
    QVERIFY(noisy.connectLocal(m_service->socketPath()));
    QVERIFY(quiet.connectLocal(m_service->socketPath()));

    QByteArray noise = QByteArray("\x00\x13garbage", 9);
    noise += frameBytes(Rdx::SwitchInputCommand, {3}).left(7); // a partial frame
    noise += char(Rdx::FrameMarker) + QByteArray(12, '\xff');  // a start marker, no end marker
    noise += readRequest(Rdx::PictureRead);
    noisy.send(noise);
    quiet.send(readRequest(Rdx::StatusRead));
    QTRY_COMPARE(noisy.replyKinds(), QVector<int>{Rdx::PictureRead});
    QTRY_COMPARE(quiet.replyKinds(), QVector<int>{Rdx::StatusRead});
    QCOMPARE(codesSeen(), QVector<int>(2, Rdx::ReadRequestCode));
    // A partial frame left standing is dropped: what follows it is a frame of its own.
    noisy.send(frameBytes(Rdx::SwitchInputCommand, {3}).left(5));
    QTest::qWait(int(ClientFrameCutter::DefaultStaleGapMs) + 100);
    noisy.send(readRequest(Rdx::StatusRead));
    QTRY_COMPARE(noisy.replyKinds().size(), 2);
    QCOMPARE(codesSeen(), QVector<int>(3, Rdx::ReadRequestCode));
    QVERIFY(!noisy.closed && !quiet.closed);
}

void tst_DeviceService::aClientLeavingMidExchangeDisturbsNobody()
{
    QVERIFY(serveTcp());
    SimFaults slow;
    slow.delayMs = 300;
    m_sim->setFaults(slow);
    FrameClient staying;
    QVERIFY(staying.connectLocal(m_service->socketPath()));
    // The service blocks this thread during an exchange: the client who leaves in the middle of it is a
    // thread of its own.
    const QString path = m_service->socketPath();
    SimFixture* sim = m_sim.get();
    std::thread leaving([path, sim] {
        QLocalSocket socket;
        socket.connectToServer(path);
        socket.write(readRequest(Rdx::PictureRead) + readRequest(Rdx::PictureRead));
        socket.waitForBytesWritten(5000);
        for (QDeadlineTimer deadline(5000); sim->received().isEmpty() && !deadline.hasExpired();)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    QTRY_COMPARE(m_sim->received().size(), 1);
    leaving.join();
    staying.send(readRequest(Rdx::LedTotalRead));
    QTRY_COMPARE(staying.replyKinds(), QVector<int>{Rdx::LedTotalRead});
    QTRY_COMPARE(m_service->server()->clientCount(), 1);
    // The frame still queued for the one who left never went out.
    QCOMPARE(m_sim->received().size(), 2);
}

void tst_DeviceService::clientsAreRefusedWhileTheDeviceIsAway_data()
{
    QTest::addColumn<QString>("node");
    QTest::newRow("tcp") << QString();
    // A stable name for a serial node that comes and goes, as /dev/serial/by-id/... is.
    QTest::newRow("vanished serial node") << QStringLiteral("usb-RDX480-if00");
}

void tst_DeviceService::clientsAreRefusedWhileTheDeviceIsAway()
{
    QFETCH(QString, node);
    const bool serial = !node.isEmpty();
    if (serial)
        node = m_folder->filePath(node);
    QVERIFY(startSim(serial, 0, node));
    QVERIFY(startService());
    const quint16 port = m_sim->tcpPort();
    FrameClient before;
    QVERIFY(before.connectLocal(m_service->socketPath()));
    QTRY_COMPARE(m_service->server()->clientCount(), 1);

    m_sim.reset();
    QFile::remove(node);
    QTRY_VERIFY(!m_service->device()->isUp());
    QTRY_VERIFY(before.closed);
    FrameClient meanwhile;
    meanwhile.connectLocal(m_service->socketPath());
    QTRY_VERIFY(meanwhile.closed);
    QCOMPARE(m_service->server()->clientCount(), 0);

    QVERIFY(startSim(serial, port, node));
    QTRY_VERIFY_WITH_TIMEOUT(m_service->device()->isUp(), 5000);
    QVERIFY(servesAStatusRead());
    QCOMPARE(m_sim->received().size(), 1);
}

void tst_DeviceService::aChangedSettingsFileReconnects()
{
    QVERIFY(serveTcp());
    SimFixture other;
    QVERIFY(other.start());

    writeSettings(tcpSettings(other.tcpPort()));
    QTRY_VERIFY_WITH_TIMEOUT(m_service->device()->settings().port == other.tcpPort(), 2000);
    QTRY_VERIFY(m_service->device()->isUp());
    QVERIFY(servesAStatusRead());
    QCOMPARE(other.received().size(), 1);
    QCOMPARE(m_sim->received().size(), 0);

    // One service per folder.
    DeviceService second({m_folder->path(), false});
    QString error;
    QVERIFY(!second.start(&error));
    QVERIFY2(error.contains(QStringLiteral("already runs")), qPrintable(error));
}

void tst_DeviceService::controlSurfacesOnLoopbackTcp()
{
    QVERIFY(serveTcp("[Service]\nLISTEN=127.0.0.1:0\n"));
    QVERIFY(m_service->tcpPort() != 0);
    FrameClient surface;
    surface.connectTcp(m_service->tcpPort());
    surface.send(frameBytes(Rdx::SwitchInputCommand, {Rdx::Hdmi2Input}));
    QTRY_COMPARE(surface.replyKinds().size(), 1);
    QCOMPARE(m_sim->state().mainInput, int(Rdx::Hdmi2Input));
    // The service's copy of the device follows what it forwarded.
    QCOMPARE(Singleton_SerialPort::instance()->deviceState.mainInput, int(Rdx::Hdmi2Input));

    // Not loopback: not served without --allow-remote.
    writeSettings(tcpSettings(m_sim->tcpPort()) + "[Service]\nLISTEN=0.0.0.0:0\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_service->tcpPort(), quint16(0), 2000);
}

// The service runs its folder's schedule with no window open, on a set clock: the device hangs up across an
// entry's minute and comes back.
void tst_DeviceService::aMissedEntryIsCaughtUpOnce_data()
{
    QTest::addColumn<QByteArray>("catchUp");
    QTest::addColumn<int>("switches");
    QTest::newRow("latest") << QByteArray("CATCHUP=latest\n") << 1;
    QTest::newRow("none") << QByteArray("CATCHUP=none\n") << 0;
}

void tst_DeviceService::aMissedEntryIsCaughtUpOnce()
{
    QFETCH(QByteArray, catchUp);
    QFETCH(int, switches);
    TimeItems items;
    items.push_back(std::make_unique<MyTimeItem>(QTime(10, 6), int(Rdx::Hdmi2Input), 0x7F, 1, 1));
    QString error;
    QVERIFY2(TimeFile::save(m_folder->filePath(QStringLiteral("time.t")), items, &error), qPrintable(error));
    const QDate today(2026, 12, 7);
    ScheduleClock::set(QDateTime(today, QTime(10, 5)));
    QVERIFY(serveTcp("[Service]\n" + catchUp));
    const quint16 port = m_sim->tcpPort();

    m_sim.reset();
    QTRY_VERIFY(!m_service->device()->isUp());
    QSignalSpy missed(m_service->runner(), &ScheduleRunner::missed);
    ScheduleClock::set(QDateTime(today, QTime(10, 6)));
    ScheduleClock::set(QDateTime(today, QTime(10, 8)));
    QTRY_COMPARE(missed.count(), 1);
    QVERIFY(startSim(false, port));
    QTRY_VERIFY_WITH_TIMEOUT(m_service->device()->isUp(), 5000);
    // A client served after the device came back is served after the catch-up was looked at.
    QVERIFY(servesAStatusRead());
    QCOMPARE(codesSeen().count(Rdx::SwitchInputCommand), switches);
    QCOMPARE(m_sim->state().mainInput == Rdx::Hdmi2Input, switches == 1);

    // Not again after a restart: the state file says the device accepted it.
    m_service.reset();
    m_sim->clearReceived();
    QVERIFY(startService());
    QSignalSpy skipped(m_service->runner(), &ScheduleRunner::skipped);
    QVERIFY(servesAStatusRead());
    QCOMPARE(codesSeen().count(Rdx::SwitchInputCommand), 0);
    QCOMPARE(skipped.count(), switches);
}

QTEST_GUILESS_MAIN(tst_DeviceService)
#include "tst_DeviceService.moc"
