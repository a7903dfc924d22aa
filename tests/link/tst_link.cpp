// The link against the simulated device, over a real loopback TCP socket and a real pseudo-terminal.
#include "link/Singleton_SerialPort.h"
#include "sim/SimFixture.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <memory>

// PacedSerial: the pty timed like a 9600 baud wire, so replies arrive in pieces about 14 ms long.
enum class Transport { Tcp, Serial, PacedSerial };
Q_DECLARE_METATYPE(Transport)

Q_DECLARE_METATYPE(Rdx::Outcome)
Q_DECLARE_METATYPE(SimFaults)

namespace {

int countFrames(const QVector<Rdx::Frame>& frames, int byte2, int byte3 = -1)
{
    return int(std::count_if(frames.begin(), frames.end(), [&](const Rdx::Frame& f) {
        return f[2] == byte2 && (byte3 < 0 || f[3] == byte3);
    }));
}

} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectAndClose_data();
    void connectAndClose();
    void openFailures();
    void openSerialKeepsStoredSettings();
    void peerClosingIsReported();

    void sendCommandResults_data();
    void sendCommandResults();
    void setCommandKeepsTrailingBytesOfThePreviousFrame();
    void statusReadFillsTheDeviceCopy_data();
    void statusReadFillsTheDeviceCopy();
    void pipWindowReadsWaitUnderTheirKeys();
    void busyDropsReads();

    void readsAreResentOnlyAfterACommand();
    void resendTakesTheSmallestKey();
    void tcpResetKeepsTheTimerButSendsNothing();
    void closingStopsTheResends();
    void silentDeviceLeavesTheReadPending();

    void exchangeOutcomes_data();
    void exchangeOutcomes();
    void resendsAreBounded();
    void damagedDeliveries_data();
    void damagedDeliveries();
    void strayBytesAreOutlived_data();
    void strayBytesAreOutlived();

private:
    void connectLink(Transport transport);
    // A set-command, then a status read the device leaves unanswered: the re-send timer runs.
    void startUnansweredStatusRead(Transport transport);
    void expectDeviceCopyMatchesSimulator();

    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    std::unique_ptr<SimFixture> sim;
};

void TestLink::init()
{
    sim = std::make_unique<SimFixture>();
    QVERIFY(sim->start());
    link->busy = false;
    link->deviceNumber = 1;
}

void TestLink::cleanup()
{
    link->closeSerial();
    sim.reset();
}

void TestLink::connectLink(Transport transport)
{
    if (transport == Transport::PacedSerial) {
        SimFixture::Options options;
        options.tcp = false;
        options.paced = true;
        sim = std::make_unique<SimFixture>(options);
        QVERIFY(sim->start());
    }
    link->useNetwork = transport == Transport::Tcp;
    if (link->useNetwork)
        link->openSerial(QStringLiteral("127.0.0.1"), sim->tcpPort(), 1);
    else
        link->openSerial(sim->serialPath(), -1, 1);
    QCOMPARE(link->linkState, int(Rdx::Opened));
    QVERIFY(link->isConnected());
}

void TestLink::expectDeviceCopyMatchesSimulator()
{
    const SimState device = sim->state();
    const CData& copy = link->deviceState;
    QCOMPARE(copy.outputFormat, device.outputFormat);
    QCOMPARE(copy.mainInput, device.mainInput);
    QCOMPARE(copy.switchTime, device.switchTime);
    QCOMPARE(copy.pipInput, device.pipInput);
    QCOMPARE(copy.presetInput, device.presetInput);
    QCOMPARE(copy.pipOn, device.pipOn);
    QCOMPARE(copy.takeMode, device.takeMode);
    QCOMPARE(copy.showModel, device.showModel);
    QCOMPARE(copy.pipModel, device.pipModel);
    QCOMPARE(copy.audio1Source, device.audio1Source);
    QCOMPARE(copy.audio3Source, device.audio3Source);
}

