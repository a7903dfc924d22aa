#include "tests/support/MessageLog.h"

#include "link/Singleton_SerialPort.h"
#include "shell/RDX480View.h"

#include <QTcpServer>
#include <QtTest>

// What the operator is told when the panel cannot reach the device or keep its settings.
class tst_OperatorMessages : public QObject
{
    Q_OBJECT

private slots:
    void openFailureSaysWhereAndWhy_data()
    {
        QTest::addColumn<QString>("portName"); // empty: TCP to a closed port; "denied": a staged EACCES
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("text"); // a regular expression; %1 stands for the closed port
        const QString failed = QStringLiteral("^Connection failed, check if the device or network is on\\n");
        const QString failedZh = QStringLiteral("^   连接失败！！请检查设备和网络配置。\\n");
        QTest::newRow("nothing listens") << "" << true
                                         << failed + QStringLiteral("127\\.0\\.0\\.1:%1: Connection refused$");
        QTest::newRow("no such node") << "/dev/rdx480-none" << false
                                      << failedZh + QStringLiteral("/dev/rdx480-none: No such file or directory$");
        QTest::newRow("denied") << "denied" << true
                                << failed + QStringLiteral(
                                                "denied: Permission denied\\nThis account may not use denied: add it "
                                                "to the group dialout \\(sudo usermod -aG dialout \\$USER\\)");
        QTest::newRow("denied zh")
            << "denied" << false
            << failedZh + QStringLiteral("denied: Permission denied\\n当前账户无权使用 denied：请将它加入 dialout 组");
    }
    void openFailureSaysWhereAndWhy()
    {
        QFETCH(QString, portName);
        QFETCH(QString, text);
        Singleton_SerialPort* link = Singleton_SerialPort::instance();
        RDX480View window;
        QFETCH(bool, english);
        window.setLanguage(english);
        MessageLog log;
        link->useNetwork = portName.isEmpty();
        link->serialPortName = portName;
        QTcpServer server; // a port that was free a moment ago, closed again
        QVERIFY(server.listen(QHostAddress::LocalHost));
        link->hostAddress = QStringLiteral("127.0.0.1");
        link->tcpPort = server.serverPort();
        server.close();
        if (portName == QLatin1String("denied")) { // root, as tests may run, is never denied a node
            link->openFailureReason = QStringLiteral("Permission denied");
            link->openFailureDenied = true;
            link->reportFailure(Rdx::OpenFailed);
            emit link->sendEnd();
        } else {
            window.rsp_connect();
        }
        QCOMPARE(log.count(), 1);
        const QString shown = log.last().second;
        if (link->useNetwork)
            text = text.arg(link->tcpPort);
        QVERIFY2(QRegularExpression(text).match(shown).hasMatch(), qPrintable(shown));
    }

    // info.ini made a folder: no account can write it. Told once, as soon as the window is up, not again at closing.
    void unsavableSettingsToldOnce()
    {
        QFile::remove(QStringLiteral("info.ini"));
        QVERIFY(QDir().mkdir(QStringLiteral("info.ini")));
        MessageLog log;
        {
            RDX480View window;
            window.setLanguage(true);
            window.show();
            QCoreApplication::processEvents();
            window.close();
        }
        QVERIFY(QDir().rmdir(QStringLiteral("info.ini")));
        const QString path = QDir::current().absoluteFilePath(QStringLiteral("info.ini"));
        QCOMPARE(log.entries(), (QVector<MessageLog::Entry>{
                                    {QStringLiteral("Error Message"),
                                     QStringLiteral("The settings cannot be saved to %1: Is a directory").arg(path)}}));
    }
};

QTEST_MAIN(tst_OperatorMessages)
#include "tst_OperatorMessages.moc"
