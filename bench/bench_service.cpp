// rdx480d against the simulated device: one exchange through the service against the same exchange
// direct (paced serial, TCP), 8 clients sharing the paced line, the firing lag from a minute boundary, and
// the idle service's memory. Every figure stands beside its floor, measured in the same run.
#include "BenchTable.h"
#include "FloorClient.h"

#include "link/Frame.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TimeFile.h"
#include "service/DeviceService.h"
#include "service/ServiceLocator.h"
#include "sim/SimFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

QByteArray readRequest(int kind)
{
    QByteArray frame(Rdx::FrameSize, '\0');
    frame[0] = frame[12] = char(Rdx::FrameMarker);
    frame[1] = 1;
    frame[2] = char(Rdx::ReadRequestCode);
    frame[3] = char(kind);
    return frame;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

Samples timeExchanges(FloorClient& client, int count)
{
    Samples samples;
    QElapsedTimer clock;
    for (int i = 0; i < count; ++i) {
        clock.start();
        if (client.exchange(readRequest(Rdx::StatusRead)).isEmpty())
            continue;
        samples.add(ms(clock.nsecsElapsed()));
    }
    return samples;
}

double residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
    return 0;
}

// The service as its own process on `folder`; returns once it serves the device.
std::unique_ptr<QProcess> startService(const QString& program, const QString& folder)
{
    auto service = std::make_unique<QProcess>();
    service->setProcessChannelMode(QProcess::MergedChannels);
    service->start(program, {QStringLiteral("--folder"), folder});
    QByteArray log;
    QElapsedTimer waited;
    waited.start();
    while (!log.contains("device link up") && waited.elapsed() < 10000 && service->waitForReadyRead(200))
        log += service->readAll();
    return service;
}