void TestLink::connectAndClose_data()
{
    QTest::addColumn<Transport>("transport");
    QTest::newRow("tcp") << Transport::Tcp;
    QTest::newRow("serial") << Transport::Serial;
}

void TestLink::connectAndClose()
{
    QFETCH(Transport, transport);
    QSignalSpy waiting(link, &Singleton_SerialPort::sendWaiting);
    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);

    connectLink(transport);
    QCOMPARE(waiting.count(), 1);
    QCOMPARE(waiting.first().first().toInt(), -2);
    QCOMPARE(ended.count(), 1);

    link->closeSerial();
    QCOMPARE(link->linkState, int(Rdx::Closed));
    QVERIFY(!link->isConnected());
    QVERIFY(ended.count() >= 2);

    // Reopening after a close works on the same transport.
    connectLink(transport);
}

void TestLink::openFailures()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 deadPort = closed.serverPort();
    closed.close();

    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
    link->useNetwork = true;
    link->openSerial(QStringLiteral("127.0.0.1"), deadPort, 1);
    QCOMPARE(link->linkState, int(Rdx::OpenFailed));
    QVERIFY(!link->isConnected());
    QCOMPARE(ended.count(), 1);

    link->useNetwork = false;
    link->openSerial(QStringLiteral("/dev/rdx480-no-such-port"), -1, 1);
    QCOMPARE(link->linkState, int(Rdx::OpenFailed));
    QVERIFY(!link->isConnected());
}

void TestLink::openSerialKeepsStoredSettings()
{
    link->useNetwork = false;
    link->openSerial(sim->serialPath(), -1, 3);
    QCOMPARE(link->serialPortName, sim->serialPath());
    QCOMPARE(link->deviceNumber, 3);
    link->openSerial();
    QCOMPARE(link->linkState, int(Rdx::Opened));
    QCOMPARE(link->serialPortName, sim->serialPath());
    QCOMPARE(link->deviceNumber, 3);
    link->closeSerial();

    link->useNetwork = true;
    link->openSerial(QStringLiteral("127.0.0.1"), sim->tcpPort(), 4);
    QCOMPARE(link->deviceNumber, 4);
    link->closeSerial();
    link->openSerial(QString(), -1, 0);
    QCOMPARE(link->linkState, int(Rdx::Opened));
    QCOMPARE(link->hostAddress, QStringLiteral("127.0.0.1"));
    QCOMPARE(link->tcpPort, int(sim->tcpPort()));
    QCOMPARE(link->deviceNumber, 4);
}

void TestLink::peerClosingIsReported()
{
    connectLink(Transport::Tcp);
    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
    sim.reset();
    QTRY_COMPARE(link->linkState, int(Rdx::Closed));
    QVERIFY(ended.count() >= 1);
    QVERIFY(!link->isConnected());

    link->resetReads(-2);
    const int param = 5;
    QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &param, 1), -1);
    QCOMPARE(link->linkState, int(Rdx::NotConnected));
}

void TestLink::sendCommandResults_data()
{
    connectAndClose_data();
}

void TestLink::sendCommandResults()
{
    QFETCH(Transport, transport);
    const int vga = Rdx::VgaInput;

    // Closed transport: not sent, and the main window learns why.
    link->useNetwork = transport == Transport::Tcp;
    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
    QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &vga, 1), -1);
    QCOMPARE(link->linkState, int(Rdx::NotConnected));
    QCOMPARE(ended.count(), 1);

    // Connected but not Ready (no resetReads yet): not sent, silently.
    connectLink(transport);
    ended.clear();
    QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &vga, 1), -1);
    QCOMPARE(ended.count(), 0);

    // Busy: not sent.
    link->resetReads(-2);
    QCOMPARE(link->linkState, int(Rdx::Ready));
    link->busy = true;
    QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &vga, 1), -1);
    link->busy = false;
    QTest::qWait(50);
    QCOMPARE(sim->received().size(), 0);

    // Ready: sent, written, and the device answers with its new status.
    QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
    QSignalSpy waiting(link, &Singleton_SerialPort::sendWaiting);
    QCOMPARE(link->sendCommand(Rdx::SwitchInputCommand, &vga, 1), 1);
    QVERIFY(link->isCommandSent());
    QCOMPARE(waiting.count(), 1);
    QCOMPARE(waiting.first().first().toInt(), -2);
    QTRY_COMPARE(sim->received().size(), 1);
    const Rdx::Frame sent = sim->received().first();
    QCOMPARE(sent[0], Rdx::FrameMarker);
    QCOMPARE(sent[1], 1);
    QCOMPARE(sent[2], Rdx::SwitchInputCommand);
    QCOMPARE(sent[3], Rdx::VgaInput);
    QCOMPARE(sent[12], Rdx::FrameMarker);
    QCOMPARE(sim->state().mainInput, int(Rdx::VgaInput));
    QTRY_COMPARE(link->deviceState.mainInput, int(Rdx::VgaInput));
    QCOMPARE(replies.first().first().toInt(), int(Rdx::StatusRead));
}

