#ifndef RDX480_LINK_LINKCLOCK_H
#define RDX480_LINK_LINKCLOCK_H

#include <QtGlobal>

#include <functional>

class QIODevice;

// The link's clock and its waits, in one place: tests and the fuzzer put their own in, and drive the same
// receive, match, decode and time-out code without sleeping, with the same result every time.
class LinkClock
{
public:
    virtual ~LinkClock() = default;

    // Milliseconds on a clock that never goes back.
    virtual qint64 nowMs() = 0;
    // Lets `device` deliver until `done` holds or `ms` have passed on this clock. `take` hands what arrived
    // to the link; it runs before the first check and after every delivery.
    virtual void waitFor(QIODevice* device, int ms, const std::function<bool()>& done,
                         const std::function<void()>& take) = 0;
    // Waits up to `ms` for `device` to hand the bytes written to it on to the system: false if they are not.
    virtual bool waitForWritten(QIODevice* device, int ms) = 0;
};

// The real one. A wait runs the event loop without user input, so the window repaints (the wait overlay
// animates) while the device takes its time, and the operator's clicks wait until the exchange is over.
class EventLoopClock : public LinkClock
{
public:
    EventLoopClock();
    qint64 nowMs() override;
    void waitFor(QIODevice* device, int ms, const std::function<bool()>& done,
                 const std::function<void()>& take) override;
    bool waitForWritten(QIODevice* device, int ms) override;

private:
    qint64 m_startNs;
};

#endif
