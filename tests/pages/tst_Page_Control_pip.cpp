#include "ControlPageFixture.h"

#include "widgets/MyButtonBar.h"
#include "widgets/MyCanvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>

Q_DECLARE_METATYPE(SimWindow)

// Failure messages name the window's values.
char* toString(const SimWindow& window)
{
    return QTest::toString(
        QStringLiteral("x %1 w %2 y %3 h %4").arg(window.x).arg(window.w).arg(window.y).arg(window.h));
}

namespace {

SimState pipDevice(int outputFormat, SimWindow sub, SimWindow main)
{
    SimState state;
    state.pipOn = 1;
    state.outputFormat = outputFormat;
    state.pipWindows[0] = sub;
    state.pipWindows[1] = main;
    return state;
}

// The output formats by the area they give the PIP windows.
constexpr int Format1024x768 = 0;
constexpr int Format1920x1080 = 6;

} // namespace

class tst_Page_Control_pip : public QObject
{
    Q_OBJECT

private slots:
    void pipPageRefusedWhilePipOff_data();
    void pipPageRefusedWhilePipOff();
    void pipPageReadsBothWindows();
    void nothingIsCutOff_data();
    void nothingIsCutOff();
    void windowsShownFromTheDevice_data();
    void windowsShownFromTheDevice();
    void evenNumberRule();
    void windowCommandBytes();
    void windowLeavingTheOutputIsNotSent();
    void refusedWindowPutsSpinBoxesBack_data();
    void refusedWindowPutsSpinBoxesBack();
    void pipModel();
    void dragSendsTheWindow();
    void dragEndingOutsideSendsNothing();
    void dropAtTheEdgeStaysInsideTheOutput();
    void outputAreaFollowsTheDevice();
    void statusWithPipOffLeavesThePipPage();

private:
    static MyCanvas* openPipPage(ControlPageFixture& fx)
    {
        fx.clickToolBoxPage(1);
        auto* canvas = fx.find<MyCanvas>("wid_for_show");
        if (!QTest::qWaitFor([&] { return canvas->isVisible() && fx.link->pendingReadKeys().isEmpty(); })) {
            return nullptr;
        }
        return canvas;
    }

    // Double-click to pick a window up, move with the button held, release.
    static void drag(MyCanvas* canvas, QPoint from, QPoint to)
    {
        QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, to, canvas->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, to);
    }

    static QVector<int> spinValues(ControlPageFixture& fx, bool main)
    {
        const char* const names[2][4] = {{"spinBox_of_x_2", "spinBox_of_w_2", "spinBox_of_y_2", "spinBox_of_h_2"},
                                         {"spinBox_of_x", "spinBox_of_w", "spinBox_of_y", "spinBox_of_h"}};
        QVector<int> values;
        for (const char* name : names[main ? 1 : 0]) {
            values.append(fx.find<QSpinBox>(name)->value());
        }
        return values;
    }
};

void tst_Page_Control_pip::pipPageRefusedWhilePipOff_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("English") << true << "Error"
                             << "Please open the PIP switch first";
    QTest::newRow("Chinese") << false << QStringLiteral("错误") << QStringLiteral("请先打开PIP开关");
}

void tst_Page_Control_pip::pipPageRefusedWhilePipOff()
{
    QFETCH(bool, english);
    QFETCH(QString, title);
    QFETCH(QString, text);

    ControlPageFixture fx;
    QVERIFY(fx.start(SimState{}));
    fx.page->setLanguage(english);
    const int windowReads = fx.readRequests(Rdx::PipSubWindowRead);

    fx.clickToolBoxPage(1);
    QCOMPARE(fx.find<QToolBox>("toolBox")->currentIndex(), 0);
    QCOMPARE(fx.messages.count(), 1);
    QCOMPARE(fx.messages.last(), qMakePair(title, text));
    QCOMPARE(fx.readRequests(Rdx::PipSubWindowRead), windowReads);
}

void tst_Page_Control_pip::pipPageReadsBothWindows()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 640, 720, 360}, {0, 1920, 0, 1080})));
    fx.sim.clearReceived();
    QVERIFY(openPipPage(fx));
    QCOMPARE(fx.find<QToolBox>("toolBox")->currentIndex(), 1);
    QCOMPARE(fx.messages.count(), 0);

    QVector<int> indexes;
    for (const Rdx::Frame& frame : fx.sim.received()) {
        if (frame[2] == Rdx::ReadRequestCode && frame[3] == Rdx::PipSubWindowRead) {
            indexes.append(frame[4]);
        }
    }
    QCOMPARE(indexes, (QVector<int>{0, 1})); // sub, then main of PIP model 0
    QVERIFY(fx.commands().isEmpty());
}

