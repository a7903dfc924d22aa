#include "PageFixture.h"
#include "pages/InputSources.h"
#include "pages/Page_Control.h"
#include "sim/SimProtocol.h"
#include "widgets/MyCanvas.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

Q_DECLARE_METATYPE(SimWindow)

inline void refreshPage(Page_Control& page)
{
    page.refreshFromDevice(5000);
}

inline void routeReply(Page_Control& page, int order)
{
    if (order == Rdx::StatusRead)
        page.applyStatus();
    else if (order == Rdx::PipSubWindowRead)
        page.showSubWindow();
    else if (order == Rdx::PipMainWindowRead)
        page.showMainWindow();
}

using ControlPageFixture = PageFixture<Page_Control>;

// The index byte of every PIP window read (kind byte 6, for both windows) that reached the device.
inline QVector<int> windowReads(const SimFixture& sim)
{
    QVector<int> indexes;
    for (const Rdx::Frame& frame : sim.received())
        if (frame[2] == Rdx::ReadRequestCode && frame[3] == Rdx::PipSubWindowRead)
            indexes.append(frame[4]);
    return indexes;
}

// How the device is reached and what it answers.
enum Device { Tcp, Serial, PlainAck, NoModule };
Q_DECLARE_METATYPE(Device)

namespace {

using Ints = QVector<int>;

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

// The settings of the Signal Switch page, each one command, and the control that shows each.
enum Action { SwitchTime, SwitchModel, ShowModel, PipSwitch };
const char* const settingControls[] = {"comboBox_for_time", "radio_of_take", "butBar_for_model", "check_doublePic"};

// The value an action sets, in the device (or the page's copy of it) and on the page.
template <typename State> int deviceValue(const State& state, int action)
{
    return std::array<int, 4>{state.switchTime, state.takeMode, state.showModel, state.pipOn}[action];
}
int pageValue(const ControlPageFixture& fx, int action)
{
    return fx.shown(QLatin1String(settingControls[action]));
}

// The output formats by the area they give the PIP windows.
constexpr int Format1024x768 = 0;
constexpr int Format1920x1080 = 6;

// The sub window fills the bottom right quarter of 1920 x 1080; on the canvas (scale 3) 426, 240, 213 x 120.
const SimWindow quarterSub{1280, 640, 720, 360};
const QRect quarterSubRect(426, 240, 213, 120);
const SimWindow fullMain{0, 1920, 0, 1080};

using Entries = QVector<MessageLog::Entry>;

SimState pipDevice(int outputFormat, SimWindow sub, SimWindow main)
{
    SimState state;
    state.pipOn = 1;
    state.outputFormat = outputFormat;
    state.pipWindows[0] = sub;
    state.pipWindows[1] = main;
    return state;
}

// Starts the device and opens the PIP page, once both windows were read (the only frames received since the
// start); null when that fails.
MyCanvas* openPipPage(ControlPageFixture& fx, const SimState& state)
{
    if (!fx.start(state))
        return nullptr;
    fx.sim->clearReceived();
    fx.clickToolBoxPage(1);
    auto* canvas = fx.find<MyCanvas>("wid_for_show");
    const bool open = QTest::qWaitFor([&] { return canvas->isVisible() && fx.link->pendingReadKeys().isEmpty(); });
    return open ? canvas : nullptr;
}

QVector<int> values(const SimWindow& window)
{
    return {window.x, window.w, window.y, window.h};
}

// A window's spin boxes in the order x, w, y, h.
QVector<int> spinValues(const ControlPageFixture& fx, bool main)
{
    QVector<int> result;
    for (const char* name : {"spinBox_of_x", "spinBox_of_w", "spinBox_of_y", "spinBox_of_h"})
        result.append(fx.shown(QLatin1String(name) + (main ? QString() : QStringLiteral("_2"))));
    return result;
}

} // namespace

