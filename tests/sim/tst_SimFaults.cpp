#include "RawClient.h"
#include "sim/SimFixture.h"

#include <QtTest>

// The misbehaviour the device can be told to show, seen from the wire, and the paced serial line.
class tst_SimFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void silentCodeGetsNoReplyButActs();
    void silentKindGetsNoReply();
    void delayedReplyComesLater();
    void errorForCode();
    void repliesSplitIntoChunks();
    void gluedRepliesArriveTogether();
    void strayBytesComeOnce();
    void randomFaultsFollowTheSeed();
    void serialLineGathersSplitFrames();
    void pacedSerialDeliversByteByByte();

private:
    QByteArray statusNow();

    std::unique_ptr<SimFixture> m_sim;
    RawClient m_client;
};

void tst_SimFaults::init()
{
    m_sim = std::make_unique<SimFixture>();
    QVERIFY(m_sim->start());
    m_client = RawClient();
    QVERIFY(m_client.connectTcp(m_sim->tcpPort()));
}

void tst_SimFaults::cleanup()
{
    m_client = RawClient();
    m_sim.reset();
}

// A status read whose reply is the only thing on the wire: whatever came for earlier frames would be in front.
QByteArray tst_SimFaults::statusNow()
{
    return m_client.exchange(readRequest(0));
}

void tst_SimFaults::silentCodeGetsNoReplyButActs()
{
    SimFaults faults;
    faults.silentCodes = {3};
    m_sim->setFaults(faults);
    m_client.send(frame(1, 3, {1}));
    QTRY_COMPARE(m_sim->received().size(), 1);
    const QByteArray status = statusNow();
    QCOMPARE(status.size(), 13);
    QCOMPARE(quint8(status[6]) >> 4, 1); // the switch time was set all the same
    QCOMPARE(m_sim->repliesSent(), 1);
    // Other codes still answer.
    QCOMPARE(quint8(m_client.exchange(frame(1, 4, {1}))[11]), quint8(0x04));
}

void tst_SimFaults::silentKindGetsNoReply()
{
    SimFaults faults;
    faults.silentKinds = {8};
    m_sim->setFaults(faults);
    m_client.send(readRequest(8));
    QTRY_COMPARE(m_sim->received().size(), 1);
    QCOMPARE(statusNow(), reply(0, {0, 0, 6, 0x04, 0x75, 0x17, 0x56, 0, 0}));
    QCOMPARE(m_sim->repliesSent(), 1);
}

void tst_SimFaults::delayedReplyComesLater()
{
    SimFaults faults;
    faults.delayMs = 1500;
    m_sim->setFaults(faults);
    m_client.send(readRequest(8));
    QTRY_COMPARE(m_sim->received().size(), 1);
    QCOMPARE(m_sim->repliesSent(), 0); // handled, but the reply is still held back
    QCOMPARE(m_client.readAtLeast(13, 10000), reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0}));
    QCOMPARE(m_sim->repliesSent(), 1);
}

void tst_SimFaults::errorForCode()
{
    SimFaults faults;
    faults.errorForCode.insert(1, 7);
    m_sim->setFaults(faults);
    QCOMPARE(m_client.exchange(frame(1, 1, {7})), reply(0xFF, {7}));
    QCOMPARE(m_sim->state().mainInput, 4); // an error reply means the command did nothing
    QCOMPARE(quint8(m_client.exchange(frame(1, 3, {1}))[2]), 0);
}

void tst_SimFaults::repliesSplitIntoChunks()
{
    SimFaults faults;
    faults.chunkSize = 4;
    m_sim->setFaults(faults);
    m_client.send(readRequest(8));
    int reads = 0;
    QCOMPARE(m_client.readAtLeast(13, 5000, &reads), reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0}));
    QVERIFY2(reads >= 2, qPrintable(QStringLiteral("reads: %1").arg(reads)));
}

