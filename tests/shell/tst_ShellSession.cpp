#include "ShellProbe.h"
#include "tests/support/MessageLog.h"
#include "tests/support/SimLink.h"

#include "shell/RDX480View.h"

#include <QtTest>

using namespace ShellProbe;

// The whole window against the simulated device, connected with its own button and driven by clicks.
class tst_ShellSession : public QObject
{
    Q_OBJECT

private:
    QPushButton* connectButton() const { return window->findChild<QPushButton*>(QStringLiteral("connect_but")); }
    // Starts the device, writes the settings that lead to it, and connects a new window with its button.
    void connectWindow(Transport transport = Transport::Tcp)
    {
        fx = std::make_unique<SimLink>(transport);
        QVERIFY(fx->startDevice());
        QVERIFY(writeIni(fx->settings()));
        window = std::make_unique<RDX480View>();
        QVERIFY(showAndWait(*window));
        QTest::mouseClick(connectButton(), Qt::LeftButton);
        QTRY_VERIFY(fx->link->isConnected());
    }
    // The exchange a page started is over: the overlay is gone and nothing more can arrive.
    bool exchangeOver() const
    {
        return !window->findChild<QWidget*>(QStringLiteral("wid_send_box"))->isVisible() && fx->quiet();
    }

    std::unique_ptr<SimLink> fx;
    std::unique_ptr<RDX480View> window;
    MessageLog log;

private slots:
    void initTestCase() { RDX480View::installFontFallback(); }
    void init() { log.clear(); }
    void cleanup()
    {
        window.reset();
        fx.reset();
    }

    // Over the serial line: closing the connection returns the device pages to Navigation, Setting and Information
    // stay, and a language switch while connected keeps offering to disconnect. Then the device goes away under
    // Control: the hang-up is noticed while idle, said once, and the bar shows Connect without a click.
    void disconnectThenUnplug()
    {
        connectWindow(Transport::Serial);
        window->setLanguage(false);
        QCOMPARE(connectButton()->text(), QStringLiteral("断开"));
        window->setLanguage(true);
        for (const auto& [button, page, afterClosing] :
             {std::tuple("but_for_mosaic", "wid_for_montage", "wid_for_navigation"),
              std::tuple("but_for_setting", "wid_for_setting", "wid_for_setting")}) {
            QCOMPARE(connectButton()->text(), QStringLiteral("Disconnect"));
            QCOMPARE(pagesAfter(*window, QLatin1String(button)), QStringList{QLatin1String(page)});
            QTRY_VERIFY(exchangeOver());
            QTest::mouseClick(connectButton(), Qt::LeftButton);
            QTRY_VERIFY(!fx->link->isConnected());
            QCOMPARE(connectButton()->text(), QStringLiteral("Connect"));
            QCOMPARE(visiblePages(*window), QStringList{QLatin1String(afterClosing)});
            QTest::mouseClick(connectButton(), Qt::LeftButton); // again, for the next page
            QTRY_VERIFY(fx->link->isConnected() && exchangeOver());
        }
        QCOMPARE(pagesAfter(*window, QLatin1String("but_for_control")), QStringList{QStringLiteral("wid_for_control")});
        QTRY_VERIFY(exchangeOver());
        fx->sim.reset(); // nothing was said before this
        QTRY_COMPARE(connectButton()->text(), QStringLiteral("Connect"));
        QCOMPARE(log.entries(), (QVector<MessageLog::Entry>{{QStringLiteral("Error Message"),
                                                             QStringLiteral("Connection disconnected")}}));
        QVERIFY(exchangeOver());
        QCOMPARE(visiblePages(*window), QStringList{QStringLiteral("wid_for_navigation")});
    }

    // Every failure reaches the operator exactly once and the window takes clicks again within the exchange's
    // time-out, over TCP and over the paced serial line, where replies arrive in pieces. (What the page shows
    // after a refusal is checked page by page.)
    void eachFailureShowsOnce_data()
    {
        QTest::addColumn<Transport>("transport");
        QTest::addColumn<SimFaults>("faults");
        QTest::addColumn<QString>("button"); // empty: the failure comes with opening Control
        QTest::addColumn<QString>("message");
        SimFaults refuseStatus, refuseSwitch, silentSwitch;
        refuseStatus.errorForKind = {{Rdx::StatusRead, 12}};
        refuseSwitch.errorForCode = {{Rdx::SwitchInputCommand, 9}};
        silentSwitch.silentCodes = {Rdx::SwitchInputCommand};
        for (Transport transport : {Transport::Tcp, Transport::PacedSerial}) {
            const char* on = transport == Transport::Tcp ? "tcp" : "paced serial";
            QTest::addRow("status refused on opening, %s", on) << transport << refuseStatus << "" << "out of range;";
            QTest::addRow("every read refused after a switch, %s", on)
                << transport << refuseStatus << "but_of_vga" << "out of range;";
            QTest::addRow("switch refused, %s", on) << transport << refuseSwitch << "but_of_vga" << "no input card; ";
            QTest::addRow("switch never answered, %s", on) << transport << silentSwitch << "but_of_vga" << "Out Time";
        }
    }
    void eachFailureShowsOnce()
    {
        QFETCH(Transport, transport);
        QFETCH(SimFaults, faults);
        QFETCH(QString, button);
        connectWindow(transport);
        if (button.isEmpty())
            fx->sim->setFaults(faults);
        QVERIFY(click(*window, QStringLiteral("but_for_control")));
        QTRY_VERIFY(exchangeOver());
        fx->sim->setFaults(faults);
        QVERIFY(button.isEmpty() || click(*window, button));
        QTRY_VERIFY(log.count() > 0 && exchangeOver()); // nothing is left that could show it again
        QCOMPARE(log.count(), 1);
        QTEST(log.last().second, "message");
        QCOMPARE(pagesAfter(*window, QStringLiteral("but_for_information")),
                 QStringList{QStringLiteral("wid_for_information")});
    }
};

QTEST_MAIN(tst_ShellSession)
#include "tst_ShellSession.moc"