void TestLink::setCommandKeepsTrailingBytesOfThePreviousFrame()
{
    connectLink(Transport::Tcp);
    link->resetReads(-2);
    link->deviceState.outputPort = 1;
    link->deviceState.showModel = 1;
    link->requestRead(Rdx::InputWindowRead);
    const int switchTime = 2;
    QCOMPARE(link->sendCommand(Rdx::SwitchTimeCommand, &switchTime, 1), 1);
    QTRY_COMPARE(sim->received().size(), 2);
    const Rdx::Frame read = sim->received().at(0);
    QCOMPARE(read[2], Rdx::ReadRequestCode);
    QCOMPARE(read[3], 9);
    QCOMPARE(read[4], 5);
    const Rdx::Frame command = sim->received().at(1);
    QCOMPARE(command[2], Rdx::SwitchTimeCommand);
    QCOMPARE(command[3], 2);
    QCOMPARE(command[4], 5);
}

void TestLink::statusReadFillsTheDeviceCopy_data()
{
    connectAndClose_data();
}

void TestLink::statusReadFillsTheDeviceCopy()
{
    QFETCH(Transport, transport);
    SimState device = sim->state();
    device.mainInput = Rdx::Dvi1Input;
    device.pipOn = 1;
    device.pipInput = Rdx::V2Input;
    device.takeMode = 1;
    device.showModel = 2;
    device.pipModel = 3;
    device.audio3Source = 1;
    sim->setState(device);

    connectLink(transport);
    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
    QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    QTRY_COMPARE(replies.count(), 1);
    QCOMPARE(replies.first().first().toInt(), int(Rdx::StatusRead));
    QVERIFY(link->pendingReadKeys().isEmpty());
    QTRY_COMPARE(ended.count(), 1);
    expectDeviceCopyMatchesSimulator();
}

void TestLink::pipWindowReadsWaitUnderTheirKeys()
{
    SimState device = sim->state();
    device.pipModel = 2;
    device.pipWindows[5] = SimWindow{300, 1000, 20, 600};
    device.pipWindows[4] = SimWindow{1000, 400, 500, 300};
    sim->setState(device);
    connectLink(Transport::Tcp);

    QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    QTRY_COMPARE(link->deviceState.pipModel, 2);
    link->requestRead(Rdx::PipSubWindowRead);
    link->requestRead(Rdx::PipMainWindowRead);
    QTRY_COMPARE(replies.count(), 3);
    QCOMPARE(replies.at(1).first().toInt(), int(Rdx::PipSubWindowRead));
    QCOMPARE(replies.at(2).first().toInt(), int(Rdx::PipMainWindowRead));
    QCOMPARE(loadRecord(link->deviceState.mainWindow), (QVector<int>{300, 1000, 20, 600}));
    QCOMPARE(loadRecord(link->deviceState.subWindow), (QVector<int>{1000, 400, 500, 300}));

    const auto frames = sim->received();
    QCOMPARE(frames.size(), 3);
    const Rdx::Frame mainRequest = frames.at(2);
    QCOMPARE(Rdx::toByteArray(mainRequest), QByteArray::fromHex("9101FE06050000000000000091"));
}

