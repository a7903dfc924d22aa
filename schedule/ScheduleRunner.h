#ifndef RDX480_SCHEDULE_SCHEDULERUNNER_H
#define RDX480_SCHEDULE_SCHEDULERUNNER_H

#include "link/Frame.h"
#include "schedule/FiredState.h"

#include <QDateTime>
#include <QObject>

#include <functional>

class ScheduleAlarm;
class TableModel;
class QTimer;

// Fires today's schedule entries at their minutes, through a device the caller provides: one entry per
// minute, in time order, once. A step that finds the device in another exchange, or not connected, tries
// again until the entry's minute is over; today's list is rebuilt at the first moment of every day. The
// Timer page, the service and the command line share it; every time of day comes from ScheduleClock.
//
// Each entry whose minute comes ends in exactly one report: fired (an exchange took place; its outcome says
// how it ended), skipped (deliberately not sent) or missed (its minute passed without an exchange). Only a
// firing the device accepted spends a one-shot entry and is recorded in the fired-state file beside time.t.
class ScheduleRunner : public QObject
{
    Q_OBJECT

public:
    // How an entry reaches the device.
    struct Device
    {
        // The device can be sent a switch now.
        std::function<bool()> isConnected;
        // Switches the device to input `code` now. Outcome::Busy means "inside another exchange, nothing
        // sent": the runner asks again a moment later, within the entry's minute.
        std::function<Rdx::Outcome(int code)> switchInput;
    };

    enum class Reason {
        Due,          // fired: its minute came
        CatchUp,      // fired: caught up after its minute passed unsent (catchUp())
        AlreadyFired, // skipped: fired in this minute already, by this runner or by another program
        Inactive,     // skipped: switched off after today's list was built
        NoInput,      // skipped: its input code is none the device has
        NotConnected, // missed: the device was not connected for the whole minute
        DeviceBusy,   // missed: the device was in other exchanges for the whole minute
        Late,         // missed: the minute passed before the runner could look (held-up event loop, clock jump)
    };
    Q_ENUM(Reason)

    struct Report
    {
        int row = -1;     // in the model, at the time of the report
        QDateTime minute; // the date and minute the entry was due
        int input = -1;
        Reason reason = Reason::Due;
        Rdx::Outcome outcome = Rdx::Outcome::Busy; // of the exchange; fired reports only
    };

    // Runs the schedule held by `model`, which the caller owns and loads.
    ScheduleRunner(TableModel* model, Device device, QObject* parent = nullptr);
    // Loads the schedule file `fileName` (on the next pass of the event loop) into a model of its own and
    // runs it: for programs without a Timer page.
    ScheduleRunner(const QString& fileName, Device device, QObject* parent = nullptr);
    ~ScheduleRunner() override;

    TableModel* model() const { return m_model; }

    // Off: nothing fires (another program runs the schedule). On again: today's list is rebuilt, so the
    // entries whose minutes passed meanwhile are not reported as missed here.
    void setFiring(bool on);
    bool isFiring() const { return m_firing; }

    // When the next step is due; invalid while idle.
    QDateTime nextWake() const;

    // Sends the latest active entry of today whose minute passed at most `maxAgeMinutes` ago without the
    // device accepting it (by this or any program), once: for a program that starts, or finds the device
    // back, or sees the clock jump forward. False when there was nothing to send or it was not accepted.
    bool catchUp(int maxAgeMinutes);

    // One line for a log: "08:00 HDMI1 (row 3): fired, accepted".
    static QString describe(const Report& report);

public slots:
    // Today's list was rebuilt with `count` entries: start again at its first position, on the next pass of
    // the event loop.
    void restart(int count);
    // One firing step: fire the entry of the current minute, report those whose minute passed, and arm the
    // next wake-up (the next minute boundary, or the start of the next day).
    void step();

signals:
    void fired(const ScheduleRunner::Report& report);
    void skipped(const ScheduleRunner::Report& report);
    void missed(const ScheduleRunner::Report& report);
    // Once per entry: it is due but the device is not connected; it still runs if the device comes back
    // within its minute, else a missed report follows.
    void waitingForDevice(const ScheduleRunner::Report& report);
    // Another program (the panel, the service) fired an entry of this schedule; the device has changed.
    void firedElsewhere(const ScheduleRunner::Report& report);

private:
    enum class Step { Done, Retry };

    void init();
    Step fire(int row, const QDateTime& minute, Report* done);
    void reportPassed(int row, const QDateTime& minute);
    void armNext(const QDateTime& now);
    void finish(const Report& report);
    int rowOf(const Report& report) const;
    bool firedBefore(int row, const QDateTime& minute) const;
    void lookAtState();

    TableModel* m_model;
    Device m_device;
    ScheduleAlarm* m_alarm;
    QTimer* m_retry;
    bool m_firing = true;
    int m_count = 0;
    int m_index = 0;
    // Bumped by every restart: a step that outlives a rebuild (inside the device's exchange) must not move
    // the new list's position.
    quint64 m_generation = 0;
    // The minute of the last firing: one firing per minute, however often the list is rebuilt.
    QDateTime m_firedMinute;
    // The entry held back in its minute (row, minute) and why, for its missed report.
    int m_heldRow = -1;
    QDateTime m_heldMinute;
    Reason m_heldReason = Reason::Late;
    bool m_announced = false;
    // The firings recorded in the state file that this runner has seen or made.
    QVector<FiredState::Firing> m_known;
    bool m_knownRead = false;
};

Q_DECLARE_METATYPE(ScheduleRunner::Report)

#endif
