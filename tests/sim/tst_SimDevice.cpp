#include "RawClient.h"

#include <QtTest>
#include <functional>

using Edit = std::function<void(SimState&)>;
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(SimFaults)

// The simulated device's answers and its injected faults, byte for byte, as a panel on the other end of the
// wire sees them: what the panel's own tests rely on when they run against it.
class tst_SimDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusReadOverEachLine_data();
    void statusReadOverEachLine();
    void readKinds_data();
    void readKinds();
    void commands_data();
    void commands();
    void otherDeviceNumbersGetNoReply();

    void faults_data();
    void faults();
    void randomFaultsFollowTheSeed();
    void pacedSerialDeliversByteByByte();

private:
    std::unique_ptr<SimSession> m_s;
};

void tst_SimDevice::init()
{
    m_s = std::make_unique<SimSession>();
    QVERIFY(m_s->start());
}

void tst_SimDevice::cleanup()
{
    m_s.reset();
}

void tst_SimDevice::statusReadOverEachLine_data()
{
    QTest::addColumn<bool>("serial");
    QTest::newRow("TCP") << false;
    QTest::newRow("pty") << true;
}

void tst_SimDevice::statusReadOverEachLine()
{
    QFETCH(bool, serial);
    RawClient serialClient;
    if (serial)
        QVERIFY(serialClient.openSerial(m_s->sim.serialPath()));
    RawClient& client = serial ? serialClient : m_s->client;
    const QByteArray request = readRequest(0);
    QCOMPARE(client.exchange(request), defaultStatus());
    // A frame split across writes after line noise is gathered, and a stray marker in front of one is skipped.
    client.send(QByteArray::fromHex("0013") + request.left(5));
    client.send(request.mid(5));
    QCOMPARE(client.readAtLeast(13), defaultStatus());
    QCOMPARE(client.exchange(QByteArray(1, char(0x91)) + request), defaultStatus());
    QCOMPARE(m_s->sim.repliesSent(), 3);
}

void tst_SimDevice::readKinds_data()
{
    QTest::addColumn<int>("fastLayout");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("status") << 3 << 0 << 0 << reply(0, {0, 0, 11, 0x32, 0x06, 0x31, 0x23, 0x23, 0x76});
    QTest::newRow("PIP sub of model 1") << 0 << 6 << 2 << reply(0, {6, 0x00, 0x64, 0x02, 0x80, 0x00, 0xC8, 0x01, 0x68});
    QTest::newRow("PIP main of model 1, flagged")
        << 0 << 6 << 3 << reply(0, {6, 0x81, 0x2C, 0x06, 0x40, 0x00, 0x32, 0x03, 0x84});
    QTest::newRow("picture") << 0 << 8 << 0 << reply(0, {8, 10, 20, 30, 31, 0, 0, 0, 0});
    QTest::newRow("input window 5") << 0 << 9 << 5 << reply(0, {9, 0x00, 0x28, 0x03, 0x20, 0x00, 0x10, 0x02, 0x58});
    QTest::newRow("output window 15") << 0 << 10 << 15
                                      << reply(0, {10, 0x01, 0x00, 0x07, 0x80, 0x00, 0x08, 0x04, 0x38});
    QTest::newRow("LED total of model 2") << 0 << 11 << 8 << reply(0, {11, 0x16, 0x80, 0x04, 0x38, 0, 0, 0, 0});
    QTest::newRow("unit window 6") << 0 << 12 << 6 << reply(0, {12, 0x07, 0x80, 0x07, 0x80, 0x02, 0x1C, 0x02, 0x1C});
    QTest::newRow("fast values of model 1, four words")
        << 0 << 13 << 4 << reply(0, {13, 0x07, 0x80, 0x02, 0x1C, 0x02, 0x1C, 0x00, 0x00});
    QTest::newRow("fast values of model 0, 1X4 packing")
        << 4 << 13 << 0 << reply(0, {13, 0x07, 0x80, 0x12, 0x34, 0x56, 0xA0, 0xBC, 0xDE});
    QTest::newRow("fast values of model 0, 4X1 packing")
        << 5 << 13 << 0 << reply(0, {13, 0x07, 0x80, 0x12, 0x34, 0x56, 0xA0, 0xBC, 0xDE});
}

