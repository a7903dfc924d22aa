#include "ServiceSupport.h"
#include "service/ServiceLocator.h"
#include "sim/SimFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// rdx480d as the unit starts it: a program of its own, stopped by a signal.
class tst_ServiceProgram : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void linksNoWidgets();
    void sigtermEndsTheExchangeInFlight();
    void unitsVerify_data();
    void unitsVerify();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QTemporaryDir> m_runtime;
};

void tst_ServiceProgram::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_runtime = std::make_unique<QTemporaryDir>();
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());
}

void tst_ServiceProgram::linksNoWidgets()
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral(RDX480D_PROGRAM)});
    QVERIFY(readelf.waitForFinished(10000));
    const QByteArray needed = readelf.readAllStandardOutput();
    QVERIFY(needed.contains("libQt5SerialPort.so"));
    QVERIFY(!needed.contains("libQt5Gui.so")); // Widgets needs Gui
}

void tst_ServiceProgram::sigtermEndsTheExchangeInFlight()
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
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NOTIFY_SOCKET"), QString::fromLocal8Bit(notifyPath));
    service.setProcessEnvironment(environment);
    service.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    service.start(QStringLiteral(RDX480D_PROGRAM), {QStringLiteral("--folder"), m_folder->path()});
    QVERIFY(service.waitForStarted());
    char state[256] = {};
    ssize_t got = 0; // QTRY_ evaluates once more after success: the datagram is taken only once
    QTRY_VERIFY_WITH_TIMEOUT((got = got > 0 ? got : ::recv(manager, state, sizeof state - 1, 0)) > 0, 5000);
    ::close(manager);
    QVERIFY(QByteArray(state).startsWith("READY=1"));
    QVERIFY(QFile::exists(ServiceLocator::socketPath(m_folder->path())));
    qint64 pid = 0;
    QVERIFY(ServiceLocator::isRunning(m_folder->path(), &pid));
    QCOMPARE(pid, service.processId());

    FrameClient client;
    QTRY_VERIFY(client.connectLocal(ServiceLocator::socketPath(m_folder->path())));
    client.send(frameBytes(Rdx::SwitchInputCommand, {Rdx::VgaInput}));
    QTRY_COMPARE(sim.received().size(), 1);
    ::kill(pid_t(service.processId()), SIGTERM);
    QVERIFY(service.waitForFinished(10000));
    QCOMPARE(service.exitStatus(), QProcess::NormalExit);
    QCOMPARE(service.exitCode(), 0);
    QTRY_COMPARE(client.replyKinds().size(), 1);
    QCOMPARE(sim.state().mainInput, int(Rdx::VgaInput));
    // Nothing left behind: no lock, no socket, no half-written file.
    QVERIFY(!ServiceLocator::isRunning(m_folder->path()));
    QVERIFY(!QFile::exists(ServiceLocator::lockPath(m_folder->path())));
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList{QStringLiteral("info.ini")});
}

void tst_ServiceProgram::unitsVerify_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("verified");
    QTest::newRow("user folder") << QStringLiteral("rdx480d.service") << QStringLiteral("rdx480d.service");
    QTest::newRow("template") << QStringLiteral("rdx480d@.service") << QStringLiteral("rdx480d@wall2.service");
}

void tst_ServiceProgram::unitsVerify()
{
    QFETCH(QString, unit);
    QFETCH(QString, verified);
    // scripts/setup.sh installs systemd: without systemd-analyze the units are unchecked, which is a failure.
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty(),
             "systemd-analyze is not installed (package systemd)");
    QFile source(QStringLiteral(RDX480D_UNITS "/") + unit);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray text = source.readAll();
    text.replace("ExecStart=/usr/bin/rdx480d ", "ExecStart=" RDX480D_PROGRAM " ");
    QVERIFY(writeFile(m_folder->filePath(unit), text));

    QProcess verify;
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(QStringLiteral("systemd-analyze"), {QStringLiteral("--user"), QStringLiteral("--man=no"),
                                                     QStringLiteral("verify"), m_folder->filePath(verified)});
    QVERIFY(verify.waitForFinished(30000));
    const QByteArray output = verify.readAll();
    QVERIFY2(verify.exitCode() == 0, output.constData());
    QVERIFY2(!output.contains(unit.toUtf8()), output.constData());
}

QTEST_GUILESS_MAIN(tst_ServiceProgram)
#include "tst_ServiceProgram.moc"
