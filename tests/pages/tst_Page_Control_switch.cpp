#include "ControlPageFixture.h"

#include "widgets/MyButtonBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QColor blue(85, 170, 255);
const QColor green(80, 163, 63);
const QColor yellow(255, 255, 127);
const QColor normal(210, 232, 215);

const char* const inputButtons[] = {"but_of_ext",  "but_of_div2", "but_of_dvi1", "but_of_hdm2",
                                    "but_of_hdm1", "but_of_vga",  "but_of_v2",   "but_of_v1"};

// What the operator sees: the button's face beside its text.
QColor faceColour(QPushButton* button)
{
    return button->grab().toImage().pixelColor(12, button->height() / 2);
}

QPushButton* modelButton(MyButtonBar* bar, int index)
{
    return bar->buttons().at(index);
}

// A check box takes clicks on its box and text only, not on the empty rest of its width.
void clickCheckBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
}

SimState deviceWith(int takeMode, int pipOn, int mainInput)
{
    SimState state;
    state.takeMode = takeMode;
    state.pipOn = pipOn;
    state.mainInput = mainInput;
    return state;
}

enum Action { SwitchTime, SwitchModel, ShowModel, PipSwitch };

} // namespace

class tst_Page_Control_switch : public QObject
{
    Q_OBJECT

private slots:
    void groupRule_data();
    void groupRule();
    void switchShowsOnlyWhatTheDeviceReports();
    void buttonColours_data();
    void buttonColours();
    void autoAndTake();
    void switchModel();
    void switchTimeAndShowModel();
    void pipSwitch();
    void statusFillsTheWidgets();
    void copyingTheStatusSendsNothing();
    void expansionModule();
    void refusedCommandPutsWidgetsBack_data();
    void refusedCommandPutsWidgetsBack();
    void statusKeepsTheTimerPage();
    void languages();
    void switchOverSerialLine();
};

void tst_Page_Control_switch::groupRule_data()
{
    QTest::addColumn<int>("takeMode");
    QTest::addColumn<int>("pipOn");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QVector<int>>("sent"); // code and input code; empty when nothing may be sent

    // The main input is HDMI1 (code 4, group C) in every row.
    QTest::newRow("one key: the current input") << 0 << 0 << "but_of_hdm1" << QVector<int>{};
    QTest::newRow("one key: same group") << 0 << 0 << "but_of_div2" << QVector<int>{1, 1};
    QTest::newRow("one key: other group") << 0 << 0 << "but_of_v1" << QVector<int>{1, 7};
    QTest::newRow("PIP: same group") << 0 << 1 << "but_of_div2" << QVector<int>{};
    QTest::newRow("PIP: the main input") << 0 << 1 << "but_of_hdm1" << QVector<int>{5, 4};
    QTest::newRow("PIP: VGA") << 0 << 1 << "but_of_vga" << QVector<int>{5, 5};
    QTest::newRow("Pre + TAKE: same group") << 1 << 0 << "but_of_hdm2" << QVector<int>{};
    QTest::newRow("Pre + TAKE: the main input") << 1 << 0 << "but_of_hdm1" << QVector<int>{1, 4};
    QTest::newRow("Pre + TAKE: V2") << 1 << 0 << "but_of_v2" << QVector<int>{1, 6};
}

void tst_Page_Control_switch::groupRule()
{
    QFETCH(int, takeMode);
    QFETCH(int, pipOn);
    QFETCH(QString, clicked);
    QFETCH(QVector<int>, sent);

    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(takeMode, pipOn, Rdx::Hdmi1Input)));
    QTest::mouseClick(fx.find<QPushButton>(qPrintable(clicked)), Qt::LeftButton);

    if (sent.isEmpty()) {
        // Sends are synchronous: had the click sent anything, the link's last frame would be a set-command.
        QCOMPARE(fx.link->lastSentFrame()[2], Rdx::ReadRequestCode);
        QVERIFY(fx.commands().isEmpty());
    } else {
        QTRY_COMPARE(fx.lastCommand(), sent);
        QCOMPARE(fx.commands().size(), 1);
    }
}

