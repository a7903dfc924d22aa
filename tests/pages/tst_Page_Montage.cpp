#include "PageFixture.h"
#include "pages/Page_Montage.h"
#include "widgets/MyCanvasMes.h"

#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>

inline void refreshPage(Page_Montage& page)
{
    page.refreshFromDevice(5000);
}

inline void routeReply(Page_Montage& page, int order)
{
    using Show = void (Page_Montage::*)();
    static const QMap<int, Show> shows{{Rdx::StatusRead, &Page_Montage::applyStatus},
                                       {Rdx::InputWindowRead, &Page_Montage::showInputWindow},
                                       {Rdx::OutputWindowRead, &Page_Montage::showOutputWindow},
                                       {Rdx::LedTotalRead, &Page_Montage::showLedTotal},
                                       {Rdx::UnitWindowRead, &Page_Montage::showUnitWindow},
                                       {Rdx::FastValuesRead, &Page_Montage::showFastValues}};
    if (const Show show = shows.value(order))
        (page.*show)();
}

// The Mosaic page on the simulated device.
class MosaicPageFixture : public PageFixture<Page_Montage>
{
public:
    // Each read request the page sent after its last set-command, as (kind, index). A picture read (which
    // this page never sends) goes out behind them, so everything the page sent has arrived when it has. A
    // read the link asked twice (its first answer looked like an unanswered command's late reply) counts once.
    QVector<QPoint> readsAfterCommand() const
    {
        link->requestRead(Rdx::PictureRead);
        QVector<QPoint> reads;
        const bool arrived = QTest::qWaitFor([&] {
            reads.clear();
            for (const Rdx::Frame& frame : sim->received()) {
                if (frame[2] != Rdx::ReadRequestCode)
                    reads.clear();
                else if (reads.isEmpty() || reads.last() != QPoint(frame[3], frame[4]))
                    reads.append(QPoint(frame[3], frame[4]));
            }
            return !reads.isEmpty() && reads.last().x() == Rdx::PictureRead;
        });
        if (!arrived)
            return {{-1, -1}};
        reads.removeLast();
        return reads;
    }

    QStandardItemModel* table() const
    {
        return qobject_cast<QStandardItemModel*>(find<QTableView>("tableView")->model());
    }

    // Opens the editor of a table value, types the number (or nothing) and presses Return; true once the
    // editor has committed and closed.
    bool editTable(int row, int value, bool type = true) const
    {
        auto* view = find<QTableView>("tableView");
        view->edit(table()->index(row, 1));
        QPointer<QSpinBox> editor = view->viewport()->findChild<QSpinBox*>();
        if (!editor)
            return false;
        if (type)
            typeInto(editor, value);
        else
            QTest::keyClick(editor, Qt::Key_Return);
        return QTest::qWaitFor([&] { return editor.isNull(); });
    }

    int box(const char* name) const { return find<QSpinBox>(name)->value(); }
};

namespace {

using Ints = QVector<int>;

constexpr int Format1920x1080 = 6;

// Model 0, port 0; manual windows at x 0, y 0, 960 x 540; a 3840 x 2160 wall.
SimState mosaicDevice(int layout = 0, int format = Format1920x1080, const Ints& values = {1920, 1080, 1080})
{
    SimState state;
    state.outputFormat = format;
    state.fastLayout = layout;
    state.inputWindows.fill(SimWindow{32, 960, 8, 540});
    state.outputWindows.fill(SimWindow{32, 960, 8, 540});
    for (auto& copy : state.fastValues)
        std::copy(values.begin(), values.end(), copy.begin());
    return state;
}

// A table edit's value is row * 10000 + value.
void act(MosaicPageFixture& fx, const QString& name, int value)
{
    if (name == QLatin1String("tableView"))
        fx.editTable(value / 10000, value % 10000);
    else
        fx.act(name, value);
}

} // namespace

