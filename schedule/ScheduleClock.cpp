#include "schedule/ScheduleClock.h"

ScheduleClock* ScheduleClock::instance()
{
    static ScheduleClock clock;
    return &clock;
}

QDateTime ScheduleClock::now()
{
    const ScheduleClock* clock = instance();
    return clock->m_set ? clock->m_time : QDateTime::currentDateTime().addMSecs(clock->m_offsetMs);
}

QTime ScheduleClock::wholeMinute(const QTime& time)
{
    return time.isValid() ? QTime(time.hour(), time.minute()) : QTime();
}

QTime ScheduleClock::minuteNow()
{
    return wholeMinute(now().time());
}

void ScheduleClock::set(const QDateTime& time)
{
    ScheduleClock* clock = instance();
    clock->m_set = true;
    clock->m_time = time;
    emit clock->moved();
}

void ScheduleClock::advance(qint64 ms)
{
    set(now().addMSecs(ms));
}

void ScheduleClock::runFrom(const QDateTime& time)
{
    ScheduleClock* clock = instance();
    clock->m_set = false;
    clock->m_offsetMs = QDateTime::currentDateTime().msecsTo(time);
    emit clock->moved();
}

void ScheduleClock::useWallClock()
{
    instance()->m_set = false;
    instance()->m_offsetMs = 0;
}