void TestLink::busyDropsReads()
{
    connectLink(Transport::Tcp);
    link->resetReads(-2);
    QSignalSpy waiting(link, &Singleton_SerialPort::sendWaiting);
    link->busy = true;
    link->requestRead(Rdx::StatusRead);
    link->busy = false;
    QVERIFY(link->pendingReadKeys().isEmpty());
    QCOMPARE(waiting.count(), 0);
    QTest::qWait(50);
    QCOMPARE(sim->received().size(), 0);
}

void TestLink::readsAreResentOnlyAfterACommand()
{
    SimFaults faults;
    faults.silentKinds = {Rdx::StatusRead};
    sim->setFaults(faults);
    connectLink(Transport::Serial);

    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    QVERIFY(!link->isReplyTimerActive());
    QCOMPARE(link->pendingReadKeys(), QList<int>{0});

    startUnansweredStatusRead(Transport::Serial);
    QTRY_COMPARE(countFrames(sim->received(), Rdx::ReadRequestCode, 0), 3);
    QVERIFY(!link->isCommandSent());

    // Once the device answers, the exchange ends and the timer stops.
    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
    sim->setFaults(SimFaults{});
    QTRY_VERIFY(link->pendingReadKeys().isEmpty());
    QTRY_COMPARE(ended.count(), 1);
    QVERIFY(!link->isReplyTimerActive());
}

void TestLink::resendTakesTheSmallestKey()
{
    SimFaults faults;
    faults.silentKinds = {Rdx::StatusRead, 6};
    sim->setFaults(faults);
    connectLink(Transport::Tcp);

    link->resetReads(-2);
    const int model = 0;
    QCOMPARE(link->sendCommand(Rdx::PipModelCommand, &model, 1), 1);
    link->requestRead(Rdx::PipSubWindowRead);
    link->requestRead(Rdx::StatusRead);
    QCOMPARE(link->pendingReadKeys(), (QList<int>{0, 6}));
    sim->clearReceived();
    QTRY_VERIFY(!sim->received().isEmpty());
    QCOMPARE(sim->received().first()[3], 0);
}

void TestLink::startUnansweredStatusRead(Transport transport)
{
    SimFaults faults;
    faults.silentKinds = {Rdx::StatusRead};
    sim->setFaults(faults);
    if (!link->isConnected())
        connectLink(transport);
    link->resetReads(-2);
    const int oneKey = 0;
    QCOMPARE(link->sendCommand(Rdx::SwitchModeCommand, &oneKey, 1), 1);
    link->requestRead(Rdx::StatusRead);
    QVERIFY(link->isReplyTimerActive());
}

void TestLink::tcpResetKeepsTheTimerButSendsNothing()
{
    startUnansweredStatusRead(Transport::Tcp);
    link->resetReads(-2);
    QVERIFY(link->isReplyTimerActive());
    QVERIFY(link->pendingReadKeys().isEmpty());
    sim->clearReceived();
    QTRY_VERIFY(!link->isReplyTimerActive());
    QCOMPARE(sim->received().size(), 0);
}

void TestLink::closingStopsTheResends()
{
    startUnansweredStatusRead(Transport::Tcp);
    link->closeSerial();
    QVERIFY(!link->isReplyTimerActive());
    QVERIFY(link->pendingReadKeys().isEmpty());
    QCOMPARE(link->linkState, int(Rdx::Closed));
}

void TestLink::silentDeviceLeavesTheReadPending()
{
    SimFaults faults;
    faults.silentKinds = {Rdx::StatusRead};
    sim->setFaults(faults);
    connectLink(Transport::Serial);

    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
    QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    QTRY_COMPARE(sim->received().size(), 1);
    QTest::qWait(100);
    QCOMPARE(replies.count(), 0);
    QCOMPARE(ended.count(), 0);
    QCOMPARE(link->pendingReadKeys(), QList<int>{0});
    QCOMPARE(link->linkState, int(Rdx::Ready));
}

