#include "tests/support/MessageLog.h"

#include "link/Singleton_SerialPort.h"
#include "shell/RDX480View.h"

#include <QTcpServer>
#include <QtTest>

// What the operator is told when the panel cannot reach the device or keep its settings.
class tst_OperatorMessages : public QObject
{
    Q_OBJECT

private:
    Singleton_SerialPort* link = nullptr;

private slots:
    void initTestCase() { link = Singleton_SerialPort::instance(); }
    void init() { QFile::remove(QStringLiteral("info.ini")); }

    void openFailureSaysWhereAndWhy_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<QString>("portName"); // serial only; empty: the denial is staged
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("text"); // a regular expression; %1 stands for the closed TCP port
        const QString failed = QStringLiteral("^Connection failed, check if the device or network is on\\n");
        const QString failedZh = QStringLiteral("^   连接失败！！请检查设备和网络配置。\\n");
        QTest::newRow("nothing listens") << true << QString() << true
                                         << failed + QStringLiteral("127\\.0\\.0\\.1:%1: Connection refused$");
        QTest::newRow("no such node") << false << QStringLiteral("/dev/rdx480-none") << false
                                      << failedZh + QStringLiteral("/dev/rdx480-none: No such file or directory$");
        QTest::newRow("denied")
            << false << QString() << true
            << failed + QStringLiteral("/dev/ttyUSB0: Permission denied\\nThis account may not use /dev/ttyUSB0: add it "
                                       "to the group dialout \\(sudo usermod -aG dialout \\$USER\\), then log out "
                                       "and in again\\.$");
        QTest::newRow("denied zh") << false << QString() << false
                                   << failedZh + QStringLiteral("/dev/ttyUSB0: Permission denied\\n当前账户无权使用 "
                                                                "/dev/ttyUSB0：请将它加入 dialout 组");
    }
    void openFailureSaysWhereAndWhy()
    {
        QFETCH(bool, network);
        QFETCH(QString, portName);
        QFETCH(bool, english);
        QFETCH(QString, text);
        RDX480View window;
        window.setLanguage(english);
        MessageLog log;
        link->useNetwork = network;
        if (network) {
            QTcpServer server; // a port that was free a moment ago, closed again
            QVERIFY(server.listen(QHostAddress::LocalHost));
            const quint16 port = server.serverPort();
            server.close();
            link->hostAddress = QStringLiteral("127.0.0.1");
            link->tcpPort = port;
            text = text.arg(port);
            window.rsp_connect();
        } else if (!portName.isEmpty()) {
            link->serialPortName = portName;
            window.rsp_connect();
        } else {
            // The account's lack of rights on a node cannot be had as root, which the tests may run as.
            link->serialPortName = QStringLiteral("/dev/ttyUSB0");
            link->openFailureReason = QStringLiteral("Permission denied");
            link->openFailureDenied = true;
            link->reportFailure(Rdx::OpenFailed);
            emit link->sendEnd();
        }
        QCOMPARE(log.count(), 1);
        QVERIFY2(QRegularExpression(text).match(log.last().second).hasMatch(), qPrintable(log.last().second));
        QVERIFY(!link->isConnected());
    }

    // Once a run, as soon as the window is up, and not again at closing.
    void settingsThatCannotBeSavedAreToldOnce_data()
    {
        QTest::addColumn<bool>("blocked"); // info.ini is a folder, which no account can write as a file
        QTest::newRow("writable") << false;
        QTest::newRow("blocked") << true;
    }
    void settingsThatCannotBeSavedAreToldOnce()
    {
        QFETCH(bool, blocked);
        if (blocked)
            QVERIFY(QDir().mkdir(QStringLiteral("info.ini")));
        MessageLog log;
        {
            RDX480View window;
            window.setLanguage(true);
            window.show();
            QCoreApplication::processEvents();
            window.close();
        }
        QDir().rmdir(QStringLiteral("info.ini"));
        const QVector<MessageLog::Entry> told{
            {QStringLiteral("Error Message"),
             QStringLiteral("The settings cannot be saved to %1: Is a directory")
                 .arg(QDir::current().absoluteFilePath(QStringLiteral("info.ini")))}};
        QCOMPARE(log.entries(), blocked ? told : QVector<MessageLog::Entry>());
        QCOMPARE(QFileInfo::exists(QStringLiteral("info.ini")), !blocked);
    }
};

QTEST_MAIN(tst_OperatorMessages)
#include "tst_OperatorMessages.moc"
