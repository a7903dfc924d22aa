#ifndef RDX480_SCHEDULE_MYTIMEITEM_H
#define RDX480_SCHEDULE_MYTIMEITEM_H

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QTime>

// One row of the schedule: at m_time on the days of m_week, switch the device to input m_signal.
class MyTimeItem : public QObject
{
    Q_OBJECT

public:
    // A new entry: the minute before now (10:30:45 gives 10:29:59), input DVI2, one-shot, active, on the day
    // of that minute: created at 00:00:30 it holds 23:59:59 of yesterday's weekday, so it does not fire tonight.
    explicit MyTimeItem(QObject* parent = nullptr);
    // An entry with these values, as read from a file (the clock is not read).
    MyTimeItem(const QTime& time, qint32 signal, qint32 week, qint32 repeat, qint32 active);
    // A copy holds the same five values and has no parent.
    MyTimeItem(const MyTimeItem& other);
    MyTimeItem& operator=(const MyTimeItem& other);
    ~MyTimeItem() override = default;

    // Active, today's day ticked, and its minute not yet past.
    bool isDueToday() const;
    // Earlier time first; at the same time the inactive entry first.
    bool operator<(const MyTimeItem& other) const;

    QTime m_time;
    qint32 m_signal = 1;
    qint32 m_week = 0; // bit 0 Sunday ... bit 6 Saturday
    qint32 m_repeat = 0;
    qint32 m_active = 1;
};

// "hh:mm": the one pattern the file, the table and the editors write and read times with.
QString timeText(const QTime& time);
QTime parseTimeText(QStringView text);
QTime parseTimeText(const QString& text);

// Bit of a date's weekday in m_week.
int dayBit(const QDate& date);
// Input name of a code, empty for a code the device does not have.
QString signalName(int code);
bool isInputCode(int code);
// Day names 0..6 (Sunday first), 7 every day, 8 none: the table model's language fills it.
QMap<int, QString>& dayNames();
QString daysText(int mask);

#endif
