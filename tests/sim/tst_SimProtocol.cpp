#include "RawClient.h"
#include "sim/SimFixture.h"

#include <QtTest>

// The simulated device's answers, byte for byte, as a panel on the other end of the wire sees them.
class tst_SimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusReadOverTcp();
    void statusReadOverSerial();
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
    void otherDeviceNumbersGetNoReply();
    void deviceNumberOption();
    void plainAcknowledgement();
    void resynchronisesOnFrameMarker();
    void receivedLog();

private:
    std::unique_ptr<SimFixture> m_sim;
    RawClient m_client;
};

static const QByteArray DefaultStatus = reply(0x00, {0, 0, 6, 0x04, 0x75, 0x17, 0x56, 0x00, 0x00});

void tst_SimProtocol::init()
{
    m_sim = std::make_unique<SimFixture>();
    QVERIFY(m_sim->start());
    m_client = RawClient();
    QVERIFY(m_client.connectTcp(m_sim->tcpPort()));
}

void tst_SimProtocol::cleanup()
{
    m_client = RawClient();
    m_sim.reset();
}

void tst_SimProtocol::statusReadOverTcp()
{
    QCOMPARE(m_client.exchange(readRequest(0)), DefaultStatus);
}

void tst_SimProtocol::statusReadOverSerial()
{
    RawClient serial;
    QVERIFY(serial.openSerial(m_sim->serialPath()));
    QCOMPARE(serial.exchange(readRequest(0)), DefaultStatus);
    QCOMPARE(m_sim->repliesSent(), 1);
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

    SimState s;
    s.outputFormat = 11;
    s.mainInput = 2;
    s.switchTime = 3;
    s.pipInput = 6;
    s.presetInput = 0;
    s.audio1Source = 1;
    s.dviHotplug = 1;
    s.extInputMode = 1;
    s.audio2Source = 3;
    s.audio3Source = 2;
    s.fastLayout = fastLayout;
    s.pipModel = 2;
    s.takeMode = 1;
    s.pipOn = 1;
    s.showModel = 2;
    s.outputPort = 3;
    s.brightness = 10;
    s.contrast = 20;
    s.color = 30;
    s.outputBrightness = 31;
    s.pipWindows[2] = {100, 640, 200, 360};
    s.pipWindows[3] = {300, 1600, 50, 900};
    s.inputWindows[5] = {40, 800, 16, 600};
    s.outputWindows[15] = {256, 1920, 8, 1080};
    s.unitWindows[6] = {1920, 1920, 540, 540};
    s.ledTotals[2] = {5760, 1080};
    s.fastValues[1] = {1920, 540, 540, 0, 0};
    s.fastValues[0] = {1920, 0x134, 0x256, 0xABC, 0x0DE};
    m_sim->setState(s);

    QCOMPARE(m_client.exchange(readRequest(kind, index)).toHex(' '), expected.toHex(' '));
    QCOMPARE(m_sim->state(), s); // reads change nothing
}

void tst_SimProtocol::setCommands_data()
{
    QTest::addColumn<bool>("takeMode");
    QTest::addColumn<bool>("pipOn");
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<int>>("params");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("expected");

    using P = QVector<int>;
    QTest::newRow("preselect + TAKE") << false << false << 0 << P{1} << "takeMode" << 1;
    QTest::newRow("switch input, one key") << false << false << 1 << P{7} << "mainInput" << 7;
    QTest::newRow("switch input, preselect") << true << false << 1 << P{6} << "presetInput" << 6;
    QTest::newRow("switch time") << false << false << 3 << P{3} << "switchTime" << 3;
    QTest::newRow("PIP on") << false << false << 4 << P{1} << "pipOn" << 1;
    QTest::newRow("PIP input") << false << true << 5 << P{1} << "pipInput" << 1;
    QTest::newRow("PIP model") << false << false << 6 << P{3} << "pipModel" << 3;
    QTest::newRow("brightness") << false << false << 8 << P{100} << "brightness" << 100;
    QTest::newRow("contrast") << false << false << 9 << P{0} << "contrast" << 0;
    QTest::newRow("color") << false << false << 10 << P{77} << "color" << 77;
    QTest::newRow("output brightness") << false << false << 11 << P{12} << "outputBrightness" << 12;
    QTest::newRow("display model") << false << false << 16 << P{2} << "showModel" << 2;
    QTest::newRow("output port") << false << false << 17 << P{3} << "outputPort" << 3;
    QTest::newRow("fast layout") << false << false << 20 << P{6} << "fastLayout" << 6;
    QTest::newRow("AUTO keeps the input") << false << false << 25 << P{0} << "mainInput" << 4;
    QTest::newRow("output format") << false << false << 28 << P{12} << "outputFormat" << 12;
    QTest::newRow("audio 1") << false << false << 29 << P{1, 2, 3} << "audio1Source" << 1;
    QTest::newRow("audio 3") << false << false << 29 << P{1, 2, 3} << "audio3Source" << 3;
    QTest::newRow("DVI hotplug closed") << false << false << 30 << P{0} << "dviHotplug" << 0;
}

