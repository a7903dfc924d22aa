#include "RawClient.h"

#include <QtTest>

Q_DECLARE_METATYPE(SimFaults)

// The misbehaviour the device can be told to show, seen from the wire, and the paced serial line.
class tst_SimFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void silentFramesGetNoReplyButAct_data();
    void silentFramesGetNoReplyButAct();
    void delayedReplyComesLater();
    void errorForCode();
    void repliesSplitIntoChunks();
    void gluedRepliesArriveTogether();
    void strayBytesComeOnce();
    void randomFaultsFollowTheSeed();
    void pacedSerialDeliversByteByByte();

private:
    // A status read whose reply is the only thing on the wire: whatever came for earlier frames would be in front.
    QByteArray statusNow() { return m_s->client.exchange(readRequest(0)); }

    std::unique_ptr<SimSession> m_s;
};

void tst_SimFaults::init()
{
    m_s = std::make_unique<SimSession>();
    QVERIFY(m_s->start());
}

void tst_SimFaults::cleanup()
{
    m_s.reset();
}

void tst_SimFaults::silentFramesGetNoReplyButAct_data()
{
    QTest::addColumn<SimFaults>("faults");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("statusAfter");

    QTest::newRow("silent code, switch time set all the same")
        << faultsWith([](SimFaults& f) { f.silentCodes = {3}; }) << frame(1, 3, {1})
        << reply(0, {0, 0, 6, 0x14, 0x75, 0x17, 0x56, 0, 0});
    QTest::newRow("silent read kind") << faultsWith([](SimFaults& f) { f.silentKinds = {8}; }) << readRequest(8)
                                      << defaultStatus();
}

void tst_SimFaults::silentFramesGetNoReplyButAct()
{
    QFETCH(SimFaults, faults);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, statusAfter);
    m_s->sim.setFaults(faults);
    m_s->client.send(request);
    QTRY_COMPARE(m_s->sim.received().size(), 1);
    QCOMPARE(statusNow(), statusAfter);
    QCOMPARE(m_s->sim.repliesSent(), 1);
    // Other codes still answer.
    QCOMPARE(quint8(m_s->client.exchange(frame(1, 4, {1}))[11]), quint8(0x04));
}

void tst_SimFaults::delayedReplyComesLater()
{
    m_s->sim.setFaults(faultsWith([](SimFaults& f) { f.delayMs = 1500; }));
    m_s->client.send(readRequest(8));
    QTRY_COMPARE(m_s->sim.received().size(), 1);
    QCOMPARE(m_s->sim.repliesSent(), 0); // handled, but the reply is still held back
    QCOMPARE(m_s->client.readAtLeast(13, 10000), defaultPicture());
    QCOMPARE(m_s->sim.repliesSent(), 1);
}

void tst_SimFaults::errorForCode()
{
    m_s->sim.setFaults(faultsWith([](SimFaults& f) { f.errorForCode.insert(1, 7); }));
    QCOMPARE(m_s->client.exchange(frame(1, 1, {7})), reply(0xFF, {7}));
    QCOMPARE(m_s->sim.state().mainInput, 4); // an error reply means the command did nothing
    QCOMPARE(quint8(m_s->client.exchange(frame(1, 3, {1}))[2]), 0);
}

void tst_SimFaults::repliesSplitIntoChunks()
{
    m_s->sim.setFaults(faultsWith([](SimFaults& f) { f.chunkSize = 4; }));
    m_s->client.send(readRequest(8));
    int reads = 0;
    QCOMPARE(m_s->client.readAtLeast(13, 5000, &reads), defaultPicture());
    QVERIFY2(reads >= 2, qPrintable(QStringLiteral("reads: %1").arg(reads)));
}

void tst_SimFaults::gluedRepliesArriveTogether()
{
    m_s->sim.setFaults(faultsWith([](SimFaults& f) { f.glueReplies = true; }));
    m_s->client.send(readRequest(8));
    QTRY_COMPARE(m_s->sim.received().size(), 1);
    QCOMPARE(m_s->sim.repliesSent(), 0);
    m_s->client.send(readRequest(0));
    QCOMPARE(m_s->client.readAtLeast(26), defaultPicture() + defaultStatus());
    QCOMPARE(m_s->sim.repliesSent(), 2);
}

void tst_SimFaults::strayBytesComeOnce()
{
    m_s->sim.setFaults(faultsWith([](SimFaults& f) { f.strayBytes = QByteArray::fromHex("AA55"); }));
    m_s->client.send(readRequest(0));
    QCOMPARE(m_s->client.readAtLeast(15), QByteArray::fromHex("AA55") + defaultStatus());
    QCOMPARE(statusNow(), defaultStatus());
}

void tst_SimFaults::randomFaultsFollowTheSeed()
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
        QCOMPARE(serial.readAtLeast(13, 5000, &reads), defaultPicture());
        QVERIFY2(reads >= 3, qPrintable(QStringLiteral("reads: %1").arg(reads)));
    }
    QCOMPARE(sim.received().size(), 3);
}

QTEST_GUILESS_MAIN(tst_SimFaults)
#include "tst_SimFaults.moc"
