#include "ShellProbe.h"

#include "shell/LinkSettings.h"

#include <QtTest>

class tst_LinkSettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(QStringLiteral("info.ini")); }

    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QString>("ip");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("portName");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("network");
        QTest::addColumn<bool>("language");

        const QString defaultIp = QStringLiteral("192.168.1.8");
        const QString defaultPortName = QStringLiteral("COM3");
        QTest::newRow("no file") << QByteArray() << defaultIp << 7 << defaultPortName << 1 << false << false;
        QTest::newRow("all set") << QByteArray("IP=10.0.0.5\nPORT=5000\nPORTNAME=/dev/ttyUSB0\nID=3\n"
                                               "NETWORK=true\nLANGUAGE=true\n")
                                 << QStringLiteral("10.0.0.5") << 5000 << QStringLiteral("/dev/ttyUSB0") << 3 << true
                                 << true;
        QTest::newRow("empty texts") << QByteArray("IP=\nPORT=\nPORTNAME=\nID=\nNETWORK=\nLANGUAGE=\n") << defaultIp
                                     << 7 << defaultPortName << 1 << false << false;
        QTest::newRow("not numbers") << QByteArray("PORT=abc\nID=x1\n") << defaultIp << 0 << defaultPortName << 0
                                     << false << false;
        QTest::newRow("in a group is not read") << QByteArray("[General2]\nPORT=9\nLANGUAGE=true\n") << defaultIp << 7
                                                << defaultPortName << 1 << false << false;
    }
    void readsValues()
    {
        QFETCH(QByteArray, contents);
        if (!contents.isEmpty())
            QVERIFY(ShellProbe::writeIni(contents));
        const LinkSettings settings;
        QTEST(settings.ip, "ip");
        QTEST(settings.port, "port");
        QTEST(settings.portName, "portName");
        QTEST(settings.id, "id");
        QTEST(settings.network, "network");
        QTEST(settings.language, "language");
    }
};

QTEST_GUILESS_MAIN(tst_LinkSettings)
#include "tst_LinkSettings.moc"
