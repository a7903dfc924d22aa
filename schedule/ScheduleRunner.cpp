#include "schedule/ScheduleRunner.h"

#include "schedule/MyTimeItem.h"
#include "schedule/ScheduleAlarm.h"
#include "schedule/ScheduleClock.h"
#include "schedule/TableModel.h"

#include <QTimer>

#include <algorithm>

namespace {

// How soon a step that found the device busy or away looks again.
constexpr int RetryMs = 200;

QDateTime minuteOf(const QDateTime& time)
{
    return QDateTime(time.date(), ScheduleClock::wholeMinute(time.time()));
}

const char* outcomeText(Rdx::Outcome outcome)
{
    switch (outcome) {
    case Rdx::Outcome::Accepted:
        return "accepted";
    case Rdx::Outcome::Refused:
        return "refused by the device";
    case Rdx::Outcome::Unanswered:
        return "no reply";
    case Rdx::Outcome::Busy:
        return "not sent, link busy";
    case Rdx::Outcome::NotConnected:
        return "not sent, not connected";
    case Rdx::Outcome::Failed:
        return "not written";
    }
    return "";
}

} // namespace

ScheduleRunner::ScheduleRunner(TableModel* model, Device device, QObject* parent)
    : QObject(parent), m_model(model), m_device(std::move(device))
{
    init();
}

ScheduleRunner::ScheduleRunner(const QString& fileName, Device device, QObject* parent)
    : QObject(parent), m_model(new TableModel(this)), m_device(std::move(device))
{
    m_model->setLanguage(true);
    init();
    QMetaObject::invokeMethod(
        m_model, [this, fileName] { m_model->load(fileName); }, Qt::QueuedConnection);
}

ScheduleRunner::~ScheduleRunner() = default;

void ScheduleRunner::init()
{
    qRegisterMetaType<ScheduleRunner::Report>();
    m_alarm = new ScheduleAlarm(this);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);
    m_model->watchFolder();
    connect(m_model, &TableModel::send_starTime, this, &ScheduleRunner::restart);
    connect(m_model, &TableModel::send_stateChanged, this, &ScheduleRunner::lookAtState);
    connect(m_alarm, &ScheduleAlarm::timeout, this, &ScheduleRunner::step);
    connect(m_retry, &QTimer::timeout, this, &ScheduleRunner::step);
}

void ScheduleRunner::setFiring(bool on)
{
    if (on == m_firing)
        return;
    m_firing = on;
    m_alarm->stop();
    m_retry->stop();
    if (on)
        m_model->adjust();
}

QDateTime ScheduleRunner::nextWake() const
{
    return m_alarm->isActive() ? m_alarm->target() : QDateTime();
}

void ScheduleRunner::restart(int count)
{
    if (!m_knownRead && !m_model->fileName().isEmpty()) {
        m_knownRead = true;
        m_known = FiredState::read(m_model->fileName());
    }
    m_count = count;
    m_index = 0;
    ++m_generation;
    // Even with nothing due today the runner wakes at midnight to build the next day's list.
    QMetaObject::invokeMethod(this, &ScheduleRunner::step, Qt::QueuedConnection);
}

void ScheduleRunner::step()
{
    m_retry->stop();
    if (!m_firing)
        return;
    const QDateTime now = ScheduleClock::now();
    // A new day, by date: a late step fires nothing of yesterday's list, and the rebuild happens once.
    if (now.date() != m_model->builtFor()) {
        m_model->adjust();
        return;
    }
    const QDateTime minute = minuteOf(now);
    const QVector<int> rows = m_model->todayRows();
    m_count = std::min(m_count, int(rows.size()));
    auto minuteAt = [&](int position) { return ScheduleClock::wholeMinute(m_model->timeAt(rows.at(position))); };
    while (m_index < m_count && minuteAt(m_index) < minute.time()) {
        reportPassed(rows.at(m_index), QDateTime(now.date(), minuteAt(m_index)));
        ++m_index;
    }
    Report done;
    if (m_index < m_count && minuteAt(m_index) == minute.time()) {
        const quint64 generation = m_generation;
        if (fire(rows.at(m_index), minute, &done) == Step::Retry) {
            // The boundary wake-up stays armed: it reports the entry missed once its minute is over.
            armNext(now);
            m_retry->start();
            return;
        }
        // A rebuild during the exchange queued a step of its own on the new list.
        if (generation != m_generation)
            return;
        ++m_index;
    }
    // The next wake-up is armed before anything is reported: a report may hold the event loop (a message
    // box, a slow disk), and the next entry's minute must not pass unseen meanwhile.
    armNext(now);
    if (done.row >= 0)
        finish(done);
}

