#include "shell/LinkSettings.h"

#include <QFile>
#include <QSettings>
#include <QtTest>

class tst_LinkSettings : public QObject
{
    Q_OBJECT

private:
    static void writeIni(const QByteArray& contents)
    {
        QFile file(QStringLiteral("info.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

private slots:
    void init() { QFile::remove(QStringLiteral("info.ini")); }

    void missingFileGivesDefaults()
    {
        const LinkSettings settings;
        QCOMPARE(settings.ip, QStringLiteral("192.168.1.8"));
        QCOMPARE(settings.port, 7);
        QCOMPARE(settings.portName, QStringLiteral("COM3"));
        QCOMPARE(settings.id, 1);
        QCOMPARE(settings.network, false);
        QCOMPARE(settings.language, false);
    }

    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("portName");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("network");
        QTest::addColumn<bool>("language");

        QTest::newRow("all set") << QByteArray("IP=10.0.0.5\nPORT=5000\nPORTNAME=/dev/ttyUSB0\nID=3\n"
                                               "NETWORK=true\nLANGUAGE=true\n")
                                 << QStringLiteral("10.0.0.5") << 5000 << QStringLiteral("/dev/ttyUSB0") << 3 << true
                                 << true;
        QTest::newRow("empty texts") << QByteArray("IP=\nPORT=\nPORTNAME=\nID=\nNETWORK=\nLANGUAGE=\n")
                                     << QStringLiteral("192.168.1.8") << 7 << QStringLiteral("COM3") << 1 << false
                                     << false;
        QTest::newRow("not numbers") << QByteArray("PORT=abc\nID=x1\n") << QStringLiteral("192.168.1.8") << 0
                                     << QStringLiteral("COM3") << 0 << false << false;
        QTest::newRow("language false") << QByteArray("LANGUAGE=false\nNETWORK=false\n")
                                        << QStringLiteral("192.168.1.8") << 7 << QStringLiteral("COM3") << 1 << false
                                        << false;
        QTest::newRow("in a group is not read")
            << QByteArray("[General2]\nPORT=9\nLANGUAGE=true\n") << QStringLiteral("192.168.1.8") << 7
            << QStringLiteral("COM3") << 1 << false << false;
    }
    void readsValues()
    {
        QFETCH(QByteArray, contents);
        writeIni(contents);
        const LinkSettings settings;
        QTEST(settings.ip, "ip");
        QTEST(settings.port, "port");
        QTEST(settings.portName, "portName");
        QTEST(settings.id, "id");
        QTEST(settings.network, "network");
        QTEST(settings.language, "language");
    }

    void writesEveryKeyWhenDestroyed()
    {
        {
            LinkSettings settings;
            settings.ip = QStringLiteral("127.0.0.1");
            settings.port = 4001;
            settings.portName = QStringLiteral("/dev/pts/7");
            settings.id = 2;
            settings.network = true;
            settings.language = true;
        }
        const QSettings file(QStringLiteral("info.ini"), QSettings::IniFormat);
        QCOMPARE(file.allKeys().size(), 6);
        QCOMPARE(file.value(QStringLiteral("IP")).toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(file.value(QStringLiteral("PORT")).toInt(), 4001);
        QCOMPARE(file.value(QStringLiteral("PORTNAME")).toString(), QStringLiteral("/dev/pts/7"));
        QCOMPARE(file.value(QStringLiteral("ID")).toInt(), 2);
        QCOMPARE(file.value(QStringLiteral("NETWORK")).toBool(), true);
        QCOMPARE(file.value(QStringLiteral("LANGUAGE")).toBool(), true);
    }

    void roundTripsThroughTheFile()
    {
        {
            LinkSettings first;
            first.port = 6000;
            first.language = true;
        }
        const LinkSettings second;
        QCOMPARE(second.port, 6000);
        QCOMPARE(second.language, true);
        QCOMPARE(second.ip, QStringLiteral("192.168.1.8"));
    }
};

QTEST_GUILESS_MAIN(tst_LinkSettings)
#include "tst_LinkSettings.moc"