void tst_Page_Control_switch::switchShowsOnlyWhatTheDeviceReports()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
    auto* v1 = fx.find<QPushButton>("but_of_v1");
    auto* hdmi1 = fx.find<QPushButton>("but_of_hdm1");
    QCOMPARE(faceColour(hdmi1), blue);

    QTest::mouseClick(v1, Qt::LeftButton);
    QTRY_COMPARE(fx.sim.state().mainInput, int(Rdx::V1Input));
    QTRY_COMPARE(faceColour(v1), blue);
    QCOMPARE(faceColour(hdmi1), normal);
    QCOMPARE(fx.link->deviceState.mainInput, int(Rdx::V1Input));
}

void tst_Page_Control_switch::buttonColours_data()
{
    QTest::addColumn<int>("takeMode");
    QTest::addColumn<int>("pipOn");
    QTest::addColumn<int>("pipInput");
    QTest::addColumn<int>("presetInput");
    QTest::addColumn<QString>("blueButton");
    QTest::addColumn<QString>("greenButton");
    QTest::addColumn<QString>("yellowButton");

    // Main input HDMI1 throughout.
    QTest::newRow("one key: main only") << 0 << 0 << 5 << 7 << "but_of_hdm1"
                                        << ""
                                        << "";
    QTest::newRow("PIP: main and PIP") << 0 << 1 << 5 << 7 << "but_of_hdm1"
                                       << "but_of_vga"
                                       << "";
    QTest::newRow("PIP: both the same") << 0 << 1 << 4 << 7 << ""
                                        << ""
                                        << "but_of_hdm1";
    QTest::newRow("Pre + TAKE: main and preselected") << 1 << 0 << 5 << 7 << "but_of_hdm1"
                                                      << "but_of_v1"
                                                      << "";
    QTest::newRow("Pre + TAKE: both the same") << 1 << 0 << 5 << 4 << ""
                                               << ""
                                               << "but_of_hdm1";
}

void tst_Page_Control_switch::buttonColours()
{
    QFETCH(int, takeMode);
    QFETCH(int, pipOn);
    QFETCH(int, pipInput);
    QFETCH(int, presetInput);
    QFETCH(QString, blueButton);
    QFETCH(QString, greenButton);
    QFETCH(QString, yellowButton);

    SimState state = deviceWith(takeMode, pipOn, Rdx::Hdmi1Input);
    state.pipInput = pipInput;
    state.presetInput = presetInput;
    state.extInputMode = 1;
    ControlPageFixture fx;
    QVERIFY(fx.start(state));

    for (const char* name : inputButtons) {
        const QString button = QLatin1String(name);
        const QColor expected = button == blueButton     ? blue
                                : button == greenButton  ? green
                                : button == yellowButton ? yellow
                                                         : normal;
        QCOMPARE(faceColour(fx.find<QPushButton>(name)), expected);
    }

    // The legend carries the same colours.
    QCOMPARE(fx.find<QLabel>("label_5")->grab().toImage().pixelColor(3, 3), blue);
    QCOMPARE(fx.find<QLabel>("label_6")->grab().toImage().pixelColor(3, 3), green);
    QCOMPARE(fx.find<QLabel>("label_7")->grab().toImage().pixelColor(3, 3), yellow);
}

void tst_Page_Control_switch::autoAndTake()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
    auto* autoButton = fx.find<QPushButton>("but_of_auto");
    QVERIFY(!autoButton->isHidden());
    QCOMPARE(autoButton->text(), QStringLiteral("AUTO"));
    QTest::mouseClick(autoButton, Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{25, 0}));

    // Pre + TAKE: preselect V1, then TAKE puts it on the output.
    fx.sim.clearReceived();
    SimState take = deviceWith(1, 0, Rdx::Hdmi1Input);
    take.presetInput = Rdx::VgaInput;
    fx.sim.setState(take);
    QVERIFY(fx.refresh());
    QCOMPARE(autoButton->text(), QStringLiteral("TAKE"));
    QTest::mouseClick(fx.find<QPushButton>("but_of_v1"), Qt::LeftButton);
    QTRY_COMPARE(fx.sim.state().presetInput, int(Rdx::V1Input));
    QTRY_COMPARE(faceColour(fx.find<QPushButton>("but_of_v1")), green);
    QTest::mouseClick(autoButton, Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{2, 0}));
    QTRY_COMPARE(fx.sim.state().mainInput, int(Rdx::V1Input));
    QTRY_COMPARE(faceColour(fx.find<QPushButton>("but_of_v1")), blue);

    // PIP on: no AUTO/TAKE.
    fx.sim.setState(deviceWith(1, 1, Rdx::Hdmi1Input));
    QVERIFY(fx.refresh());
    QVERIFY(autoButton->isHidden());
}

