#ifndef RDX480_SCHEDULE_SCHEDULECLOCK_H
#define RDX480_SCHEDULE_SCHEDULECLOCK_H

#include <QDateTime>
#include <QObject>

// The one place the schedule reads the time of day: the wall clock, or in tests a clock that stands still
// until it is set or moved, so no test has to wait for a real minute to turn over.
class ScheduleClock : public QObject
{
    Q_OBJECT

public:
    static ScheduleClock* instance();

    static QDateTime now();
    // The current local time cut down to the whole minute.
    static QTime minuteNow();
    static QTime wholeMinute(const QTime& time);

    // From now on the clock reads `time` and moves only when told to.
    static void set(const QDateTime& time);
    static void advance(qint64 ms);
    // The clock runs at wall speed from `time`: a minute boundary can be put a moment away.
    static void runFrom(const QDateTime& time);
    static void useWallClock();

signals:
    // A set clock was set or moved.
    void moved();

private:
    ScheduleClock() = default;

    bool m_set = false;
    QDateTime m_time;
    qint64 m_offsetMs = 0;
};

#endif
