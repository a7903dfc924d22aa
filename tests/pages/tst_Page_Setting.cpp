#include "PageFixture.h"
#include "pages/Page_Setting.h"
#include "widgets/QIPLineEdit.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpSocket>

inline void refreshPage(Page_Setting& page)
{
    page.refreshFromDevice(true, 5000);
}

inline void routeReply(Page_Setting& page, int order)
{
    if (order == Rdx::StatusRead)
        page.applyStatus();
    else if (order == Rdx::PictureRead)
        page.showPicture();
}

using SettingPage = PageFixture<Page_Setting>;

struct CommandRow
{
    int format;
    const char* control;
    int value, error;
    QVector<int> sent; // code and parameter, empty: nothing sent
    const char* shows; // the control showing the outcome, and what it shows
    int shown;
};
Q_DECLARE_METATYPE(CommandRow)

class tst_Page_Setting : public QObject
{
    Q_OBJECT

private slots:
    // Each setting is one command (one source cannot feed two audio outputs); a picture value goes out with its "OK"
    // ("Reset" sends the default). The resolution list leaves out the device's format 4: indexes above 3 are one below
    // their codes. A command the device refuses (error 12) or that cannot be sent (-1: the link closed) puts the
    // control back.
    void commands_data()
    {
        QTest::addColumn<CommandRow>("row");
        const char* combo = "comboBox_resolution_ratio";
        QTest::newRow("3 to the first past the gap") << CommandRow{3, combo, 4, 0, {28, 5}, combo, 4};
        QTest::newRow("5 back across the gap") << CommandRow{5, combo, 3, 0, {28, 3}, combo, 3};
        QTest::newRow("4 shows as 3, the last") << CommandRow{4, combo, 11, 0, {28, 12}, combo, 11};
        QTest::newRow("the device's own format") << CommandRow{6, combo, 5, 0, {}, combo, 5};
        QTest::newRow("brightness slider") << CommandRow{6, "slider_luminance", 0, 0, {8, 30}, "slider_luminance", 30};
        QTest::newRow("contrast spin box") << CommandRow{6, "spinBox_contrast", 77, 0, {9, 77}, "slider_contrast", 77};
        QTest::newRow("colour reset") << CommandRow{6, "but_reset_color", 0, 0, {10, 50}, "slider_color", 50};
        QTest::newRow("output reset") << CommandRow{6,        "but_reset_luminance_2", 0, 0,
                                                    {11, 32}, "slider_out_luminance",  32};
        QTest::newRow("DVI hot plug off") << CommandRow{6, "radio_dvi_close", 0, 0, {30, 0}, "radio_dvi_open", 0};
        QTest::newRow("audio 1 to HDMI1") << CommandRow{6, "butBar_ad1", 3, 0, {29, 4, 6, 5}, "butBar_ad1", 3};
        QTest::newRow("audio 2 to V1, which audio 1 has") << CommandRow{6, "butBar_ad2", 0, 0, {}, "butBar_ad2", 1};
        // -2: taken but unanswered, so the page reads back what the device now has.
        for (int error : {12, -1, -2}) {
            const char* how = error == -1 ? "not sent" : error == -2 ? "unanswered" : "refused";
            const bool taken = error == -2;
            QTest::addRow("resolution %s", how) << CommandRow{6, combo, 0, error, {28, 0}, combo, taken ? 0 : 5};
            QTest::addRow("contrast %s", how)
                << CommandRow{6, "spinBox_contrast", 90, error, {9, 90}, "slider_contrast", taken ? 90 : 50};
            QTest::addRow("DVI hot plug %s", how)
                << CommandRow{6, "radio_dvi_close", 0, error, {30, 0}, "radio_dvi_open", taken ? 0 : 1};
        }
    }
    void commands()
    {
        QFETCH(CommandRow, row);
        SimState state;
        state.outputFormat = row.format;
        state.brightness = state.color = 20;
        state.outputBrightness = 10;
        SettingPage fx;
        QVERIFY(fx.start(state));
        fx.failCommand(row.sent.value(0), row.error);
        const bool notSent = row.error == -1;
        const QString control = QLatin1String(row.control);

        fx.act(control, row.value);
        const bool picture = fx.find<QTabWidget>("tabWid_picture_quality")->isAncestorOf(fx.find<QWidget>(row.control));
        auto* ok = fx.find<QPushButton>(picture ? "but_accept_picture_quality" : "but_accept_luminance");
        if (control.startsWith(QLatin1String("slider_")) || control.startsWith(QLatin1String("spinBox_"))) {
            QVERIFY(ok->isEnabled()); // a picture value waits for its "OK"
            QVERIFY(fx.sent().isEmpty());
            QTest::mouseClick(ok, Qt::LeftButton);
        }
        QTRY_COMPARE(fx.sent(std::max(1, int(row.sent.size()) - 1)).value(0), notSent ? QVector<int>() : row.sent);
        QCOMPARE(fx.sent().size(), notSent || row.sent.isEmpty() ? 0 : 1);
        QVERIFY(!ok->isEnabled());
        QTRY_COMPARE(fx.shown(QLatin1String(row.shows)), row.shown);
        const bool taken = (row.error == 0 || row.error == -2) && !row.sent.isEmpty();
        QCOMPARE(fx.sim->state() == state, !taken);
        const bool resolution = taken && row.sent[0] == Rdx::ResolutionCommand;
        QCOMPARE(fx.link->deviceState.outputFormat, resolution ? row.sent[1] : row.format);
    }