void tst_SimDevice::readKinds()
{
    QFETCH(int, fastLayout);
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(QByteArray, expected);

    // Every field away from its default, so each lands in its own bits of the reply.
    SimState s;
    using Field = int SimState::*;
    const std::pair<Field, int> fields[] = {
        {&SimState::outputFormat, 11}, {&SimState::mainInput, 2},    {&SimState::switchTime, 3},
        {&SimState::pipInput, 6},      {&SimState::presetInput, 0},  {&SimState::audio1Source, 1},
        {&SimState::extInputMode, 1},  {&SimState::audio2Source, 3}, {&SimState::audio3Source, 2},
        {&SimState::pipModel, 2},      {&SimState::takeMode, 1},     {&SimState::pipOn, 1},
        {&SimState::showModel, 2},     {&SimState::outputPort, 3},   {&SimState::brightness, 10},
        {&SimState::contrast, 20},     {&SimState::color, 30},       {&SimState::outputBrightness, 31}};
    for (const auto& [field, value] : fields)
        s.*field = value;
    s.fastLayout = fastLayout;
    s.pipWindows[2] = {100, 640, 200, 360};
    s.pipWindows[3] = {300, 1600, 50, 900};
    s.inputWindows[5] = {40, 800, 16, 600};
    s.outputWindows[15] = {256, 1920, 8, 1080};
    s.unitWindows[6] = {1920, 1920, 540, 540};
    s.ledTotals[2] = {5760, 1080};
    s.fastValues[1] = {1920, 540, 540, 0, 0};
    s.fastValues[0] = {1920, 0x134, 0x256, 0xABC, 0x0DE};
    m_s->sim.setState(s);

    QCOMPARE(m_s->client.exchange(readRequest(kind, index)).toHex(' '), expected.toHex(' '));
    QCOMPARE(m_s->sim.state(), s); // reads change nothing
}