void tst_SimFaults::gluedRepliesArriveTogether()
{
    SimFaults faults;
    faults.glueReplies = true;
    m_sim->setFaults(faults);
    m_client.send(readRequest(8));
    QTRY_COMPARE(m_sim->received().size(), 1);
    QCOMPARE(m_sim->repliesSent(), 0);
    m_client.send(frame(1, 3, {2}));
    const QByteArray both = m_client.readAtLeast(26);
    QCOMPARE(both.size(), 26);
    QCOMPARE(both.left(13), reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0}));
    QCOMPARE(quint8(both[13 + 6]), quint8(0x24));
    QCOMPARE(m_sim->repliesSent(), 2);
}

void tst_SimFaults::strayBytesComeOnce()
{
    SimFaults faults;
    faults.strayBytes = QByteArray::fromHex("AA55");
    m_sim->setFaults(faults);
    const QByteArray status = reply(0, {0, 0, 6, 0x04, 0x75, 0x17, 0x56, 0, 0});
    m_client.send(readRequest(0));
    QCOMPARE(m_client.readAtLeast(15), QByteArray::fromHex("AA55") + status);
    QCOMPARE(statusNow(), status);
}

void tst_SimFaults::randomFaultsFollowTheSeed()
{
    auto run = [](quint32 seed) {
        SimFixture sim;
        if (!sim.start())
            return QByteArray();
        SimFaults faults;
        faults.randomSeed = seed;
        faults.randomFaultRate = 0.6;
        sim.setFaults(faults);
        RawClient client;
        if (!client.connectTcp(sim.tcpPort()))
            return QByteArray();
        for (int i = 0; i < 24; ++i) {
            client.send(frame(1, 3, {i % 4}));
            QDeadlineTimer deadline(5000);
            while (sim.received().size() <= i && !deadline.hasExpired())
                QTest::qWait(5);
        }
        return client.drain(1500);
    };
    const QByteArray first = run(7);
    const QByteArray again = run(7);
    const QByteArray other = run(8);
    QVERIFY(!first.isEmpty());
    QCOMPARE(again.toHex(' '), first.toHex(' '));
    QVERIFY(other != first);
    // At this rate some replies are lost, altered or padded: the stream is not 24 clean replies.
    QByteArray clean;
    for (int i = 0; i < 24; ++i)
        clean += reply(0, {0, 0, 6, 0x04 | (i % 4) << 4, 0x75, 0x17, 0x56, 0, 0});
    QVERIFY(first != clean);
}

void tst_SimFaults::serialLineGathersSplitFrames()
{
    RawClient serial;
    QVERIFY(serial.openSerial(m_sim->serialPath()));
    const QByteArray request = frame(1, 11, {20});
    serial.send(request.left(6));
    serial.send(request.mid(6));
    const QByteArray answer = serial.readAtLeast(13);
    QCOMPARE(answer.size(), 13);
    QCOMPARE(m_sim->state().outputBrightness, 20);
    QCOMPARE(serial.exchange(readRequest(8)), reply(0, {8, 50, 50, 50, 20, 0, 0, 0, 0}));
}

void tst_SimFaults::pacedSerialDeliversByteByByte()
{
    SimFixture::Options options;
    options.paced = true;
    options.tcp = false;
    SimFixture sim(options);
    QVERIFY(sim.start());
    RawClient serial;
    QVERIFY(serial.openSerial(sim.serialPath()));
    for (int round = 0; round < 3; ++round) {
        serial.send(readRequest(8));
        int reads = 0;
        QCOMPARE(serial.readAtLeast(13, 5000, &reads), reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0}));
        QVERIFY2(reads >= 3, qPrintable(QStringLiteral("reads: %1").arg(reads)));
    }
    QCOMPARE(sim.received().size(), 3);
}

QTEST_GUILESS_MAIN(tst_SimFaults)
#include "tst_SimFaults.moc"