static int field(const SimState& s, const QString& name)
{
    const QMap<QString, int> fields = {{QStringLiteral("takeMode"), s.takeMode},
                                       {QStringLiteral("mainInput"), s.mainInput},
                                       {QStringLiteral("presetInput"), s.presetInput},
                                       {QStringLiteral("switchTime"), s.switchTime},
                                       {QStringLiteral("pipOn"), s.pipOn},
                                       {QStringLiteral("pipInput"), s.pipInput},
                                       {QStringLiteral("pipModel"), s.pipModel},
                                       {QStringLiteral("brightness"), s.brightness},
                                       {QStringLiteral("contrast"), s.contrast},
                                       {QStringLiteral("color"), s.color},
                                       {QStringLiteral("outputBrightness"), s.outputBrightness},
                                       {QStringLiteral("showModel"), s.showModel},
                                       {QStringLiteral("outputPort"), s.outputPort},
                                       {QStringLiteral("fastLayout"), s.fastLayout},
                                       {QStringLiteral("outputFormat"), s.outputFormat},
                                       {QStringLiteral("audio1Source"), s.audio1Source},
                                       {QStringLiteral("audio3Source"), s.audio3Source},
                                       {QStringLiteral("dviHotplug"), s.dviHotplug}};
    return fields.value(name, -1);
}

void tst_SimProtocol::setCommands()
{
    QFETCH(bool, takeMode);
    QFETCH(bool, pipOn);
    QFETCH(int, code);
    QFETCH(QVector<int>, params);
    QFETCH(QString, field);
    QFETCH(int, expected);

    SimState start;
    start.takeMode = takeMode;
    start.pipOn = pipOn;
    m_sim->setState(start);
    QByteArray request = frame(1, code);
    for (int i = 0; i < params.size(); ++i)
        request[3 + i] = char(params[i]);

    const QByteArray answer = m_client.exchange(request);
    QCOMPARE(answer.size(), 13);
    QCOMPARE(quint8(answer[2]), quint8(0x00));
    QCOMPARE(quint8(answer[3]), quint8(0x00)); // a status reply
    QCOMPARE(::field(m_sim->state(), field), expected);
    // The answer is the status after the command, the same a fresh status read gives.
    QCOMPARE(m_client.exchange(readRequest(0)), answer);
}

void tst_SimProtocol::windowCommands()
{
    SimState s;
    s.pipOn = 1;
    s.pipModel = 1;
    s.showModel = 2;
    s.outputPort = 1;
    m_sim->setState(s);

    QCOMPARE(quint8(m_client.exchange(frame(1, 14, {0, 0x03, 0x20, 0x02, 0x80, 0x01, 0x2C, 0x01, 0x68}))[2]), 0);
    QCOMPARE(quint8(m_client.exchange(frame(1, 14, {1, 0x00, 0x00, 0x07, 0x80, 0x00, 0x00, 0x04, 0x38}))[2]), 0);
    QCOMPARE(quint8(m_client.exchange(frame(1, 18, {0, 0x00, 0x40, 0x03, 0x00, 0x00, 0x10, 0x02, 0x00}))[2]), 0);
    QCOMPARE(quint8(m_client.exchange(frame(1, 19, {0, 0x00, 0x20, 0x07, 0x80, 0x00, 0x08, 0x04, 0x38}))[2]), 0);
    QCOMPARE(quint8(m_client.exchange(frame(1, 22, {0, 0x0F, 0x00, 0x04, 0x38, 0, 0, 0, 0}))[2]), 0);
    QCOMPARE(quint8(m_client.exchange(frame(1, 23, {0, 0x07, 0x80, 0x07, 0x80, 0x00, 0x00, 0x04, 0x38}))[2]), 0);

    const SimState after = m_sim->state();
    QCOMPARE(after.pipWindows[2], (SimWindow{800, 640, 300, 360}));
    QCOMPARE(after.pipWindows[3], (SimWindow{0, 1920, 0, 1080}));
    QCOMPARE(after.inputWindows[9], (SimWindow{64, 768, 16, 512}));
    QCOMPARE(after.outputWindows[9], (SimWindow{32, 1920, 8, 1080}));
    QCOMPARE(after.ledTotals[2], (std::array<int, 2>{3840, 1080}));
    QCOMPARE(after.unitWindows[9], (SimWindow{1920, 1920, 0, 1080}));
    // Other copies stay as they were.
    QCOMPARE(after.inputWindows[1], s.inputWindows[1]);
    QCOMPARE(after.pipWindows[0], s.pipWindows[0]);

    // And they read back through the index the panel asks with.
    QCOMPARE(m_client.exchange(readRequest(6, 2)), reply(0, {6, 0x03, 0x20, 0x02, 0x80, 0x01, 0x2C, 0x01, 0x68}));
    QCOMPARE(m_client.exchange(readRequest(9, 9)), reply(0, {9, 0x00, 0x40, 0x03, 0x00, 0x00, 0x10, 0x02, 0x00}));
    QCOMPARE(m_client.exchange(readRequest(11, 8)), reply(0, {11, 0x0F, 0x00, 0x04, 0x38, 0, 0, 0, 0}));
}

