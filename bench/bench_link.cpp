// What a stray byte costs on the paced serial line: a status read answered behind one stray byte against
// the same read answered cleanly, run in pairs in one session, and that cost against one reply's wire time.
#include "BenchTable.h"
#include "link/Singleton_SerialPort.h"
#include "sim/SimFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

constexpr double ReplyWireMs = 13 * 10 * 1000.0 / 9600; // 13 bytes of 10 bits at 9600 baud

// One status read, from the request to its decoded reply, in ms; < 0 when it was not answered.
double statusRead(Singleton_SerialPort& link)
{
    bool answered = false;
    const auto connection = QObject::connect(&link, &Singleton_SerialPort::send_receive_end, [&](int kind) {
        answered = answered || kind == Rdx::StatusRead;
    });
    QElapsedTimer clock;
    clock.start();
    link.resetReads(-2);
    link.requestRead(Rdx::StatusRead);
    QTimer wake;
    wake.start(5);
    while (!answered && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(connection);
    return answered ? ms : -1.0;
}

} // namespace

int main(int argc, char* argv[])
{
    useBenchEnvironment();
    QCoreApplication app(argc, argv);
    const int runs = runsFrom(app.arguments(), 20);

    SimFixture::Options options;
    options.tcp = false;
    options.paced = true;
    SimFixture sim(options);
    if (!sim.start())
        return 1;
    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    link->useNetwork = false;
    link->openSerial(sim.serialPath(), -1, 1);
    if (!link->isConnected())
        return 1;
    statusRead(*link); // the line has shown a marked reply

    Samples clean, stray, cost;
    for (int i = 0; i < runs; ++i) {
        sim.setFaults({});
        const double plain = statusRead(*link);
        SimFaults faults;
        faults.strayBytes = QByteArray(1, '\x55');
        sim.setFaults(faults);
        const double behind = statusRead(*link);
        if (plain < 0 || behind < 0) {
            std::fprintf(stderr, "a status read went unanswered\n");
            return 1;
        }
        clean.add(plain);
        stray.add(behind);
        cost.add(behind - plain);
    }
    Samples wire;
    wire.add(ReplyWireMs);
    BenchTable table(QStringLiteral("A stray byte on the paced serial line"));
    table.add(QStringLiteral("status read, clean"), clean, QStringLiteral("-"), Samples{}, 0.0);
    table.add(QStringLiteral("status read behind one stray byte"), stray, QStringLiteral("-"), Samples{}, 0.0);
    table.add(QStringLiteral("stray byte's cost (difference, pairwise)"), cost,
              QStringLiteral("one reply's wire time"), wire, 0.0);
    table.print();
    std::printf("dropped %lld bytes, %lld unmatched replies\n", link->droppedBytes(), link->unmatchedReplies());
    return 0;
}
