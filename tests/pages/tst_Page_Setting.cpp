#include "PageFixture.h"
#include "pages/Page_Setting.h"
#include "widgets/MyButtonBar.h"
#include "widgets/QIPLineEdit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
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

struct SettingPage : PageFixture<Page_Setting>
{
    // Near the left end: a radio button takes clicks on its circle and text only.
    void click(const char* name) const
    {
        auto* button = find<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
    }
    void chooseResolution(int index) const
    {
        auto* combo = find<QComboBox>("comboBox_resolution_ratio");
        combo->showPopup();
        combo->view()->setCurrentIndex(combo->model()->index(index, 0));
        QTest::keyClick(combo->view(), Qt::Key_Return);
    }
};

class tst_Page_Setting : public QObject
{
    Q_OBJECT

private slots:
    // The list leaves out the device's format 4: indexes above 3 are one below their codes.
    void resolution_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("sent"); // -1: nothing
        QTest::newRow("3 to the first past the gap") << 3 << 3 << 4 << 5;
        QTest::newRow("5 back across the gap") << 5 << 4 << 3 << 3;
        QTest::newRow("4 shows as 3, the last") << 4 << 3 << 11 << 12;
        QTest::newRow("the device's own") << 6 << 5 << 5 << -1;
    }
    void resolution()
    {
        QFETCH(int, format);
        QFETCH(int, sent);
        SimState state;
        state.outputFormat = format;
        SettingPage fx;
        QVERIFY(fx.start(state));
        auto* combo = fx.find<QComboBox>("comboBox_resolution_ratio");
        QTEST(combo->currentIndex(), "shown");
        QFETCH(int, chosen);
        fx.chooseResolution(chosen);
        QCOMPARE(combo->currentIndex(), chosen);
        QTRY_COMPARE(fx.sent().value(0).value(1, -1), sent);
        QTRY_COMPARE(fx.link->deviceState.outputFormat, sent < 0 ? format : sent);
    }

    void audio()
    {
        SettingPage fx;
        QVERIFY(fx.start(SimState{})); // audio from V1, V2, VGA
        auto* bar2 = fx.find<MyButtonBar>("butBar_ad2");
        QTest::mouseClick(fx.find<MyButtonBar>("butBar_ad1")->buttons().at(3), Qt::LeftButton); // HDM1
        QTRY_COMPARE(fx.sent(3), (QVector<QVector<int>>{{29, 4, 6, 5}}));
        QCOMPARE(fx.sim->state().audio1Source, int(Rdx::Hdmi1Input));
        QTest::mouseClick(bar2->buttons().at(3), Qt::LeftButton); // HDM1 again
        QCOMPARE(bar2->currentIndex(), 1);
        QCOMPARE(fx.sent(3).size(), 1);
    }

    // A value moved with the slider or typed into the spin box goes out with "OK"; "Reset" sends the default.
    void picture_data()
    {
        QTest::addColumn<int>("tab"); // -1: output brightness
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QVector<int>>("sent");
        QTest::newRow("brightness slider") << 0 << "slider_luminance" << QVector<int>{8, 30};
        QTest::newRow("contrast spin box") << 1 << "spinBox_contrast" << QVector<int>{9, 77};
        QTest::newRow("colour reset") << 2 << "but_reset_color" << QVector<int>{10, 50};
        QTest::newRow("output reset") << -1 << "but_reset_luminance_2" << QVector<int>{11, 32};
    }
    void picture()
    {
        QFETCH(int, tab);
        QFETCH(QString, widget);
        QFETCH(QVector<int>, sent);
        SimState state;
        state.brightness = state.color = 20;
        state.outputBrightness = 10;
        SettingPage fx;
        QVERIFY(fx.start(state));
        auto* ok = fx.find<QPushButton>(tab < 0 ? "but_accept_luminance" : "but_accept_picture_quality");
        QTabBar* tabs = fx.find<QTabWidget>("tabWid_picture_quality")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(std::max(tab, 0)).center());
        QVERIFY(!ok->isEnabled());
        auto* field = fx.find<QWidget>(qPrintable(widget));
        if (auto* slider = qobject_cast<QSlider*>(field)) {
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_PageUp);
        } else if (qobject_cast<QSpinBox*>(field)) {
            SettingPage::typeInto(field, QString::number(sent[1]), false);
        }
        if (!widget.startsWith(QLatin1String("but_"))) {
            QVERIFY(ok->isEnabled());
            QVERIFY(fx.sent(3).isEmpty());
            QTest::mouseClick(ok, Qt::LeftButton);
        } else {
            fx.click(qPrintable(widget));
        }
        QTRY_COMPARE(fx.sent(3).value(0).mid(0, 2), sent);
        QVERIFY(!ok->isEnabled());
        const SimState device = fx.sim->state();
        const int values[] = {device.outputBrightness, device.brightness, device.contrast, device.color};
        QCOMPARE(values[tab + 1], sent[1]);
        const char* sliders[] = {"slider_out_luminance", "slider_luminance", "slider_contrast", "slider_color"};
        QCOMPARE(fx.find<QSlider>(sliders[tab + 1])->value(), sent[1]);
    }

    // A command the device refuses, or that cannot be sent, leaves the controls showing the device copy.
    void notAcceptedPutsControlsBack_data()
    {
        QTest::addColumn<bool>("closeLink");
        QTest::newRow("refused") << false;
        QTest::newRow("not sent") << true;
    }
    void notAcceptedPutsControlsBack()
    {
        QFETCH(bool, closeLink);
        SettingPage fx;
        QVERIFY(fx.start(SimState{}));
        SimFaults faults;
        for (int code : {Rdx::ResolutionCommand, Rdx::ContrastCommand, Rdx::DviHotplugCommand})
            faults.errorForCode.insert(code, 12);
        fx.sim->setFaults(faults);
        if (closeLink)
            fx.link->closeSerial();

        fx.chooseResolution(0);
        QTRY_COMPARE(fx.find<QComboBox>("comboBox_resolution_ratio")->currentIndex(), 5);
        SettingPage::typeInto(fx.find<QSpinBox>("spinBox_contrast"), QStringLiteral("90"), false);
        fx.click("but_accept_picture_quality");
        QTRY_COMPARE(fx.find<QSlider>("slider_contrast")->value(), 50);
        fx.click("radio_dvi_close");
        QTRY_VERIFY(fx.find<QRadioButton>("radio_dvi_open")->isChecked());
        QCOMPARE(fx.sent(3).size(), closeLink ? 0 : 3);
        QCOMPARE(fx.sim->state(), SimState{});
    }

    // Network to the serial line and back, each time closing the open transport at once.
    void communication()
    {
        SettingPage fx;
        QVERIFY(fx.start(SimState{}));
        auto* socket = fx.link->findChild<QTcpSocket*>();
        auto* serialPort = fx.link->findChild<QSerialPort*>();
        fx.click("radioButton_2");
        QCOMPARE(socket->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(fx.find<QComboBox>("comboBox_port")->isVisible());
        QVERIFY(!fx.find<QIPLineEdit>("lineEdit_ip")->isVisible());
        QVERIFY(!fx.find<QLineEdit>("lineEdit_port")->isVisible());
        SettingPage::typeInto(fx.find<QLineEdit>("lineEdit_port_2"), fx.sim->serialPath(), false);
        fx.click("but_accept_ip");
        QVERIFY(serialPort->isOpen());
        QCOMPARE(fx.link->serialPortName, fx.sim->serialPath());
        fx.link->linkState = Rdx::Connected;
        fx.click("radio_dvi_close");
        QTRY_COMPARE(fx.sim->state().dviHotplug, 0);

        fx.click("radioButton");
        QVERIFY(!serialPort->isOpen());
        QVERIFY(fx.find<QIPLineEdit>("lineEdit_ip")->isVisible());
        fx.click("but_accept_ip");
        QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
        fx.link->linkState = Rdx::Connected;
        fx.click("radio_dvi_open");
        QTRY_COMPARE(fx.sim->state().dviHotplug, 1);
        QCOMPARE(fx.messages.count(), 0);
    }

    // A wrong address or port is refused before it reaches the link.
    void refusedCommunication_data()
    {
        QTest::addColumn<bool>("octet"); // the third of the address, else the port
        QTest::addColumn<QString>("text");
        QTest::newRow("emptied octet") << true << "";
        QTest::newRow("negative port") << false << "-1";
        QTest::newRow("port not a number") << false << "7a";
        QTest::newRow("port 0") << false << "0";
    }
    void refusedCommunication()
    {
        QFETCH(bool, octet);
        QFETCH(QString, text);
        SettingPage fx;
        QVERIFY(fx.start(SimState{}));
        const int tcpPort = fx.link->tcpPort;
        SettingPage::typeInto(octet ? fx.find<QIPLineEdit>("lineEdit_ip")->findChildren<QLineEdit*>().at(2)
                                    : fx.find<QLineEdit>("lineEdit_port"),
                              text, false);
        fx.click("but_accept_ip");
        QCOMPARE(fx.messages.count(), 1);
        QCOMPARE(fx.link->hostAddress, QStringLiteral("127.0.0.1"));
        QCOMPARE(fx.link->tcpPort, tcpPort);
        QVERIFY(fx.link->isConnected());
    }
};

QTEST_MAIN(tst_Page_Setting)
#include "tst_Page_Setting.moc"
