#include "RawClient.h"

#include <QtTest>

using Field = int SimState::*;
Q_DECLARE_METATYPE(Field)
Q_DECLARE_METATYPE(SimWindow)

// The simulated device's answers, byte for byte, as a panel on the other end of the wire sees them.
class tst_SimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusReadOverEachLine_data();
    void statusReadOverEachLine();
    void readKinds_data();
    void readKinds();
    void setCommands_data();
    void setCommands();
    void windowCommands();
    void fastValuesFiveValuePacking();
    void fastMosaicApplyDerivesWall_data();
    void fastMosaicApplyDerivesWall();
    void takeSwapsPresetIntoMain();
    void errors_data();
    void errors();
    void expansionModuleAllowsExt();
    void otherDeviceNumbersGetNoReply_data();
    void otherDeviceNumbersGetNoReply();
    void plainAcknowledgement();

private:
    bool accepted(const QByteArray& request) { return m_s->client.exchange(request).at(2) == 0; }

    std::unique_ptr<SimSession> m_s;
};

void tst_SimProtocol::init()
{
    m_s = std::make_unique<SimSession>();
    QVERIFY(m_s->start());
}

void tst_SimProtocol::cleanup()
{
    m_s.reset();
}

void tst_SimProtocol::statusReadOverEachLine_data()
{
    QTest::addColumn<bool>("serial");
    QTest::newRow("TCP") << false;
    QTest::newRow("pty") << true;
}

void tst_SimProtocol::statusReadOverEachLine()
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

void tst_SimProtocol::readKinds_data()
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

