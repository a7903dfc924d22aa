#include "quc/LcdDateTime.h"

#include "schedule/ScheduleClock.h"

#include <QTimer>

LcdDateTime::LcdDateTime(QWidget* parent) : QLCDNumber(parent), m_timer(new QTimer(this))
{
    setSegmentStyle(QLCDNumber::Flat);
    setFrameShape(QFrame::NoFrame);
    setStyleSheet(QStringLiteral("QLCDNumber { color: rgb(30, 110, 190); }"));
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &LcdDateTime::tick);
    connect(ScheduleClock::instance(), &ScheduleClock::moved, this, &LcdDateTime::tick);
    tick();
}

void LcdDateTime::setFormat(const QString& format)
{
    m_format = format;
    tick();
}

void LcdDateTime::tick()
{
    const QDateTime now = ScheduleClock::now();
    const QString text = now.toString(m_format.isEmpty() ? QStringLiteral("HH:mm:ss") : m_format);
    setDigitCount(text.size());
    display(text);
    m_timer->start(1000 - now.time().msec());
}