void tst_SimProtocol::fastValuesFiveValuePacking()
{
    SimState s;
    s.fastLayout = 5; // 4X1: four widths and a height
    s.showModel = 1;
    m_sim->setState(s);
    // t0..t2 as words, then the high nibbles of t3 and t4 in one byte and their low bytes.
    const QByteArray answer = m_client.exchange(frame(1, 21, {0x01, 0xE0, 0x01, 0xE0, 0x01, 0xE0, 0x21, 0x34, 0x56}));
    QCOMPARE(quint8(answer[2]), 0);
    QCOMPARE(m_sim->state().fastValues[1], (std::array<int, 5>{480, 480, 480, 0x234, 0x156}));

    s = m_sim->state();
    s.fastLayout = 0; // 1X2: three words
    m_sim->setState(s);
    m_client.exchange(frame(1, 21, {0x07, 0x80, 0x02, 0x1C, 0x02, 0x1C}));
    QCOMPARE(m_sim->state().fastValues[1], (std::array<int, 5>{1920, 540, 540, 0x234, 0x156}));
}

void tst_SimProtocol::fastMosaicApplyDerivesWall_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QVector<int>>("values");
    QTest::addColumn<QVector<int>>("led");
    QTest::addColumn<QVector<int>>("unitOfPort1");
    QTest::addColumn<QVector<int>>("unitOfPort3");

    using V = QVector<int>;
    QTest::newRow("1X2") << 0 << V{1920, 500, 580, 0, 0} << V{1920, 1080} << V{0, 1920, 500, 580}
                         << V{0, 1920, 500, 580};
    QTest::newRow("3X1") << 3 << V{600, 700, 620, 1080, 0} << V{1920, 1080} << V{600, 700, 0, 1080}
                         << V{0, 600, 0, 1080};
    QTest::newRow("2X2") << 6 << V{1000, 920, 600, 480, 0} << V{1920, 1080} << V{1000, 920, 0, 600}
                         << V{1000, 920, 600, 480};
}

void tst_SimProtocol::fastMosaicApplyDerivesWall()
{
    QFETCH(int, layout);
    QFETCH(QVector<int>, values);
    QFETCH(QVector<int>, led);
    QFETCH(QVector<int>, unitOfPort1);
    QFETCH(QVector<int>, unitOfPort3);

    SimState s;
    s.fastLayout = layout;
    s.showModel = 3;
    std::copy(values.begin(), values.end(), s.fastValues[3].begin());
    m_sim->setState(s);
    QCOMPARE(quint8(m_client.exchange(frame(1, 24, {0}))[2]), 0);

    const SimState after = m_sim->state();
    QCOMPARE(after.ledTotals[3][0], led[0]);
    QCOMPARE(after.ledTotals[3][1], led[1]);
    auto asWindow = [](const QVector<int>& v) { return SimWindow{v[0], v[1], v[2], v[3]}; };
    QCOMPARE(after.unitWindows[13], asWindow(unitOfPort1));
    QCOMPARE(after.unitWindows[15], asWindow(unitOfPort3));
}