void tst_Page_Control_pip::nothingIsCutOff_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("English") << true;
    QTest::newRow("Chinese") << false;
}

// The page's title bars must leave room for the whole preview and the model bar.
void tst_Page_Control_pip::nothingIsCutOff()
{
    QFETCH(bool, english);
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 640, 720, 360}, {0, 1920, 0, 1080})));
    fx.page->setLanguage(english);
    MyCanvas* canvas = openPipPage(fx);
    QVERIFY(canvas);
    QCOMPARE(canvas->size(), QSize(640, 360));
    for (const char* name : {"wid_for_show", "butBar_for_doubleModel", "groupBox_for_show", "groupBox_of_childPage"}) {
        auto* widget = fx.find<QWidget>(name);
        QVERIFY2(widget->visibleRegion() == QRegion(widget->rect()), name);
    }
}

void tst_Page_Control_pip::windowsShownFromTheDevice_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<SimWindow>("sub");
    QTest::addColumn<SimWindow>("main");
    QTest::addColumn<double>("horizontalScale");
    QTest::addColumn<double>("verticalScale");
    QTest::addColumn<QRect>("subRect");
    QTest::addColumn<QRect>("mainRect");
    QTest::addColumn<int>("maxWidth");
    QTest::addColumn<int>("maxHeight");

    QTest::newRow("1920 x 1080") << Format1920x1080 << SimWindow{1280, 640, 720, 360} << SimWindow{300, 1000, 20, 600}
                                 << 3.0 << 3.0 << QRect(426, 240, 213, 120) << QRect(100, 6, 333, 200) << 1920 << 1080;
    QTest::newRow("1024 x 768") << Format1024x768 << SimWindow{100, 300, 100, 200} << SimWindow{0, 1024, 0, 768} << 1.6
                                << 768 / 360.0 << QRect(62, 46, 187, 93) << QRect(0, 0, 640, 360) << 1024 << 768;
}

void tst_Page_Control_pip::windowsShownFromTheDevice()
{
    QFETCH(int, format);
    QFETCH(SimWindow, sub);
    QFETCH(SimWindow, main);
    QFETCH(int, maxWidth);
    QFETCH(int, maxHeight);

    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(format, sub, main)));
    MyCanvas* canvas = openPipPage(fx);
    QVERIFY(canvas);

    QTEST(canvas->horizontalScale(), "horizontalScale");
    QTEST(canvas->verticalScale(), "verticalScale");
    QTEST(canvas->subRect(), "subRect");
    QTEST(canvas->mainRect(), "mainRect");
    QCOMPARE(spinValues(fx, false), (QVector<int>{sub.x, sub.w, sub.y, sub.h}));
    QCOMPARE(spinValues(fx, true), (QVector<int>{main.x, main.w, main.y, main.h}));
    for (const char* name : {"spinBox_of_x", "spinBox_of_w", "spinBox_of_x_2", "spinBox_of_w_2"}) {
        QCOMPARE(fx.find<QSpinBox>(name)->maximum(), maxWidth);
    }
    for (const char* name : {"spinBox_of_y", "spinBox_of_h", "spinBox_of_y_2", "spinBox_of_h_2"}) {
        QCOMPARE(fx.find<QSpinBox>(name)->maximum(), maxHeight);
    }
    QCOMPARE(fx.find<QSpinBox>("spinBox_of_w")->minimum(), 64);
    QCOMPARE(fx.find<QSpinBox>("spinBox_of_h_2")->minimum(), 48);
    QCOMPARE(fx.find<QSpinBox>("spinBox_of_x")->singleStep(), 2);
    QCOMPARE(fx.find<QSpinBox>("spinBox_of_x_2")->singleStep(), 1);
}

void tst_Page_Control_pip::evenNumberRule()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 400, 720, 360}, {0, 1920, 0, 1080})));
    QVERIFY(openPipPage(fx));
    auto* width = fx.find<QSpinBox>("spinBox_of_w_2");

    ControlPageFixture::typeInto(width, 101);
    QTRY_COMPARE(fx.lastCommand(9), (QVector<int>{14, 0, 5, 0, 0, 102, 2, 208, 1, 104}));
    QTRY_COMPARE(fx.sim.state().pipWindows[0], (SimWindow{1280, 102, 720, 360}));
    QCOMPARE(width->value(), 102);
    QCOMPARE(fx.commands().size(), 1);

    // The value the window already has goes nothing out, odd or even.
    ControlPageFixture::typeInto(width, 102);
    ControlPageFixture::typeInto(width, 101);
    QCOMPARE(width->value(), 102);
    QCOMPARE(fx.commands().size(), 1);
}

