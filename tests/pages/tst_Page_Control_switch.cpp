#include "ControlPageFixture.h"

#include "widgets/MyButtonBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QColor blue(85, 170, 255);
const QColor green(80, 163, 63);
const QColor yellow(255, 255, 127);
const QColor normal(210, 232, 215);

// By input code.
const char* const inputButtons[] = {"but_of_ext",  "but_of_div2", "but_of_dvi1", "but_of_hdm2",
                                    "but_of_hdm1", "but_of_vga",  "but_of_v2",   "but_of_v1"};

// What the operator sees: the button's face beside its text.
QColor faceColour(QPushButton* button)
{
    return button->grab().toImage().pixelColor(12, button->height() / 2);
}

// The inputs whose buttons show blue, green and yellow, -1 for a colour no button shows; 99 marks a colour
// shown twice, or a button in neither these colours nor the normal one.
QVector<int> colouredInputs(const ControlPageFixture& fx)
{
    const QVector<QColor> colours{blue, green, yellow};
    QVector<int> result{-1, -1, -1};
    for (int code = 0; code < 8; ++code) {
        const QColor face = faceColour(fx.find<QPushButton>(inputButtons[code]));
        const int role = colours.indexOf(face);
        if (role >= 0)
            result[role] = result[role] < 0 ? code : 99;
        else if (face != normal)
            return {99, 99, 99};
    }
    return result;
}

// How the device is reached and what it answers.
enum Device { Tcp, Serial, PlainAck, NoModule };

SimState deviceWith(int takeMode, int pipOn)
{
    SimState state; // main input HDMI1, PIP input VGA, preselected V1
    state.takeMode = takeMode;
    state.pipOn = pipOn;
    return state;
}

// The settings of the Signal Switch page, each one command.
enum Action { SwitchTime, SwitchModel, ShowModel, PipSwitch };

void act(const ControlPageFixture& fx, int action)
{
    auto* take = fx.find<QRadioButton>("radio_of_take");
    auto* pip = fx.find<QCheckBox>("check_doublePic");
    switch (action) {
    case SwitchTime:
        fx.find<QComboBox>("comboBox_for_time")->setFocus();
        QTest::keyClick(fx.find<QComboBox>("comboBox_for_time"), Qt::Key_Down);
        break;
    case SwitchModel:
        QTest::mouseClick(take->isChecked() ? fx.find<QRadioButton>("radio_of_oneKey") : take, Qt::LeftButton);
        break;
    case ShowModel:
        QTest::mouseClick(fx.find<MyButtonBar>("butBar_for_model")->buttons().at(2), Qt::LeftButton);
        break;
    case PipSwitch: // a check box takes clicks on its box and text only, not on the rest of its width
        QTest::mouseClick(pip, Qt::LeftButton, Qt::NoModifier, QPoint(8, pip->height() / 2));
        break;
    }
}

// The value an action sets, in the device (or the page's copy of it) and on the page.
template <typename State> int deviceValue(const State& state, int action)
{
    return std::array<int, 4>{state.switchTime, state.takeMode, state.showModel, state.pipOn}[action];
}
int pageValue(const ControlPageFixture& fx, int action)
{
    return std::array<int, 4>{fx.find<QComboBox>("comboBox_for_time")->currentIndex(),
                              fx.find<QRadioButton>("radio_of_take")->isChecked(),
                              fx.find<MyButtonBar>("butBar_for_model")->currentIndex(),
                              fx.find<QCheckBox>("check_doublePic")->isChecked()}[action];
}

} // namespace

