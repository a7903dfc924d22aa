#include "ControlPageFixture.h"

#include "widgets/MyButtonBar.h"
#include "widgets/MyCanvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>

Q_DECLARE_METATYPE(SimWindow)

namespace {

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
    const char* const names[2][4] = {{"spinBox_of_x_2", "spinBox_of_w_2", "spinBox_of_y_2", "spinBox_of_h_2"},
                                     {"spinBox_of_x", "spinBox_of_w", "spinBox_of_y", "spinBox_of_h"}};
    QVector<int> result;
    for (const char* name : names[main ? 1 : 0])
        result.append(fx.find<QSpinBox>(name)->value());
    return result;
}

} // namespace

class tst_Page_Control_pip : public QObject
{
    Q_OBJECT

private slots:
    void pipPageNeedsPipOn()
    {
        ControlPageFixture fx;
        QVERIFY(fx.start(SimState{}));
        fx.sim->clearReceived();
        fx.clickToolBoxPage(1);
        QCOMPARE(fx.find<QToolBox>("toolBox")->currentIndex(), 0);
        QCOMPARE(fx.messages.entries(), (Entries{{QStringLiteral("Error"), QStringLiteral("Please open the PIP switch first")}}));
        QTRY_VERIFY(fx.quiet());
        QVERIFY(windowReads(*fx.sim).isEmpty() && fx.sent().isEmpty());
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

        const SimWindow small{100, 200, 100, 200};
        const SimWindow fullSmall{0, 1024, 0, 768};
        QTest::newRow("odd width made even")
            << Format1920x1080 << SimWindow{1280, 400, 720, 360} << fullMain << "spinBox_of_w_2" << 101
            << QVector<int>{14, 0, 5, 0, 0, 102, 2, 208, 1, 104} << 102;
        QTest::newRow("main window bytes")
            << Format1920x1080 << quarterSub << SimWindow{0, 1000, 20, 600} << "spinBox_of_x" << 300
            << QVector<int>{14, 1, 1, 44, 3, 232, 0, 20, 2, 88} << 300;
        // 900 + 200 passes 1024: not sent, and the spin box shows the device's value again.
        QTest::newRow("leaving 1024 x 768")
            << Format1024x768 << small << fullSmall << "spinBox_of_x_2" << 900 << QVector<int>{} << 100;
        QTest::newRow("touching the edge") << Format1024x768 << small << fullSmall << "spinBox_of_x_2" << 824
                                           << QVector<int>{14, 0, 3, 56, 0, 200, 0, 100, 0, 200} << 824;
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
        ControlPageFixture fx;
        MyCanvas* canvas = openPipPage(fx, pipDevice(format, sub, main));
        QVERIFY(canvas);
        auto* box = fx.find<QSpinBox>(qPrintable(spinBox));

        ControlPageFixture::typeInto(box, typed);
        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty()) {
            QCOMPARE(fx.lastCommand(9), sent);
            // The device took it, and the page shows the device's window.
            const bool isMain = sent[1] == 1;
            const QVector<int> window{sent[2] * 256 + sent[3], sent[4] * 256 + sent[5], sent[6] * 256 + sent[7],
                                      sent[8] * 256 + sent[9]};
            QTRY_COMPARE(values(fx.sim->state().pipWindows[isMain ? 1 : 0]), window);
            QCOMPARE(spinValues(fx, isMain), window);
        }
        QCOMPARE(box->value(), shown);

