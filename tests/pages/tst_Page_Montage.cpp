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

using Reads = QVector<QPoint>;

struct CommandRow
{
    int layout, format;
    const char* control;
    int value;
    Ints frame; // code, parameter bytes
    Reads reads;
    int refused; // -1: accepted; else the value the control shows again
};

} // namespace

Q_DECLARE_METATYPE(CommandRow)

class tst_Page_Montage : public QObject
{
    Q_OBJECT

private slots:
    // The frame each action sends and what the page reads back after the device accepted it. The device
    // acknowledges without a status and leaves the status read unanswered, so the reads are addressed
    // from what the page sent. A refused command reads nothing and puts its control back.
    void commandsAndReReads_data()
    {
        QTest::addColumn<CommandRow>("row");
        const int fhd = Format1920x1080;
        const Ints inputX = withWords({18, 0}, {132, 960, 8, 540});
        const Ints led4000 = withWords({22, 0}, {4000, 2160, 0, 0});
        QTest::newRow("display model M3")
            << CommandRow{0, fhd, "wid_model", 2, {16, 2}, {{0, 0}, {11, 8}, {12, 8}, {13, 8}, {9, 8}, {10, 8}}, -1};
        QTest::newRow("output port Out2")
            << CommandRow{0, fhd, "butBar_for_out_port", 1, {17, 1}, {{12, 1}, {9, 1}, {10, 1}}, -1};
        QTest::newRow("layout 3X1") << CommandRow{0, fhd, "widget", 3, {20, 3}, {{13, 0}, {9, 0}, {10, 0}}, -1};
        QTest::newRow("Ok of fast mosaic 1") << CommandRow{0, fhd, "but_for_auto", 0, {24, 0}, {{9, 0}}, -1};
        QTest::newRow("Ok of fast mosaic 2")
            << CommandRow{0, fhd, "pushButton_for_auto", 0, {24, 1}, {{9, 0}, {10, 0}}, -1};
        QTest::newRow("LED width") << CommandRow{0, fhd, "spinBox_LED_w", 4000, led4000, {{11, 0}}, -1};
        QTest::newRow("unit width, read back")
            << CommandRow{0, fhd, "spinBox_for_w", 960, withWords({23, 0}, {0, 960, 0, 1080}), {{12, 0}}, -1};
        QTest::newRow("input x + 32") << CommandRow{0, fhd, "spinBox_input_x", 100, inputX, {{9, 0}}, -1};
        // x + w may pass the width by 48 at most: with w 960, x 1500 becomes 1008.
        QTest::newRow("input x within the width")
            << CommandRow{0, fhd, "spinBox_input_x", 1500, withWords({18, 0}, {1040, 960, 8, 540}), {{9, 0}}, -1};
        QTest::newRow("output y + 8") << CommandRow{
            0, fhd, "spinBox_outPut_y", 10, withWords({19, 0}, {32, 960, 18, 540}), {{10, 0}}, -1};
        QTest::newRow("table 1X2") << CommandRow{0,  fhd, "tableView", 1200, withWords({21}, {1200, 1000, 1000}),
                                                 {}, -1};
        // 4X1 at 3600 x 600: Out4's width 2475 (0x9AB) and the height 1080 (0x438) share a nibble byte.
        QTest::newRow("table 4X1 nibbles") << CommandRow{
            5, 10, "tableView", 32475, {21, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x94, 0xAB, 0x38}, {}, -1};
        QTest::newRow("display model refused") << CommandRow{0, fhd, "wid_model", 2, {16, 2}, {}, 0};
        // The refused total had cut the unit width to 1000: the width and its limit go back too.
        QTest::newRow("LED width refused")
            << CommandRow{0, fhd, "spinBox_LED_w", 1000, withWords({22, 0}, {1000, 2160, 0, 0}), {}, 3840};
        QTest::newRow("input x refused") << CommandRow{0, fhd, "spinBox_input_x", 100, inputX, {}, 0};
        // Unanswered, though the device took it: the page asks and shows what the device has.
        QTest::newRow("input x unanswered") << CommandRow{0, fhd, "spinBox_input_x", 100, inputX, {{9, 0}}, 100};
        QTest::newRow("LED width unanswered")
            << CommandRow{0, fhd, "spinBox_LED_w", 4000, led4000, {{11, 0}, {12, 0}}, 4000};
        // At 1024 x 768 a height limit is 768: typed on a stored 1000, the clamped opening value still goes out.
        QTest::newRow("table typed at its limit")
            << CommandRow{0, 0, "tableView", 10768, withWords({21}, {1000, 768, 1000}), {}, -1};
    }
    void commandsAndReReads()
    {
        QFETCH(CommandRow, row);
        MosaicPageFixture fx;
        QVERIFY(fx.start(mosaicDevice(row.layout, row.format, {1000, 1000, 1000, 1000, 1080})));
        SimFaults faults;
        faults.plainAck = true;
        faults.silentKinds = {Rdx::StatusRead};
        const bool unanswered = QByteArray(QTest::currentDataTag()).endsWith("unanswered");
        fx.failCommand(row.frame[0], unanswered ? -2 : row.refused >= 0 ? 12 : 0, faults);
        fx.sim->clearReceived();
        const QString control = QLatin1String(row.control);

        if (control == QLatin1String("tableView"))
            fx.editTable(row.value / 10000, row.value % 10000); // a table edit's value is row * 10000 + value
        else
            fx.act(control, row.value);
        QTRY_COMPARE(fx.lastCommand(row.frame.size() - 1), row.frame);
        QCOMPARE(fx.readsAfterCommand(), row.reads);
        QCOMPARE(fx.sent().size(), 1);
        if (row.refused >= 0)
            QTRY_COMPARE(fx.shown(control), row.refused);
        if (control == QLatin1String("spinBox_LED_w") && !unanswered) {
            QCOMPARE(fx.box("spinBox_for_w"), loadRecord(fx.link->deviceState.unitWindow).at(1));
            QCOMPARE(fx.find<QSpinBox>("spinBox_for_w")->maximum(), fx.box("spinBox_LED_w"));
        }
    }