class tst_Page_Control_switch : public QObject
{
    Q_OBJECT

private slots:
    // What a click on an input, AUTO or TAKE sends, and how the buttons show once the device reports the switch.
    void inputClicks_data()
    {
        QTest::addColumn<int>("takeMode");
        QTest::addColumn<int>("pipOn");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QVector<int>>("sent");     // code and parameter; empty when nothing may be sent
        QTest::addColumn<QVector<int>>("coloured"); // afterwards, as colouredInputs gives them
        QTest::addColumn<int>("device");

        // The main input is HDMI1 (code 4, group C) in every row, the PIP input VGA (5), the preselected V1 (7).
        QTest::newRow("one key: the current input") << 0 << 0 << "but_of_hdm1" << QVector<int>{}
                                                    << QVector<int>{4, -1, -1} << int(Tcp);
        QTest::newRow("one key: same group") << 0 << 0 << "but_of_div2" << QVector<int>{1, 1}
                                             << QVector<int>{1, -1, -1} << int(Tcp);
        // Only the status re-read brings the new input when the device just acknowledges.
        QTest::newRow("one key: plain acknowledgement")
            << 0 << 0 << "but_of_div2" << QVector<int>{1, 1} << QVector<int>{1, -1, -1} << int(PlainAck);
        QTest::newRow("one key: other group, serial line")
            << 0 << 0 << "but_of_v1" << QVector<int>{1, 7} << QVector<int>{7, -1, -1} << int(Serial);
        QTest::newRow("one key: EXT") << 0 << 0 << "but_of_ext" << QVector<int>{1, 0} << QVector<int>{0, -1, -1}
                                      << int(Tcp);
        QTest::newRow("no module: EXT disabled") << 0 << 0 << "but_of_ext" << QVector<int>{}
                                                 << QVector<int>{4, -1, -1} << int(NoModule);
        QTest::newRow("one key: AUTO") << 0 << 0 << "but_of_auto" << QVector<int>{25, 0} << QVector<int>{4, -1, -1}
                                       << int(Tcp);
        QTest::newRow("PIP: same group") << 0 << 1 << "but_of_div2" << QVector<int>{} << QVector<int>{4, 5, -1}
                                         << int(Tcp);
        QTest::newRow("PIP: the main input") << 0 << 1 << "but_of_hdm1" << QVector<int>{5, 4}
                                             << QVector<int>{-1, -1, 4} << int(Tcp);
        QTest::newRow("PIP: V2") << 0 << 1 << "but_of_v2" << QVector<int>{5, 6} << QVector<int>{4, 6, -1} << int(Tcp);
        QTest::newRow("Pre + TAKE: same group") << 1 << 0 << "but_of_hdm2" << QVector<int>{}
                                                << QVector<int>{4, 7, -1} << int(Tcp);
        QTest::newRow("Pre + TAKE: the main input")
            << 1 << 0 << "but_of_hdm1" << QVector<int>{1, 4} << QVector<int>{-1, -1, 4} << int(Tcp);
        QTest::newRow("Pre + TAKE: V2") << 1 << 0 << "but_of_v2" << QVector<int>{1, 6} << QVector<int>{4, 6, -1}
                                        << int(Tcp);
        QTest::newRow("Pre + TAKE: TAKE") << 1 << 0 << "but_of_auto" << QVector<int>{2, 0} << QVector<int>{7, 4, -1}
                                          << int(Tcp);
    }
    void inputClicks()
    {
        QFETCH(int, takeMode);
        QFETCH(int, pipOn);
        QFETCH(QString, clicked);
        QFETCH(QVector<int>, sent);
        QFETCH(QVector<int>, coloured);
        QFETCH(int, device);
        SimState state = deviceWith(takeMode, pipOn);
        state.extInputMode = device != NoModule; // with a module, every input button is enabled
        ControlPageFixture fx(device == Serial ? Transport::Serial : Transport::Tcp);
        QVERIFY(fx.start(state));
        SimFaults faults;
        faults.plainAck = device == PlainAck;
        fx.sim->setFaults(faults);
        QTest::mouseClick(fx.find<QPushButton>(qPrintable(clicked)), Qt::LeftButton);

        if (sent.isEmpty()) // sends are synchronous: had the click sent anything, it would be the last frame
            QCOMPARE(fx.link->lastSentFrame()[2], Rdx::ReadRequestCode);
        else
            QTRY_COMPARE(fx.lastCommand(), sent);
        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
        QTRY_COMPARE(colouredInputs(fx), coloured);
    }

    // Each setting is one command; the page shows what the device took, and the AUTO/TAKE button follows
    // the switch model and hides while PIP is on.
    void settingsReachTheDevice_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("takeMode");
        QTest::addColumn<int>("pipOn");
        QTest::addColumn<QVector<int>>("command");
        QTest::addColumn<QString>("autoText"); // empty: the AUTO/TAKE button is hidden

