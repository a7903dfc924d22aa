#include "ControlPageFixture.h"

#include "widgets/MyButtonBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
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
    // What a click on an input sends, and how the buttons show once the device reports the switch.
    void inputClicks_data()
    {
        QTest::addColumn<int>("takeMode");
        QTest::addColumn<int>("pipOn");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QVector<int>>("sent");     // code and input code; empty when nothing may be sent
        QTest::addColumn<QVector<int>>("coloured"); // afterwards, as colouredInputs gives them
        QTest::addColumn<bool>("network");

        // The main input is HDMI1 (code 4, group C) in every row, the PIP input VGA (5), the preselected V1 (7).
        QTest::newRow("one key: the current input")
            << 0 << 0 << "but_of_hdm1" << QVector<int>{} << QVector<int>{4, -1, -1} << true;
        QTest::newRow("one key: same group")
            << 0 << 0 << "but_of_div2" << QVector<int>{1, 1} << QVector<int>{1, -1, -1} << true;
        QTest::newRow("one key: other group")
            << 0 << 0 << "but_of_v1" << QVector<int>{1, 7} << QVector<int>{7, -1, -1} << true;
        QTest::newRow("one key: serial line")
            << 0 << 0 << "but_of_v1" << QVector<int>{1, 7} << QVector<int>{7, -1, -1} << false;
        QTest::newRow("PIP: same group") << 0 << 1 << "but_of_div2" << QVector<int>{} << QVector<int>{4, 5, -1} << true;
        QTest::newRow("PIP: the main input")
            << 0 << 1 << "but_of_hdm1" << QVector<int>{5, 4} << QVector<int>{-1, -1, 4} << true;
        QTest::newRow("PIP: V2") << 0 << 1 << "but_of_v2" << QVector<int>{5, 6} << QVector<int>{4, 6, -1} << true;
        QTest::newRow("Pre + TAKE: same group")
            << 1 << 0 << "but_of_hdm2" << QVector<int>{} << QVector<int>{4, 7, -1} << true;
        QTest::newRow("Pre + TAKE: the main input")
            << 1 << 0 << "but_of_hdm1" << QVector<int>{1, 4} << QVector<int>{-1, -1, 4} << true;
        QTest::newRow("Pre + TAKE: V2") << 1 << 0 << "but_of_v2" << QVector<int>{1, 6} << QVector<int>{4, 6, -1}
                                        << true;
    }
    void inputClicks()
    {
        QFETCH(int, takeMode);
        QFETCH(int, pipOn);
        QFETCH(QString, clicked);
        QFETCH(QVector<int>, sent);
        QFETCH(bool, network);
        SimState state = deviceWith(takeMode, pipOn);
        state.extInputMode = 1; // every input button enabled
        ControlPageFixture fx;
        QVERIFY(fx.start(state, network));
        QCOMPARE(fx.link->useNetwork, network);
        QTest::mouseClick(fx.find<QPushButton>(qPrintable(clicked)), Qt::LeftButton);

        if (sent.isEmpty()) {
            // Sends are synchronous: had the click sent anything, the link's last frame would be a set-command.
            QCOMPARE(fx.link->lastSentFrame()[2], Rdx::ReadRequestCode);
            QVERIFY(fx.commands().isEmpty());
        } else {
            QTRY_COMPARE(fx.lastCommand(), sent);
            QCOMPARE(fx.commands().size(), 1);
        }
        QFETCH(QVector<int>, coloured);
        QTRY_COMPARE(colouredInputs(fx), coloured);
        // The legend carries the same colours.
        const QColor colours[] = {blue, green, yellow};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(
                fx.find<QLabel>(qPrintable(QStringLiteral("label_%1").arg(5 + i)))->grab().toImage().pixelColor(3, 3),
                colours[i]);
    }

    void autoAndTake()
    {
        ControlPageFixture fx;
        QVERIFY(fx.start(deviceWith(0, 0)));
        auto* autoButton = fx.find<QPushButton>("but_of_auto");
        QCOMPARE(autoButton->text(), QStringLiteral("AUTO"));
        QTest::mouseClick(autoButton, Qt::LeftButton);
        QTRY_COMPARE(fx.lastCommand(), (QVector<int>{25, 0}));

        // Pre + TAKE: preselect V1, then TAKE puts it on the output.
        SimState take = deviceWith(1, 0);
        take.presetInput = Rdx::VgaInput;
        fx.sim.setState(take);
        QVERIFY(fx.refresh());
        QCOMPARE(autoButton->text(), QStringLiteral("TAKE"));
        auto* v1 = fx.find<QPushButton>("but_of_v1");
        QTest::mouseClick(v1, Qt::LeftButton);
        QTRY_COMPARE(faceColour(v1), green);
        QTest::mouseClick(autoButton, Qt::LeftButton);
        QTRY_COMPARE(fx.lastCommand(), (QVector<int>{2, 0}));
        QTRY_COMPARE(fx.sim.state().mainInput, int(Rdx::V1Input));
        QTRY_COMPARE(faceColour(v1), blue);
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
        QTRY_COMPARE(deviceValue(fx.sim.state(), action), command[1]);
        QTRY_COMPARE(deviceValue(fx.link->deviceState, action), command[1]);
        QCOMPARE(pageValue(fx, action), command[1]);
        auto* autoButton = fx.find<QPushButton>("but_of_auto");
        QTRY_COMPARE(autoButton->isHidden(), autoText.isEmpty());
        if (!autoText.isEmpty())
            QCOMPARE(autoButton->text(), autoText);
    }

    void refusedCommandPutsWidgetsBack_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("closeLink"); // false: the device answers with an error reply
        const char* const names[] = {"switch time", "switch model", "display model", "PIP switch"};
        for (int action : {SwitchTime, SwitchModel, ShowModel, PipSwitch}) {
            QTest::addRow("%s, device error", names[action]) << action << false;
            QTest::addRow("%s, link closed", names[action]) << action << true;
        }
    }
    void refusedCommandPutsWidgetsBack()
    {
        QFETCH(int, action);
        QFETCH(bool, closeLink);
        ControlPageFixture fx;
        QVERIFY(fx.start(deviceWith(0, 0)));
        const SimState before = fx.sim.state();
        const int codes[] = {Rdx::SwitchTimeCommand, Rdx::SwitchModeCommand, Rdx::ShowModelCommand,
                             Rdx::PipSwitchCommand};
        SimFaults faults;
        faults.errorForCode.insert(codes[action], 12);
        fx.sim.setFaults(faults);
        if (closeLink)
            fx.link->closeSerial();

        act(fx, action);
        QCOMPARE(fx.link->linkState, closeLink ? int(Rdx::NotConnected) : Rdx::DeviceError + 12);
        QCOMPARE(fx.commands().size(), closeLink ? 0 : 1);
        QCOMPARE(fx.sim.state(), before);
        // The page shows the device copy, which the refused command did not change.
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
        ControlPageFixture fx;
        QVERIFY(fx.start(state));

        for (int action : {SwitchTime, SwitchModel, ShowModel, PipSwitch})
            QCOMPARE(pageValue(fx, action), deviceValue(state, action));
        QCOMPARE(fx.find<MyButtonBar>("butBar_for_doubleModel")->currentIndex(), 1);
        QVERIFY(fx.commands().isEmpty());
        QCOMPARE(fx.windowReads(), (QVector<int>{2, 3})); // sub and main of PIP model 1
        QVERIFY(!fx.link->busy);
    }

    void expansionModule()
    {
        ControlPageFixture fx;
        QVERIFY(fx.start(deviceWith(0, 0)));
        auto* ext = fx.find<QPushButton>("but_of_ext");
        auto* module = fx.find<QLabel>("lab_of_expandMes");
        QVERIFY(!ext->isEnabled());
        QCOMPARE(module->text(), QStringLiteral("Empty"));
        fx.page->setLanguage(false);
        QCOMPARE(module->text(), QStringLiteral("无"));

        SimState fitted = fx.sim.state();
        fitted.extInputMode = 1;
        fx.sim.setState(fitted);
        QVERIFY(fx.refresh());
        QVERIFY(ext->isEnabled());
        QCOMPARE(module->text(), QStringLiteral("SDI"));
        QTest::mouseClick(ext, Qt::LeftButton);
        QTRY_COMPARE(fx.lastCommand(), (QVector<int>{1, 0}));
        QTRY_COMPARE(fx.sim.state().mainInput, int(Rdx::ExtInput));
    }

    void languages()
    {
        ControlPageFixture fx;
        QVERIFY(fx.start(deviceWith(0, 0)));
        const auto shown = [&fx] {
            // A tool box title bar shows a doubled '&' as one.
            return QStringList{
                fx.find<QToolBox>("toolBox")->itemText(0).replace(QStringLiteral("&&"), QStringLiteral("&")),
                fx.find<QToolBox>("toolBox")->itemText(1),
                fx.find<QLabel>("label_5")->text(),
                fx.find<QRadioButton>("radio_of_take")->text(),
                fx.find<QGroupBox>("groupBox_of_mainPage")->title(),
                fx.find<QPushButton>("but_of_hdm1")->text()};
        };
        fx.page->setLanguage(false);
        QCOMPARE(shown(), (QStringList{QStringLiteral("信号选择 & 切换"), QStringLiteral("双画面（PIP）"),
                                       QStringLiteral("当前/主画面"), QStringLiteral("预选+TAKE切换"),
                                       QStringLiteral("主画面(蓝)"), QStringLiteral("HDMI1")}));
        fx.page->setLanguage(true);
        QCOMPARE(shown(), (QStringList{QStringLiteral("Signal Switch"), QStringLiteral("PIP"),
                                       QStringLiteral("Curr./main"), QStringLiteral("Pre + TAKE Switch"),
                                       QStringLiteral("Key-Picture(Blue)"), QStringLiteral("HDMI1")}));
    }
};

QTEST_MAIN(tst_Page_Control_switch)
#include "tst_Page_Control_switch.moc"
