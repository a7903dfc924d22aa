#include "Version.h"
#include "link/Logging.h"
#include "sim/SimCommandLine.h"
#include "sim/SimDevice.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up and quits, so the pty and the port
// are released by the normal destructors.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const SimCommandLine commandLine = SimCommandLine::parse(app.arguments());
    if (commandLine.helpRequested) {
        std::fputs(commandLine.helpText.toUtf8().constData(), stdout);
        return 0;
    }
    if (commandLine.versionRequested) {
        std::puts("rdx480-sim " RDX480_VERSION);
        return 0;
    }
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "rdx480-sim: %s (see --help)\n", commandLine.error.toUtf8().constData());
        return 2;
    }
    Rdx::setUpLogging(commandLine.options.trace);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return 1;
    QSocketNotifier signalNotifier(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    SimDevice device(commandLine.options);
    device.setFaults(commandLine.faults);
    if (!device.open()) {
        std::fprintf(stderr, "rdx480-sim: %s\n", device.errorString().toUtf8().constData());
        return 1;
    }
    if (commandLine.options.tcp)
        std::printf("tcp 127.0.0.1 %u\n", static_cast<unsigned>(device.tcpPort()));
    if (commandLine.options.serial)
        std::printf("serial %s\n", device.serialPath().toUtf8().constData());
    std::fflush(stdout);
    return app.exec();
}