void tst_SimDevice::commands_data()
{
    QTest::addColumn<Edit>("setup"); // the device before the command
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<Edit>("change"); // what the command changes; an error reply changes nothing
    QTest::addColumn<int>("error");   // 0: the answer is the new status

    const Edit fresh = [](SimState&) {};
    const Edit pipOn = [](SimState& s) { s.pipOn = 1; };
    const Edit preselect = [](SimState& s) { s.takeMode = 1; };
    auto set = [](int SimState::*field, int value) { return Edit([=](SimState& s) { s.*field = value; }); };
    auto accepted = [&](const char* name, const Edit& setup, const QByteArray& request, const Edit& change) {
        QTest::newRow(name) << setup << request << change << 0;
    };
    auto refused = [&](const char* name, const Edit& setup, const QByteArray& request, int error) {
        QTest::newRow(name) << setup << request << fresh << error;
    };

    accepted("preselect + TAKE", fresh, frame(1, 0, {1}), set(&SimState::takeMode, 1));
    accepted("switch input, one key", fresh, frame(1, 1, {7}), set(&SimState::mainInput, 7));
    accepted("switch input, preselected", preselect, frame(1, 1, {2}), set(&SimState::presetInput, 2));
    accepted("TAKE swaps the preselection in", preselect, frame(1, 2, {0}), [](SimState& s) {
        s.mainInput = 7;
        s.presetInput = 4;
    });
    accepted("EXT. with an expansion module", set(&SimState::extInputMode, 1), frame(1, 1, {0}),
             set(&SimState::mainInput, 0));
    accepted("switch time", fresh, frame(1, 3, {3}), set(&SimState::switchTime, 3));
    accepted("PIP on", fresh, frame(1, 4, {1}), set(&SimState::pipOn, 1));
    accepted("PIP input", pipOn, frame(1, 5, {1}), set(&SimState::pipInput, 1));
    accepted("PIP model", fresh, frame(1, 6, {3}), set(&SimState::pipModel, 3));
    accepted("brightness", fresh, frame(1, 8, {100}), set(&SimState::brightness, 100));
    accepted("contrast", fresh, frame(1, 9, {0}), set(&SimState::contrast, 0));
    accepted("color", fresh, frame(1, 10, {77}), set(&SimState::color, 77));
    accepted("output brightness", fresh, frame(1, 11, {12}), set(&SimState::outputBrightness, 12));
    accepted("display model", fresh, frame(1, 16, {2}), set(&SimState::showModel, 2));
    accepted("output port", fresh, frame(1, 17, {3}), set(&SimState::outputPort, 3));
    accepted("fast layout", fresh, frame(1, 20, {6}), set(&SimState::fastLayout, 6));
    accepted("AUTO keeps the input", fresh, frame(1, 25, {0}), fresh);
    accepted(
        "reset", [](SimState& s) { s.brightness = s.contrast = s.color = s.outputBrightness = 9; }, frame(1, 26, {0}),
        [](SimState& s) { s.brightness = s.contrast = s.color = 50, s.outputBrightness = 32; });
    accepted("output format", fresh, frame(1, 28, {12}), set(&SimState::outputFormat, 12));
    accepted("audio", fresh, frame(1, 29, {1, 2, 3}), [](SimState& s) {
        s.audio1Source = 1;
        s.audio2Source = 2;
        s.audio3Source = 3;
    });
    accepted("DVI hotplug closed", fresh, frame(1, 30, {0}), set(&SimState::dviHotplug, 0));

    // Windows land in the copy of the current PIP model, or of display model 2 and output port 1.
    const Edit windows = [](SimState& s) { s.pipOn = 1, s.pipModel = 1, s.showModel = 2, s.outputPort = 1; };
    auto place = [](auto table, int index, SimWindow window) {
        return Edit([=](SimState& s) { (s.*table)[index] = window; });
    };
    accepted("PIP sub window", windows, frame(1, 14, {0, 0x03, 0x20, 0x02, 0x80, 0x01, 0x2C, 0x01, 0x68}),
             place(&SimState::pipWindows, 2, {800, 640, 300, 360}));
    accepted("PIP main window", windows, frame(1, 14, {1, 0x00, 0x64, 0x03, 0x20, 0x00, 0x32, 0x02, 0x58}),
             place(&SimState::pipWindows, 3, {100, 800, 50, 600}));
    accepted("input window", windows, frame(1, 18, {0, 0x00, 0x40, 0x03, 0x00, 0x00, 0x10, 0x02, 0x00}),
             place(&SimState::inputWindows, 9, {64, 768, 16, 512}));
    accepted("output window", windows, frame(1, 19, {0, 0x00, 0x20, 0x07, 0x80, 0x00, 0x08, 0x04, 0x38}),
             place(&SimState::outputWindows, 9, {32, 1920, 8, 1080}));
    accepted("LED total", windows, frame(1, 22, {0, 0x0F, 0x00, 0x04, 0x38, 0, 0, 0, 0}), Edit([](SimState& s) {
                 s.ledTotals[2] = {3840, 1080};
             }));
    accepted("unit window", windows, frame(1, 23, {0, 0x07, 0x80, 0x07, 0x80, 0x00, 0x00, 0x04, 0x38}),
             place(&SimState::unitWindows, 9, {1920, 1920, 0, 1080}));

    // Fast values of display model 1: t0..t2 as words, then the high nibbles of t3 and t4 in one byte and
    // their low bytes for layout 4X1; three words for 1X2, which leaves the others.
    auto fast = [](int layout, std::array<int, 5> values) {
        return Edit([=](SimState& s) { s.fastLayout = layout, s.showModel = 1, s.fastValues[1] = values; });
    };
    accepted("fast values, 4X1 packs five", fast(5, {}),
             frame(1, 21, {0x01, 0xE0, 0x01, 0xE0, 0x01, 0xE0, 0x21, 0x34, 0x56}),
             fast(5, {480, 480, 480, 0x234, 0x156}));
    accepted("fast values, 1X2 takes three words", fast(0, {0, 0, 0, 7, 8}),
             frame(1, 21, {0x07, 0x80, 0x02, 0x1C, 0x02, 0x1C}), fast(0, {1920, 540, 540, 7, 8}));

    // Fast Mosaic 1 derives the LED wall and every output's unit window from the layout and its values.
    auto mosaic = [](int layout, std::array<int, 5> values) {
        return Edit([=](SimState& s) { s.fastLayout = layout, s.showModel = 3, s.fastValues[3] = values; });
    };
    auto wall = [](SimWindow a, SimWindow b, SimWindow c, SimWindow d) {
        return Edit([=](SimState& s) {
            s.ledTotals[3] = {1920, 1080}; // every row adds up to the whole wall
            s.unitWindows[12] = a, s.unitWindows[13] = b, s.unitWindows[14] = c, s.unitWindows[15] = d;
        });
    };
    accepted("fast mosaic 1X2", mosaic(0, {1920, 500, 580, 0, 0}), frame(1, 24, {0}),
             wall({0, 1920, 0, 500}, {0, 1920, 500, 580}, {0, 1920, 0, 500}, {0, 1920, 500, 580}));
    accepted("fast mosaic 3X1", mosaic(3, {600, 700, 620, 1080, 0}), frame(1, 24, {0}),
             wall({0, 600, 0, 1080}, {600, 700, 0, 1080}, {1300, 620, 0, 1080}, {0, 600, 0, 1080}));
    accepted("fast mosaic 2X2", mosaic(6, {1000, 920, 600, 480, 0}), frame(1, 24, {0}),
             wall({0, 1000, 0, 600}, {1000, 920, 0, 600}, {0, 1000, 600, 480}, {1000, 920, 600, 480}));
    accepted("fast mosaic 2 keeps what was sent", mosaic(6, {1000, 920, 600, 480, 0}), frame(1, 24, {1}), fresh);

    for (int code : {7, 12, 13, 15, 27, 31, 200})
        refused(qPrintable(QStringLiteral("unknown code %1").arg(code)), fresh, frame(1, code, {1}), 5);
    refused("unknown read kind", fresh, readRequest(3), 5);
    refused("window index past the table", fresh, readRequest(9, 16), 12);
    refused("input code 8", fresh, frame(1, 1, {8}), 12);
    refused("switch time 4", fresh, frame(1, 3, {4}), 12);
    refused("PIP model 4", fresh, frame(1, 6, {4}), 12);
    refused("display model 4", fresh, frame(1, 16, {4}), 12);
    refused("output port 4", fresh, frame(1, 17, {4}), 12);
    refused("fast layout 7", fresh, frame(1, 20, {7}), 12);
    refused("brightness 101", fresh, frame(1, 8, {101}), 12);
    refused("output brightness 33", fresh, frame(1, 11, {33}), 12);
    refused("output format 4", fresh, frame(1, 28, {4}), 12);
    refused("output format 13", fresh, frame(1, 28, {13}), 12);
    refused("audio source 8", fresh, frame(1, 29, {7, 8, 6}), 12);
    refused("DVI hotplug 2", fresh, frame(1, 30, {2}), 12);
    refused("PIP window past the right edge", pipOn, frame(1, 14, {0, 0x03, 0xE8, 0x03, 0xE8, 0x00, 0x00, 0x01, 0x00}),
            12);
    refused("PIP window past the bottom", pipOn, frame(1, 14, {1, 0x00, 0x00, 0x01, 0x00, 0x03, 0x80, 0x01, 0x00}), 12);
    refused("PIP input while PIP is off", fresh, frame(1, 5, {3}), 13);
    refused("TAKE in one key mode", fresh, frame(1, 2, {0}), 13);
    refused(
        "TAKE of EXT. without module", [](SimState& s) { s.takeMode = 1, s.presetInput = 0; }, frame(1, 2, {0}), 9);
    refused("EXT. without module", fresh, frame(1, 1, {0}), 9);
    refused("EXT. as PIP input without module", pipOn, frame(1, 5, {0}), 9);
}