void tst_SimProtocol::readKinds()
{
    QFETCH(int, fastLayout);
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(QByteArray, expected);

    // Every field away from its default, so each lands in its own bits of the reply.
    SimState s;
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

void tst_SimProtocol::setCommands_data()
{
    QTest::addColumn<bool>("pipOn");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<Field>("field");
    QTest::addColumn<int>("expected");

    QTest::newRow("preselect + TAKE") << false << frame(1, 0, {1}) << &SimState::takeMode << 1;
    QTest::newRow("switch input, one key") << false << frame(1, 1, {7}) << &SimState::mainInput << 7;
    QTest::newRow("switch time") << false << frame(1, 3, {3}) << &SimState::switchTime << 3;
    QTest::newRow("PIP on") << false << frame(1, 4, {1}) << &SimState::pipOn << 1;
    QTest::newRow("PIP input") << true << frame(1, 5, {1}) << &SimState::pipInput << 1;
    QTest::newRow("PIP model") << false << frame(1, 6, {3}) << &SimState::pipModel << 3;
    QTest::newRow("brightness") << false << frame(1, 8, {100}) << &SimState::brightness << 100;
    QTest::newRow("contrast") << false << frame(1, 9, {0}) << &SimState::contrast << 0;
    QTest::newRow("color") << false << frame(1, 10, {77}) << &SimState::color << 77;
    QTest::newRow("output brightness") << false << frame(1, 11, {12}) << &SimState::outputBrightness << 12;
    QTest::newRow("display model") << false << frame(1, 16, {2}) << &SimState::showModel << 2;
    QTest::newRow("output port") << false << frame(1, 17, {3}) << &SimState::outputPort << 3;
    QTest::newRow("fast layout") << false << frame(1, 20, {6}) << &SimState::fastLayout << 6;
    QTest::newRow("AUTO keeps the input") << false << frame(1, 25, {0}) << &SimState::mainInput << 4;
    QTest::newRow("output format") << false << frame(1, 28, {12}) << &SimState::outputFormat << 12;
    QTest::newRow("audio 1") << false << frame(1, 29, {1, 2, 3}) << &SimState::audio1Source << 1;
    QTest::newRow("audio 3") << false << frame(1, 29, {1, 2, 3}) << &SimState::audio3Source << 3;
    QTest::newRow("DVI hotplug closed") << false << frame(1, 30, {0}) << &SimState::dviHotplug << 0;
}

void tst_SimProtocol::setCommands()
{
    QFETCH(bool, pipOn);
    QFETCH(QByteArray, request);
    QFETCH(Field, field);
    QFETCH(int, expected);

    SimState start;
    start.pipOn = pipOn;
    m_s->sim.setState(start);

    const QByteArray answer = m_s->client.exchange(request);
    QCOMPARE(answer.size(), 13);
    QCOMPARE(answer.mid(2, 2), QByteArray(2, '\0')); // a status reply
    QCOMPARE(m_s->sim.state().*field, expected);
    // The answer is the status after the command, the same a fresh status read gives.
    QCOMPARE(m_s->client.exchange(readRequest(0)), answer);
}

void tst_SimProtocol::windowCommands()
{
    SimState s;
    s.pipOn = 1;
    s.pipModel = 1;
    s.showModel = 2;
    s.outputPort = 1;
    m_s->sim.setState(s);

    QVERIFY(accepted(frame(1, 14, {0, 0x03, 0x20, 0x02, 0x80, 0x01, 0x2C, 0x01, 0x68})));
    QVERIFY(accepted(frame(1, 14, {1, 0x00, 0x00, 0x07, 0x80, 0x00, 0x00, 0x04, 0x38})));
    QVERIFY(accepted(frame(1, 18, {0, 0x00, 0x40, 0x03, 0x00, 0x00, 0x10, 0x02, 0x00})));
    QVERIFY(accepted(frame(1, 19, {0, 0x00, 0x20, 0x07, 0x80, 0x00, 0x08, 0x04, 0x38})));
    QVERIFY(accepted(frame(1, 22, {0, 0x0F, 0x00, 0x04, 0x38, 0, 0, 0, 0})));
    QVERIFY(accepted(frame(1, 23, {0, 0x07, 0x80, 0x07, 0x80, 0x00, 0x00, 0x04, 0x38})));

    const SimState after = m_s->sim.state();
    QCOMPARE(after.pipWindows[2], (SimWindow{800, 640, 300, 360}));
    QCOMPARE(after.pipWindows[3], (SimWindow{0, 1920, 0, 1080}));
    QCOMPARE(after.inputWindows[9], (SimWindow{64, 768, 16, 512}));
    QCOMPARE(after.outputWindows[9], (SimWindow{32, 1920, 8, 1080}));
    QCOMPARE(after.ledTotals[2], (std::array<int, 2>{3840, 1080}));
    QCOMPARE(after.unitWindows[9], (SimWindow{1920, 1920, 0, 1080}));
    // Other copies stay as they were.
    QCOMPARE(after.inputWindows[1], s.inputWindows[1]);
    QCOMPARE(after.pipWindows[0], s.pipWindows[0]);
}

void tst_SimProtocol::fastValuesFiveValuePacking()
{
    SimState s;
    s.fastLayout = 5; // 4X1: four widths and a height
    s.showModel = 1;
    m_s->sim.setState(s);
    // t0..t2 as words, then the high nibbles of t3 and t4 in one byte and their low bytes.
    QVERIFY(accepted(frame(1, 21, {0x01, 0xE0, 0x01, 0xE0, 0x01, 0xE0, 0x21, 0x34, 0x56})));
    QCOMPARE(m_s->sim.state().fastValues[1], (std::array<int, 5>{480, 480, 480, 0x234, 0x156}));

    s = m_s->sim.state();
    s.fastLayout = 0; // 1X2: three words
    m_s->sim.setState(s);
    QVERIFY(accepted(frame(1, 21, {0x07, 0x80, 0x02, 0x1C, 0x02, 0x1C})));
    QCOMPARE(m_s->sim.state().fastValues[1], (std::array<int, 5>{1920, 540, 540, 0x234, 0x156}));
}

void tst_SimProtocol::fastMosaicApplyDerivesWall_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QVector<int>>("values");
    QTest::addColumn<SimWindow>("unitOfPort1");
    QTest::addColumn<SimWindow>("unitOfPort3");

    using V = QVector<int>;
    QTest::newRow("1X2") << 0 << V{1920, 500, 580, 0, 0} << SimWindow{0, 1920, 500, 580}
                         << SimWindow{0, 1920, 500, 580};
    QTest::newRow("3X1") << 3 << V{600, 700, 620, 1080, 0} << SimWindow{600, 700, 0, 1080}
                         << SimWindow{0, 600, 0, 1080};
    QTest::newRow("2X2") << 6 << V{1000, 920, 600, 480, 0} << SimWindow{1000, 920, 0, 600}
                         << SimWindow{1000, 920, 600, 480};
}

