#include "ShellProbe.h"
#include "tests/support/MessageLog.h"

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "shell/RDX480View.h"
#include "widgets/MyCircleButton.h"

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
const QString promptTitleZh = QStringLiteral("提示信息");
const QString englishTitle = QStringLiteral("RDX480 Control SoftWare(V1.01)");
const QString chineseTitle = QStringLiteral("RDX480控制软件（V1.01)");
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
        link->useNetwork = false;
        link->linkState = Rdx::Connecting;
    }

    void startsFixedAndInChineseWithoutSettings()
    {
        RDX480View window;
        QCOMPARE(window.minimumSize(), QSize(880, 600));
        QCOMPARE(window.maximumSize(), QSize(880, 600));
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!window.windowIcon().availableSizes().isEmpty()); // the icon file loaded
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible());
        QCOMPARE(window.windowTitle(), chineseTitle);
        QCOMPARE(titleStrip(window), QStringLiteral("导航"));
    }

    // The stored settings reach the link and come back from it at exit, all six keys, the transport the
    // Setting page chose during the run included.
    void settingsGoThroughTheLink()
    {
        QVERIFY(writeIni("IP=127.0.0.9\nPORT=4321\nID=5\nNETWORK=true\nLANGUAGE=true\n"));
        {
            RDX480View window;
            QCOMPARE(link->hostAddress, QStringLiteral("127.0.0.9"));
            QCOMPARE(link->tcpPort, 4321);
            QCOMPARE(link->serialPortName, QStringLiteral("COM3"));
            QCOMPARE(link->deviceNumber, 5);
            QCOMPARE(link->useNetwork, true);
            QCOMPARE(window.windowTitle(), englishTitle);
            QCOMPARE(titleStrip(window), QStringLiteral("Navigation"));

            link->useNetwork = false;
            link->hostAddress = QStringLiteral("10.1.2.3");
            link->tcpPort = 5005;
            link->deviceNumber = 9;
            link->serialPortName = QStringLiteral("/dev/ttyUSB1");
            window.setLanguage(false);
        }
        const QSettings file(QStringLiteral("info.ini"), QSettings::IniFormat);
        QCOMPARE(file.allKeys().size(), 6);
        QCOMPARE(file.value(QStringLiteral("NETWORK")).toBool(), false);
        QCOMPARE(file.value(QStringLiteral("IP")).toString(), QStringLiteral("10.1.2.3"));
        QCOMPARE(file.value(QStringLiteral("PORT")).toInt(), 5005);
        QCOMPARE(file.value(QStringLiteral("ID")).toInt(), 9);
        QCOMPARE(file.value(QStringLiteral("PORTNAME")).toString(), QStringLiteral("/dev/ttyUSB1"));
        QCOMPARE(file.value(QStringLiteral("LANGUAGE")).toBool(), false);
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
        QTest::newRow("send failed en") << 3 << true << errorTitle << QStringLiteral("Connection disconnected");
        QTest::newRow("send failed zh") << 3 << false << errorTitleZh << QStringLiteral("    连接不上被连接对象。");
        QTest::newRow("not connected en") << 5 << true << promptTitle << QStringLiteral("Please connect before user.");
        QTest::newRow("not connected zh")
            << 5 << false << promptTitleZh << QStringLiteral("    软件未连接，请连接再使用本软件。");
        for (int quiet : {0, 1, 4, 6, 9, 100, 101, 102, 103})
            QTest::addRow("state %d: nothing", quiet) << quiet << true << QString() << QString();
        const QStringList errors{QStringLiteral("command length error;"),
                                 QStringLiteral("protocol error;"),
                                 QStringLiteral("check bit error;"),
                                 QStringLiteral("system busy; "),
                                 QStringLiteral("communication conflict; "),
                                 QStringLiteral("no input card; "),
                                 QStringLiteral("the input card is a pass-through card;"),
                                 QStringLiteral("input card status error; "),
                                 QStringLiteral("out of range;"),
                                 QStringLiteral("wrong configuration mode;")};
        for (int code = 4; code <= 13; ++code)
            QTest::addRow("error %d en", code) << 100 + code << true << errorTitle << errors.at(code - 4);
        QTest::newRow("error 4 zh") << 104 << false << errorTitleZh << QStringLiteral("   命令长度错误。");
        QTest::newRow("error 9 zh") << 109 << false << errorTitleZh << QStringLiteral("   没有改输入卡。");
        QTest::newRow("error 13 zh") << 113 << false << errorTitleZh << QStringLiteral("   错误的配置模式。");
        QTest::newRow("error 14 en") << 114 << true << errorTitle << QStringLiteral("device error 14;");
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
    void overlayHoldsTheMouseOffTheWindow_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("page exchange") << -2;
        QTest::newRow("schedule exchange") << 0;
    }
    void overlayHoldsTheMouseOffTheWindow()
    {
        QFETCH(int, order);
        RDX480View window;
        showWindow(window);
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        auto* box = overlay->findChild<QWidget*>(QStringLiteral("wait_box"));
        QVERIFY(box);
        auto* information = window.findChild<QPushButton*>(QStringLiteral("but_for_information"));
        QSignalSpy clicks(information, &QPushButton::clicked);

        emit link->sendWaiting(order);
        QVERIFY(overlay->isVisible());
        // Only the box is painted over the page, so showing and hiding it does not repaint the window.
        QCOMPARE(overlay->mask().boundingRect(), box->geometry());
        QTest::mouseClick(information, Qt::LeftButton);
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_navigation")});

        link->linkState = Rdx::Ready;
        emit link->sendEnd();
        QVERIFY(!overlay->isVisible());
        QTest::mouseClick(information, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_information")});
    }

    // The time-out ends an exchange that is still open, once; an exchange that finished first stopped it.
    void timeOutEndsOnlyAnUnfinishedExchange_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QVector<MessageLog::Entry>>("messages");
        QTest::newRow("English") << true << false
                                 << QVector<MessageLog::Entry>{{errorTitle, QStringLiteral("Out Time")}};
        QTest::newRow("Chinese") << false << false
                                 << QVector<MessageLog::Entry>{
                                        {errorTitleZh, QStringLiteral("    超时 或 未收到返回。")}};
        QTest::newRow("finished in time") << true << true << QVector<MessageLog::Entry>();
    }
    void timeOutEndsOnlyAnUnfinishedExchange()
    {
        QFETCH(bool, english);
        QFETCH(bool, finished);
        RDX480View window;
        window.setLanguage(!english);
        window.setLanguage(english);
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
        QTest::qWait(300); // the timer ran at most once: no further message follows
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
        const auto label = [&window](const char* page, const char* name) {
            return window.findChild<QWidget*>(QLatin1String(page))->findChild<QLabel*>(QLatin1String(name))->text();
        };
        for (bool english : {false, true}) {
            auto* radio = window.findChild<QRadioButton*>(english ? QStringLiteral("radio_english")
                                                                  : QStringLiteral("radio_chinese"));
            QTest::mouseClick(radio, Qt::LeftButton, Qt::NoModifier, QPoint(8, radio->height() / 2));
            // Window, title strip, bar, Control, Setting and Information pages.
            const QStringList shown{window.windowTitle(),
                                    titleStrip(window),
                                    label("wid_bar", "lab_for_setting"),
                                    label("wid_for_control", "lab_for_switchModel"),
                                    label("wid_for_setting", "lab_out_luminance"),
                                    label("wid_for_information", "label_3")};
            const QStringList inEnglish{englishTitle,
                                        QStringLiteral("Setting"),
                                        QStringLiteral("Setting"),
                                        QStringLiteral("Swith Model"),
                                        QStringLiteral("Output Bright"),
                                        QStringLiteral("Software version")};
            const QStringList inChinese{chineseTitle,
                                        QStringLiteral("设置"),
                                        QStringLiteral("设置"),
                                        QStringLiteral("切换模式"),
                                        QStringLiteral("输出亮度"),
                                        QStringLiteral("软件版本")};
            QCOMPARE(shown, english ? inEnglish : inChinese);
        }
    }
};

QTEST_MAIN(tst_RDX480View)
#include "tst_RDX480View.moc"