        QTest::newRow("switch time") << int(SwitchTime) << 0 << 0 << QVector<int>{3, 1} << "AUTO";
        QTest::newRow("Pre + TAKE") << int(SwitchModel) << 0 << 0 << QVector<int>{0, 1} << "TAKE";
        QTest::newRow("one key") << int(SwitchModel) << 1 << 0 << QVector<int>{0, 0} << "AUTO";
        QTest::newRow("display model") << int(ShowModel) << 0 << 0 << QVector<int>{16, 2} << "AUTO";
        QTest::newRow("PIP on") << int(PipSwitch) << 0 << 0 << QVector<int>{4, 1} << "";
        QTest::newRow("PIP off") << int(PipSwitch) << 0 << 1 << QVector<int>{4, 0} << "AUTO";
    }
    void settingsReachTheDevice()
    {
        QFETCH(int, action);
        QFETCH(int, takeMode);
        QFETCH(int, pipOn);
        QFETCH(QVector<int>, command);
        QFETCH(QString, autoText);
        ControlPageFixture fx;
        QVERIFY(fx.start(deviceWith(takeMode, pipOn)));

        act(fx, action);
        QTRY_COMPARE(fx.lastCommand(), command);
        QTRY_COMPARE(deviceValue(fx.sim->state(), action), command[1]);
        QTRY_COMPARE(deviceValue(fx.link->deviceState, action), command[1]);
        QCOMPARE(pageValue(fx, action), command[1]);
        auto* autoButton = fx.find<QPushButton>("but_of_auto");
        QTRY_COMPARE(autoButton->isHidden(), autoText.isEmpty());
        if (!autoText.isEmpty())
            QCOMPARE(autoButton->text(), autoText);
    }

    // A command the device refuses, or that cannot be sent, leaves the page showing the device copy.
    void refusedCommandPutsWidgetsBack_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("closeLink"); // false: the device answers with an error reply
        QTest::newRow("switch time") << int(SwitchTime) << false;
        QTest::newRow("switch model") << int(SwitchModel) << false;
        QTest::newRow("display model") << int(ShowModel) << false;
        QTest::newRow("PIP switch") << int(PipSwitch) << false;
        QTest::newRow("PIP switch, link closed") << int(PipSwitch) << true;
    }
    void refusedCommandPutsWidgetsBack()
    {
        QFETCH(int, action);
        QFETCH(bool, closeLink);
        ControlPageFixture fx;
        QVERIFY(fx.start(deviceWith(0, 0)));
        const int codes[] = {Rdx::SwitchTimeCommand, Rdx::SwitchModeCommand, Rdx::ShowModelCommand,
                             Rdx::PipSwitchCommand};
        SimFaults faults;
        faults.errorForCode.insert(codes[action], 12);
        fx.sim->setFaults(faults);
        if (closeLink)
            fx.link->closeSerial();

        act(fx, action);
        QCOMPARE(fx.sent().size(), closeLink ? 0 : 1);
        QCOMPARE(fx.sim->state(), deviceWith(0, 0));
        for (int shown : {SwitchTime, SwitchModel, ShowModel, PipSwitch}) {
            QCOMPARE(pageValue(fx, shown), 0);
            QCOMPARE(deviceValue(fx.link->deviceState, shown), 0);
        }
        QCOMPARE(fx.find<QPushButton>("but_of_auto")->text(), QStringLiteral("AUTO"));
    }

    // Copying the device's values into the widgets sends nothing, and the window reads that follow go out.
    void statusFillsTheWidgetsAndSendsNothing()
    {
        SimState state = deviceWith(1, 1);
        state.showModel = 2;
        state.switchTime = 3;
        state.pipModel = 1;
        state.extInputMode = 1;
        ControlPageFixture fx;
        QVERIFY(fx.start(state));

        for (int action : {SwitchTime, SwitchModel, ShowModel, PipSwitch})
            QCOMPARE(pageValue(fx, action), deviceValue(state, action));
        QCOMPARE(fx.find<MyButtonBar>("butBar_for_doubleModel")->currentIndex(), 1);
        QCOMPARE(fx.find<QLabel>("lab_of_expandMes")->text(), QStringLiteral("SDI"));
        QVERIFY(fx.sent().isEmpty());
        QCOMPARE(windowReads(*fx.sim), (QVector<int>{2, 3})); // sub and main of PIP model 1
        QVERIFY(!fx.link->busy);
    }
};

QTEST_MAIN(tst_Page_Control_switch)
#include "tst_Page_Control_switch.moc"
