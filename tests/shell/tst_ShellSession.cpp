#include "tests/support/MessageLog.h"

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "shell/RDX480View.h"
#include "sim/SimFixture.h"
#include "widgets/MyCircleButton.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>
#include <memory>

namespace {
const QColor red(255, 50, 50);
const QColor blue(85, 170, 255);
} // namespace

// The whole window against the simulated device over a loopback TCP connection, driven by clicks.
class tst_ShellSession : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimFixture> sim;
    Singleton_SerialPort* link = nullptr;

    static void writeIni(quint16 port)
    {
        QFile file(QStringLiteral("info.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("IP=127.0.0.1\nPORT=" + QByteArray::number(port) + "\nID=1\nNETWORK=true\nLANGUAGE=true\n");
    }
    static void click(RDX480View& window, const char* name)
    {
        auto* button = window.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static QString titleStrip(const RDX480View& window)
    {
        return window.findChild<QLabel*>(QStringLiteral("lab_for_title"))->text();
    }
    static bool pageVisible(const RDX480View& window, const QString& name)
    {
        const auto* page = window.findChild<QWidget*>(name);
        return page && page->isVisible();
    }
    static MyCircleButton* connectButton(const RDX480View& window)
    {
        return window.findChild<MyCircleButton*>(QStringLiteral("connect_but"));
    }
    // Shows the window and connects it to the simulated device with its connect button.
    void showAndConnect(RDX480View& window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(connectButton(window), Qt::LeftButton);
        QTRY_VERIFY(link->isConnected());
    }
    // The exchange a page started is over: the overlay is gone and no read waits for its reply.
    bool exchangeOver(const RDX480View& window) const
    {
        return !window.findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible() &&
               link->pendingReadKeys().isEmpty();
    }

private slots:
    void initTestCase()
    {
        RDX480View::installFontFallback();
        SimFixture::Options options;
        options.serial = false;
        sim = std::make_unique<SimFixture>(options);
        QVERIFY(sim->start());
        link = Singleton_SerialPort::instance();
    }
    void init()
    {
        writeIni(sim->tcpPort());
        sim->setFaults(SimFaults());
    }
    void cleanup()
    {
        if (link->isConnected())
            link->closeSerial();
    }

    void connectOpenPageDisconnect_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("title");
        QTest::newRow("Control") << QStringLiteral("but_for_control") << QStringLiteral("wid_for_control")
                                 << QStringLiteral("Control");
        QTest::newRow("Mosaic") << QStringLiteral("but_for_mosaic") << QStringLiteral("wid_for_montage")
                                << QStringLiteral("Mosaic");
    }
    void connectOpenPageDisconnect()
    {
        QFETCH(QString, button);
        QFETCH(QString, page);
        RDX480View window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageLog log;
        MyCircleButton* connect = connectButton(window);
        QCOMPARE(connect->text(), QStringLiteral("Connect"));

        QTest::mouseClick(connect, Qt::LeftButton);
        QTRY_VERIFY(link->isConnected());
        QCOMPARE(connect->text(), QStringLiteral("Disconnect"));
        QCOMPARE(connect->fillColor(), red);
        QCOMPARE(link->linkState, int(Rdx::Connected));

        click(window, button.toLatin1().constData());
        QVERIFY(pageVisible(window, page));
        QTEST(titleStrip(window), "title");
        QTRY_VERIFY(exchangeOver(window));
        QCOMPARE(log.entries(), QVector<MessageLog::Entry>());

        QTest::mouseClick(connect, Qt::LeftButton);
        QTRY_VERIFY(!link->isConnected());
        QCOMPARE(connect->text(), QStringLiteral("Connect"));
        QCOMPARE(connect->fillColor(), blue);
        QVERIFY(pageVisible(window, QStringLiteral("wid_for_navigation")));
        QVERIFY(!pageVisible(window, page));
        QCOMPARE(titleStrip(window), QStringLiteral("Navigation"));
        QCOMPARE(log.count(), 0);
    }

    void controlPageShowsTheDevice()
    {
        SimState state = sim->state();
        state.switchTime = 2;
        sim->setState(state);

        RDX480View window;
        MessageLog log;
        showAndConnect(window);
        sim->clearReceived();

        click(window, "but_for_control");
        QTRY_VERIFY(exchangeOver(window));
        auto* switchTime = window.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"));
        QVERIFY(switchTime);
        QTRY_COMPARE(switchTime->currentIndex(), 2);

        // The page asked for status and both PIP windows (the main window's read also goes out as kind 6).
        QVector<int> kinds;
        for (const Rdx::Frame& frame : sim->received())
            if (frame[2] == Rdx::ReadRequestCode)
                kinds << frame[3];
        QCOMPARE(kinds, (QVector<int>{Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipSubWindowRead}));
        QCOMPARE(log.count(), 0);
    }

    void deviceErrorReachesTheOperator()
    {
        SimFaults faults;
        faults.errorForCode.insert(Rdx::SwitchTimeCommand, 9);
        sim->setFaults(faults);

        RDX480View window;
        MessageLog log;
        showAndConnect(window);
        click(window, "but_for_control");
        QTRY_VERIFY(exchangeOver(window));

        auto* switchTime = window.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"));
        QVERIFY(switchTime);
        switchTime->setFocus();
        QTest::keyClick(switchTime, switchTime->currentIndex() < switchTime->count() - 1 ? Qt::Key_Down : Qt::Key_Up);
        QTRY_VERIFY(log.count() >= 1);
        QCOMPARE(log.entries().first(),
                 MessageLog::Entry(QStringLiteral("Error Message"), QStringLiteral("no input card; ")));
    }

    void settingStaysOpenWhenTheConnectionCloses()
    {
        RDX480View window;
        MessageLog log;
        showAndConnect(window);
        click(window, "but_for_setting");
        QTRY_VERIFY(exchangeOver(window));

        QTest::mouseClick(connectButton(window), Qt::LeftButton);
        QTRY_VERIFY(!link->isConnected());
        QVERIFY(pageVisible(window, QStringLiteral("wid_for_setting")));
        QCOMPARE(titleStrip(window), QStringLiteral("Setting"));
        QCOMPARE(log.count(), 0);
    }

    void failedConnectionSaysSo()
    {
        // A loopback port that nobody listens on any more.
        quint16 deadPort = 0;
        {
            QTcpServer server;
            QVERIFY(server.listen(QHostAddress::LocalHost));
            deadPort = server.serverPort();
        }
        writeIni(deadPort);
        RDX480View window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageLog log;

        QTest::mouseClick(connectButton(window), Qt::LeftButton);
        QTRY_COMPARE(log.count(), 1);
        QCOMPARE(log.last(),
                 MessageLog::Entry(QStringLiteral("Error Message"),
                                   QStringLiteral("Connection failed, check if the device or network is on")));
        QVERIFY(!link->isConnected());
        QCOMPARE(connectButton(window)->text(), QStringLiteral("Connect"));
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible());
    }
};

QTEST_MAIN(tst_ShellSession)
#include "tst_ShellSession.moc"
