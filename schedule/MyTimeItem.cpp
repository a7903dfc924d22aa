#include "schedule/MyTimeItem.h"

#include "link/Frame.h"
#include "schedule/ScheduleClock.h"

#include <QLatin1String>
#include <array>

namespace {

const QString timePattern = QStringLiteral("hh:mm");

// By input code, as the Control page names the inputs.
const std::array<QLatin1String, Rdx::InputCount> inputNames = {
    QLatin1String("EXT."),  QLatin1String("DVI2"), QLatin1String("DVI1"), QLatin1String("HDMI2"),
    QLatin1String("HDMI1"), QLatin1String("VGA"),  QLatin1String("V2"),   QLatin1String("V1"),
};

constexpr int EveryDayKey = 7;
constexpr int NoDayKey = 8;

} // namespace

MyTimeItem::MyTimeItem(QObject* parent) : QObject(parent)
{
    const QDateTime now = ScheduleClock::now();
    const QTime minute = ScheduleClock::wholeMinute(now.time());
    m_time = minute.addSecs(-1);
    m_week = dayBit(minute == QTime(0, 0) ? now.date().addDays(-1) : now.date());
}

MyTimeItem::MyTimeItem(const QTime& time, qint32 signal, qint32 week, qint32 repeat, qint32 active)
    : m_time(time), m_signal(signal), m_week(week), m_repeat(repeat), m_active(active)
{
}

MyTimeItem::MyTimeItem(const MyTimeItem& other)
    : QObject(nullptr), m_time(other.m_time), m_signal(other.m_signal), m_week(other.m_week), m_repeat(other.m_repeat),
      m_active(other.m_active)
{
}

MyTimeItem& MyTimeItem::operator=(const MyTimeItem& other)
{
    m_time = other.m_time;
    m_signal = other.m_signal;
    m_week = other.m_week;
    m_repeat = other.m_repeat;
    m_active = other.m_active;
    return *this;
}

bool MyTimeItem::isDueToday() const
{
    const QDateTime now = ScheduleClock::now();
    return m_active != 0 && (m_week & dayBit(now.date())) != 0 && m_time.isValid() &&
           ScheduleClock::wholeMinute(now.time()) <= m_time;
}

bool MyTimeItem::operator<(const MyTimeItem& other) const
{
    // An invalid time sorts before every valid one.
    if (m_time.isValid() != other.m_time.isValid())
        return !m_time.isValid();
    if (m_time != other.m_time)
        return m_time < other.m_time;
    return m_active < other.m_active;
}

QString timeText(const QTime& time)
{
    if (!time.isValid())
        return QString();
    const QChar text[5] = {QLatin1Char(char('0' + time.hour() / 10)), QLatin1Char(char('0' + time.hour() % 10)),
                           QLatin1Char(':'), QLatin1Char(char('0' + time.minute() / 10)),
                           QLatin1Char(char('0' + time.minute() % 10))};
    return QString(text, 5);
}

QTime parseTimeText(QStringView text)
{
    // The one shape the file and the editors write, read directly: QTime::fromString costs microseconds a
    // time, which a file of ten thousand entries feels.
    auto digit = [&](int i) { return text.at(i).isDigit() && text.at(i).unicode() < 128; };
    if (text.size() == 5 && digit(0) && digit(1) && text.at(2) == QLatin1Char(':') && digit(3) && digit(4)) {
        const int hour = (text.at(0).unicode() - '0') * 10 + text.at(1).unicode() - '0';
        const int minute = (text.at(3).unicode() - '0') * 10 + text.at(4).unicode() - '0';
        return hour < 24 && minute < 60 ? QTime(hour, minute) : QTime();
    }
    return QTime::fromString(text.toString(), timePattern);
}

QTime parseTimeText(const QString& text)
{
    return parseTimeText(QStringView(text));
}

int dayBit(const QDate& date)
{
    return 1 << (date.dayOfWeek() % 7);
}

bool isInputCode(int code)
{
    return code >= 0 && code < Rdx::InputCount;
}

QString signalName(int code)
{
    return isInputCode(code) ? QString(inputNames[code]) : QString();
}

QMap<int, QString>& dayNames()
{
    static QMap<int, QString> names;
    return names;
}

QString daysText(int mask)
{
    QString text;
    int count = 0;
    for (int day = 0; day < 7; ++day) {
        if (mask & (1 << day)) {
            text += dayNames()[day];
            ++count;
        }
    }
    if (count == 7)
        return dayNames()[EveryDayKey];
    if (count == 0)
        return dayNames()[NoDayKey];
    return text;
}