// The Control page driven as an operator does: the Signal Switch page, the PIP page, and the input table
// checked against what does not come from it (the simulated device's input names, the form, the input cards).
class tst_Page_Control : public QObject
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
        QTest::addColumn<Device>("device");

        // The main input is HDMI1 (code 4, group C) in every row, the PIP input VGA (5), the preselected V1 (7).
        QTest::newRow("one key: the current input") << 0 << 0 << "but_of_hdm1" << Ints{} << Ints{4, -1, -1} << Tcp;
        QTest::newRow("one key: plain ack") << 0 << 0 << "but_of_div2" << Ints{1, 1} << Ints{1, -1, -1} << PlainAck;
        QTest::newRow("one key: V1, serial") << 0 << 0 << "but_of_v1" << Ints{1, 7} << Ints{7, -1, -1} << Serial;
        QTest::newRow("one key: EXT") << 0 << 0 << "but_of_ext" << Ints{1, 0} << Ints{0, -1, -1} << Tcp;
        QTest::newRow("no module: EXT disabled") << 0 << 0 << "but_of_ext" << Ints{} << Ints{4, -1, -1} << NoModule;
        QTest::newRow("one key: AUTO") << 0 << 0 << "but_of_auto" << Ints{25, 0} << Ints{4, -1, -1} << Tcp;
        QTest::newRow("PIP: same group") << 0 << 1 << "but_of_div2" << Ints{} << Ints{4, 5, -1} << Tcp;
        QTest::newRow("PIP: the main input") << 0 << 1 << "but_of_hdm1" << Ints{5, 4} << Ints{-1, -1, 4} << Tcp;
        QTest::newRow("PIP: V2") << 0 << 1 << "but_of_v2" << Ints{5, 6} << Ints{4, 6, -1} << Tcp;
        QTest::newRow("Pre + TAKE: same group") << 1 << 0 << "but_of_hdm2" << Ints{} << Ints{4, 7, -1} << Tcp;
        QTest::newRow("Pre + TAKE: the main input") << 1 << 0 << "but_of_hdm1" << Ints{1, 4} << Ints{-1, -1, 4} << Tcp;
        QTest::newRow("Pre + TAKE: V2") << 1 << 0 << "but_of_v2" << Ints{1, 6} << Ints{4, 6, -1} << Tcp;
        QTest::newRow("Pre + TAKE: TAKE") << 1 << 0 << "but_of_auto" << Ints{2, 0} << Ints{7, 4, -1} << Tcp;
    }
    void inputClicks()
    {
        QFETCH(int, takeMode);
        QFETCH(int, pipOn);
        QFETCH(QString, clicked);
        QFETCH(QVector<int>, sent);
        QFETCH(QVector<int>, coloured);
        QFETCH(Device, device);
        SimState state = deviceWith(takeMode, pipOn);
        state.extInputMode = device != NoModule; // with a module, every input button is enabled
        ControlPageFixture fx(device == Serial ? Transport::Serial : Transport::Tcp);
        QVERIFY(fx.start(state));
        SimFaults faults;
        faults.plainAck = device == PlainAck;
        fx.sim->setFaults(faults);
        QTest::mouseClick(fx.find<QPushButton>(qPrintable(clicked)), Qt::LeftButton);

        QTRY_COMPARE(fx.lastCommand(), sent); // sends are synchronous: none can follow later
        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
        QTRY_COMPARE(colouredInputs(fx), coloured);
    }

    // Each setting is one command; the page shows what the device took, and the AUTO/TAKE button follows
    // the switch model and hides while PIP is on. A command the device refuses (error 12), or that cannot
    // be sent (-1: the link closed), leaves the page showing the device copy.
    void settings_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("takeMode");
        QTest::addColumn<int>("pipOn");
        QTest::addColumn<int>("error");
        QTest::addColumn<QVector<int>>("command");
        QTest::addColumn<QString>("autoText"); // empty: the AUTO/TAKE button is hidden

        QTest::newRow("switch time") << int(SwitchTime) << 0 << 0 << 0 << Ints{3, 1} << "AUTO";
        QTest::newRow("Pre + TAKE") << int(SwitchModel) << 0 << 0 << 0 << Ints{0, 1} << "TAKE";
        QTest::newRow("one key") << int(SwitchModel) << 1 << 0 << 0 << Ints{0, 0} << "AUTO";
        QTest::newRow("display model") << int(ShowModel) << 0 << 0 << 0 << Ints{16, 2} << "AUTO";
        QTest::newRow("PIP on") << int(PipSwitch) << 0 << 0 << 0 << Ints{4, 1} << "";
        QTest::newRow("PIP off") << int(PipSwitch) << 0 << 1 << 0 << Ints{4, 0} << "AUTO";
        QTest::newRow("switch time refused") << int(SwitchTime) << 0 << 0 << 12 << Ints{3, 1} << "AUTO";
        QTest::newRow("Pre + TAKE refused") << int(SwitchModel) << 0 << 0 << 12 << Ints{0, 1} << "AUTO";
        QTest::newRow("display model refused") << int(ShowModel) << 0 << 0 << 12 << Ints{16, 2} << "AUTO";
        QTest::newRow("PIP on refused") << int(PipSwitch) << 0 << 0 << 12 << Ints{4, 1} << "AUTO";
        QTest::newRow("PIP on, link closed") << int(PipSwitch) << 0 << 0 << -1 << Ints{} << "AUTO";
        // -2: taken but unanswered; the page asks the device and shows what it did.
        QTest::newRow("switch time unanswered") << int(SwitchTime) << 0 << 0 << -2 << Ints{3, 1} << "AUTO";
        QTest::newRow("PIP on unanswered") << int(PipSwitch) << 0 << 0 << -2 << Ints{4, 1} << "";
    }
    void settings()
    {
        QFETCH(int, action);
        QFETCH(int, takeMode);
        QFETCH(int, pipOn);
        QFETCH(int, error);
        QFETCH(QVector<int>, command);
        QFETCH(QString, autoText);
        const SimState before = deviceWith(takeMode, pipOn);
        ControlPageFixture fx;
        QVERIFY(fx.start(before));
        SimFaults faults;
        if (error > 0)
            faults.errorForCode.insert(command[0], error);
        if (error == -2)
            faults.silentCodes.insert(command[0]);
        fx.sim->setFaults(faults);
        if (error == -1)
            fx.link->closeSerial();

        const bool toOneKey = action == SwitchModel && takeMode;
        fx.act(QLatin1String(toOneKey ? "radio_of_oneKey" : settingControls[action]), action == ShowModel ? 2 : 1);
        QTRY_COMPARE(fx.lastCommand(), command);
        const int value = error == 0 || error == -2 ? command[1] : deviceValue(before, action);
        QTRY_COMPARE(deviceValue(fx.sim->state(), action), value);
        QTRY_COMPARE(deviceValue(fx.link->deviceState, action), value);
        QCOMPARE(pageValue(fx, action), value);
        QCOMPARE(fx.sent().size(), error == -1 ? 0 : 1);
        auto* autoButton = fx.find<QPushButton>("but_of_auto");
        QTRY_COMPARE(autoButton->isHidden(), autoText.isEmpty());
        if (!autoText.isEmpty())
            QCOMPARE(autoButton->text(), autoText);
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

    // A typed value is raised to an even number and sent while the window stays inside the output; typing
    // the value the window already has, odd or even, sends nothing more.
    void spinBoxEdits_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<SimWindow>("sub");
        QTest::addColumn<SimWindow>("main");
        QTest::addColumn<QString>("spinBox");
        QTest::addColumn<int>("typed");
        QTest::addColumn<QVector<int>>("sent"); // the window command's bytes, empty: nothing sent
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("error");

        const SimWindow small{100, 200, 100, 200};
        const SimWindow fullSmall{0, 1024, 0, 768};
        QTest::newRow("odd width made even")
            << Format1920x1080 << SimWindow{1280, 400, 720, 360} << fullMain << "spinBox_of_w_2" << 101
            << Ints{14, 0, 5, 0, 0, 102, 2, 208, 1, 104} << 102 << 0;
        QTest::newRow("main window bytes")
            << Format1920x1080 << quarterSub << SimWindow{0, 1000, 20, 600} << "spinBox_of_x" << 300
            << Ints{14, 1, 1, 44, 3, 232, 0, 20, 2, 88} << 300 << 0;
        // Refused: the spin box, the device copy and the page's working copy go back.
        QTest::newRow("refused") << Format1920x1080 << quarterSub << fullMain << "spinBox_of_x_2" << 400
                                 << Ints{14, 0, 1, 144, 2, 128, 2, 208, 1, 104} << 1280 << 12;
        // 900 + 200 passes 1024: not sent, and the spin box shows the device's value again.
        QTest::newRow("leaving 1024 x 768")
            << Format1024x768 << small << fullSmall << "spinBox_of_x_2" << 900 << Ints{} << 100 << 0;
        QTest::newRow("touching the edge") << Format1024x768 << small << fullSmall << "spinBox_of_x_2" << 824
                                           << Ints{14, 0, 3, 56, 0, 200, 0, 100, 0, 200} << 824 << 0;
    }
    void spinBoxEdits()
    {
        QFETCH(int, format);
        QFETCH(SimWindow, sub);
        QFETCH(SimWindow, main);
        QFETCH(QString, spinBox);
        QFETCH(int, typed);
        QFETCH(QVector<int>, sent);
        QFETCH(int, shown);
        QFETCH(int, error);
        ControlPageFixture fx;
        QVERIFY(openPipPage(fx, pipDevice(format, sub, main)));
        SimFaults faults;
        faults.errorForCode.insert(Rdx::PipWindowCommand, error);
        fx.sim->setFaults(error ? faults : SimFaults());
        auto* box = fx.find<QSpinBox>(qPrintable(spinBox));

        ControlPageFixture::typeInto(box, typed);
        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty()) {
            QCOMPARE(fx.lastCommand(9), sent);
            // The device took it, and the page shows the device's window.
            const bool isMain = sent[1] == 1;
            const QVector<int> window = error ? values(isMain ? main : sub)
                                              : QVector<int>{sent[2] * 256 + sent[3], sent[4] * 256 + sent[5],
                                                             sent[6] * 256 + sent[7], sent[8] * 256 + sent[9]};
            QCOMPARE(loadRecord(isMain ? fx.link->deviceState.mainWindow : fx.link->deviceState.subWindow), window);
            QTRY_COMPARE(values(fx.sim->state().pipWindows[isMain ? 1 : 0]), window);
            QCOMPARE(spinValues(fx, isMain), window);
        }
        QCOMPARE(box->value(), shown);

        ControlPageFixture::typeInto(box, shown);
        ControlPageFixture::typeInto(box, shown - 1); // odd, raised to the value held
        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
    }

    void pipModel()
    {
        SimState state = pipDevice(Format1920x1080, quarterSub, fullMain);
        state.pipWindows[4] = {100, 400, 200, 300};
        state.pipWindows[5] = {600, 800, 40, 500};
        ControlPageFixture fx;
        QVERIFY(openPipPage(fx, state));
        QCOMPARE(windowReads(*fx.sim), (QVector<int>{0, 1})); // opening the page read sub and main of model 0
        auto* bar = fx.find<MyButtonBar>("butBar_for_doubleModel");
        QTest::mouseClick(bar->buttons().at(2), Qt::LeftButton);
        QTRY_COMPARE(fx.lastCommand(), (QVector<int>{6, 2}));
        QTRY_COMPARE(fx.sim->state().pipModel, 2);
        QCOMPARE(fx.link->deviceState.pipModel, 2);
        // The windows of the new model are read back and shown.
        QTRY_COMPARE(spinValues(fx, false), values(state.pipWindows[4]));
        QTRY_COMPARE(spinValues(fx, true), values(state.pipWindows[5]));

        // Refused by the device: the bar returns to the model the device has.
        SimFaults faults;
        faults.errorForCode.insert(Rdx::PipModelCommand, 13);
        fx.sim->setFaults(faults);
        QTest::mouseClick(bar->buttons().at(3), Qt::LeftButton);
        QCOMPARE(bar->currentIndex(), 2);
        QCOMPARE(fx.link->deviceState.pipModel, 2);
        QCOMPARE(fx.sim->state().pipModel, 2);
    }

    // A finished drag sends the window as the canvas has it (the canvas's own tests cover the drops it refuses).
    void drags_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QVector<int>>("sent"); // the window command's bytes, empty: nothing sent
        QTest::addColumn<SimWindow>("main");    // afterwards, in the device and on the page
        QTest::addColumn<QRect>("mainRect");

        const SimWindow main{300, 1000, 20, 600};
        const QRect mainRect(100, 6, 333, 200);
        // Moved to canvas pixel 130, 26 (device 390, 78); the size stays what the device has.
        QTest::newRow("main window moved")
            << QPoint(150, 100) << QPoint(180, 120) << Ints{14, 1, 1, 134, 3, 232, 0, 78, 2, 88}
            << SimWindow{390, 1000, 78, 600} << QRect(130, 26, 333, 200);
        // The canvas accepts a drop one pixel past its edge; kept inside the output, the window stays put.
        QTest::newRow("sub window nudged past the edge")
            << QPoint(500, 300) << QPoint(502, 301) << Ints{} << main << mainRect;
        // Picked up and let go: device 20 shows as canvas 6, which must not come back as 18.
        QTest::newRow("dropped where it stood") << QPoint(150, 100) << QPoint(150, 100) << Ints{} << main << mainRect;
    }
    void drags()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QVector<int>, sent);
        QFETCH(SimWindow, main);
        ControlPageFixture fx;
        MyCanvas* canvas = openPipPage(fx, pipDevice(Format1920x1080, quarterSub, {300, 1000, 20, 600}));
        QVERIFY(canvas);

        // Double-click to pick a window up, move with the button held, release.
        QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, to, canvas->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, to);

        QCOMPARE(fx.lastCommand(9), sent);
        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
        QTRY_COMPARE(fx.sim->state().pipWindows[1], main);
        QCOMPARE(fx.sim->state().pipWindows[0], quarterSub);
        QCOMPARE(spinValues(fx, false), values(quarterSub));
        QCOMPARE(spinValues(fx, true), values(main));
        QCOMPARE(canvas->subRect(), quarterSubRect);
        QTEST(canvas->mainRect(), "mainRect");
    }

    // A new status updates the open PIP page: a new output area rescales the preview at once, and PIP off
    // returns the tool box to the Signal Switch page and shuts the PIP page.
    void statusUpdatesTheOpenPage()
    {
        ControlPageFixture fx;
        MyCanvas* canvas = openPipPage(fx, pipDevice(Format1920x1080, quarterSub, fullMain));
        QVERIFY(canvas);
        auto* toolBox = fx.find<QToolBox>("toolBox");

        SimState changed = fx.sim->state();
        changed.outputFormat = Format1024x768;
        fx.sim->setState(changed);
        QVERIFY(fx.refresh());
        QCOMPARE(fx.find<QSpinBox>("spinBox_of_x_2")->maximum(), 1024);
        QCOMPARE(fx.find<QSpinBox>("spinBox_of_h")->maximum(), 768);
        QCOMPARE(canvas->subRect(), QRect(800, 337, 400, 168));
        QCOMPARE(toolBox->currentIndex(), 1);

        changed.pipOn = 0;
        fx.sim->setState(changed);
        QVERIFY(fx.refresh());
        QCOMPARE(toolBox->currentIndex(), 0);
        fx.sim->clearReceived();
        fx.clickToolBoxPage(1); // the PIP page stays shut while PIP is off
        QCOMPARE(toolBox->currentIndex(), 0);
        QCOMPARE(fx.messages.entries(),
                 (Entries{{QStringLiteral("Error"), QStringLiteral("Please open the PIP switch first")}}));
        QVERIFY(windowReads(*fx.sim).isEmpty());
    }

    void inputTable()
    {
        Page_Control page;
        QSet<QPushButton*> buttons;
        for (int code = -1; code <= Rdx::InputCount; ++code) {
            const bool valid = code >= 0 && code < Rdx::InputCount;
            QCOMPARE(InputSources::isValid(code), valid);
            QCOMPARE(InputSources::text(code), valid ? SimProtocol::inputName(code) : QString());
            if (valid)
                buttons.insert(page.findChild<QPushButton*>(InputSources::buttonName(code)));
            else
                QVERIFY(InputSources::buttonName(code).isEmpty());
        }
        buttons.remove(nullptr);
        QCOMPARE(buttons.size(), Rdx::InputCount);

        // Two inputs combine only from different cards: V1 and V2; VGA; DVI1, DVI2, HDMI1 and HDMI2; EXT.
        const int card[] = {3, 2, 2, 2, 2, 1, 0, 0}; // by input code
        for (int a = -1; a <= Rdx::InputCount; ++a)
            for (int b = 0; b < Rdx::InputCount; ++b)
                QCOMPARE(InputSources::group(a) == InputSources::group(b), a >= 0 && a < 8 && card[a] == card[b]);
    }
};

QTEST_MAIN(tst_Page_Control)
#include "tst_Page_Control.moc"
