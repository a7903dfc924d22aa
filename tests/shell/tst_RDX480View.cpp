#include "ShellProbe.h"
#include "tests/support/MessageLog.h"
#include "tests/support/SimLink.h"

#include "shell/RDX480View.h"

#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>

using ShellProbe::titleStrip;
using ShellProbe::visiblePages;
using ShellProbe::writeIni;

namespace {
const QString errorTitle = QStringLiteral("Error Message");
const QString promptTitle = QStringLiteral("Prompt Message");
const QString errorTitleZh = QStringLiteral("错误信息");
const QString englishTitle = QStringLiteral("RDX480 Control SoftWare(V1.01)");
} // namespace

// The main window against the link's signals and states, with no device attached.
class tst_RDX480View : public QObject
{
    Q_OBJECT

private:
    Singleton_SerialPort* link = nullptr;

    static void showWindow(RDX480View& window)
    {
        window.setLanguage(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

private slots:
    void initTestCase()
    {
        RDX480View::installFontFallback();
        link = Singleton_SerialPort::instance();
        QVERIFY(!link->isConnected());
    }
    void init()
    {
        QFile::remove(QStringLiteral("info.ini"));
        SimLink::resetLink();
    }

    // The settings file an earlier run left, with its quirks (an empty PORT is 7, a word is 0), reaches the link.
    void settingsReachTheLink_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QVariantList>("link");   // address, port, port name, device number, network, English
        const QString ip = QStringLiteral("192.168.1.8"), portName = QStringLiteral("COM3");
        QTest::newRow("no file") << QByteArray() << QVariantList{ip, 7, portName, 1, false, false};
        QTest::newRow("all set") << QByteArray("IP=10.0.0.5\nPORT=5000\nPORTNAME=/dev/ttyUSB0\nID=3\nNETWORK=true\n"
                                               "LANGUAGE=true\n")
                                 << QVariantList{QStringLiteral("10.0.0.5"), 5000, QStringLiteral("/dev/ttyUSB0"), 3,
                                                 true, true};
        QTest::newRow("empty texts") << QByteArray("IP=\nPORT=\nPORTNAME=\nID=\nNETWORK=\nLANGUAGE=\n")
                                     << QVariantList{ip, 7, portName, 1, false, false};
        QTest::newRow("not numbers") << QByteArray("PORT=abc\nID=x1\n") << QVariantList{ip, 0, portName, 0, false, false};
        QTest::newRow("in a group is not read") << QByteArray("[General2]\nPORT=9\nLANGUAGE=true\n")
                                                << QVariantList{ip, 7, portName, 1, false, false};
    }
    void settingsReachTheLink()
    {
        QFETCH(QByteArray, contents);
        if (!contents.isEmpty())
            QVERIFY(writeIni(contents));
        RDX480View window;
        QTEST((QVariantList{link->hostAddress, link->tcpPort, link->serialPortName, link->deviceNumber,
                            link->useNetwork, window.windowTitle() == englishTitle}),
              "link");
    }

    // At exit all six keys are written from the link, the transport the Setting page chose included.
    void settingsWrittenAtExit()
    {
        {
            RDX480View window;
            link->useNetwork = true; // both unlike the defaults
            link->hostAddress = QStringLiteral("10.1.2.3");
            link->tcpPort = 5005;
            link->deviceNumber = 9;
            link->serialPortName = QStringLiteral("/dev/ttyUSB1");
            window.setLanguage(true);
        }
        QSettings file(QStringLiteral("info.ini"), QSettings::IniFormat);
        QStringList stored;
        for (const QString& key : file.allKeys())
            stored << key + QLatin1Char('=') + file.value(key).toString();
        QCOMPARE(stored, (QStringList{QStringLiteral("ID=9"), QStringLiteral("IP=10.1.2.3"),
                                      QStringLiteral("LANGUAGE=true"), QStringLiteral("NETWORK=true"),
                                      QStringLiteral("PORT=5005"), QStringLiteral("PORTNAME=/dev/ttyUSB1")}));
    }

    void reactsToLinkStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("title"); // empty: no message
        QTest::addColumn<QString>("text");

        QTest::newRow("open failed en") << 2 << true << errorTitle
                                        << QStringLiteral("Connection failed, check if the device or network is on");
        QTest::newRow("open failed zh") << 2 << false << errorTitleZh
                                        << QStringLiteral("   连接失败！！请检查设备和网络配置。");
        QTest::newRow("not connected en") << 5 << true << promptTitle << QStringLiteral("Please connect before user.");
        for (int quiet : {0, 1, 4, 6, 9, 100, 101, 102, 103})
            QTest::addRow("state %d: nothing", quiet) << quiet << true << QString() << QString();
        QTest::newRow("error 4 en") << 104 << true << errorTitle << QStringLiteral("command length error;");
        QTest::newRow("error 255 en") << 355 << true << errorTitle << QStringLiteral("device error 255;");
        QTest::newRow("error 200 zh") << 300 << false << errorTitleZh << QStringLiteral("   设备错误 200。");
    }
    void reactsToLinkStates()
    {
        QFETCH(int, state);
        QFETCH(bool, english);
        QFETCH(QString, title);
        QFETCH(QString, text);
        RDX480View window;
        // Switched there and back: the texts must be those of the last language only, not appended to
        // or left over from an earlier one.
        window.setLanguage(!english);
        window.setLanguage(english);
        MessageLog log;

        link->reportFailure(state);
        emit link->sendEnd();
        emit link->sendEnd(); // a second sendEnd of the same exchange shows nothing more
        const QVector<MessageLog::Entry> expected =
            title.isEmpty() ? QVector<MessageLog::Entry>() : QVector<MessageLog::Entry>{{title, text}};
        QCOMPARE(log.entries(), expected);
    }