void tst_Page_Control_switch::switchModel()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
    auto* take = fx.find<QRadioButton>("radio_of_take");
    auto* oneKey = fx.find<QRadioButton>("radio_of_oneKey");
    QVERIFY(oneKey->isChecked());

    QTest::mouseClick(take, Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{0, 1}));
    QTRY_COMPARE(fx.sim.state().takeMode, 1);
    QCOMPARE(fx.link->deviceState.takeMode, 1);
    QVERIFY(take->isChecked());
    QCOMPARE(fx.find<QPushButton>("but_of_auto")->text(), QStringLiteral("TAKE"));

    QTest::mouseClick(oneKey, Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{0, 0}));
    QTRY_COMPARE(fx.sim.state().takeMode, 0);
    QCOMPARE(fx.find<QPushButton>("but_of_auto")->text(), QStringLiteral("AUTO"));
}

void tst_Page_Control_switch::switchTimeAndShowModel()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));

    auto* time = fx.find<QComboBox>("comboBox_for_time");
    QCOMPARE(time->count(), 4);
    QCOMPARE(time->itemText(3), QStringLiteral("1.5S"));
    time->setFocus();
    QTest::keyClick(time, Qt::Key_Down);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{3, 1}));
    QTRY_COMPARE(fx.sim.state().switchTime, 1);
    QCOMPARE(fx.link->deviceState.switchTime, 1);
    QCOMPARE(time->currentIndex(), 1);

    auto* bar = fx.find<MyButtonBar>("butBar_for_model");
    QTest::mouseClick(modelButton(bar, 2), Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{16, 2}));
    QTRY_COMPARE(fx.sim.state().showModel, 2);
    QCOMPARE(fx.link->deviceState.showModel, 2);
    QCOMPARE(bar->currentIndex(), 2);
}

void tst_Page_Control_switch::pipSwitch()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
    auto* check = fx.find<QCheckBox>("check_doublePic");
    QVERIFY(!check->isChecked());

    clickCheckBox(check);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{4, 1}));
    QTRY_COMPARE(fx.sim.state().pipOn, 1);
    QTRY_VERIFY(fx.find<QPushButton>("but_of_auto")->isHidden());
    QVERIFY(check->isChecked());
    // The PIP input shows green beside the blue main input.
    QTRY_COMPARE(faceColour(fx.find<QPushButton>("but_of_vga")), green);

    clickCheckBox(check);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{4, 0}));
    QTRY_COMPARE(fx.sim.state().pipOn, 0);
    QTRY_VERIFY(!fx.find<QPushButton>("but_of_auto")->isHidden());
}

void tst_Page_Control_switch::statusFillsTheWidgets()
{
    SimState state = deviceWith(1, 1, Rdx::Hdmi1Input);
    state.showModel = 2;
    state.switchTime = 3;
    state.pipModel = 1;
    ControlPageFixture fx;
    QVERIFY(fx.start(state));

    QVERIFY(fx.find<QRadioButton>("radio_of_take")->isChecked());
    QVERIFY(fx.find<QCheckBox>("check_doublePic")->isChecked());
    QCOMPARE(fx.find<MyButtonBar>("butBar_for_model")->currentIndex(), 2);
    QCOMPARE(fx.find<MyButtonBar>("butBar_for_doubleModel")->currentIndex(), 1);
    QCOMPARE(fx.find<QComboBox>("comboBox_for_time")->currentIndex(), 3);
}