void tst_SimProtocol::fastMosaicApplyDerivesWall()
{
    QFETCH(int, layout);
    QFETCH(QVector<int>, values);
    QFETCH(SimWindow, unitOfPort1);
    QFETCH(SimWindow, unitOfPort3);

    SimState s;
    s.fastLayout = layout;
    s.showModel = 3;
    std::copy(values.begin(), values.end(), s.fastValues[3].begin());
    m_s->sim.setState(s);
    QVERIFY(accepted(frame(1, 24, {0})));

    const SimState after = m_s->sim.state();
    QCOMPARE(after.ledTotals[3], (std::array<int, 2>{1920, 1080})); // every row adds up to the whole wall
    QCOMPARE(after.unitWindows[13], unitOfPort1);
    QCOMPARE(after.unitWindows[15], unitOfPort3);
}

void tst_SimProtocol::takeSwapsPresetIntoMain()
{
    SimState s;
    s.takeMode = 1;
    m_s->sim.setState(s);
    m_s->client.exchange(frame(1, 1, {2})); // preselect DVI1
    QCOMPARE(m_s->sim.state().mainInput, 4);
    QCOMPARE(m_s->sim.state().presetInput, 2);

    const QByteArray answer = m_s->client.exchange(frame(1, 2, {0}));
    QCOMPARE(quint8(answer[6]) & 0x0F, 2); // main input now DVI1
    QCOMPARE(quint8(answer[7]) >> 4, 4);   // HDMI1 waits as the preselection
    QCOMPARE(m_s->sim.state().mainInput, 2);

    // Preselected EXT. without an expansion module cannot be taken.
    s = m_s->sim.state();
    s.presetInput = 0;
    m_s->sim.setState(s);
    QCOMPARE(m_s->client.exchange(frame(1, 2, {0})), reply(0xFF, {9}));
    QCOMPARE(m_s->sim.state(), s);
}

void tst_SimProtocol::errors_data()
{
    QTest::addColumn<bool>("pipOn");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("error");

    for (int code : {7, 12, 13, 15, 27, 31, 200})
        QTest::addRow("unknown code %d", code) << false << frame(1, code, {1}) << 5;
    QTest::newRow("unknown read kind") << false << readRequest(3) << 5;
    QTest::newRow("window index past the table") << false << readRequest(9, 16) << 12;
    QTest::newRow("input code 8") << false << frame(1, 1, {8}) << 12;
    QTest::newRow("switch time 4") << false << frame(1, 3, {4}) << 12;
    QTest::newRow("PIP model 4") << false << frame(1, 6, {4}) << 12;
    QTest::newRow("display model 4") << false << frame(1, 16, {4}) << 12;
    QTest::newRow("output port 4") << false << frame(1, 17, {4}) << 12;
    QTest::newRow("fast layout 7") << false << frame(1, 20, {7}) << 12;
    QTest::newRow("brightness 101") << false << frame(1, 8, {101}) << 12;
    QTest::newRow("output brightness 33") << false << frame(1, 11, {33}) << 12;
    QTest::newRow("output format 4") << false << frame(1, 28, {4}) << 12;
    QTest::newRow("output format 13") << false << frame(1, 28, {13}) << 12;
    QTest::newRow("audio source 8") << false << frame(1, 29, {7, 8, 6}) << 12;
    QTest::newRow("DVI hotplug 2") << false << frame(1, 30, {2}) << 12;
    QTest::newRow("PIP window past the right edge")
        << true << frame(1, 14, {0, 0x03, 0xE8, 0x03, 0xE8, 0x00, 0x00, 0x01, 0x00}) << 12;
    QTest::newRow("PIP window past the bottom")
        << true << frame(1, 14, {1, 0x00, 0x00, 0x01, 0x00, 0x03, 0x80, 0x01, 0x00}) << 12;
    QTest::newRow("PIP input while PIP is off") << false << frame(1, 5, {3}) << 13;
    QTest::newRow("TAKE in one key mode") << false << frame(1, 2, {0}) << 13;
    QTest::newRow("EXT. without module") << false << frame(1, 1, {0}) << 9;
    QTest::newRow("EXT. as PIP input without module") << true << frame(1, 5, {0}) << 9;
}