void writeSettings(const QString& folder, const QByteArray& text)
{
    QFile file(folder + QStringLiteral("/info.ini"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

} // namespace

int main(int argc, char* argv[])
{
    useBenchEnvironment();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--bare")))
        return app.exec(); // the memory floor: an application object and its event loop, nothing else
    const int runs = runsFrom(args, 50);
    const int at = args.indexOf(QStringLiteral("--client-exchanges"));
    const int perClient = at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : 250;
    const QString program = QStringLiteral(RDX480D_PROGRAM);
    QTemporaryDir runtime, folder;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const QString socket = ServiceLocator::socketPath(folder.path());

    SimFixture::Options options;
    options.paced = true;
    SimFixture sim(options);
    if (!sim.start())
        return 1;
    BenchTable table(QStringLiteral("rdx480d against direct, one run"));

    // One exchange, paced serial: direct, then through the service holding the same line.
    Samples serialDirect, serialService;
    {
        FloorClient direct;
        if (direct.openSerial(sim.serialPath()))
            serialDirect = timeExchanges(direct, runs);
    }
    writeSettings(folder.path(), "PORTNAME=" + sim.serialPath().toUtf8() + "\nID=1\n");
    auto service = startService(program, folder.path());
    {
        FloorClient client;
        if (client.openLocal(socket))
            serialService = timeExchanges(client, runs);
    }
    table.add(QStringLiteral("status read, paced serial"), serialService, QStringLiteral("direct on the pty"),
              serialDirect, 1.05);

    // 8 clients at once on the paced line, each asking its own kind: replies lost or crossed are counted.
    const int kinds[8] = {0, 6, 8, 9, 10, 11, 12, 13};
    std::atomic<int> lost{0}, crossed{0};
    QElapsedTimer total;
    total.start();
    std::vector<std::thread> clients;
    for (int kind : kinds)
        clients.emplace_back([&, kind] {
            FloorClient client;
            if (!client.openLocal(socket)) {
                lost += perClient;
                return;
            }
            for (int i = 0; i < perClient; ++i) {
                const QByteArray reply = client.exchange(readRequest(kind));
                if (reply.isEmpty())
                    ++lost;
                else if (int(quint8(reply.at(3))) != kind)
                    ++crossed;
            }
        });
    for (std::thread& client : clients)
        client.join();
    Samples shared, wire;
    shared.add(ms(total.nsecsElapsed()));
    // Each exchange is 26 bytes on a 9600 8N1 wire, 10 bits a byte.
    wire.add(8.0 * perClient * 26 * 10 / 9.6);
    table.add(QStringLiteral("8 clients x %1 exchanges (lost %2, crossed %3)").arg(perClient).arg(lost).arg(crossed),
              shared, QStringLiteral("wire time of all"), wire, 1.10);

    // Idle memory against a bare application object.
    Samples serviceKb, bareKb;
    serviceKb.add(residentKb(service->processId()));
    QProcess bare;
    bare.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--bare")});
    bare.waitForStarted();
    QTest::qWait(300);
    bareKb.add(residentKb(bare.processId()));
    bare.kill();
    bare.waitForFinished();
    service->terminate();
    service->waitForFinished();

    // TCP: the time the service adds to one exchange.
    SimFixture tcpSim;
    tcpSim.start();
    Samples tcpDirect, tcpService;
    {
        FloorClient direct;
        if (direct.openTcp(tcpSim.tcpPort()))
            tcpDirect = timeExchanges(direct, runs);
    }
    writeSettings(folder.path(),
                  "IP=127.0.0.1\nPORT=" + QByteArray::number(tcpSim.tcpPort()) + "\nID=1\nNETWORK=true\n");
    service = startService(program, folder.path());
    {
        FloorClient client;
        if (client.openLocal(socket))
            tcpService = timeExchanges(client, runs);
    }
    service->terminate();
    service->waitForFinished();
    table.add(
        QStringLiteral("status read, TCP (added: %1 ms)").arg(tcpService.median() - tcpDirect.median(), 0, 'f', 2),
        tcpService, QStringLiteral("direct on TCP"), tcpDirect, 0);

    // Firing lag: an in-process service fires an entry at a minute boundary a moment away; the floor is a
    // bare precise timer aimed at the same boundary.
    Samples lag, timerLag;
    {
        QTemporaryDir scheduleFolder;
        writeSettings(scheduleFolder.path(),
                      "IP=127.0.0.1\nPORT=" + QByteArray::number(tcpSim.tcpPort()) + "\nID=1\nNETWORK=true\n");
        TimeItems items;
        auto entry = std::make_unique<MyTimeItem>();
        entry->m_time = QTime(10, 1);
        entry->m_signal = Rdx::Dvi1Input;
        entry->m_week = 0x7F;
        entry->m_repeat = 1;
        items.push_back(std::move(entry));
        QString error;
        TimeFile::save(scheduleFolder.path() + QStringLiteral("/time.t"), items, &error);
        tcpSim.clearReceived();
        ScheduleClock::runFrom(QDateTime(QDate::currentDate(), QTime(10, 0, 59, 500)));
        QElapsedTimer sinceClock;
        sinceClock.start();
        DeviceService inProcess({scheduleFolder.path(), false});
        QString startError;
        inProcess.start(&startError);
        std::atomic<qint64> seenNs{-1};
        std::thread watch([&] {
            while (seenNs < 0 && sinceClock.elapsed() < 5000) {
                for (const Rdx::Frame& frame : tcpSim.received())
                    if (frame[2] == Rdx::SwitchInputCommand)
                        seenNs = sinceClock.nsecsElapsed();
                std::this_thread::yield();
            }
        });
        qint64 timerNs = -1;
        QTimer bareTimer;
        bareTimer.setTimerType(Qt::PreciseTimer);
        bareTimer.setSingleShot(true);
        QObject::connect(&bareTimer, &QTimer::timeout, [&] { timerNs = sinceClock.nsecsElapsed(); });
        bareTimer.start(int(500 - sinceClock.elapsed()));
        [[maybe_unused]] const bool both = QTest::qWaitFor([&] { return seenNs >= 0 && timerNs >= 0; }, 5000);
        watch.join();
        if (seenNs >= 0)
            lag.add(ms(seenNs - 500'000'000LL));
        if (timerNs >= 0)
            timerLag.add(ms(timerNs - 500'000'000LL));
    }
    table.add(QStringLiteral("firing lag, minute to frame on the wire (target < 100 ms)"), lag,
              QStringLiteral("bare precise timer"), timerLag, 0);
    table.print();
    BenchTable memory(QStringLiteral("rdx480d idle memory, one run"), QStringLiteral("KiB"));
    memory.addExcess(QStringLiteral("resident, device up, no clients"), serviceKb,
                     QStringLiteral("bare QCoreApplication"), bareKb, 8192, 0);
    memory.print();
    return 0;
}