class tst_Page_Montage : public QObject
{
    Q_OBJECT

private slots:
    // The frame each action sends and what the page reads back after the device accepted it. The device
    // acknowledges without a status and leaves the status read unanswered, so the reads are addressed
    // from what the page sent. A refused command reads nothing and puts its control back.
    void commandsAndReReads_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("value");
        QTest::addColumn<QVector<int>>("frame"); // code, parameter bytes
        QTest::addColumn<QVector<QPoint>>("reads");
        QTest::addColumn<int>("refused"); // -1: accepted; else the value the control shows again
        using Reads = QVector<QPoint>;
        const int fhd = Format1920x1080;
        QTest::newRow("display model M3") << 0 << fhd << "wid_model" << 2 << Ints{16, 2}
                                          << Reads{{0, 0}, {11, 8}, {12, 8}, {13, 8}, {9, 8}, {10, 8}} << -1;
        QTest::newRow("output port Out2")
            << 0 << fhd << "butBar_for_out_port" << 1 << Ints{17, 1} << Reads{{12, 1}, {9, 1}, {10, 1}} << -1;
        QTest::newRow("layout 3X1") << 0 << fhd << "widget" << 3 << Ints{20, 3} << Reads{{13, 0}, {9, 0}, {10, 0}}
                                    << -1;
        QTest::newRow("Ok of fast mosaic 1") << 0 << fhd << "but_for_auto" << 0 << Ints{24, 0} << Reads{{9, 0}} << -1;
        QTest::newRow("Ok of fast mosaic 2")
            << 0 << fhd << "pushButton_for_auto" << 0 << Ints{24, 1} << Reads{{9, 0}, {10, 0}} << -1;
        QTest::newRow("LED width") << 0 << fhd << "spinBox_LED_w" << 4000
                                   << Ints{22, 0, 0x0F, 0xA0, 0x08, 0x70, 0, 0, 0, 0} << Reads{{11, 0}} << -1;
        QTest::newRow("unit width, read back")
            << 0 << fhd << "spinBox_for_w" << 960 << Ints{23, 0, 0, 0, 0x03, 0xC0, 0, 0, 0x04, 0x38} << Reads{{12, 0}}
            << -1;
        QTest::newRow("input x + 32") << 0 << fhd << "spinBox_input_x" << 100
                                      << Ints{18, 0, 0, 132, 0x03, 0xC0, 0, 8, 0x02, 0x1C} << Reads{{9, 0}} << -1;
        // x + w may pass the width by 48 at most: with w 960, x 1500 becomes 1008.
        QTest::newRow("input x within the width") << 0 << fhd << "spinBox_input_x" << 1500
                                                  << Ints{18, 0, 0x04, 0x10, 0x03, 0xC0, 0, 8, 0x02, 0x1C} << Reads{{9, 0}}
                                                  << -1;
        QTest::newRow("output y + 8") << 0 << fhd << "spinBox_outPut_y" << 10
                                      << Ints{19, 0, 0, 32, 0x03, 0xC0, 0, 18, 0x02, 0x1C} << Reads{{10, 0}} << -1;
        QTest::newRow("table 1X2") << 0 << fhd << "tableView" << 1200 << Ints{21, 0x04, 0xB0, 0x03, 0xE8, 0x03, 0xE8}
                                   << Reads{} << -1;
        // 4X1 at 3600 x 600: Out4's width 2475 (0x9AB) and the height 1080 (0x438) share a nibble byte.
        QTest::newRow("table 4X1 nibbles")
            << 5 << 10 << "tableView" << 32475 << Ints{21, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x94, 0xAB, 0x38}
            << Reads{} << -1;
        QTest::newRow("display model refused") << 0 << fhd << "wid_model" << 2 << Ints{16, 2} << Reads{} << 0;
        // The refused total had cut the unit width to 1000: the width and its limit go back too.
        QTest::newRow("LED width refused") << 0 << fhd << "spinBox_LED_w" << 1000
                                           << Ints{22, 0, 0x03, 0xE8, 0x08, 0x70, 0, 0, 0, 0} << Reads{} << 3840;
        QTest::newRow("input x refused") << 0 << fhd << "spinBox_input_x" << 100
                                         << Ints{18, 0, 0, 132, 0x03, 0xC0, 0, 8, 0x02, 0x1C} << Reads{} << 0;
        // Unanswered, though the device took it: the page asks and shows what the device has.
        QTest::newRow("input x unanswered") << 0 << fhd << "spinBox_input_x" << 100
                                            << Ints{18, 0, 0, 132, 0x03, 0xC0, 0, 8, 0x02, 0x1C} << Reads{{9, 0}} << 100;
        QTest::newRow("LED width unanswered") << 0 << fhd << "spinBox_LED_w" << 4000
                                              << Ints{22, 0, 0x0F, 0xA0, 0x08, 0x70, 0, 0, 0, 0}
                                              << Reads{{11, 0}, {12, 0}} << 4000;
        // At 1024 x 768 a height limit is 768: typed on a stored 1000, the clamped opening value still goes out.
        QTest::newRow("table typed at its limit")
            << 0 << 0 << "tableView" << 10768 << Ints{21, 0x03, 0xE8, 0x03, 0x00, 0x03, 0xE8} << Reads{} << -1;
    }
    void commandsAndReReads()
    {
        QFETCH(int, layout);
        QFETCH(int, format);
        QFETCH(QString, control);
        QFETCH(int, value);
        QFETCH(QVector<int>, frame);
        QFETCH(int, refused);
        MosaicPageFixture fx;
        QVERIFY(fx.start(mosaicDevice(layout, format, {1000, 1000, 1000, 1000, 1080})));
        SimFaults faults;
        faults.plainAck = true;
        faults.silentKinds = {Rdx::StatusRead};
        const bool unanswered = QByteArray(QTest::currentDataTag()).endsWith("unanswered");
        if (unanswered)
            faults.silentCodes.insert(frame[0]);
        else if (refused >= 0)
            faults.errorForCode.insert(frame[0], 12);
        fx.sim->setFaults(faults);
        fx.sim->clearReceived();

        act(fx, control, value);
        QTRY_COMPARE(fx.lastCommand(frame.size() - 1), frame);
        QTEST(fx.readsAfterCommand(), "reads");
        QCOMPARE(fx.sent().size(), 1);
        if (refused >= 0)
            QTRY_COMPARE(fx.shown(control), refused);
        if (control == QLatin1String("spinBox_LED_w") && !unanswered) {
            QCOMPARE(fx.box("spinBox_for_w"), loadRecord(fx.link->deviceState.unitWindow).at(1));
            QCOMPARE(fx.find<QSpinBox>("spinBox_for_w")->maximum(), fx.box("spinBox_LED_w"));
        }
    }

    // A format with a smaller picture cuts the shown manual values; passing through the boxes sends none.
    void newLimitsSendNothing()
    {
        SimState state = mosaicDevice();
        state.inputWindows.fill(SimWindow{1832, 960, 8, 540});
        MosaicPageFixture fx;
        QVERIFY(fx.start(state));
        state.outputFormat = 0;
        fx.sim->setState(state);
        QVERIFY(fx.refresh());
        QCOMPARE(fx.box("spinBox_input_x"), 1024);
        fx.clickToolBoxPage(2);
        fx.find<QSpinBox>("spinBox_input_x")->setFocus();
        fx.find<QSpinBox>("spinBox_input_y")->setFocus();
        QVERIFY(fx.sent().isEmpty());
    }

    // The manual windows' limits and previews follow the output format; a format without a size keeps
    // the 1920 x 1080 the page starts from.
    void workingSizes_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QSize>("output");
        QTest::addColumn<QSize>("input");
        QTest::newRow("1024x768") << 0 << QSize(1024, 768) << QSize(1024, 768);
        QTest::newRow("2560x816 wall") << 7 << QSize(2560, 816) << QSize(1920, 1080);
        QTest::newRow("no size") << 4 << QSize(1920, 1080) << QSize(1920, 1080);
    }
    void workingSizes()
    {
        QFETCH(int, format);
        QFETCH(QSize, output);
        QFETCH(QSize, input);
        MosaicPageFixture fx;
        QVERIFY(fx.start(mosaicDevice(0, format)));
        QCOMPARE(
            QSize(fx.find<QSpinBox>("spinBox_outPut_x")->maximum(), fx.find<QSpinBox>("spinBox_outPut_y")->maximum()),
            output);
        QCOMPARE(
            QSize(fx.find<QSpinBox>("spinBox_input_x")->maximum(), fx.find<QSpinBox>("spinBox_input_y")->maximum()),
            input);
        const auto* canvas = fx.find<MyCanvasMes>("wid_for_input");
        QCOMPARE(canvas->widthCaption, QString::number(input.width()));
        QCOMPARE(canvas->windowRect(),
                 QRect(0, 0, int(960 / (input.width() / 340.0)), int(540 / (input.height() / 220.0))));
    }

    // Fast Mosaic 1 applied: the page derives the wall and the selected output's unit window as the
    // device does; a two-output layout maps Out3 and Out4 onto Out1 and Out2, and a unit start is a
    // position on the whole wall.
    void autoCalculation_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("port");
        QTest::addColumn<QVector<int>>("values");
        QTest::addColumn<QVector<int>>("shown"); // LED w, h, then unit x, w, y, h
        QTest::newRow("1X2 Out3 is Out1") << 0 << 2 << Ints{1920, 1080, 1080} << Ints{1920, 2160, 0, 1920, 0, 1080};
        QTest::newRow("3X1 Out3") << 3 << 2 << Ints{1920, 1920, 1920, 1080} << Ints{5760, 1080, 3840, 1920, 0, 1080};
        QTest::newRow("1X4 Out2") << 4 << 1 << Ints{1920, 270, 270, 270, 270} << Ints{1920, 1080, 0, 1920, 270, 270};
        QTest::newRow("2X2 Out4") << 6 << 3 << Ints{1000, 920, 600, 480} << Ints{1920, 1080, 1000, 920, 600, 480};
    }
    void autoCalculation()
    {
        QFETCH(int, layout);
        QFETCH(int, port);
        QFETCH(QVector<int>, values);
        QFETCH(QVector<int>, shown);
        SimState state = mosaicDevice(layout, Format1920x1080, values);
        state.outputPort = port;
        MosaicPageFixture fx;
        QVERIFY(fx.start(state));
        QCOMPARE(fx.table()->index(values.size() - 1, 1).data().toInt(), values.last());

        act(fx, QStringLiteral("but_for_auto"), 0);
        QTRY_VERIFY(!fx.sent().isEmpty() && fx.link->pendingReadKeys().isEmpty());
        const QVector<int> page{fx.box("spinBox_LED_w"), fx.box("spinBox_LED_h"), fx.box("spinBox_for_x"),
                                fx.box("spinBox_for_w"), fx.box("spinBox_for_y"), fx.box("spinBox_for_h")};
        QCOMPARE(page, shown);
        const SimWindow unit = fx.sim->state().unitWindows[size_t(port)];
        QCOMPARE((QVector<int>{unit.x, unit.w, unit.y, unit.h}), shown.mid(2));
    }

    // Switching from Out1 (x 0, w 1920) to Out2 (x 960, w 960) shows x 960, not x clamped against the old
    // width (which a focus pass would then send).
    void windowShownWithoutStaleClamp()
    {
        SimState state = mosaicDevice();
        state.outputWindows[0] = SimWindow{32, 1920, 8, 1080};
        state.outputWindows[1] = SimWindow{992, 960, 8, 1080};
        MosaicPageFixture fx;
        QVERIFY(fx.start(state));
        act(fx, QStringLiteral("butBar_for_out_port"), 1);
        QTRY_COMPARE(fx.find<QLabel>("label_output_x")->text(), QStringLiteral("960"));
        QCOMPARE(fx.box("spinBox_outPut_x"), 960);
    }

    // Before the device's values are shown an edit sends nothing, and an editor opened and closed on
    // the table (its limit still 0) does not commit its own clamp.
    void editsBeforeTheDeviceValues()
    {
        MosaicPageFixture fx;
        QVERIFY(fx.start(mosaicDevice(), false));
        QSignalSpy charged(fx.link, &Singleton_SerialPort::fast1_charge);
        act(fx, QStringLiteral("spinBox_LED_w"), 4000);
        act(fx, QStringLiteral("spinBox_input_x"), 100);
        fx.clickToolBoxPage(0);
        QVERIFY(fx.editTable(0, 0, false));
        QCOMPARE(fx.box("spinBox_LED_w"), std::max(64, loadRecord(fx.link->deviceState.ledTotal).at(0)));
        QCOMPARE(fx.box("spinBox_input_x"), loadRecord(fx.link->deviceState.inputWindow).at(0) - 32);
        QCOMPARE(fx.table()->index(0, 1).data().toString(), QStringLiteral("888"));
        QCOMPARE(charged.count(), 0);
        QVERIFY(fx.sent().isEmpty());
    }

    // A language switch relabels the table and keeps the device's layout and values, whose count
    // command 21 sends; a refused edit puts back the values the device accepted last.
    void tableKeepsTheDeviceValues()
    {
        MosaicPageFixture fx;
        QVERIFY(fx.start(mosaicDevice(5, 10, {1000, 1000, 1000, 1000, 600})));
        fx.page->setLanguage(false);
        QCOMPARE(fx.table()->index(0, 0).data().toString(), QStringLiteral("Out1水平宽度"));
        QCOMPARE(fx.table()->index(4, 1).data().toInt(), 600);

        QVERIFY(fx.editTable(0, 1200));
        QTRY_COMPARE(fx.sim->state().fastValues[0][0], 1200);
        SimFaults refuse;
        refuse.errorForCode.insert(Rdx::FastValuesCommand, 12);
        fx.sim->setFaults(refuse);
        QVERIFY(fx.editTable(0, 1300));
        QTRY_COMPARE(fx.table()->index(0, 1).data().toInt(), 1200);
    }
};

QTEST_MAIN(tst_Page_Montage)
#include "tst_Page_Montage.moc"