void tst_SimProtocol::takeSwapsPresetIntoMain()
{
    SimState s;
    s.takeMode = 1;
    m_sim->setState(s);
    m_client.exchange(frame(1, 1, {2})); // preselect DVI1
    QCOMPARE(m_sim->state().mainInput, 4);
    QCOMPARE(m_sim->state().presetInput, 2);

    const QByteArray answer = m_client.exchange(frame(1, 2, {0}));
    QCOMPARE(quint8(answer[6]) & 0x0F, 2); // main input now DVI1
    QCOMPARE(quint8(answer[7]) >> 4, 4);   // HDMI1 waits as the preselection
    QCOMPARE(m_sim->state().mainInput, 2);

    // Preselected EXT. without an expansion module cannot be taken.
    s = m_sim->state();
    s.presetInput = 0;
    m_sim->setState(s);
    QCOMPARE(m_client.exchange(frame(1, 2, {0})), reply(0xFF, {9}));
    QCOMPARE(m_sim->state(), s);
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
    m_sim->setState(s);
    QCOMPARE(m_client.exchange(request).toHex(' '), reply(0xFF, {error}).toHex(' '));
    QCOMPARE(m_sim->state(), s);
}

void tst_SimProtocol::expansionModuleAllowsExt()
{
    SimFixture::Options options;
    options.extModule = true;
    SimFixture sim(options);
    QVERIFY(sim.start());
    RawClient client;
    QVERIFY(client.connectTcp(sim.tcpPort()));
    const QByteArray answer = client.exchange(frame(1, 1, {0}));
    QCOMPARE(quint8(answer[2]), 0);
    QCOMPARE(quint8(answer[6]) & 0x0F, 0);
    QCOMPARE(quint8(answer[8]) >> 5, 1);
    QCOMPARE(sim.state().mainInput, 0);
}

void tst_SimProtocol::otherDeviceNumbersGetNoReply()
{
    m_client.send(frame(2, 1, {7}));
    QTRY_COMPARE(m_sim->received().size(), 1);
    // Replies keep their order, so anything sent for device 2 would come before this one.
    QCOMPARE(m_client.exchange(readRequest(0)), DefaultStatus);
    QCOMPARE(m_sim->state().mainInput, 4);
    QCOMPARE(m_sim->received().size(), 2);
    QCOMPARE(m_sim->repliesSent(), 1);
}

void tst_SimProtocol::deviceNumberOption()
{
    SimFixture::Options options;
    options.deviceNumber = 5;
    options.serial = false;
    SimFixture sim(options);
    QVERIFY(sim.start());
    QVERIFY(sim.serialPath().isEmpty());
    RawClient client;
    QVERIFY(client.connectTcp(sim.tcpPort()));
    client.send(readRequest(0, 0, 1));
    QCOMPARE(client.exchange(readRequest(8, 0, 5)), reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0}, 5));
}

void tst_SimProtocol::plainAcknowledgement()
{
    SimFaults faults;
    faults.plainAck = true;
    m_sim->setFaults(faults);
    QCOMPARE(m_client.exchange(frame(1, 3, {2})), reply(0, {0x7F}));
    QCOMPARE(m_sim->state().switchTime, 2);
    // Reads still carry data.
    QCOMPARE(quint8(m_client.exchange(readRequest(0))[6]), quint8(0x24));
    // Errors are still errors.
    QCOMPARE(m_client.exchange(frame(1, 3, {9})), reply(0xFF, {12}));
}

void tst_SimProtocol::resynchronisesOnFrameMarker()
{
    const QByteArray request = readRequest(0);
    m_client.send(QByteArray::fromHex("0013") + request.left(5));
    m_client.send(request.mid(5));
    QCOMPARE(m_client.readAtLeast(13), DefaultStatus);
    // A stray marker in front of a frame is skipped too.
    QCOMPARE(m_client.exchange(QByteArray(1, char(0x91)) + request), DefaultStatus);
}

void tst_SimProtocol::receivedLog()
{
    m_client.exchange(readRequest(8));
    m_client.exchange(frame(1, 4, {1}));
    const QVector<Rdx::Frame> log = m_sim->received();
    QCOMPARE(log.size(), 2);
    QCOMPARE(Rdx::toByteArray(log[0]), readRequest(8));
    QCOMPARE(Rdx::toByteArray(log[1]), frame(1, 4, {1}));
    m_sim->clearReceived();
    QVERIFY(m_sim->received().isEmpty());
    QCOMPARE(m_sim->repliesSent(), 2);
}

QTEST_GUILESS_MAIN(tst_SimProtocol)
#include "tst_SimProtocol.moc"