        ControlPageFixture::typeInto(box, shown);
        ControlPageFixture::typeInto(box, shown - 1); // odd, raised to the value held
        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
    }

    void refusedWindowPutsSpinBoxesBack()
    {
        ControlPageFixture fx;
        MyCanvas* canvas = openPipPage(fx, pipDevice(Format1920x1080, quarterSub, fullMain));
        QVERIFY(canvas);
        SimFaults faults;
        faults.errorForCode.insert(Rdx::PipWindowCommand, 12);
        fx.sim->setFaults(faults);

        ControlPageFixture::typeInto(fx.find<QSpinBox>("spinBox_of_x_2"), 400);
        QCOMPARE(fx.sent().size(), 1);
        QCOMPARE(spinValues(fx, false), values(quarterSub));
        QCOMPARE(canvas->subWindowRect(), (std::array<int, 4>{1278, 639, 720, 360}));
        QCOMPARE(loadRecord(fx.link->deviceState.subWindow), values(quarterSub));

        // The working copy went back too: typing the device's own value again sends nothing.
        ControlPageFixture::typeInto(fx.find<QSpinBox>("spinBox_of_x_2"), quarterSub.x);
        QCOMPARE(fx.sent().size(), 1);
    }

    void pipModel()
    {
        SimState state = pipDevice(Format1920x1080, quarterSub, fullMain);
        state.pipWindows[4] = {100, 400, 200, 300};
        state.pipWindows[5] = {600, 800, 40, 500};
        ControlPageFixture fx;
        MyCanvas* canvas = openPipPage(fx, state);
        QVERIFY(canvas);
        // Opening the page read both windows of model 0, sub then main, and shows them scaled by 3.
        QCOMPARE(windowReads(*fx.sim), (QVector<int>{0, 1}));
        QVERIFY(fx.sent().isEmpty());
        QCOMPARE(canvas->subRect(), quarterSubRect);
        QCOMPARE(canvas->mainRect(), QRect(0, 0, 640, 360));
        QCOMPARE(spinValues(fx, false), values(quarterSub));
        QCOMPARE(spinValues(fx, true), values(fullMain));
        QCOMPARE(fx.find<QSpinBox>("spinBox_of_w")->maximum(), 1920);
        QCOMPARE(fx.find<QSpinBox>("spinBox_of_y_2")->maximum(), 1080);
        auto* bar = fx.find<MyButtonBar>("butBar_for_doubleModel");
        QCOMPARE(bar->currentIndex(), 0);

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

    // A finished drag sends the window as the canvas has it; a drag the canvas refuses sends nothing.
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
            << QPoint(150, 100) << QPoint(180, 120) << QVector<int>{14, 1, 1, 134, 3, 232, 0, 78, 2, 88}
            << SimWindow{390, 1000, 78, 600} << QRect(130, 26, 333, 200);
        // The canvas accepts a drop one pixel past its edge; kept inside the output, the window stays put.
        QTest::newRow("sub window nudged past the edge")
            << QPoint(500, 300) << QPoint(502, 301) << QVector<int>{} << main << mainRect;
        // Picked up and let go: device 20 shows as canvas 6, which must not come back as 18.
        QTest::newRow("dropped where it stood") << QPoint(150, 100) << QPoint(150, 100) << QVector<int>{} << main
                                                << mainRect;
        QTest::newRow("left edge outside") << QPoint(150, 100) << QPoint(40, 100) << QVector<int>{} << main << mainRect;
        QTest::newRow("bottom edge outside")
            << QPoint(500, 300) << QPoint(500, 360) << QVector<int>{} << main << mainRect;
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

        QCOMPARE(fx.sent().size(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty())
            QCOMPARE(fx.lastCommand(9), sent);
        QTRY_COMPARE(fx.sim->state().pipWindows[1], main);
        QCOMPARE(fx.sim->state().pipWindows[0], quarterSub);
        QCOMPARE(spinValues(fx, false), values(quarterSub));
        QCOMPARE(spinValues(fx, true), values(main));
        QCOMPARE(canvas->subRect(), quarterSubRect);
        QTEST(canvas->mainRect(), "mainRect");
    }

    // A new status updates the open PIP page: a new output area rescales the preview at once, and PIP off
    // returns the tool box to the Signal Switch page; the Timer page stays open.
    void statusUpdatesTheOpenPage()
    {
        ControlPageFixture fx;
        MyCanvas* canvas = openPipPage(fx, pipDevice(Format1920x1080, quarterSub, fullMain));
        QVERIFY(canvas);
        auto* toolBox = fx.find<QToolBox>("toolBox");
        QCOMPARE(toolBox->currentIndex(), 1);

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
        // The Timer page is left alone, also in Pre + TAKE mode.
        fx.clickToolBoxPage(2);
        QVERIFY(fx.find<QWidget>("widget")->isVisible());
        changed.takeMode = 1;
        fx.sim->setState(changed);
        QVERIFY(fx.refresh());
        QCOMPARE(toolBox->currentIndex(), 2);
        QCOMPARE(fx.messages.count(), 0);
    }
};

QTEST_MAIN(tst_Page_Control_pip)
#include "tst_Page_Control_pip.moc"
