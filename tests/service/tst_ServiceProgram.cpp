#include "ServiceSupport.h"
#include "service/ServiceLocator.h"
#include "sim/SimFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// rdx480d as the unit starts it: a program of its own, stopped by a signal.
class tst_ServiceProgram : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QTemporaryDir> m_runtime;

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_runtime = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());
    }

    void linksNoWidgets()
    {
        QProcess readelf;
        readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral(RDX480D_PROGRAM)});
        QVERIFY(readelf.waitForFinished(10000));
        const QByteArray needed = readelf.readAllStandardOutput();
        QVERIFY(needed.contains("libQt5SerialPort.so"));
        QVERIFY(!needed.contains("libQt5Gui.so")); // Widgets needs Gui
    }

    void sigtermEndsTheExchangeInFlight()
    {
        SimFixture sim;
        QVERIFY(sim.start());
        SimFaults slow;
        slow.delayMs = 800;
        sim.setFaults(slow);
        QVERIFY(writeFile(m_folder->filePath(QStringLiteral("info.ini")), tcpSettings(sim.tcpPort())));

        // The service manager's end of Type=notify: readiness comes once the socket listens.
        const QByteArray notifyPath = QFile::encodeName(m_runtime->filePath(QStringLiteral("notify")));
        const int manager = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, notifyPath.constData(), size_t(notifyPath.size()));
        QCOMPARE(::bind(manager, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QProcess service;
        qputenv("NOTIFY_SOCKET", notifyPath);
        service.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        service.start(QStringLiteral(RDX480D_PROGRAM), {QStringLiteral("--folder"), m_folder->path()});
        qunsetenv("NOTIFY_SOCKET");
        char state[256] = {};
        ssize_t got = 0; // QTRY_ evaluates once more after success: the datagram is taken only once
        QTRY_VERIFY_WITH_TIMEOUT((got = got > 0 ? got : ::recv(manager, state, sizeof state - 1, 0)) > 0, 5000);
        ::close(manager);
        QVERIFY(QByteArray(state).startsWith("READY=1"));
        qint64 pid = 0;
        QVERIFY(ServiceLocator::isRunning(m_folder->path(), &pid));
        QCOMPARE(pid, service.processId());

        FrameClient client;
        client.connectLocal(ServiceLocator::socketPath(m_folder->path()));
        client.send(frameBytes(Rdx::SwitchInputCommand, {Rdx::VgaInput}));
        QTRY_COMPARE(sim.received().size(), 1);
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);
        QTRY_COMPARE(client.replyKinds().size(), 1);
        QCOMPARE(sim.state().mainInput, int(Rdx::VgaInput));
        // Nothing left behind: no lock, no socket, no half-written file.
        QVERIFY(!QFile::exists(ServiceLocator::socketPath(m_folder->path())));
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList{QStringLiteral("info.ini")});
    }

    // On copies whose ExecStart names the built program; the template as one instance of it.
    void unitsVerify()
    {
        for (const QString& unit : {QStringLiteral("rdx480d.service"), QStringLiteral("rdx480d@.service")}) {
            QFile source(QStringLiteral(RDX480D_UNITS "/") + unit);
            QVERIFY(source.open(QIODevice::ReadOnly));
            QVERIFY(writeFile(m_folder->filePath(unit), source.readAll().replace("ExecStart=/usr/bin/rdx480d ",
                                                                                 "ExecStart=" RDX480D_PROGRAM " ")));
        }
        QProcess verify;
        verify.setProcessChannelMode(QProcess::MergedChannels);
        verify.start(QStringLiteral("systemd-analyze"),
                     {QStringLiteral("--user"), QStringLiteral("--man=no"), QStringLiteral("verify"),
                      m_folder->filePath(QStringLiteral("rdx480d.service")),
                      m_folder->filePath(QStringLiteral("rdx480d@wall2.service"))});
        // scripts/setup.sh installs systemd: without systemd-analyze the units are unchecked, which is a failure.
        QVERIFY2(verify.waitForFinished(30000), "systemd-analyze did not run (package systemd)");
        const QByteArray output = verify.readAll();
        QVERIFY2(verify.exitCode() == 0 && !output.contains(".service"), output.constData());
    }
};

QTEST_GUILESS_MAIN(tst_ServiceProgram)
#include "tst_ServiceProgram.moc"
