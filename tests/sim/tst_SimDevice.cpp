#include "RawClient.h"
#include "sim/SimFixture.h"

#include <QtTest>

using Frames = QVector<QByteArray>;
Q_DECLARE_METATYPE(SimState)
Q_DECLARE_METATYPE(SimFaults)

// What the panel's tests rely on and cannot see themselves: the faults they ask for really happen, and the
// device effects no panel test looks at.
class tst_SimDevice : public QObject
{
    Q_OBJECT

    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<RawClient> m_client;

private slots:
    void init()
    {
        m_sim = std::make_unique<SimFixture>();
        m_client = std::make_unique<RawClient>();
        QVERIFY(m_sim->start() && m_client->connectTcp(m_sim->tcpPort()));
    }

    void faults_data()
    {
        QTest::addColumn<SimFaults>("faults");
        QTest::addColumn<Frames>("frames");       // sent one by one
        QTest::addColumn<QByteArray>("expected"); // everything that comes back
        // The status at switch time 1.
        const QByteArray switched = frame(0, {0, 0, 6, 0x14, 0x75, 0x17, 0x56, 0, 0});
        const Frames twoReads{statusRead, statusRead}, setThenRead{frame(3, {1}), statusRead};
        const Frames readThenSet{statusRead, frame(3, {1})};
        SimFaults f[7];
        f[0].silentCodes = {3};
        f[1].silentKinds = {0};
        f[2].errorForCode = {{3, 7}};
        f[3].errorForKind = {{0, 12}}, f[3].errorForKindTimes = 1;
        f[4].strayBytes = QByteArray::fromHex("AA55");
        f[5].glueReplies = true;
        f[6].chunkSize = 1;
        QTest::newRow("silent code, acts all the same") << f[0] << setThenRead << switched;
        QTest::newRow("silent kind") << f[1] << readThenSet << switched;
        QTest::newRow("error for a code, changes nothing") << f[2] << setThenRead << frame(0xFF, {7}) + defaultStatus;
        QTest::newRow("error for a kind, once") << f[3] << twoReads << frame(0xFF, {12}) + defaultStatus;
        QTest::newRow("stray bytes, once")
            << f[4] << twoReads << QByteArray::fromHex("AA55") + defaultStatus.repeated(2);
        QTest::newRow("glued") << f[5] << readThenSet << defaultStatus + switched;
        QTest::newRow("byte by byte") << f[6] << Frames{statusRead} << defaultStatus;
    }

    void faults()
    {
        QFETCH(SimFaults, faults);
        QFETCH(Frames, frames);
        QFETCH(QByteArray, expected);
        m_sim->setFaults(faults);
        m_client->send(frames.first());
        if (!faults.silentCodes.isEmpty() || !faults.silentKinds.isEmpty() || faults.glueReplies) {
            QTRY_COMPARE(m_sim->received().size(), 1);
            QCOMPARE(m_sim->repliesSent(), 0); // held back or never sent
        }
        for (const QByteArray& next : frames.mid(1))
            m_client->send(next);
        QCOMPARE(m_client->readAtLeast(expected.size()).toHex(' '), expected.toHex(' '));
        QVERIFY(m_client->reads >= (faults.chunkSize ? 2 : 1));
    }

    // Effects no panel test looks at. An empty reply is the status after the command, as a status read gives it.
    void commands_data()
    {
        QTest::addColumn<SimState>("before");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<SimState>("after");
        QTest::addColumn<QByteArray>("reply");
        SimState fresh, dim, mosaic, led;
        dim.brightness = dim.contrast = dim.color = dim.outputBrightness = 9;
        QTest::newRow("reset") << dim << frame(26, {0}) << fresh << QByteArray();
        // Fast mosaic 1 derives the LED wall and every output's unit window of the display model from the layout.
        mosaic.fastLayout = 3, mosaic.showModel = 3, mosaic.fastValues[3] = {600, 700, 620, 1080};
        SimState wall = mosaic;
        wall.ledTotals[3] = {1920, 1080};
        wall.unitWindows[12] = wall.unitWindows[15] = {0, 600, 0, 1080};
        wall.unitWindows[13] = {600, 700, 0, 1080}, wall.unitWindows[14] = {1300, 620, 0, 1080};
        QTest::newRow("fast mosaic 1, 3X1") << mosaic << frame(24, {0}) << wall << QByteArray();
        led.ledTotals[2] = {5760, 1080};
        QTest::newRow("LED total read") << led << frame(0xFE, {11, 8}) << led << frame(0, {11, 0x16, 0x80, 0x04, 0x38});
        QTest::newRow("unknown code") << fresh << frame(7, {1}) << fresh << frame(0xFF, {5});
    }

    void commands()
    {
        QFETCH(SimState, before);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        m_sim->setState(before);
        const QByteArray answer = m_client->exchange(request);
        QTEST(m_sim->state(), "after");
        QCOMPARE(answer.toHex(' '), (reply.isEmpty() ? m_client->exchange(statusRead) : reply).toHex(' '));
    }
};

QTEST_GUILESS_MAIN(tst_SimDevice)
#include "tst_SimDevice.moc"
