#include "schedule/ScheduleAlarm.h"

#include "schedule/ScheduleClock.h"

#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace {

// Longest single wait: how late a jump of the wall clock is noticed at worst.
constexpr qint64 StepMs = 5000;
// Wall time and elapsed time disagreeing by more than this is a jump, not timer slack.
constexpr qint64 JumpMs = 1500;

} // namespace

ScheduleAlarm::ScheduleAlarm(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &ScheduleAlarm::check);
    connect(ScheduleClock::instance(), &ScheduleClock::moved, this, &ScheduleAlarm::check);
}

void ScheduleAlarm::startAt(const QDateTime& when)
{
    m_target = when;
    arm(ScheduleClock::now());
}

void ScheduleAlarm::stop()
{
    m_target = QDateTime();
    m_timer->stop();
}

void ScheduleAlarm::arm(const QDateTime& now)
{
    m_armedAt = now;
    m_sinceArmed.start();
    m_timer->start(int(std::clamp(now.msecsTo(m_target), qint64(0), StepMs)));
}

void ScheduleAlarm::check()
{
    if (!isActive())
        return;
    const QDateTime now = ScheduleClock::now();
    const bool jumped = std::llabs(m_armedAt.msecsTo(now) - m_sinceArmed.elapsed()) > JumpMs;
    if (now >= m_target || jumped) {
        stop();
        emit timeout();
        return;
    }
    arm(now);
}
