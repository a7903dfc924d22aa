#include "sim/SimFixture.h"

#include <QProcess>
#include <QTcpSocket>
#include <QtTest>

#include <algorithm>

namespace {
// The plainest possible panel: writes frames on TCP and collects whatever comes back.
struct RawClient
{
    QTcpSocket socket;
    int reads = 0; // deliveries so far

    bool connectTcp(quint16 port)
    {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return socket.waitForConnected(3000);
    }
    void send(const QByteArray& bytes)
    {
        socket.write(bytes);
        socket.waitForBytesWritten(1000);
    }
    // Reads until at least `count` bytes have come or the wait runs out.
    QByteArray readAtLeast(int count)
    {
        QByteArray data;
        for (QDeadlineTimer deadline(5000); data.size() < count && !deadline.hasExpired();)
            if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(50)) {
                data += socket.readAll();
                ++reads;
            }
        return data;
    }
    QByteArray exchange(const QByteArray& frame)
    {
        send(frame);
        return readAtLeast(13);
    }
};

// 0x91, device 1, byte 2, up to nine bytes (zero-filled), 0x91: a request, or the reply the device should write.
QByteArray frame(int byte2, std::initializer_list<int> bytes3to11 = {})
{
    QByteArray bytes(13, '\0');
    bytes[0] = bytes[12] = char(0x91);
    bytes[1] = 1;
    bytes[2] = char(byte2);
    std::transform(bytes3to11.begin(), bytes3to11.end(), bytes.begin() + 3, [](int b) { return char(b); });
    return bytes;
}

// A status read, and what a fresh device answers to it.
const QByteArray statusRead = frame(0xFE, {0, 0});
const QByteArray defaultStatus = frame(0, {0, 0, 6, 0x04, 0x75, 0x17, 0x56, 0, 0});
} // namespace

using Frames = QVector<QByteArray>;
Q_DECLARE_METATYPE(SimState)
Q_DECLARE_METATYPE(SimFaults)

// What the panel's tests rely on and cannot see themselves: the faults they ask for really happen (silent and
// refused frames show in every page and link test that asks for them), the device effects no panel test looks
// at, and the program rdx480-sim as scripts start it.
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
        const Frames twoReads{statusRead, statusRead}, readThenSet{statusRead, frame(3, {1})};
        SimFaults f[4];
        f[0].errorForKind = {{0, 12}}, f[0].errorForKindTimes = 1, f[1].strayBytes = QByteArray::fromHex("AA55");
        f[2].glueReplies = true, f[3].chunkSize = 1;
        QTest::newRow("error for a kind, once") << f[0] << twoReads << frame(0xFF, {12}) + defaultStatus;
        QTest::newRow("stray bytes, once") << f[1] << twoReads << f[1].strayBytes + defaultStatus.repeated(2);
        QTest::newRow("glued") << f[2] << readThenSet << defaultStatus + switched;
        QTest::newRow("byte by byte") << f[3] << Frames{statusRead} << defaultStatus;
    }

    void faults()
    {
        QFETCH(SimFaults, faults);
        QFETCH(Frames, frames);
        QFETCH(QByteArray, expected);
        m_sim->setFaults(faults);
        m_client->send(frames.first());
        if (faults.glueReplies) {
            QTRY_COMPARE(m_sim->received().size(), 1);
            QCOMPARE(m_sim->repliesSent(), 0); // held back for the next
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

    // rdx480-sim as scripts run it: it prints where it listens, answers there, stops on SIGTERM. A wrong option is
    // checked with every program of the package.
    void programServesThenStops()
    {
        QProcess process;
        process.start(QStringLiteral(RDX480_SIM_PROGRAM), QStringList());
        QByteArray out;
        for (QDeadlineTimer deadline(10000); out.count('\n') < 2 && !deadline.hasExpired();
             process.waitForReadyRead(100))
            out += process.readAllStandardOutput();
        const QList<QByteArray> lines = out.split('\n');
        QVERIFY2(lines.size() > 2 && lines[0].startsWith("tcp 127.0.0.1 ") && lines[1].startsWith("serial "),
                 out.constData());
        QVERIFY(QFile::exists(QString::fromUtf8(lines[1].mid(7))));
        RawClient tcp;
        QVERIFY(tcp.connectTcp(quint16(lines[0].mid(14).toUInt())));
        QCOMPARE(tcp.exchange(statusRead), defaultStatus);

        process.terminate(); // SIGTERM
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, 0); // -1: killed
    }
};

QTEST_GUILESS_MAIN(tst_SimDevice)
#include "tst_SimDevice.moc"
