#include "PageFixture.h"
#include "pages/InputSources.h"
#include "pages/Page_Control.h"
#include "sim/SimProtocol.h"
#include "widgets/MyCanvas.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

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

namespace {

using Ints = QVector<int>;

// By input code.
const char* const inputButtons[] = {"but_of_ext",  "but_of_div2", "but_of_dvi1", "but_of_hdm2",
                                    "but_of_hdm1", "but_of_vga",  "but_of_v2",   "but_of_v1"};

// The inputs whose buttons show blue, green and yellow beside their text, as the operator sees them, -1 for a
// colour no button shows; 99 marks a colour shown twice, or a button in neither these colours nor the normal one.
QVector<int> colouredInputs(const ControlPageFixture& fx)
{
    const QVector<QColor> colours{{85, 170, 255}, {80, 163, 63}, {255, 255, 127}};
    QVector<int> result{-1, -1, -1};
    for (int code = 0; code < 8; ++code) {
        auto* button = fx.find<QPushButton>(inputButtons[code]);
        const QColor face = button->grab().toImage().pixelColor(12, button->height() / 2);
        const int role = colours.indexOf(face);
        if (role >= 0)
            result[role] = result[role] < 0 ? code : 99;
        else if (face != QColor(210, 232, 215))
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

// The output formats by the area they give the PIP windows.
constexpr int Format1024x768 = 0;
constexpr int Format1920x1080 = 6;

// The sub window fills the bottom right quarter of 1920 x 1080; on the canvas (scale 3) 426, 240, 213 x 120.
const SimWindow quarterSub{1280, 640, 720, 360};
const QRect quarterSubRect(426, 240, 213, 120);
const SimWindow fullMain{0, 1920, 0, 1080};

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

// The PIP window command for window 0 (sub) or 1 (main) of the current model.
Ints windowCommand(int index, const SimWindow& window)
{
    return withWords({Rdx::PipWindowCommand, index}, values(window));
}

struct ClickRow
{
    int takeMode, pipOn;
    const char* clicked;
    Ints sent;     // code and parameter; empty when nothing may be sent
    Ints coloured; // afterwards, as colouredInputs gives them
    Device device;
};

struct SettingRow
{
    int action, takeMode, pipOn, error;
    Ints command;
    const char* autoText; // empty: the AUTO/TAKE button is hidden
};

struct EditRow
{
    int format;
    SimWindow sub, main;
    const char* spinBox;
    int typed;
    int index;      // the window sent, -1: nothing sent
    SimWindow sent; // as sent, the typed value made even
    int shown, error;
};

struct DragRow
{
    QPoint from, to;
    bool sends;
    SimWindow main; // afterwards, in the device and on the page
    QRect mainRect;
};

} // namespace

Q_DECLARE_METATYPE(ClickRow)
Q_DECLARE_METATYPE(SettingRow)
Q_DECLARE_METATYPE(EditRow)
Q_DECLARE_METATYPE(DragRow)

// The Control page driven as an operator does: the Signal Switch page, the PIP page, and the input table
// checked against what does not come from it (the simulated device's input names, the form, the input cards).
class tst_Page_Control : public QObject
{
    Q_OBJECT

private slots:
    // What a click on an input, AUTO or TAKE sends, and how the buttons show once the device reports the switch.
    void inputClicks_data()
    {
        QTest::addColumn<ClickRow>("row");
        // The main input is HDMI1 (code 4, group C) in every row, the PIP input VGA (5), the preselected V1 (7).
        QTest::newRow("one key: the current input") << ClickRow{0, 0, "but_of_hdm1", {}, {4, -1, -1}, Tcp};
        QTest::newRow("one key: plain ack") << ClickRow{0, 0, "but_of_div2", {1, 1}, {1, -1, -1}, PlainAck};
        QTest::newRow("one key: V1, serial") << ClickRow{0, 0, "but_of_v1", {1, 7}, {7, -1, -1}, Serial};
        QTest::newRow("one key: EXT") << ClickRow{0, 0, "but_of_ext", {1, 0}, {0, -1, -1}, Tcp};
        QTest::newRow("no module: EXT disabled") << ClickRow{0, 0, "but_of_ext", {}, {4, -1, -1}, NoModule};
        QTest::newRow("one key: AUTO") << ClickRow{0, 0, "but_of_auto", {25, 0}, {4, -1, -1}, Tcp};
        QTest::newRow("PIP: same group") << ClickRow{0, 1, "but_of_div2", {}, {4, 5, -1}, Tcp};
        QTest::newRow("PIP: the main input") << ClickRow{0, 1, "but_of_hdm1", {5, 4}, {-1, -1, 4}, Tcp};
        QTest::newRow("PIP: V2") << ClickRow{0, 1, "but_of_v2", {5, 6}, {4, 6, -1}, Tcp};
        QTest::newRow("Pre + TAKE: same group") << ClickRow{1, 0, "but_of_hdm2", {}, {4, 7, -1}, Tcp};
        QTest::newRow("Pre + TAKE: the main input") << ClickRow{1, 0, "but_of_hdm1", {1, 4}, {-1, -1, 4}, Tcp};
        QTest::newRow("Pre + TAKE: V2") << ClickRow{1, 0, "but_of_v2", {1, 6}, {4, 6, -1}, Tcp};
        QTest::newRow("Pre + TAKE: TAKE") << ClickRow{1, 0, "but_of_auto", {2, 0}, {7, 4, -1}, Tcp};
    }
    void inputClicks()
    {
        QFETCH(ClickRow, row);
        SimState state = deviceWith(row.takeMode, row.pipOn);
        state.extInputMode = row.device != NoModule; // with a module, every input button is enabled
        ControlPageFixture fx(row.device == Serial ? Transport::Serial : Transport::Tcp);
        QVERIFY(fx.start(state));
        SimFaults faults;
        faults.plainAck = row.device == PlainAck;
        fx.sim->setFaults(faults);
        QTest::mouseClick(fx.find<QPushButton>(row.clicked), Qt::LeftButton);

        QTRY_COMPARE(fx.lastCommand(), row.sent); // sends are synchronous: none can follow later
        QCOMPARE(fx.sent().size(), row.sent.isEmpty() ? 0 : 1);
        QTRY_COMPARE(colouredInputs(fx), row.coloured);
    }

    // Each setting is one command; the page shows what the device took, and the AUTO/TAKE button follows
    // the switch model and hides while PIP is on. A command the device refuses (error 12), or that cannot
    // be sent (-1: the link closed), leaves the page showing the device copy.
    void settings_data()
    {
        QTest::addColumn<SettingRow>("row");
        QTest::newRow("switch time") << SettingRow{SwitchTime, 0, 0, 0, {3, 1}, "AUTO"};
        QTest::newRow("Pre + TAKE") << SettingRow{SwitchModel, 0, 0, 0, {0, 1}, "TAKE"};
        QTest::newRow("one key") << SettingRow{SwitchModel, 1, 0, 0, {0, 0}, "AUTO"};
        QTest::newRow("display model") << SettingRow{ShowModel, 0, 0, 0, {16, 2}, "AUTO"};
        QTest::newRow("PIP on") << SettingRow{PipSwitch, 0, 0, 0, {4, 1}, ""};
        QTest::newRow("PIP off") << SettingRow{PipSwitch, 0, 1, 0, {4, 0}, "AUTO"};
        // The display model puts its own bar back; the others take the device's status again.
        QTest::newRow("Pre + TAKE refused") << SettingRow{SwitchModel, 0, 0, 12, {0, 1}, "AUTO"};
        QTest::newRow("display model refused") << SettingRow{ShowModel, 0, 0, 12, {16, 2}, "AUTO"};
        QTest::newRow("PIP on refused") << SettingRow{PipSwitch, 0, 0, 12, {4, 1}, "AUTO"};
        QTest::newRow("PIP on, link closed") << SettingRow{PipSwitch, 0, 0, -1, {}, "AUTO"};
        // -2: taken but unanswered; the page asks the device and shows what it did.
        QTest::newRow("PIP on unanswered") << SettingRow{PipSwitch, 0, 0, -2, {4, 1}, ""};
    }
    void settings()
    {
        QFETCH(SettingRow, row);
        const SimState before = deviceWith(row.takeMode, row.pipOn);
        ControlPageFixture fx;
        QVERIFY(fx.start(before));
        fx.failCommand(row.command.value(0), row.error);

        const bool toOneKey = row.action == SwitchModel && row.takeMode;
        fx.act(QLatin1String(toOneKey ? "radio_of_oneKey" : settingControls[row.action]),
               row.action == ShowModel ? 2 : 1);
        QTRY_COMPARE(fx.lastCommand(), row.command);
        const int value = row.error == 0 || row.error == -2 ? row.command[1] : deviceValue(before, row.action);
        QTRY_COMPARE(deviceValue(fx.link->deviceState, row.action), value);
        QCOMPARE(fx.shown(QLatin1String(settingControls[row.action])), value);
        QCOMPARE(fx.sent().size(), row.error == -1 ? 0 : 1);
        auto* autoButton = fx.find<QPushButton>("but_of_auto");
        QTRY_COMPARE(autoButton->isHidden(), !*row.autoText);
        if (*row.autoText)
            QCOMPARE(autoButton->text(), QLatin1String(row.autoText));
    }

    // A typed value is raised to an even number and sent while the window stays inside the output; typing
    // the value the window already has, odd or even, sends nothing more.
    void spinBoxEdits_data()
    {
        QTest::addColumn<EditRow>("row");
        const SimWindow small{100, 200, 100, 200};
        const SimWindow fullSmall{0, 1024, 0, 768};
        const int fhd = Format1920x1080;
        QTest::newRow("odd width made even")
            << EditRow{fhd, {1280, 400, 720, 360}, fullMain, "spinBox_of_w_2", 101, 0, {1280, 102, 720, 360}, 102, 0};
        QTest::newRow("main window") << EditRow{
            fhd, quarterSub, {0, 1000, 20, 600}, "spinBox_of_x", 300, 1, {300, 1000, 20, 600}, 300, 0};
        // Refused: the spin box, the device copy and the page's working copy go back.
        QTest::newRow("refused") << EditRow{fhd,  quarterSub, fullMain, "spinBox_of_x_2", 400, 0, {400, 640, 720, 360},
                                            1280, 12};
        // 900 + 200 passes 1024: not sent, and the spin box shows the device's value again.
        QTest::newRow("leaving 1024 x 768")
            << EditRow{Format1024x768, small, fullSmall, "spinBox_of_x_2", 900, -1, {}, 100, 0};
        QTest::newRow("touching the edge")
            << EditRow{Format1024x768, small, fullSmall, "spinBox_of_x_2", 824, 0, {824, 200, 100, 200}, 824, 0};
    }
    void spinBoxEdits()
    {
        QFETCH(EditRow, row);
        ControlPageFixture fx;
        QVERIFY(openPipPage(fx, pipDevice(row.format, row.sub, row.main)));
        fx.failCommand(Rdx::PipWindowCommand, row.error);
        auto* box = fx.find<QSpinBox>(row.spinBox);

        ControlPageFixture::typeInto(box, row.typed);
        QCOMPARE(fx.sent().size(), row.index < 0 ? 0 : 1);
        if (row.index >= 0) {
            QCOMPARE(fx.lastCommand(9), windowCommand(row.index, row.sent));
            // The device took it, and the page shows the device's window.
            const bool isMain = row.index == 1;
            const QVector<int> window = values(row.error ? (isMain ? row.main : row.sub) : row.sent);
            QCOMPARE(loadRecord(isMain ? fx.link->deviceState.mainWindow : fx.link->deviceState.subWindow), window);
            QCOMPARE(spinValues(fx, isMain), window);
        }
        QCOMPARE(box->value(), row.shown);

        ControlPageFixture::typeInto(box, row.shown);
        ControlPageFixture::typeInto(box, row.shown - 1); // odd, raised to the value held
        QCOMPARE(fx.sent().size(), row.index < 0 ? 0 : 1);
    }

    // The page shows the device's settings without sending any; the PIP page reads and shows the windows
    // of the model the device has, and of the model the operator picks.
    void pipModel()
    {
        SimState state = deviceWith(1, 1);
        state.showModel = 2;
        state.switchTime = 3;
        state.pipModel = 1;
        state.extInputMode = 1;
        state.pipWindows[4] = {100, 400, 200, 300};
        state.pipWindows[5] = {600, 800, 40, 500};
        ControlPageFixture fx;
        QVERIFY(openPipPage(fx, state));
        for (int action : {SwitchTime, SwitchModel, ShowModel, PipSwitch})
            QCOMPARE(fx.shown(QLatin1String(settingControls[action])), deviceValue(state, action));
        QCOMPARE(fx.find<QLabel>("lab_of_expandMes")->text(), QStringLiteral("SDI"));
        QVERIFY(fx.sent().isEmpty());
        QCOMPARE(windowReads(*fx.sim), (QVector<int>{2, 3})); // sub and main of model 1
        auto* bar = fx.find<MyButtonBar>("butBar_for_doubleModel");
        QCOMPARE(bar->currentIndex(), 1);
        QTest::mouseClick(bar->buttons().at(2), Qt::LeftButton);
        QTRY_COMPARE(fx.lastCommand(), (QVector<int>{6, 2}));
        QCOMPARE(fx.link->deviceState.pipModel, 2);
        QTRY_COMPARE(spinValues(fx, false), values(state.pipWindows[4]));
        QTRY_COMPARE(spinValues(fx, true), values(state.pipWindows[5]));

        // Refused by the device: the bar returns to the model the device has.
        fx.failCommand(Rdx::PipModelCommand, 13);
        QTest::mouseClick(bar->buttons().at(3), Qt::LeftButton);
        QCOMPARE(bar->currentIndex(), 2);
        QCOMPARE(fx.link->deviceState.pipModel, 2);
    }

    // A finished drag sends the window as the canvas has it (the canvas's own tests cover the drops it refuses).
    void drags_data()
    {
        QTest::addColumn<DragRow>("row");
        const SimWindow main{300, 1000, 20, 600};
        const QRect mainRect(100, 6, 333, 200);
        // Moved to canvas pixel 130, 26 (device 390, 78); the size stays what the device has.
        QTest::newRow("main window moved")
            << DragRow{{150, 100}, {180, 120}, true, {390, 1000, 78, 600}, QRect(130, 26, 333, 200)};
        // The canvas accepts a drop one pixel past its edge; kept inside the output, the window stays put.
        QTest::newRow("sub window nudged past the edge") << DragRow{{500, 300}, {502, 301}, false, main, mainRect};
        // Picked up and let go: device 20 shows as canvas 6, which must not come back as 18.
        QTest::newRow("dropped where it stood") << DragRow{{150, 100}, {150, 100}, false, main, mainRect};
    }
    void drags()
    {
        QFETCH(DragRow, row);
        ControlPageFixture fx;
        MyCanvas* canvas = openPipPage(fx, pipDevice(Format1920x1080, quarterSub, {300, 1000, 20, 600}));
        QVERIFY(canvas);

        // Double-click to pick a window up, move with the button held, release.
        QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, row.from);
        QMouseEvent move(QEvent::MouseMove, row.to, canvas->mapToGlobal(row.to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, row.to);

        QCOMPARE(fx.lastCommand(9), row.sends ? windowCommand(1, row.main) : Ints());
        QCOMPARE(fx.sent().size(), row.sends ? 1 : 0);
        QCOMPARE(spinValues(fx, false), values(quarterSub));
        QCOMPARE(spinValues(fx, true), values(row.main));
        QCOMPARE(canvas->subRect(), quarterSubRect);
        QCOMPARE(canvas->mainRect(), row.mainRect);
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
                 (QVector<MessageLog::Entry>{
                     {QStringLiteral("Error"), QStringLiteral("Please open the PIP switch first")}}));
        QVERIFY(windowReads(*fx.sim).isEmpty());
    }

    void inputTable()
    {
        // Two inputs combine only from different cards: V1 and V2; VGA; DVI1, DVI2, HDMI1 and HDMI2; EXT.
        const int card[] = {3, 2, 2, 2, 2, 1, 0, 0}; // by input code
        for (int a = -1; a <= Rdx::InputCount; ++a) {
            const bool valid = a >= 0 && a < Rdx::InputCount;
            QCOMPARE(InputSources::isValid(a), valid);
            QCOMPARE(InputSources::text(a), valid ? SimProtocol::inputName(a) : QString());
            QCOMPARE(InputSources::buttonName(a), valid ? QString::fromLatin1(inputButtons[a]) : QString());
            for (int b = 0; b < Rdx::InputCount; ++b)
                QCOMPARE(InputSources::group(a) == InputSources::group(b), valid && card[a] == card[b]);
        }
    }
};

QTEST_MAIN(tst_Page_Control)
#include "tst_Page_Control.moc"