void tst_SimDevice::commands()
{
    QFETCH(Edit, setup);
    QFETCH(QByteArray, request);
    QFETCH(Edit, change);
    QFETCH(int, error);

    SimState before;
    setup(before);
    m_s->sim.setState(before);
    const QByteArray answer = m_s->client.exchange(request);
    SimState expected = before;
    change(expected);
    QCOMPARE(m_s->sim.state(), expected);
    if (error)
        QCOMPARE(answer.toHex(' '), reply(0xFF, {error}).toHex(' '));
    else // the status after the command, the same a fresh status read gives
        QCOMPARE(answer.toHex(' '), m_s->client.exchange(readRequest(0)).toHex(' '));
}

void tst_SimDevice::otherDeviceNumbersGetNoReply()
{
    SimFixture::Options options;
    options.deviceNumber = 5;
    options.serial = false;
    SimSession s(options);
    QVERIFY(s.start());
    QVERIFY(s.sim.serialPath().isEmpty());

    s.client.send(frame(1, 1, {7}));
    QTRY_COMPARE(s.sim.received().size(), 1);
    // Replies keep their order, so anything sent for the other device would come before this one.
    QCOMPARE(s.client.exchange(readRequest(8, 0, 5)), reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0}, 5));
    QCOMPARE(s.sim.state().mainInput, 4);
    QCOMPARE(s.sim.repliesSent(), 1);
    // Every frame is logged in order, whichever device it was for.
    const QVector<Rdx::Frame> log = s.sim.received();
    QCOMPARE(log.size(), 2);
    QCOMPARE(Rdx::toByteArray(log[0]), frame(1, 1, {7}));
    QCOMPARE(Rdx::toByteArray(log[1]), readRequest(8, 0, 5));
    s.sim.clearReceived();
    QVERIFY(s.sim.received().isEmpty());
}