void tst_Page_Control_pip::windowCommandBytes()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 640, 720, 360}, {0, 1000, 20, 600})));
    QVERIFY(openPipPage(fx));

    ControlPageFixture::typeInto(fx.find<QSpinBox>("spinBox_of_x"), 300);
    QTRY_COMPARE(fx.lastCommand(9), (QVector<int>{14, 1, 1, 44, 3, 232, 0, 20, 2, 88}));
    QTRY_COMPARE(fx.sim.state().pipWindows[1], (SimWindow{300, 1000, 20, 600}));
    QCOMPARE(fx.find<MyCanvas>("wid_for_show")->mainRect(), QRect(100, 6, 333, 200));
}

void tst_Page_Control_pip::windowLeavingTheOutputIsNotSent()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1024x768, {100, 200, 100, 200}, {0, 1024, 0, 768})));
    QVERIFY(openPipPage(fx));
    auto* x = fx.find<QSpinBox>("spinBox_of_x_2");

    ControlPageFixture::typeInto(x, 900); // 900 + 200 passes 1024
    QCOMPARE(x->value(), 100);
    QVERIFY(fx.commands().isEmpty());

    // The edge itself is inside.
    ControlPageFixture::typeInto(x, 824);
    QTRY_COMPARE(fx.sim.state().pipWindows[0], (SimWindow{824, 200, 100, 200}));
}

void tst_Page_Control_pip::refusedWindowPutsSpinBoxesBack_data()
{
    QTest::addColumn<bool>("closeLink");
    QTest::newRow("device error") << false;
    QTest::newRow("link closed") << true;
}

void tst_Page_Control_pip::refusedWindowPutsSpinBoxesBack()
{
    QFETCH(bool, closeLink);
    const SimWindow sub{1280, 640, 720, 360};
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, sub, {0, 1920, 0, 1080})));
    MyCanvas* canvas = openPipPage(fx);
    QVERIFY(canvas);
    if (closeLink) {
        fx.link->closeSerial();
    } else {
        SimFaults faults;
        faults.errorForCode.insert(Rdx::PipWindowCommand, 12);
        fx.sim.setFaults(faults);
    }

    ControlPageFixture::typeInto(fx.find<QSpinBox>("spinBox_of_x_2"), 400);
    QCOMPARE(fx.commands().size(), closeLink ? 0 : 1);
    QCOMPARE(spinValues(fx, false), (QVector<int>{sub.x, sub.w, sub.y, sub.h}));
    QCOMPARE(canvas->subWindowRect(), (std::array<int, 4>{1278, 639, 720, 360}));
    QCOMPARE(loadRecord(fx.link->deviceState.subWindow), (QVector<int>{sub.x, sub.w, sub.y, sub.h}));

    // The working copy went back too: typing the device's own value again sends nothing.
    const int sent = fx.commands().size();
    ControlPageFixture::typeInto(fx.find<QSpinBox>("spinBox_of_x_2"), sub.x);
    QCOMPARE(fx.commands().size(), sent);
}

void tst_Page_Control_pip::pipModel()
{
    SimState state = pipDevice(Format1920x1080, {1280, 640, 720, 360}, {0, 1920, 0, 1080});
    state.pipWindows[4] = {100, 400, 200, 300};
    state.pipWindows[5] = {600, 800, 40, 500};
    ControlPageFixture fx;
    QVERIFY(fx.start(state));
    QVERIFY(openPipPage(fx));
    auto* bar = fx.find<MyButtonBar>("butBar_for_doubleModel");
    QCOMPARE(bar->currentIndex(), 0);

    QTest::mouseClick(bar->buttons().at(2), Qt::LeftButton);
    QTRY_COMPARE(fx.lastCommand(), (QVector<int>{6, 2}));
    QTRY_COMPARE(fx.sim.state().pipModel, 2);
    QCOMPARE(fx.link->deviceState.pipModel, 2);
    // The windows of the new model are read back and shown.
    QTRY_COMPARE(spinValues(fx, false), (QVector<int>{100, 400, 200, 300}));
    QTRY_COMPARE(spinValues(fx, true), (QVector<int>{600, 800, 40, 500}));

    // Refused by the device: the bar returns to the model the device has.
    SimFaults faults;
    faults.errorForCode.insert(Rdx::PipModelCommand, 13);
    fx.sim.setFaults(faults);
    QTest::mouseClick(bar->buttons().at(3), Qt::LeftButton);
    QCOMPARE(bar->currentIndex(), 2);
    QCOMPARE(fx.link->deviceState.pipModel, 2);
    QCOMPARE(fx.sim.state().pipModel, 2);
}

