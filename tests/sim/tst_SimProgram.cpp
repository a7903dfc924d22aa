#include "RawClient.h"

#include <QProcess>
#include <QtTest>

// rdx480-sim as scripts run it: it prints where it listens, answers there, stops on SIGTERM. A wrong option is
// checked with every program of the package.
class tst_SimProgram : public QObject
{
    Q_OBJECT

private slots:
    void serveThenStop()
    {
        QProcess process;
        process.start(QStringLiteral(RDX480_SIM_PROGRAM), QStringList());
        QByteArray out;
        for (QDeadlineTimer deadline(10000); out.count('\n') < 2 && !deadline.hasExpired();
             process.waitForReadyRead(100))
            out += process.readAllStandardOutput();
        const QList<QByteArray> lines = out.split('\n');
        QVERIFY2(lines.size() > 2 && lines[0].startsWith("tcp 127.0.0.1 ") && lines[1].startsWith("serial "),
                 out.constData());
        QVERIFY(QFile::exists(QString::fromUtf8(lines[1].mid(7))));
        RawClient tcp;
        QVERIFY(tcp.connectTcp(quint16(lines[0].mid(14).toUInt())));
        QCOMPARE(tcp.exchange(statusRead), defaultStatus);

        process.terminate(); // SIGTERM
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_SimProgram)
#include "tst_SimProgram.moc"
