#ifndef RDX480_SCHEDULE_SCHEDULEALARM_H
#define RDX480_SCHEDULE_SCHEDULEALARM_H

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>

class QTimer;

// Wakes its owner at a wall-clock time read from ScheduleClock. It waits in short precise steps and looks
// at the wall clock after each, so a wake-up lands within milliseconds of its time, and a clock that jumps
// (a time change, a resume from sleep, a test moving its clock) wakes the owner at once to look again.
class ScheduleAlarm : public QObject
{
    Q_OBJECT

public:
    explicit ScheduleAlarm(QObject* parent = nullptr);

    void startAt(const QDateTime& when);
    void stop();
    bool isActive() const { return m_target.isValid(); }
    QDateTime target() const { return m_target; }

signals:
    void timeout();

private:
    void check();
    void arm(const QDateTime& now);

    QTimer* m_timer;
    QDateTime m_target;
    QDateTime m_armedAt;
    QElapsedTimer m_sinceArmed;
};

#endif