ScheduleRunner::Step ScheduleRunner::fire(int row, const QDateTime& minute, Report* done)
{
    Report report;
    report.row = row;
    report.minute = minute;
    report.input = m_model->signalAt(row);
    if (m_firedMinute == minute || !m_model->isActiveAt(row) || !isInputCode(report.input)) {
        report.reason = m_firedMinute == minute     ? Reason::AlreadyFired
                        : !m_model->isActiveAt(row) ? Reason::Inactive
                                                    : Reason::NoInput;
        emit skipped(report);
        return Step::Done;
    }
    // Fired in this minute by another program, or by this one before a restart.
    if (firedBefore(row, minute)) {
        m_firedMinute = minute;
        report.reason = Reason::AlreadyFired;
        emit skipped(report);
        return Step::Done;
    }
    const bool sameHold = m_heldRow == row && m_heldMinute == minute;
    if (!sameHold)
        m_announced = false;
    m_heldRow = row;
    m_heldMinute = minute;
    if (!m_device.isConnected()) {
        m_heldReason = Reason::NotConnected;
        if (!m_announced) {
            m_announced = true;
            report.reason = Reason::NotConnected;
            emit waitingForDevice(report);
        }
        return Step::Retry;
    }
    report.outcome = m_device.switchInput(report.input);
    if (report.outcome == Rdx::Outcome::Busy || report.outcome == Rdx::Outcome::NotConnected) {
        m_heldReason = report.outcome == Rdx::Outcome::Busy ? Reason::DeviceBusy : Reason::NotConnected;
        return Step::Retry;
    }
    m_heldRow = -1;
    m_firedMinute = minute;
    report.reason = Reason::Due;
    *done = report;
    return Step::Done;
}

void ScheduleRunner::reportPassed(int row, const QDateTime& minute)
{
    Report report;
    report.row = row;
    report.minute = minute;
    report.input = m_model->signalAt(row);
    report.reason = m_heldRow == row && m_heldMinute == minute ? m_heldReason : Reason::Late;
    if (m_heldRow == row)
        m_heldRow = -1;
    emit missed(report);
}

void ScheduleRunner::armNext(const QDateTime& now)
{
    // The first moment of tomorrow, not 00:00: where daylight saving starts at midnight, 00:00 does not exist.
    const QDateTime next = m_index < m_count ? minuteOf(now).addSecs(60) : now.date().addDays(1).startOfDay();
    m_alarm->startAt(next);
}

// The exchange may have run the event loop: rows can have moved since the entry was picked.
int ScheduleRunner::rowOf(const Report& report) const
{
    auto matches = [&](int row) {
        return ScheduleClock::wholeMinute(m_model->timeAt(row)) == report.minute.time() &&
               m_model->signalAt(row) == report.input;
    };
    if (matches(report.row))
        return report.row;
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (matches(row))
            return row;
    return -1;
}

void ScheduleRunner::finish(const Report& report)
{
    Report shown = report;
    shown.row = rowOf(report);
    // A refused or unanswered switch leaves the entry active, so the table shows it did not run, and is not
    // recorded as fired.
    if (report.outcome == Rdx::Outcome::Accepted && shown.row >= 0) {
        const FiredState::Firing firing = FiredState::of(*m_model->itemAt(shown.row), report.minute);
        m_known.append(firing);
        QString error;
        if (!FiredState::record(m_model->fileName(), firing, &error))
            qCWarning(lcSchedule) << "cannot record the firing in" << FiredState::fileName(m_model->fileName())
                                  << error;
        m_model->markFired(shown.row);
    }
    emit fired(shown);
}

