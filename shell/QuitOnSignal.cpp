#include "shell/QuitOnSignal.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcQuitOnSignal, "rdx480.shell")

namespace {
int wakeUp[2] = {-1, -1};
constexpr int quitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may only do async-signal-safe work: it wakes the event loop, which quits.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeUp[0], &byte, 1);
}

void handleSignals(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : quitSignals)
        sigaction(signal, &action, nullptr);
}
} // namespace

QuitOnSignal::QuitOnSignal()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeUp) != 0) {
        qCWarning(lcQuitOnSignal) << "signals end the panel without saving:" << qt_error_string(errno);
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(wakeUp[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    handleSignals(onSignal);
}

QuitOnSignal::~QuitOnSignal()
{
    if (!m_notifier)
        return;
    handleSignals(SIG_DFL);
    m_notifier.reset();
    ::close(wakeUp[0]);
    ::close(wakeUp[1]);
    wakeUp[0] = wakeUp[1] = -1;
}
