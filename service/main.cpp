#include "Version.h"
#include "link/Logging.h"
#include "schedule/ScheduleClock.h"
#include "service/DeviceService.h"
#include "service/SdNotify.h"
#include "service/ServiceCommandLine.h"
#include "service/ServiceLog.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int wakeUp[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up and quits once the exchange in
// flight has ended, so files and sockets are closed by the normal destructors.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeUp[0], &byte, 1);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rdx480d"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RDX480_VERSION));
    const ServiceCommandLine commandLine = ServiceCommandLine::parse(app.arguments());
    if (commandLine.helpRequested) {
        std::fputs(commandLine.helpText.toUtf8().constData(), stdout);
        return 0;
    }
    if (commandLine.versionRequested) {
        std::printf("rdx480d %s\n", RDX480_VERSION);
        return 0;
    }
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "rdx480d: %s (see --help)\n", commandLine.error.toUtf8().constData());
        return 2;
    }
    Rdx::setUpLogging(commandLine.trace);
    if (commandLine.trace)
        QLoggingCategory::setFilterRules(Rdx::logFilterRules(true) +
                                         QStringLiteral("\nrdx480.service.frames.debug=true"));

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeUp) != 0)
        return 1;
    QSocketNotifier signalNotifier(wakeUp[1], QSocketNotifier::Read);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);

    // Tests run the schedule from a set moment (ISO date and time) instead of waiting for a real minute.
    const QString clockFrom = qEnvironmentVariable("RDX480D_SCHEDULE_CLOCK_FROM");
    if (!clockFrom.isEmpty())
        ScheduleClock::runFrom(QDateTime::fromString(clockFrom, Qt::ISODateWithMs));

    int result = 0;
    {
        DeviceService service({commandLine.folder, commandLine.allowRemote});
        QString error;
        if (!service.start(&error)) {
            qCCritical(lcService).noquote() << error;
            return 1;
        }
        QObject::connect(&signalNotifier, &QSocketNotifier::activated, &service, [&] {
            char byte = 0;
            [[maybe_unused]] const ssize_t n = ::read(wakeUp[1], &byte, 1);
            service.stopWhenIdle();
        });
        SdNotify::notify(QByteArray("READY=1\nSTATUS=serving ") + service.folder().toUtf8());
        result = app.exec();
        SdNotify::notify("STOPPING=1");
    }
    return result;
}
