#include "ShellProbe.h"
#include "tests/support/MessageLog.h"

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "shell/RDX480View.h"
#include "sim/SimFixture.h"
#include "widgets/MyCircleButton.h"

#include <QComboBox>
#include <QTcpServer>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(SimFaults)

using ShellProbe::titleStrip;
using ShellProbe::visiblePages;

// The whole window against the simulated device over a loopback TCP connection, driven by clicks.
class tst_ShellSession : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimFixture> sim;
    Singleton_SerialPort* link = nullptr;

    static bool writeIni(quint16 port)
    {
        return ShellProbe::writeIni("IP=127.0.0.1\nPORT=" + QByteArray::number(port) +
                                    "\nID=1\nNETWORK=true\nLANGUAGE=true\n");
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
        QVERIFY(writeIni(sim->tcpPort()));
        sim->setFaults(SimFaults());
        sim->setState(SimState());
    }
    void cleanup()
    {
        if (link->isConnected())
            link->closeSerial();
    }

    // Closing the connection returns the device pages to Navigation; Setting and Information stay.
    void connectOpenPageDisconnect_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("Control") << QStringLiteral("but_for_control") << QStringLiteral("wid_for_control")
                                 << QStringLiteral("Control") << false;
        QTest::newRow("Mosaic") << QStringLiteral("but_for_mosaic") << QStringLiteral("wid_for_montage")
                                << QStringLiteral("Mosaic") << false;
        QTest::newRow("Setting") << QStringLiteral("but_for_setting") << QStringLiteral("wid_for_setting")
                                 << QStringLiteral("Setting") << true;
        QTest::newRow("Information") << QStringLiteral("but_for_information") << QStringLiteral("wid_for_information")
                                     << QStringLiteral("Information") << true;
    }
    void connectOpenPageDisconnect()
    {
        QFETCH(QString, button);
        QFETCH(QString, page);
        QFETCH(QString, title);
        QFETCH(bool, staysOpen);
        RDX480View window;
        MessageLog log;
        MyCircleButton* connect = connectButton(window);
        QCOMPARE(connect->text(), QStringLiteral("Connect"));
        showAndConnect(window);
        QCOMPARE(connect->text(), QStringLiteral("Disconnect"));
        QCOMPARE(connect->fillColor(), QColor(255, 50, 50));
        QCOMPARE(link->linkState, int(Rdx::Connected));

        QVERIFY(ShellProbe::click(window, button));
        QCOMPARE(visiblePages(window), QStringList{page});
        QCOMPARE(titleStrip(window), title);
        QTRY_VERIFY(exchangeOver(window));

        QTest::mouseClick(connect, Qt::LeftButton);
        QTRY_VERIFY(!link->isConnected());
        QCOMPARE(connect->text(), QStringLiteral("Connect"));
        QCOMPARE(connect->fillColor(), QColor(85, 170, 255));
        QCOMPARE(visiblePages(window), QStringList{staysOpen ? page : QStringLiteral("wid_for_navigation")});
        QCOMPARE(titleStrip(window), staysOpen ? title : QStringLiteral("Navigation"));
        QCOMPARE(log.entries(), QVector<MessageLog::Entry>());
    }

    // A shown Control page reads the status and both PIP windows, and shows them.
    void controlPageReadsTheDevice()
    {
        SimState state = sim->state();
        state.switchTime = 2;
        sim->setState(state);
        RDX480View window;
        MessageLog log;
        showAndConnect(window);
        sim->clearReceived();

        QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_control")));
        QTRY_VERIFY(exchangeOver(window));
        auto* switchTime = window.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"));
        QTRY_COMPARE(switchTime->currentIndex(), 2);
        // Status and both PIP windows (the main window's read also goes out as kind 6).
        QVector<int> kinds;
        for (const Rdx::Frame& frame : sim->received())
            if (frame[2] == Rdx::ReadRequestCode)
                kinds << frame[3];
        QCOMPARE(kinds, (QVector<int>{Rdx::StatusRead, Rdx::PipSubWindowRead, Rdx::PipSubWindowRead}));
        QCOMPARE(log.count(), 0);
    }

    // Every failure reaches the operator exactly once, the window takes clicks again within the
    // exchange's time-out, and the page shows what the device holds. Over TCP and over the paced serial
    // line, where replies arrive in pieces.
    void eachFailureShowsOnce_data()
    {
        QTest::addColumn<bool>("paced");
        QTest::addColumn<SimFaults>("faults");
        QTest::addColumn<QString>("action"); // "open": open Control; otherwise the widget the operator uses
        QTest::addColumn<QString>("message");

        SimFaults refuseStatus;
        refuseStatus.errorForKind = {{Rdx::StatusRead, 12}};
        SimFaults refuseSwitchTime;
        refuseSwitchTime.errorForCode = {{Rdx::SwitchTimeCommand, 9}};
        SimFaults silentSwitch;
        silentSwitch.silentCodes = {Rdx::SwitchInputCommand};
        const QString outOfRange = QStringLiteral("out of range;");
        for (bool paced : {false, true}) {
            const char* on = paced ? "paced serial" : "tcp";
            QTest::addRow("status read refused on opening, %s", on)
                << paced << refuseStatus << QStringLiteral("open") << outOfRange;
            QTest::addRow("every read refused after a switch, %s", on)
                << paced << refuseStatus << QStringLiteral("but_of_vga") << outOfRange;
            QTest::addRow("switch time refused, %s", on)
                << paced << refuseSwitchTime << QStringLiteral("comboBox_for_time")
                << QStringLiteral("no input card; ");
            QTest::addRow("switch never answered, %s", on)
                << paced << silentSwitch << QStringLiteral("but_of_vga") << QStringLiteral("Out Time");
        }
    }
    void eachFailureShowsOnce()
    {
        QFETCH(bool, paced);
        QFETCH(SimFaults, faults);
        QFETCH(QString, action);
        QFETCH(QString, message);
        std::unique_ptr<SimFixture> serialSim;
        if (paced) {
            SimFixture::Options options;
            options.tcp = false;
            options.paced = true;
            serialSim = std::make_unique<SimFixture>(options);
            QVERIFY(serialSim->start());
            QVERIFY(ShellProbe::writeIni("PORTNAME=" + serialSim->serialPath().toUtf8() + "\nID=1\nLANGUAGE=true\n"));
        }
        SimFixture& device = paced ? *serialSim : *sim;
        RDX480View window;
        MessageLog log;
        showAndConnect(window);
        if (action == QStringLiteral("open"))
            device.setFaults(faults);
        QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_control")));
        QTRY_VERIFY(exchangeOver(window));
        device.setFaults(faults);

        if (action == QStringLiteral("comboBox_for_time")) {
            auto* combo = window.findChild<QComboBox*>(action);
            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_Down);
        } else if (action != QStringLiteral("open")) {
            QVERIFY(ShellProbe::click(window, action));
        }
        QTRY_COMPARE(log.count(), 1);
        QCOMPARE(log.last(), MessageLog::Entry(QStringLiteral("Error Message"), message));
        // Nothing is left that could show it again: no read waits, no re-send is due.
        QTRY_VERIFY(exchangeOver(window) && !link->isExchanging() && !link->isReplyTimerActive());
        QCOMPARE(log.count(), 1);

        // A refused command puts the page back to what the device copy holds.
        if (action != QStringLiteral("open")) {
            auto* switchTime = window.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"));
            QCOMPARE(switchTime->currentIndex(), link->deviceState.switchTime);
        }
        QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_information")));
        QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_information")});
    }

    // The serial device goes away under the panel: the next operator action says so once, and the panel
    // shows itself disconnected.
    void unpluggedSerialLine()
    {
        SimFixture::Options options;
        options.tcp = false;
        auto serialSim = std::make_unique<SimFixture>(options);
        QVERIFY(serialSim->start());
        QVERIFY(ShellProbe::writeIni("PORTNAME=" + serialSim->serialPath().toUtf8() + "\nID=1\nLANGUAGE=true\n"));
        RDX480View window;
        MessageLog log;
        showAndConnect(window);
        QVERIFY(ShellProbe::click(window, QStringLiteral("but_for_control")));
        QTRY_VERIFY(exchangeOver(window));

        serialSim.reset();
        QVERIFY(ShellProbe::click(window, QStringLiteral("but_of_vga")));
        QTRY_COMPARE(connectButton(window)->text(), QStringLiteral("Connect"));
        // Preparing the exchange finds the port gone, so the command is never sent.
        QCOMPARE(log.entries(), (QVector<MessageLog::Entry>{{QStringLiteral("Prompt Message"),
                                                             QStringLiteral("Please connect before user.")}}));
        QVERIFY(exchangeOver(window));
        QCOMPARE(visiblePages(window), QStringList{QStringLiteral("wid_for_navigation")});
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
        QVERIFY(writeIni(deadPort));
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