    // A format with a smaller picture cuts the shown manual values, and passing through the boxes sends none.
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
        SimState state = mosaicDevice();
        state.inputWindows.fill(SimWindow{1832, 960, 8, 540});
        MosaicPageFixture fx;
        QVERIFY(fx.start(state));
        state.outputFormat = format;
        fx.sim->setState(state);
        QVERIFY(fx.refresh());
        const auto limits = [&](const char* x, const char* y) {
            return QSize(fx.find<QSpinBox>(x)->maximum(), fx.find<QSpinBox>(y)->maximum());
        };
        QCOMPARE(limits("spinBox_outPut_x", "spinBox_outPut_y"), output);
        QCOMPARE(limits("spinBox_input_x", "spinBox_input_y"), input);
        QCOMPARE(fx.box("spinBox_input_x"), std::min(1800, input.width()));
        const auto* canvas = fx.find<MyCanvasMes>("wid_for_input");
        QCOMPARE(canvas->widthCaption, QString::number(input.width()));
        QCOMPARE(canvas->windowRect().size(),
                 QSize(int(960 / (input.width() / 340.0)), int(540 / (input.height() / 220.0))));
        fx.clickToolBoxPage(2);
        fx.find<QSpinBox>("spinBox_input_x")->setFocus();
        fx.find<QSpinBox>("spinBox_input_y")->setFocus();
        QVERIFY(fx.sent().isEmpty());
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

        fx.act(QStringLiteral("but_for_auto"), 0);
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
        fx.act(QStringLiteral("butBar_for_out_port"), 1);
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
        fx.act(QStringLiteral("spinBox_LED_w"), 4000);
        fx.act(QStringLiteral("spinBox_input_x"), 100);
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
        fx.failCommand(Rdx::FastValuesCommand, 12);
        QVERIFY(fx.editTable(0, 1300));
        QTRY_COMPARE(fx.table()->index(0, 1).data().toInt(), 1200);
    }
};

QTEST_MAIN(tst_Page_Montage)
#include "tst_Page_Montage.moc"
