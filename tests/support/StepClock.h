#ifndef RDX480_TESTS_SUPPORT_STEPCLOCK_H
#define RDX480_TESTS_SUPPORT_STEPCLOCK_H

#include "link/LinkClock.h"

#include <QIODevice>

#include <algorithm>
#include <functional>

// A link clock that never sleeps: a wait takes what the transport already holds, lets `onWait` deliver
// what the test has for it (it may move `now` on), and, when that did not answer it, moves time to the
// wait's end. The same steps give the same result every time.
class StepClock : public LinkClock
{
public:
    qint64 now = 1000;
    std::function<void()> onWait;

    qint64 nowMs() override { return now; }
    void waitFor(QIODevice*, int ms, const std::function<bool()>& done, const std::function<void()>& take) override
    {
        const qint64 end = now + ms;
        take();
        if (!done() && onWait)
            onWait();
        take();
        if (!done())
            now = std::max(now, end);
    }
    bool waitForWritten(QIODevice* device, int) override { return device->bytesToWrite() == 0; }
};

#endif