void tst_Page_Control_pip::dragSendsTheWindow()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 640, 720, 360}, {300, 1000, 20, 600})));
    MyCanvas* canvas = openPipPage(fx);
    QVERIFY(canvas);
    QCOMPARE(canvas->mainRect(), QRect(100, 6, 333, 200));

    drag(canvas, {150, 100}, {180, 120});
    // Moved to canvas pixel 130, 26 (device 390, 78); the size stays what the device has.
    QTRY_COMPARE(fx.lastCommand(9), (QVector<int>{14, 1, 1, 134, 3, 232, 0, 78, 2, 88}));
    QTRY_COMPARE(fx.sim.state().pipWindows[1], (SimWindow{390, 1000, 78, 600}));
    QCOMPARE(spinValues(fx, true), (QVector<int>{390, 1000, 78, 600}));
    QCOMPARE(canvas->mainRect(), QRect(130, 26, 333, 200));
    QCOMPARE(fx.commands().size(), 1);
}

void tst_Page_Control_pip::dragEndingOutsideSendsNothing()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 640, 720, 360}, {300, 1000, 20, 600})));
    MyCanvas* canvas = openPipPage(fx);
    QVERIFY(canvas);

    drag(canvas, {150, 100}, {40, 100}); // the left edge would be at -10
    QCOMPARE(canvas->mainRect(), QRect(100, 6, 333, 200));
    drag(canvas, {500, 300}, {500, 360}); // the sub window's bottom would pass the canvas
    QCOMPARE(canvas->subRect(), QRect(426, 240, 213, 120));
    QVERIFY(fx.commands().isEmpty());
    QCOMPARE(spinValues(fx, true), (QVector<int>{300, 1000, 20, 600}));
}

void tst_Page_Control_pip::dropAtTheEdgeStaysInsideTheOutput()
{
    const SimWindow sub{1280, 640, 720, 360}; // touches the right and bottom edges of 1920 x 1080
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, sub, {0, 1000, 0, 600})));
    MyCanvas* canvas = openPipPage(fx);
    QVERIFY(canvas);

    // The canvas accepts a drop one pixel past its edge; the window sent still fits the output.
    drag(canvas, {500, 300}, {502, 301});
    QTRY_COMPARE(fx.commands().size(), 1);
    QCOMPARE(fx.lastCommand(9), (QVector<int>{14, 0, 5, 0, 2, 128, 2, 208, 1, 104}));
    QCOMPARE(fx.link->deviceErrorCode(), -1);
    QCOMPARE(fx.sim.state().pipWindows[0], sub);
    QCOMPARE(spinValues(fx, false), (QVector<int>{sub.x, sub.w, sub.y, sub.h}));
}

void tst_Page_Control_pip::outputAreaFollowsTheDevice()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 640, 720, 360}, {0, 1920, 0, 1080})));
    MyCanvas* canvas = openPipPage(fx);
    QVERIFY(canvas);
    QCOMPARE(canvas->subRect(), QRect(426, 240, 213, 120));

    SimState smaller = fx.sim.state();
    smaller.outputFormat = Format1024x768;
    fx.sim.setState(smaller);
    QVERIFY(fx.refresh());
    QCOMPARE(fx.find<QSpinBox>("spinBox_of_x_2")->maximum(), 1024);
    QCOMPARE(fx.find<QSpinBox>("spinBox_of_h")->maximum(), 768);
    // The preview follows the new scale at once.
    QCOMPARE(canvas->subRect(), QRect(800, 337, 400, 168));
}

void tst_Page_Control_pip::statusWithPipOffLeavesThePipPage()
{
    ControlPageFixture fx;
    QVERIFY(fx.start(pipDevice(Format1920x1080, {1280, 640, 720, 360}, {0, 1920, 0, 1080})));
    QVERIFY(openPipPage(fx));
    auto* toolBox = fx.find<QToolBox>("toolBox");
    QCOMPARE(toolBox->currentIndex(), 1);

    SimState off = fx.sim.state();
    off.pipOn = 0;
    fx.sim.setState(off);
    QVERIFY(fx.refresh());
    QCOMPARE(toolBox->currentIndex(), 0);
    QCOMPARE(fx.messages.count(), 0);
}

QTEST_MAIN(tst_Page_Control_pip)
#include "tst_Page_Control_pip.moc"
