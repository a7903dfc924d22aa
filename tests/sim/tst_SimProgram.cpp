#include "RawClient.h"

#include <QProcess>
#include <QtTest>

namespace {
QStringList arguments(std::initializer_list<const char*> words)
{
    QStringList list;
    for (const char* word : words)
        list << QString::fromLatin1(word);
    return list;
}

// Runs the program to its end and returns its exit code, or -1 when it did not finish.
int runToEnd(QProcess& process, const QStringList& arguments)
{
    process.start(QStringLiteral(RDX480_SIM_PROGRAM), arguments);
    return process.waitForFinished(10000) ? process.exitCode() : -1;
}
} // namespace

// rdx480-sim as operators and scripts run it: its printed addresses, one exchange on each, a clean stop.
class tst_SimProgram : public QObject
{
    Q_OBJECT

private slots:
    void help();
    void badOptionFails();
    void serveTcpAndSerialThenStop();
    void faultOptionsReachTheDevice();

private:
    // Starts the program and reads its "tcp ..." and "serial ..." lines.
    bool start(QProcess& process, const QStringList& arguments, quint16& port, QString& serial);
};

bool tst_SimProgram::start(QProcess& process, const QStringList& arguments, quint16& port, QString& serial)
{
    process.start(QStringLiteral(RDX480_SIM_PROGRAM), arguments);
    port = 0;
    serial.clear();
    const bool wantTcp = !arguments.contains(QStringLiteral("--no-tcp"));
    const bool wantSerial = !arguments.contains(QStringLiteral("--no-serial"));
    QDeadlineTimer deadline(10000);
    while ((wantTcp && port == 0) || (wantSerial && serial.isEmpty())) {
        if (deadline.hasExpired())
            return false;
        if (!process.canReadLine()) {
            process.waitForReadyRead(100);
            continue;
        }
        const QStringList words = QString::fromUtf8(process.readLine()).trimmed().split(QLatin1Char(' '));
        if (words.size() == 3 && words[0] == QLatin1String("tcp") && words[1] == QLatin1String("127.0.0.1"))
            port = static_cast<quint16>(words[2].toUInt());
        else if (words.size() == 2 && words[0] == QLatin1String("serial"))
            serial = words[1];
        else
            return false;
    }
    return true;
}

void tst_SimProgram::help()
{
    QProcess process;
    QCOMPARE(runToEnd(process, arguments({"--help"})), 0);
    QVERIFY(process.readAllStandardOutput().contains("--fault-rate"));
}

void tst_SimProgram::badOptionFails()
{
    for (const QStringList& bad :
         {arguments({"--bogus"}), arguments({"--device", "300"}), arguments({"--error-for", "1"})}) {
        QProcess process;
        QCOMPARE(runToEnd(process, bad), 2);
        QVERIFY(!process.readAllStandardError().isEmpty());
    }
}

void tst_SimProgram::serveTcpAndSerialThenStop()
{
    QProcess process;
    quint16 port = 0;
    QString serialPath;
    QVERIFY(start(process, arguments({"--trace"}), port, serialPath));
    QVERIFY(QFile::exists(serialPath));

    RawClient tcp;
    QVERIFY(tcp.connectTcp(port));
    QCOMPARE(tcp.exchange(readRequest(0)), defaultStatus());
    const QByteArray onHdmi2 = reply(0, {0, 0, 6, 0x03, 0x75, 0x17, 0x56, 0, 0});
    {
        RawClient serial;
        QVERIFY(serial.openSerial(serialPath));
        QCOMPARE(serial.exchange(frame(1, 1, {3})), onHdmi2);
    }
    // The panel may close and reopen its port; the line stays usable.
    RawClient serialAgain;
    QVERIFY(serialAgain.openSerial(serialPath));
    QCOMPARE(serialAgain.exchange(readRequest(0)), onHdmi2);

    process.terminate(); // SIGTERM
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString trace = QString::fromUtf8(process.readAllStandardError());
    for (const char* line : {"<- 91 01 01 03", "switch input HDMI2", "status format=6 main=HDMI2"})
        QVERIFY2(trace.contains(QLatin1String(line)), qPrintable(trace));
    QVERIFY(!QFile::exists(serialPath) || !RawClient().openSerial(serialPath));
}

void tst_SimProgram::faultOptionsReachTheDevice()
{
    QProcess process;
    quint16 port = 0;
    QString serialPath;
    QVERIFY(start(process,
                  arguments({"--no-serial", "--device", "3", "--error-for", "4:13", "--plain-ack", "--stray", "00ff"}),
                  port, serialPath));
    QVERIFY(serialPath.isEmpty());
    RawClient tcp;
    QVERIFY(tcp.connectTcp(port));
    tcp.send(frame(3, 4, {1}));
    const QByteArray expected = QByteArray::fromHex("00ff") + reply(0xFF, {13}, 3);
    QCOMPARE(tcp.readAtLeast(15).toHex(' '), expected.toHex(' '));
    QCOMPARE(tcp.exchange(frame(3, 3, {1})), reply(0, {0x7F}, 3));

    process.kill();
    process.waitForFinished(10000);
}

QTEST_GUILESS_MAIN(tst_SimProgram)
#include "tst_SimProgram.moc"
