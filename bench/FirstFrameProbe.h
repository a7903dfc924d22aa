#ifndef RDX480_BENCH_FIRSTFRAMEPROBE_H
#define RDX480_BENCH_FIRSTFRAMEPROBE_H

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

// Watches a top-level window: once its first paint has gone through and the event loop has had its next
// turn (the whole first frame is drawn), prints the CLOCK_MONOTONIC time and ends the program. The
// launcher took the same clock before it started the process.
class FirstFrameProbe : public QObject
{
public:
    explicit FirstFrameProbe(QWidget* window) : QObject(window), m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [] {
                timespec now{};
                ::clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("first-frame-ns %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_seen = false;
};

#endif
