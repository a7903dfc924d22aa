// rdx480ctl as a whole process, from its start to its exit: a switch over the serial line paced like a
// 9600 8N1 wire against a bare QCoreApplication process plus the wire's own time for the same three
// exchanges, and a status over TCP against the bare process. All measured in turns in one run.
#include "BenchTable.h"
#include "link/Frame.h"
#include "sim/SimFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

// A process from start to exit, in ms; negative when it failed.
double runProcess(const QString& program, const QStringList& args)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return -1.0;
    return double(clock.nsecsElapsed()) / 1e6;
}

// The wire floor: the status read, the switch and the status read as plain blocking POSIX I/O on the pty.
double wireExchanges(const QString& path, const std::vector<Rdx::Frame>& frames)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1.0;
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    ::tcsetattr(fd, TCSANOW, &settings);
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    for (const Rdx::Frame& frame : frames) {
        ok = ok && ::write(fd, frame.data(), Rdx::FrameSize) == Rdx::FrameSize;
        int got = 0;
        std::uint8_t reply[Rdx::FrameSize];
        while (ok && got < Rdx::FrameSize) {
            pollfd waitFor{fd, POLLIN, 0};
            ok = ::poll(&waitFor, 1, 2000) > 0;
            const ssize_t n = ok ? ::read(fd, reply + got, size_t(Rdx::FrameSize - got)) : -1;
            if (n < 0 && errno == EINTR)
                continue;
            ok = ok && n > 0;
            got += int(n);
        }
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    ::close(fd);
    return ok ? ms : -1.0;
}

Rdx::Frame frameOf(std::initializer_list<int> middle)
{
    Rdx::Frame frame = Rdx::emptyFrame();
    int at = 1;
    for (int byte : middle)
        frame[size_t(at++)] = std::uint8_t(byte);
    return frame;
}

} // namespace

int main(int argc, char* argv[])
{
    useBenchEnvironment();
    QCoreApplication app(argc, argv);
    const int runs = runsFrom(app.arguments(), 15);
    const QString ctl = QStringLiteral(RDX480_BENCH_CTL);
    const QString bare = QStringLiteral(RDX480_BENCH_BARE_CORE);

    SimFixture::Options options;
    options.paced = true;
    SimFixture sim(options);
    if (!sim.start()) {
        std::printf("the simulated device did not start\n");
        return 1;
    }
    const QStringList serial = {QStringLiteral("--device"), QStringLiteral("serial:") + sim.serialPath(),
                                QStringLiteral("switch"), QStringLiteral("VGA")};
    const QStringList tcp = {QStringLiteral("--device"), QStringLiteral("tcp:127.0.0.1:%1").arg(sim.tcpPort()),
                             QStringLiteral("status")};
    const Rdx::Frame status = frameOf({1, Rdx::ReadRequestCode, 0});
    const std::vector<Rdx::Frame> switchFrames = {status, frameOf({1, Rdx::SwitchInputCommand, Rdx::VgaInput}), status};

    Samples bareStart, wire, bareAndWire, ctlSwitch, ctlStatus;
    for (int i = 0; i < runs; ++i) {
        const double b = runProcess(bare, {});
        sim.setState(SimState{}); // HDMI1 on the output, so every run switches
        const double w = wireExchanges(sim.serialPath(), switchFrames);
        sim.setState(SimState{});
        const double s = runProcess(ctl, serial);
        const double t = runProcess(ctl, tcp);
        if (b < 0 || w < 0 || s < 0 || t < 0) {
            std::printf("run %d failed (bare %.1f, wire %.1f, switch %.1f, status %.1f)\n", i, b, w, s, t);
            return 1;
        }
        bareStart.add(b);
        wire.add(w);
        bareAndWire.add(b + w);
        ctlSwitch.add(s);
        ctlStatus.add(t);
    }
    BenchTable table(QStringLiteral("rdx480ctl, process start to exit"));
    table.add(QStringLiteral("switch VGA, serial paced 9600 8N1 (3 exchanges)"), ctlSwitch,
              QStringLiteral("bare QCoreApplication + wire of the 3 exchanges"), bareAndWire, 1.2);
    table.add(QStringLiteral("status, TCP"), ctlStatus, QStringLiteral("bare QCoreApplication"), bareStart, 0.0);
    table.add(QStringLiteral("wire of the 3 exchanges alone"), wire, QStringLiteral("-"), Samples(), 0.0);
    table.print();
    return 0;
}