void tst_Page_Control_switch::copyingTheStatusSendsNothing()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
    SimState changed = fx.sim.state();
    changed.switchTime = 2;
    fx.sim.setState(changed);
    const int readsBefore = fx.readRequests(Rdx::PipSubWindowRead);

    QVERIFY(fx.refresh());
    QCOMPARE(fx.find<QComboBox>("comboBox_for_time")->currentIndex(), 2);
    QVERIFY(fx.commands().isEmpty());
    // Both window reads of the refresh still went out after the status was copied into the widgets.
    QCOMPARE(fx.readRequests(Rdx::PipSubWindowRead), readsBefore + 2);
    QVERIFY(!fx.link->busy);
}

void tst_Page_Control_switch::expansionModule()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
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
    fx.page->setLanguage(true);
    QCOMPARE(module->text(), QStringLiteral("SDI"));

    QTest::mouseClick(ext, Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{1, 0}));
    QTRY_COMPARE(fx.sim.state().mainInput, int(Rdx::ExtInput));
}

void tst_Page_Control_switch::refusedCommandPutsWidgetsBack_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("closeLink"); // false: the device answers with an error reply

    QTest::newRow("switch time, device error") << int(SwitchTime) << false;
    QTest::newRow("switch time, link closed") << int(SwitchTime) << true;
    QTest::newRow("switch model, device error") << int(SwitchModel) << false;
    QTest::newRow("switch model, link closed") << int(SwitchModel) << true;
    QTest::newRow("display model, device error") << int(ShowModel) << false;
    QTest::newRow("display model, link closed") << int(ShowModel) << true;
    QTest::newRow("PIP switch, device error") << int(PipSwitch) << false;
    QTest::newRow("PIP switch, link closed") << int(PipSwitch) << true;
}

void tst_Page_Control_switch::refusedCommandPutsWidgetsBack()
{
    QFETCH(int, action);
    QFETCH(bool, closeLink);

    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
    const SimState before = fx.sim.state();
    auto* time = fx.find<QComboBox>("comboBox_for_time");
    auto* oneKey = fx.find<QRadioButton>("radio_of_oneKey");
    auto* bar = fx.find<MyButtonBar>("butBar_for_model");
    auto* check = fx.find<QCheckBox>("check_doublePic");
    const int codes[] = {Rdx::SwitchTimeCommand, Rdx::SwitchModeCommand, Rdx::ShowModelCommand, Rdx::PipSwitchCommand};
    if (closeLink) {
        fx.link->closeSerial();
    } else {
        SimFaults faults;
        faults.errorForCode.insert(codes[action], 12);
        fx.sim.setFaults(faults);
    }

    switch (action) {
    case SwitchTime:
        time->setFocus();
        QTest::keyClick(time, Qt::Key_Down);
        break;
    case SwitchModel:
        QTest::mouseClick(fx.find<QRadioButton>("radio_of_take"), Qt::LeftButton);
        break;
    case ShowModel:
        QTest::mouseClick(modelButton(bar, 3), Qt::LeftButton);
        break;
    case PipSwitch:
        clickCheckBox(check);
        break;
    }

    if (closeLink) {
        QCOMPARE(fx.link->linkState, int(Rdx::NotConnected));
        QVERIFY(fx.commands().isEmpty());
    } else {
        QCOMPARE(fx.link->deviceErrorCode(), 12);
        QCOMPARE(fx.commands().size(), 1);
        QCOMPARE(fx.sim.state(), before);
    }
    // The page shows the device copy, which the refused command did not change.
    QCOMPARE(time->currentIndex(), 0);
    QCOMPARE(fx.link->deviceState.switchTime, 0);
    QVERIFY(oneKey->isChecked());
    QCOMPARE(fx.link->deviceState.takeMode, 0);
    QCOMPARE(fx.find<QPushButton>("but_of_auto")->text(), QStringLiteral("AUTO"));
    QCOMPARE(bar->currentIndex(), 0);
    QCOMPARE(fx.link->deviceState.showModel, 0);
    QVERIFY(!check->isChecked());
    QCOMPARE(fx.link->deviceState.pipOn, 0);
}