    // A page exchange (-2) and a schedule exchange (0) both put the overlay up until the exchange ends.
    void overlayHoldsTheMouseOffTheWindow()
    {
        RDX480View window;
        showWindow(window);
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        for (int order : {-2, 0}) {
            QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_home")));
            emit link->sendWaiting(order);
            QVERIFY(overlay->isVisible());
            QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_information")));
            QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_navigation")});
            link->linkState = Rdx::Ready;
            emit link->sendEnd();
            QVERIFY(!overlay->isVisible());
            QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_information")));
            QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_information")});
        }
    }

    // The time-out ends an exchange that is still open, once; an exchange that finished first stopped it.
    void timeOutEndsOnlyAnUnfinishedExchange_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QVector<MessageLog::Entry>>("messages");
        QTest::newRow("unfinished") << false << QVector<MessageLog::Entry>{{errorTitle, QStringLiteral("Out Time")}};
        QTest::newRow("finished in time") << true << QVector<MessageLog::Entry>();
    }
    void timeOutEndsOnlyAnUnfinishedExchange()
    {
        QFETCH(bool, finished);
        RDX480View window;
        window.setLanguage(true);
        MessageLog log;
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        auto* timer = window.findChild<QTimer*>(QStringLiteral("waitTimer"));

        link->resetReads(-2);
        emit link->sendWaiting(-2);
        emit link->sendStarTime(100);
        QVERIFY(timer->isActive());
        if (finished) {
            emit link->sendEnd();
            QVERIFY(!timer->isActive());
        } else {
            QTRY_COMPARE(log.count(), 1);
            // The rest of the given-up exchange is not sent; the next one starts afresh.
            QCOMPARE(link->linkState, int(Rdx::Unanswered));
            QVERIFY(link->pendingReadKeys().isEmpty());
        }
        QVERIFY(!overlay->isVisible());
        QVERIFY(!timer->isActive()); // no further message can follow
        QTEST(log.entries(), "messages");
    }

    // Without a connection the device pages stay closed with a prompt; the others open.
    void pagesWithoutConnection_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page"); // what is shown afterwards
        const QString navigation = QStringLiteral("wid_for_navigation");
        QTest::newRow("Control") << QStringLiteral("but_for_control") << navigation;
        QTest::newRow("Mosaic") << QStringLiteral("but_for_mosaic") << navigation;
        QTest::newRow("Setting") << QStringLiteral("but_for_setting") << QStringLiteral("wid_for_setting");
        QTest::newRow("Information") << QStringLiteral("but_for_information") << QStringLiteral("wid_for_information");
    }
    void pagesWithoutConnection()
    {
        QFETCH(QString, button);
        QFETCH(QString, page);
        RDX480View window;
        showWindow(window);
        MessageLog log;

        QVERIFY(ShellProbe::click(window, button));
        QCOMPARE(visiblePages(window), QStringList{page});
        const QVector<MessageLog::Entry> prompt{{promptTitle, QStringLiteral("Please connect before user.")}};
        QCOMPARE(log.entries(), page.endsWith(QLatin1String("navigation")) ? prompt : QVector<MessageLog::Entry>());
    }

    // The language buttons of the Setting page switch the window, the bar and every page at once.
    void languageSwitchReachesEveryPage()
    {
        RDX480View window;
        showWindow(window);
        QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_setting")));
        // Per part of the window, what it shows in Chinese and then in English: every part changes.
        QMap<QString, QStringList> shown[2];
        for (int english : {0, 1}) {
            auto* radio = window.findChild<QRadioButton*>(english ? QStringLiteral("radio_english")
                                                                  : QStringLiteral("radio_chinese"));
            QTest::mouseClick(radio, Qt::LeftButton, Qt::NoModifier, QPoint(8, radio->height() / 2));
            shown[english][QStringLiteral("title")] = QStringList{window.windowTitle(), titleStrip(window)};
            for (const char* page : {"wid_bar", "wid_for_control", "wid_for_setting", "wid_for_information"})
                for (QLabel* label : window.findChild<QWidget*>(QLatin1String(page))->findChildren<QLabel*>())
                    shown[english][QLatin1String(page)] << label->text();
        }
        QCOMPARE(shown[1][QStringLiteral("title")], (QStringList{englishTitle, QStringLiteral("Setting")}));
        for (const QString& part : shown[0].keys())
            QVERIFY2(shown[0][part] != shown[1][part], qPrintable(part));
    }
};

QTEST_MAIN(tst_RDX480View)
#include "tst_RDX480View.moc"
