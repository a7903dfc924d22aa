#ifndef RDX480_SCHEDULE_FIREDSTATE_H
#define RDX480_SCHEDULE_FIREDSTATE_H

#include <QDateTime>
#include <QString>
#include <QVector>

class MyTimeItem;

// Which entries fired, and when: kept beside time.t (time.t.state), under time.t's lock, so "fired in this
// minute" holds across a restart and between the panel and the service. time.t itself keeps its format.
// One line per firing the device accepted, "2026-03-02 08:00 4 62 1": date, minute, input, days, repeat
// (what tells entries apart; the active flag is not, as a one-shot entry's changes when it fires).
namespace FiredState {

struct Firing
{
    QDateTime minute;
    int input = -1;
    int week = 0;
    int repeat = 0;

    bool operator==(const Firing& other) const
    {
        return minute == other.minute && input == other.input && week == other.week && repeat == other.repeat;
    }
};

QString fileName(const QString& timeFile);
Firing of(const MyTimeItem& item, const QDateTime& minute);

// The firings recorded for the schedule file `timeFile`; none when there is no state file.
QVector<Firing> read(const QString& timeFile);
// Adds a firing; firings from before yesterday are dropped on the way.
bool record(const QString& timeFile, const Firing& firing, QString* error);

} // namespace FiredState

#endif
