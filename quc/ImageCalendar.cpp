#include "quc/ImageCalendar.h"

#include "schedule/ScheduleClock.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

ImageCalendar::ImageCalendar(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(30000); // the date changes at most once a day; half a minute late is fine
    connect(m_timer, &QTimer::timeout, this, &ImageCalendar::follow);
    connect(ScheduleClock::instance(), &ScheduleClock::moved, this, &ImageCalendar::follow);
    m_timer->start();
    follow();
}

void ImageCalendar::follow()
{
    const QDate today = ScheduleClock::now().date();
    if (today != m_date) {
        m_date = today;
        update();
    }
}

void ImageCalendar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF leaf = QRectF(rect()).adjusted(3, 3, -3, -3);
    const qreal band = leaf.height() * 0.26;

    QPainterPath outline;
    outline.addRoundedRect(leaf, 8, 8);
    painter.fillPath(outline, Qt::white);
    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(QRectF(leaf.left(), leaf.top(), leaf.width(), band), QColor(210, 50, 45));
    painter.restore();
    painter.setPen(QPen(QColor(150, 150, 150), 1.5));
    painter.drawPath(outline);

    const QLocale calendarLocale = locale();
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(int(band * 0.55));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(leaf.left(), leaf.top(), leaf.width(), band), Qt::AlignCenter,
                     QStringLiteral("%1 %2").arg(m_date.year()).arg(m_date.month(), 2, 10, QLatin1Char('0')));

    const QRectF body(leaf.left(), leaf.top() + band, leaf.width(), leaf.height() - band);
    font.setPixelSize(int(body.height() * 0.5));
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(QRectF(body.left(), body.top(), body.width(), body.height() * 0.7), Qt::AlignCenter,
                     QString::number(m_date.day()));
    font.setBold(false);
    font.setPixelSize(int(body.height() * 0.16));
    painter.setFont(font);
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(QRectF(body.left(), body.top() + body.height() * 0.66, body.width(), body.height() * 0.3),
                     Qt::AlignCenter, calendarLocale.dayName(m_date.dayOfWeek(), QLocale::ShortFormat));
}