bool ScheduleRunner::firedBefore(int row, const QDateTime& minute) const
{
    const MyTimeItem* item = m_model->itemAt(row);
    return item && FiredState::read(m_model->fileName()).contains(FiredState::of(*item, minute));
}

void ScheduleRunner::lookAtState()
{
    const QVector<FiredState::Firing> firings = FiredState::read(m_model->fileName());
    for (const FiredState::Firing& firing : firings) {
        if (m_known.contains(firing))
            continue;
        m_known.append(firing);
        Report report;
        report.minute = firing.minute;
        report.input = firing.input;
        report.outcome = Rdx::Outcome::Accepted;
        report.row = rowOf(report);
        // Another program fired this minute's entry: this runner must not fire it again.
        if (firing.minute == minuteOf(ScheduleClock::now()))
            m_firedMinute = firing.minute;
        emit firedElsewhere(report);
    }
}

bool ScheduleRunner::catchUp(int maxAgeMinutes)
{
    const QDateTime now = ScheduleClock::now();
    const QTime minute = ScheduleClock::wholeMinute(now.time());
    const int today = dayBit(now.date());
    int latest = -1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const MyTimeItem& item = *m_model->itemAt(row);
        const QTime time = ScheduleClock::wholeMinute(item.m_time);
        if (item.m_active != 0 && (item.m_week & today) != 0 && time.isValid() && time < minute &&
            time.secsTo(minute) <= maxAgeMinutes * 60 && (latest < 0 || m_model->timeAt(latest) < item.m_time))
            latest = row;
    }
    if (latest < 0 || !m_firing)
        return false;
    Report report;
    report.row = latest;
    report.minute = QDateTime(now.date(), ScheduleClock::wholeMinute(m_model->timeAt(latest)));
    report.input = m_model->signalAt(latest);
    if (firedBefore(latest, report.minute) || !isInputCode(report.input)) {
        report.reason = isInputCode(report.input) ? Reason::AlreadyFired : Reason::NoInput;
        emit skipped(report);
        return false;
    }
    if (!m_device.isConnected()) {
        report.reason = Reason::NotConnected;
        emit missed(report);
        return false;
    }
    report.reason = Reason::CatchUp;
    report.outcome = m_device.switchInput(report.input);
    finish(report);
    return report.outcome == Rdx::Outcome::Accepted;
}

QString ScheduleRunner::describe(const Report& report)
{
    const QString what =
        QStringLiteral("%1 %2 (row %3)")
            .arg(report.minute.toString(QStringLiteral("yyyy-MM-dd hh:mm")),
                 isInputCode(report.input) ? signalName(report.input) : QStringLiteral("input %1").arg(report.input))
            .arg(report.row + 1);
    switch (report.reason) {
    case Reason::Due:
        return QStringLiteral("%1: fired, %2").arg(what, QLatin1String(outcomeText(report.outcome)));
    case Reason::CatchUp:
        return QStringLiteral("%1: caught up, %2").arg(what, QLatin1String(outcomeText(report.outcome)));
    case Reason::AlreadyFired:
        return QStringLiteral("%1: skipped, fired already in this minute").arg(what);
    case Reason::Inactive:
        return QStringLiteral("%1: skipped, switched off").arg(what);
    case Reason::NoInput:
        return QStringLiteral("%1: skipped, no such input").arg(what);
    case Reason::NotConnected:
        return QStringLiteral("%1: missed, device not connected").arg(what);
    case Reason::DeviceBusy:
        return QStringLiteral("%1: missed, device busy for the whole minute").arg(what);
    case Reason::Late:
        return QStringLiteral("%1: missed, its minute passed before it could run").arg(what);
    }
    return what;
}
