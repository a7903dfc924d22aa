#include "tests/support/MessageLog.h"

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "shell/RDX480View.h"
#include "widgets/MyCircleButton.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>

namespace {
const QString errorTitle = QStringLiteral("Error Message");
const QString promptTitle = QStringLiteral("Prompt Message");
const QString errorTitleZh = QStringLiteral("错误信息");
const QString promptTitleZh = QStringLiteral("提示信息");
} // namespace

// The main window against the link's signals and states, with no device attached.
class tst_RDX480View : public QObject
{
    Q_OBJECT

private:
    Singleton_SerialPort* link = nullptr;

    static void writeIni(const QByteArray& contents)
    {
        QFile file(QStringLiteral("info.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }
    static QString titleStrip(const RDX480View& window)
    {
        const auto* label = window.findChild<QLabel*>(QStringLiteral("lab_for_title"));
        return label ? label->text() : QStringLiteral("<missing>");
    }
    static bool pageVisible(const RDX480View& window, const char* name)
    {
        const auto* page = window.findChild<QWidget*>(QLatin1String(name));
        return page && page->isVisible();
    }
    void clickPageButton(RDX480View& window, const char* name)
    {
        auto* button = window.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
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

    void windowIsFixedWithoutMaximize()
    {
        writeIni("LANGUAGE=true\n");
        RDX480View window;
        QCOMPARE(window.minimumSize(), QSize(880, 600));
        QCOMPARE(window.maximumSize(), QSize(880, 600));
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!window.windowIcon().availableSizes().isEmpty()); // the icon file loaded
        QCOMPARE(window.windowTitle(), QStringLiteral("RDX480 Control SoftWare(V1.01)"));
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible());
    }

    void startsInTheStoredLanguage_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("windowTitle");
        QTest::addColumn<QString>("pageTitle");
        QTest::newRow("no file: Chinese")
            << QByteArray() << QStringLiteral("RDX480控制软件（V1.01)") << QStringLiteral("导航");
        QTest::newRow("LANGUAGE=true") << QByteArray("LANGUAGE=true\n")
                                       << QStringLiteral("RDX480 Control SoftWare(V1.01)")
                                       << QStringLiteral("Navigation");
        QTest::newRow("LANGUAGE=false") << QByteArray("LANGUAGE=false\n") << QStringLiteral("RDX480控制软件（V1.01)")
                                        << QStringLiteral("导航");
    }
    void startsInTheStoredLanguage()
    {
        QFETCH(QByteArray, ini);
        if (!ini.isEmpty())
            writeIni(ini);
        RDX480View window;
        QTEST(window.windowTitle(), "windowTitle");
        QTEST(titleStrip(window), "pageTitle");
    }

    void copiesSettingsIntoTheLink()
    {
        writeIni("IP=127.0.0.9\nPORT=4321\nPORTNAME=/dev/ttyS9\nID=5\nNETWORK=true\n");
        RDX480View window;
        QCOMPARE(link->hostAddress, QStringLiteral("127.0.0.9"));
        QCOMPARE(link->tcpPort, 4321);
        QCOMPARE(link->serialPortName, QStringLiteral("/dev/ttyS9"));
        QCOMPARE(link->deviceNumber, 5);
        QCOMPARE(link->useNetwork, true);
    }

    void writesEveryKeyAtExit()
    {
        {
            RDX480View window;
        }
        const QSettings file(QStringLiteral("info.ini"), QSettings::IniFormat);
        QCOMPARE(file.allKeys().size(), 6);
        QCOMPARE(file.value(QStringLiteral("IP")).toString(), QStringLiteral("192.168.1.8"));
        QCOMPARE(file.value(QStringLiteral("PORT")).toInt(), 7);
        QCOMPARE(file.value(QStringLiteral("PORTNAME")).toString(), QStringLiteral("COM3"));
        QCOMPARE(file.value(QStringLiteral("ID")).toInt(), 1);
        QCOMPARE(file.value(QStringLiteral("NETWORK")).toBool(), false);
        QCOMPARE(file.value(QStringLiteral("LANGUAGE")).toBool(), false);
    }

    void keepsTheStartUpTransportButSavesTheRest()
    {
        writeIni("NETWORK=false\nLANGUAGE=false\n");
        {
            RDX480View window;
            // What the Setting page does when the operator picks TCP and a new address.
            link->useNetwork = true;
            link->hostAddress = QStringLiteral("10.1.2.3");
            link->tcpPort = 5005;
            link->deviceNumber = 9;
            link->serialPortName = QStringLiteral("/dev/ttyUSB1");
            window.setLanguage(true);
        }
        const QSettings file(QStringLiteral("info.ini"), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("NETWORK")).toBool(), false);
        QCOMPARE(file.value(QStringLiteral("IP")).toString(), QStringLiteral("10.1.2.3"));
        QCOMPARE(file.value(QStringLiteral("PORT")).toInt(), 5005);
        QCOMPARE(file.value(QStringLiteral("ID")).toInt(), 9);
        QCOMPARE(file.value(QStringLiteral("PORTNAME")).toString(), QStringLiteral("/dev/ttyUSB1"));
        QCOMPARE(file.value(QStringLiteral("LANGUAGE")).toBool(), true);
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
        QTest::newRow("connecting") << 0 << true << QString() << QString();
        QTest::newRow("connected") << 6 << true << QString() << QString();
        QTest::newRow("ready") << 9 << true << QString() << QString();
        QTest::newRow("error 0") << 100 << true << QString() << QString();
        QTest::newRow("error 1") << 101 << true << QString() << QString();
        QTest::newRow("error 3") << 103 << true << QString() << QString();
        QTest::newRow("error 4 en") << 104 << true << errorTitle << QStringLiteral("command length error;");
        QTest::newRow("error 5 en") << 105 << true << errorTitle << QStringLiteral("protocol error;");
        QTest::newRow("error 6 en") << 106 << true << errorTitle << QStringLiteral("check bit error;");
        QTest::newRow("error 7 en") << 107 << true << errorTitle << QStringLiteral("system busy; ");
        QTest::newRow("error 8 en") << 108 << true << errorTitle << QStringLiteral("communication conflict; ");
        QTest::newRow("error 9 en") << 109 << true << errorTitle << QStringLiteral("no input card; ");
        QTest::newRow("error 10 en") << 110 << true << errorTitle
                                     << QStringLiteral("the input card is a pass-through card;");
        QTest::newRow("error 11 en") << 111 << true << errorTitle << QStringLiteral("input card status error; ");
        QTest::newRow("error 12 en") << 112 << true << errorTitle << QStringLiteral("out of range;");
        QTest::newRow("error 13 en") << 113 << true << errorTitle << QStringLiteral("wrong configuration mode;");
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
        window.setLanguage(english);
        MessageLog log;

        link->linkState = state;
        emit link->sendEnd();

        if (title.isEmpty()) {
            QCOMPARE(log.count(), 0);
        } else {
            QCOMPARE(log.count(), 1);
            QCOMPARE(log.last().first, title);
            QCOMPARE(log.last().second, text);
        }
    }