void tst_Page_Control_switch::statusKeepsTheTimerPage()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(1, 0, Rdx::Hdmi1Input)));
    auto* toolBox = fx.find<QToolBox>("toolBox");
    fx.clickToolBoxPage(2);
    QCOMPARE(toolBox->currentIndex(), 2);
    QVERIFY(fx.find<QWidget>("widget")->isVisible());

    // A status with PIP off in Pre + TAKE mode leaves the operator on the Timer page.
    QVERIFY(fx.refresh());
    QCOMPARE(toolBox->currentIndex(), 2);
    QCOMPARE(fx.messages.count(), 0);
}

void tst_Page_Control_switch::languages()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input)));
    auto* toolBox = fx.find<QToolBox>("toolBox");

    // A title bar shows a doubled '&' as one.
    const auto shownTitle = [toolBox](int page) {
        return toolBox->itemText(page).replace(QStringLiteral("&&"), QStringLiteral("&"));
    };
    fx.page->setLanguage(false);
    QCOMPARE(shownTitle(0), QStringLiteral("信号选择 & 切换"));
    QCOMPARE(toolBox->itemText(1), QStringLiteral("双画面（PIP）"));
    QCOMPARE(toolBox->itemText(2), QStringLiteral("定时器"));
    QCOMPARE(fx.find<QLabel>("label_5")->text(), QStringLiteral("当前/主画面"));
    QCOMPARE(fx.find<QLabel>("lab_for_switchModel")->text(), QStringLiteral("切换模式"));
    QCOMPARE(fx.find<QRadioButton>("radio_of_take")->text(), QStringLiteral("预选+TAKE切换"));
    QCOMPARE(fx.find<QCheckBox>("check_doublePic")->text(), QStringLiteral("开"));
    QCOMPARE(fx.find<QGroupBox>("groupBox_of_mainPage")->title(), QStringLiteral("主画面(蓝)"));
    QCOMPARE(fx.find<QLabel>("lab_for_x_2")->text(), QStringLiteral("水平起始"));
    QCOMPARE(fx.find<QLabel>("label_8")->text(), QStringLiteral("模式："));
    // Source names and the group letters are the same in both languages.
    QCOMPARE(fx.find<QPushButton>("but_of_hdm1")->text(), QStringLiteral("HDMI1"));
    QCOMPARE(fx.find<QLabel>("label_3")->text(), QStringLiteral("C"));

    fx.page->setLanguage(true);
    QCOMPARE(toolBox->itemText(0), QStringLiteral("Signal Switch"));
    QCOMPARE(toolBox->itemText(1), QStringLiteral("PIP"));
    QCOMPARE(toolBox->itemText(2), QStringLiteral("Timer"));
    QCOMPARE(fx.find<QLabel>("label_5")->text(), QStringLiteral("Curr./main"));
    QCOMPARE(fx.find<QLabel>("lab_for_switchModel")->text(), QStringLiteral("Swith Model"));
    QCOMPARE(fx.find<QRadioButton>("radio_of_take")->text(), QStringLiteral("Pre + TAKE Switch"));
    QCOMPARE(fx.find<QCheckBox>("check_doublePic")->text(), QStringLiteral("Open"));
    QCOMPARE(fx.find<QGroupBox>("groupBox_of_mainPage")->title(), QStringLiteral("Key-Picture(Blue)"));
    QCOMPARE(fx.find<QLabel>("lab_for_x_2")->text(), QStringLiteral("H_Star"));
    QCOMPARE(fx.find<QLabel>("label_8")->text(), QStringLiteral("Model:"));
}

void tst_Page_Control_switch::switchOverSerialLine()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(deviceWith(0, 0, Rdx::Hdmi1Input), false));
    QVERIFY(!fx.link->useNetwork);
    auto* vga = fx.find<QPushButton>("but_of_vga");
    QCOMPARE(faceColour(fx.find<QPushButton>("but_of_hdm1")), blue);

    QTest::mouseClick(vga, Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{1, 5}));
    QTRY_COMPARE(fx.sim.state().mainInput, int(Rdx::VgaInput));
    QTRY_COMPARE(faceColour(vga), blue);
}

QTEST_MAIN(tst_Page_Control_switch)
#include "tst_Page_Control_switch.moc"
