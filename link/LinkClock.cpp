#include "link/LinkClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QIODevice>
#include <QTimer>

namespace {

qint64 monotonicNs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

} // namespace

EventLoopClock::EventLoopClock() : m_startNs(monotonicNs()) {}

qint64 EventLoopClock::nowMs()
{
    return (monotonicNs() - m_startNs) / 1000000;
}

void EventLoopClock::waitFor(QIODevice* device, int ms, const std::function<bool()>& done,
                             const std::function<void()>& take)
{
    Q_UNUSED(device)
    const qint64 endMs = nowMs() + ms;
    // Wakes the loop below at the deadline when nothing else happens.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    take();
    while (!done()) {
        const qint64 left = endMs - nowMs();
        if (left <= 0)
            break;
        deadline.start(int(left));
        // Inside a readyRead handler the transport buffers what arrives without signalling it again: take()
        // picks it up after every turn.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
        take();
    }
}

bool EventLoopClock::waitForWritten(QIODevice* device, int ms)
{
    return device->bytesToWrite() == 0 || device->waitForBytesWritten(ms);
}