void TestLink::exchangeOutcomes_data()
{
    QTest::addColumn<Transport>("transport");
    QTest::addColumn<int>("code"); // -1: a status read, then a picture read, instead of a set-command
    QTest::addColumn<int>("parameter");
    QTest::addColumn<SimFaults>("faults");
    QTest::addColumn<Rdx::Outcome>("outcome");
    QTest::addColumn<int>("failure"); // the one failure the window is given to show

    SimFaults refuseVga;
    refuseVga.errorForCode = {{Rdx::SwitchInputCommand, 9}};
    SimFaults aboveTheTable;
    aboveTheTable.errorForCode = {{Rdx::SwitchInputCommand, 200}};
    // 0xA1 read as a signed byte would have made 100 - 95 = 5, "not connected".
    SimFaults negativeByte;
    negativeByte.errorForCode = {{Rdx::SwitchInputCommand, 0xA1}};
    SimFaults silentSwitch;
    silentSwitch.silentCodes = {Rdx::SwitchInputCommand};
    SimFaults refuseStatus;
    refuseStatus.errorForKind = {{Rdx::StatusRead, 12}};
    const int vga = Rdx::VgaInput;
    const int switchInput = Rdx::SwitchInputCommand;
    for (Transport transport : {Transport::Tcp, Transport::PacedSerial}) {
        const char* on = transport == Transport::Tcp ? "tcp" : "paced serial";
        QTest::addRow("accepted, %s", on) << transport << switchInput << vga << SimFaults{} << Rdx::Outcome::Accepted
                                          << int(Rdx::Ready);
        QTest::addRow("EXT. without a module, %s", on) << transport << switchInput << int(Rdx::ExtInput)
                                                       << SimFaults{} << Rdx::Outcome::Refused << 109;
        QTest::addRow("refused, %s", on) << transport << switchInput << vga << refuseVga << Rdx::Outcome::Refused
                                         << 109;
        QTest::addRow("unanswered, %s", on) << transport << switchInput << vga << silentSwitch
                                            << Rdx::Outcome::Unanswered << int(Rdx::Unanswered);
        QTest::addRow("read refused, %s", on) << transport << -1 << 0 << refuseStatus << Rdx::Outcome::Accepted << 112;
    }
    QTest::newRow("unknown code") << Transport::Tcp << 7 << 0 << SimFaults{} << Rdx::Outcome::Refused << 105;
    QTest::newRow("code above the table") << Transport::Tcp << switchInput << vga << aboveTheTable
                                          << Rdx::Outcome::Refused << 300;
    QTest::newRow("negative byte") << Transport::Tcp << switchInput << vga << negativeByte << Rdx::Outcome::Refused
                                   << 100 + 0xA1;
    SimFaults inPieces = refuseVga;
    inPieces.chunkSize = 5;
    QTest::newRow("refusal in pieces, tcp") << Transport::Tcp << switchInput << vga << inPieces
                                            << Rdx::Outcome::Refused << 109;
}

// A set-command ends as the device answered it, when its reply is whole; a refused read ends too. Either
// way the window is given the failure once and the exchange is over (no read left pending).
void TestLink::exchangeOutcomes()
{
    QFETCH(Transport, transport);
    QFETCH(int, code);
    QFETCH(int, parameter);
    QFETCH(SimFaults, faults);
    QFETCH(Rdx::Outcome, outcome);
    QFETCH(int, failure);
    connectLink(transport);
    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    QTRY_VERIFY(link->pendingReadKeys().isEmpty());
    const int mainInput = link->deviceState.mainInput;
    sim->setFaults(faults);

    QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
    link->resetReads(-2);
    if (code >= 0) {
        QCOMPARE(link->runCommand(code, &parameter, 1), outcome);
    } else {
        link->requestRead(Rdx::StatusRead);
        link->requestRead(Rdx::PictureRead);
        QTRY_COMPARE(replies.count(), 1);
        QCOMPARE(replies.first().first().toInt(), int(Rdx::PictureRead));
    }
    QCOMPARE(link->takeFailure(), failure);
    QCOMPARE(link->takeFailure(), int(Rdx::Ready));
    QTRY_VERIFY(!link->isExchanging());
    // An accepted command's status reply is decoded like any other; nothing else changes the copy.
    const bool switched = outcome == Rdx::Outcome::Accepted && code == Rdx::SwitchInputCommand;
    QCOMPARE(link->deviceState.mainInput, switched ? parameter : mainInput);
}