    // A wrong address or port is refused before it reaches the link, with one message each; then network to
    // the serial line and back, each time closing the open transport at once.
    void communication()
    {
        SettingPage fx;
        fx.link->serialPortName = QStringLiteral("/dev/ttyRDX480-none"); // in no list of ports
        QVERIFY(fx.start(SimState{}));
        auto* octet = fx.find<QIPLineEdit>("lineEdit_ip")->findChildren<QLineEdit*>().at(2);
        SettingPage::typeInto(octet, QString(), false);
        fx.act(QStringLiteral("but_accept_ip"));
        SettingPage::typeInto(octet, QStringLiteral("0"), false);
        for (const char* port : {"7a", "0"}) {
            SettingPage::typeInto(fx.find<QLineEdit>("lineEdit_port"), QLatin1String(port), false);
            fx.act(QStringLiteral("but_accept_ip"));
        }
        QCOMPARE(fx.messages.count(), 3);
        QCOMPARE(fx.link->hostAddress, QStringLiteral("127.0.0.1"));
        QCOMPARE(fx.link->tcpPort, fx.sim->tcpPort());
        QVERIFY(fx.link->isConnected());
        SettingPage::typeInto(fx.find<QLineEdit>("lineEdit_port"), QString::number(fx.sim->tcpPort()), false);
        auto* socket = fx.link->findChild<QTcpSocket*>();
        auto* serialPort = fx.link->findChild<QSerialPort*>();
        auto* portName = fx.find<QLineEdit>("lineEdit_port_2");
        const QString linkPort = portName->text();
        fx.act(QStringLiteral("radioButton_2"));
        QCOMPARE(portName->text(), linkPort); // not the first port of the refilled list
        QCOMPARE(socket->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(fx.find<QComboBox>("comboBox_port")->isVisible());
        QVERIFY(!fx.find<QIPLineEdit>("lineEdit_ip")->isVisible());
        QVERIFY(!fx.find<QLineEdit>("lineEdit_port")->isVisible());
        SettingPage::typeInto(fx.find<QLineEdit>("lineEdit_port_2"), fx.sim->serialPath(), false);
        fx.act(QStringLiteral("but_accept_ip"));
        QVERIFY(serialPort->isOpen());
        fx.link->linkState = Rdx::Connected;
        // OK with the same port and number keeps the open line.
        SettingPage::typeInto(portName, fx.sim->serialPath(), false);
        QSignalSpy reopened(fx.link, &Singleton_SerialPort::sendWaiting);
        fx.act(QStringLiteral("but_accept_ip"));
        QCOMPARE(reopened.count(), 0);
        QVERIFY(serialPort->isOpen());
        fx.act(QStringLiteral("radio_dvi_close"));
        QTRY_COMPARE(fx.sim->state().dviHotplug, 0);

        fx.act(QStringLiteral("radioButton"));
        QVERIFY(!serialPort->isOpen());
        QVERIFY(fx.find<QIPLineEdit>("lineEdit_ip")->isVisible());
        fx.act(QStringLiteral("but_accept_ip"));
        QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
        fx.link->linkState = Rdx::Connected;
        fx.act(QStringLiteral("radio_dvi_open"));
        QTRY_COMPARE(fx.sim->state().dviHotplug, 1);
        QCOMPARE(fx.messages.count(), 3);
    }
};

QTEST_MAIN(tst_Page_Setting)
#include "tst_Page_Setting.moc"