    void openedAndClosedDriveTheConnectButton()
    {
        RDX480View window;
        window.setLanguage(true);
        MessageLog log;
        auto* button = window.findChild<MyCircleButton*>(QStringLiteral("connect_but"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Connect"));

        link->linkState = Rdx::Opened;
        emit link->sendEnd();
        QCOMPARE(link->linkState, int(Rdx::Connected));
        QCOMPARE(button->text(), QStringLiteral("Disconnect"));
        QCOMPARE(button->fillColor(), QColor(255, 50, 50));

        link->linkState = Rdx::Closed;
        emit link->sendEnd();
        QCOMPARE(button->text(), QStringLiteral("Connect"));
        QCOMPARE(button->fillColor(), QColor(85, 170, 255));
        QCOMPARE(log.count(), 0);
    }

    void overlayCoversAnExchange_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("page exchange") << -2;
        QTest::newRow("schedule exchange") << 0;
    }
    void overlayCoversAnExchange()
    {
        QFETCH(int, order);
        RDX480View window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        QVERIFY(overlay);
        QVERIFY(!overlay->isVisible());

        emit link->sendWaiting(order);
        QVERIFY(overlay->isVisible());
        QCOMPARE(overlay->geometry(), QRect(0, 0, 880, 601));
        QCOMPARE(window.centralWidget()->children().last(),
                 static_cast<QObject*>(overlay)); // raised above the bar and the pages

        link->linkState = Rdx::Ready;
        emit link->sendEnd();
        QVERIFY(!overlay->isVisible());
    }

    void overlayHoldsTheMouseOffTheWindow()
    {
        RDX480View window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));
        auto* box = overlay->findChild<QWidget*>(QStringLiteral("wait_box"));
        QVERIFY(box);
        auto* information = window.findChild<QPushButton*>(QStringLiteral("but_for_information"));
        QSignalSpy clicks(information, &QPushButton::clicked);