// A read the device never answers after a command is re-sent twice, then given up as unanswered: one
// failure, no endless re-sends.
void TestLink::resendsAreBounded()
{
    startUnansweredStatusRead(Transport::Tcp);
    QSignalSpy ended(link, &Singleton_SerialPort::sendEnd);
    QTRY_VERIFY_WITH_TIMEOUT(!link->isExchanging(), 3 * Singleton_SerialPort::ResendIntervalMs + 2000);
    QCOMPARE(countFrames(sim->received(), Rdx::ReadRequestCode, Rdx::StatusRead), 1 + Singleton_SerialPort::MaxResends);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(link->takeFailure(), int(Rdx::Unanswered));
    QVERIFY(!link->isReplyTimerActive());
}

void TestLink::damagedDeliveries_data()
{
    QTest::addColumn<Transport>("transport");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<bool>("glue");
    QTest::newRow("tcp, one byte at a time") << Transport::Tcp << 1 << false;
    QTest::newRow("tcp, 5-byte chunks") << Transport::Tcp << 5 << false;
    QTest::newRow("serial, 5-byte chunks") << Transport::Serial << 5 << false;
    QTest::newRow("tcp, two replies glued") << Transport::Tcp << 0 << true;
    QTest::newRow("serial, two replies glued") << Transport::Serial << 0 << true;
}

void TestLink::damagedDeliveries()
{
    QFETCH(Transport, transport);
    QFETCH(int, chunkSize);
    QFETCH(bool, glue);
    SimState device = sim->state();
    device.mainInput = Rdx::V2Input;
    device.brightness = 77;
    sim->setState(device);
    SimFaults faults;
    faults.chunkSize = chunkSize;
    faults.glueReplies = glue;
    sim->setFaults(faults);
    connectLink(transport);

    QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    link->requestRead(Rdx::PictureRead);
    QTRY_COMPARE(replies.count(), 2);
    QCOMPARE(replies.at(0).first().toInt(), int(Rdx::StatusRead));
    QCOMPARE(replies.at(1).first().toInt(), int(Rdx::PictureRead));
    QCOMPARE(link->deviceState.mainInput, int(Rdx::V2Input));
    QCOMPARE(link->deviceState.brightness, 77);
    QVERIFY(link->pendingReadKeys().isEmpty());
    QCOMPARE(link->bufferedReplyBytes(), 0);
}

void TestLink::strayBytesAreOutlived_data()
{
    connectAndClose_data();
}

void TestLink::strayBytesAreOutlived()
{
    QFETCH(Transport, transport);
    SimFaults faults;
    faults.strayBytes = QByteArray("\x55\xAA\x01", 3);
    sim->setFaults(faults);
    connectLink(transport);

    // The exchange that meets the noise may be garbled; the link must not stay out of step.
    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    QTest::qWait(300);

    SimState device = sim->state();
    device.mainInput = Rdx::Dvi2Input;
    sim->setState(device);
    QSignalSpy replies(link, &Singleton_SerialPort::send_receive_end);
    link->resetReads(-2);
    link->requestRead(Rdx::StatusRead);
    QTRY_VERIFY(!replies.isEmpty());
    QTRY_COMPARE(link->deviceState.mainInput, int(Rdx::Dvi2Input));
    expectDeviceCopyMatchesSimulator();
    QTRY_VERIFY(link->pendingReadKeys().isEmpty());
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