void tst_SimProtocol::errors()
{
    QFETCH(bool, pipOn);
    QFETCH(QByteArray, request);
    QFETCH(int, error);

    SimState s;
    s.pipOn = pipOn;
    m_s->sim.setState(s);
    QCOMPARE(m_s->client.exchange(request).toHex(' '), reply(0xFF, {error}).toHex(' '));
    QCOMPARE(m_s->sim.state(), s);
}

void tst_SimProtocol::expansionModuleAllowsExt()
{
    SimFixture::Options options;
    options.extModule = true;
    SimSession s(options);
    QVERIFY(s.start());
    // EXT. on the output, and the status names the module's mode.
    QCOMPARE(s.client.exchange(frame(1, 1, {0})), reply(0, {0, 0, 6, 0x00, 0x75, 0x37, 0x56, 0, 0}));
}

void tst_SimProtocol::otherDeviceNumbersGetNoReply_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("other");
    QTest::newRow("device 1 ignores 2") << 1 << 2;
    QTest::newRow("device 5 ignores 1") << 5 << 1;
}

void tst_SimProtocol::otherDeviceNumbersGetNoReply()
{
    QFETCH(int, device);
    QFETCH(int, other);
    SimFixture::Options options;
    options.deviceNumber = device;
    options.serial = false;
    SimSession s(options);
    QVERIFY(s.start());
    QVERIFY(s.sim.serialPath().isEmpty());

    s.client.send(frame(other, 1, {7}));
    QTRY_COMPARE(s.sim.received().size(), 1);
    // Replies keep their order, so anything sent for the other device would come before this one.
    QCOMPARE(s.client.exchange(readRequest(8, 0, device)), reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0}, device));
    QCOMPARE(s.sim.state().mainInput, 4);
    QCOMPARE(s.sim.repliesSent(), 1);
    // Every frame is logged in order, whichever device it was for.
    const QVector<Rdx::Frame> log = s.sim.received();
    QCOMPARE(log.size(), 2);
    QCOMPARE(Rdx::toByteArray(log[0]), frame(other, 1, {7}));
    QCOMPARE(Rdx::toByteArray(log[1]), readRequest(8, 0, device));
    s.sim.clearReceived();
    QVERIFY(s.sim.received().isEmpty());
}

void tst_SimProtocol::plainAcknowledgement()
{
    m_s->sim.setFaults(faultsWith([](SimFaults& f) { f.plainAck = true; }));
    QCOMPARE(m_s->client.exchange(frame(1, 3, {2})), reply(0, {0x7F}));
    QCOMPARE(m_s->sim.state().switchTime, 2);
    // Reads still carry data, and errors are still errors.
    QCOMPARE(quint8(m_s->client.exchange(readRequest(0))[6]), quint8(0x24));
    QCOMPARE(m_s->client.exchange(frame(1, 3, {9})), reply(0xFF, {12}));
}

QTEST_GUILESS_MAIN(tst_SimProtocol)
#include "tst_SimProtocol.moc"