        emit link->sendWaiting(-2);
        // Only the box is painted over the page, so showing and hiding it does not repaint the window.
        QCOMPARE(overlay->mask().boundingRect(), box->geometry());
        QTest::mouseClick(information, Qt::LeftButton);
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!pageVisible(window, "wid_for_information"));

        link->linkState = Rdx::Ready;
        emit link->sendEnd();
        QTest::mouseClick(information, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(pageVisible(window, "wid_for_information"));
    }

    void timeOutEndsAnUnfinishedExchange_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("English") << true << errorTitle << QStringLiteral("Out Time");
        QTest::newRow("Chinese") << false << errorTitleZh << QStringLiteral("    超时 或 未收到返回。");
    }
    void timeOutEndsAnUnfinishedExchange()
    {
        QFETCH(bool, english);
        RDX480View window;
        window.setLanguage(english);
        MessageLog log;
        auto* overlay = window.findChild<QWidget*>(QStringLiteral("wid_send_box"));

        link->resetReads(-2);
        link->linkState = Rdx::Connected; // anything but Ready, to see the time-out reset the link
        emit link->sendWaiting(-2);
        emit link->sendStarTime(50);
        QTRY_COMPARE(log.count(), 1);
        QTEST(log.last().first, "title");
        QTEST(log.last().second, "text");
        QVERIFY(!overlay->isVisible());
        QCOMPARE(link->linkState, int(Rdx::Ready));

        // The timer ran once: no second message follows.
        QTest::qWait(200);
        QCOMPARE(log.count(), 1);
    }

    void finishedExchangeStopsTheTimeOut()
    {
        RDX480View window;
        MessageLog log;
        auto* timer = window.findChild<QTimer*>(QStringLiteral("waitTimer"));
        QVERIFY(timer);

        emit link->sendStarTime(100);
        QVERIFY(timer->isActive());
        link->linkState = Rdx::Ready;
        emit link->sendEnd();
        QVERIFY(!timer->isActive());
        QTest::qWait(300);
        QCOMPARE(log.count(), 0);
    }

    void devicePagesNeedAConnection_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Control") << QStringLiteral("but_for_control");
        QTest::newRow("Mosaic") << QStringLiteral("but_for_mosaic");
    }
    void devicePagesNeedAConnection()
    {
        QFETCH(QString, button);
        RDX480View window;
        window.setLanguage(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageLog log;

        clickPageButton(window, button.toLatin1().constData());
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.last().first, promptTitle);
        QCOMPARE(log.last().second, QStringLiteral("Please connect before user."));
        QCOMPARE(titleStrip(window), QStringLiteral("Navigation"));
        QVERIFY(pageVisible(window, "wid_for_navigation"));
        QVERIFY(!pageVisible(window, "wid_for_control"));
        QVERIFY(!pageVisible(window, "wid_for_montage"));
    }

    void settingAndInformationOpenWithoutConnection_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("title");
        QTest::newRow("Setting") << QStringLiteral("but_for_setting") << QStringLiteral("wid_for_setting")
                                 << QStringLiteral("Setting");
        QTest::newRow("Information") << QStringLiteral("but_for_information") << QStringLiteral("wid_for_information")
                                     << QStringLiteral("Information");
    }
    void settingAndInformationOpenWithoutConnection()
    {
        QFETCH(QString, button);
        QFETCH(QString, page);
        RDX480View window;
        window.setLanguage(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageLog log;

        clickPageButton(window, button.toLatin1().constData());
        QCOMPARE(log.count(), 0);
        QTEST(titleStrip(window), "title");
        QVERIFY(pageVisible(window, page.toLatin1().constData()));
        QVERIFY(!pageVisible(window, "wid_for_navigation"));
    }

    void languageSwitchReplacesEveryText()
    {
        RDX480View window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        clickPageButton(window, "but_for_setting");
        MessageLog log;

        window.setLanguage(true);
        QCOMPARE(titleStrip(window), QStringLiteral("Setting"));
        window.setLanguage(false);
        QCOMPARE(titleStrip(window), QStringLiteral("设置"));
        QCOMPARE(window.windowTitle(), QStringLiteral("RDX480控制软件（V1.01)"));
        window.setLanguage(true);
        QCOMPARE(titleStrip(window), QStringLiteral("Setting"));
        QCOMPARE(window.windowTitle(), QStringLiteral("RDX480 Control SoftWare(V1.01)"));

        // Every list holds the last language only: the first and the last entries read English, and an
        // error code just past the ten texts gets the generic text rather than a stale entry.
        const QVector<int> states{2, 3, 5, 104, 113, 114};
        for (int state : states) {
            link->linkState = state;
            emit link->sendEnd();
        }
        emit link->sendStarTime(1);
        QTRY_COMPARE(log.count(), states.size() + 1);
        const QVector<MessageLog::Entry> expected{
            {errorTitle, QStringLiteral("Connection failed, check if the device or network is on")},
            {errorTitle, QStringLiteral("Connection disconnected")},
            {promptTitle, QStringLiteral("Please connect before user.")},
            {errorTitle, QStringLiteral("command length error;")},
            {errorTitle, QStringLiteral("wrong configuration mode;")},
            {errorTitle, QStringLiteral("device error 14;")},
            {errorTitle, QStringLiteral("Out Time")}};
        QCOMPARE(log.entries(), expected);
    }
};

QTEST_MAIN(tst_RDX480View)
#include "tst_RDX480View.moc"