void tst_SimDevice::faults_data()
{
    QTest::addColumn<SimFaults>("faults");
    QTest::addColumn<QVector<QByteArray>>("frames"); // sent one by one, each once the device has the last
    QTest::addColumn<bool>("heldAfterFirst");        // no reply yet once the first frame was handled
    QTest::addColumn<QByteArray>("expected");        // everything that comes back
    QTest::addColumn<int>("minDeliveries");

    using Frames = QVector<QByteArray>;
    QTest::newRow("silent code, which acts all the same")
        << faultsWith([](SimFaults& f) { f.silentCodes = {3}; }) << Frames{frame(1, 3, {1}), readRequest(0)} << true
        << reply(0, {0, 0, 6, 0x14, 0x75, 0x17, 0x56, 0, 0}) << 1;
    QTest::newRow("silent read kind") << faultsWith([](SimFaults& f) { f.silentKinds = {8}; })
                                      << Frames{readRequest(8), readRequest(0)} << true << defaultStatus() << 1;
    QTest::newRow("error for a code, which then changes nothing")
        << faultsWith([](SimFaults& f) { f.errorForCode.insert(1, 7); }) << Frames{frame(1, 1, {7}), readRequest(0)}
        << false << reply(0xFF, {7}) + defaultStatus() << 1;
    QTest::newRow("stray bytes come once")
        << faultsWith([](SimFaults& f) { f.strayBytes = QByteArray::fromHex("AA55"); })
        << Frames{readRequest(0), readRequest(0)} << false
        << QByteArray::fromHex("AA55") + defaultStatus() + defaultStatus() << 1;
    QTest::newRow("glued replies come together")
        << faultsWith([](SimFaults& f) { f.glueReplies = true; }) << Frames{readRequest(8), readRequest(0)} << true
        << defaultPicture() + defaultStatus() << 1;
    QTest::newRow("replies byte by byte") << faultsWith([](SimFaults& f) { f.chunkSize = 1; }) << Frames{readRequest(8)}
                                          << false << defaultPicture() << 2;
}

void tst_SimDevice::faults()
{
    QFETCH(SimFaults, faults);
    QFETCH(QVector<QByteArray>, frames);
    QFETCH(bool, heldAfterFirst);
    QFETCH(QByteArray, expected);
    QFETCH(int, minDeliveries);

    m_s->sim.setFaults(faults);
    for (int i = 0; i < frames.size(); ++i) {
        m_s->client.send(frames[i]);
        if (i == 0 && heldAfterFirst) {
            QTRY_COMPARE(m_s->sim.received().size(), 1);
            QCOMPARE(m_s->sim.repliesSent(), 0);
        }
    }
    int reads = 0;
    QCOMPARE(m_s->client.readAtLeast(expected.size(), 5000, &reads).toHex(' '), expected.toHex(' '));
    QVERIFY2(reads >= minDeliveries, qPrintable(QStringLiteral("reads: %1").arg(reads)));
}

void tst_SimDevice::randomFaultsFollowTheSeed()
{
    auto run = [](quint32 seed) {
        SimSession s;
        if (!s.start())
            return QByteArray();
        s.sim.setFaults(faultsWith([seed](SimFaults& f) {
            f.randomSeed = seed;
            f.randomFaultRate = 0.6;
        }));
        for (int i = 0; i < 24; ++i) {
            s.client.send(frame(1, 3, {i % 4}));
            QDeadlineTimer deadline(5000);
            while (s.sim.received().size() <= i && !deadline.hasExpired())
                QTest::qWait(5);
        }
        return s.client.drain(1500);
    };
    const QByteArray first = run(7);
    QVERIFY(!first.isEmpty());
    QCOMPARE(run(7).toHex(' '), first.toHex(' '));
    QVERIFY(run(8) != first);
    // At this rate some replies are lost, altered or padded: the stream is not 24 clean replies.
    QByteArray clean;
    for (int i = 0; i < 24; ++i)
        clean += reply(0, {0, 0, 6, 0x04 | (i % 4) << 4, 0x75, 0x17, 0x56, 0, 0});
    QVERIFY(first != clean);
}

void tst_SimDevice::pacedSerialDeliversByteByByte()
{
    SimFixture::Options options;
    options.paced = true;
    options.tcp = false;
    SimFixture sim(options);
    QVERIFY(sim.start());
    RawClient serial;
    QVERIFY(serial.openSerial(sim.serialPath()));
    // A loaded machine may read late and find a whole reply waiting; an unpaced line never spreads one.
    int most = 0;
    for (int round = 0; round < 5 && most < 3; ++round) {
        serial.send(readRequest(8));
        int reads = 0;
        QCOMPARE(serial.readAtLeast(13, 5000, &reads), defaultPicture());
        most = std::max(most, reads);
    }
    QVERIFY2(most >= 3, qPrintable(QStringLiteral("reads: %1").arg(most)));
}

QTEST_GUILESS_MAIN(tst_SimDevice)
#include "tst_SimDevice.moc"
