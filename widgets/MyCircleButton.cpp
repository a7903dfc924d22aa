#include "widgets/MyCircleButton.h"

#include <QPainter>

namespace {
const QColor idleColor(85, 170, 255);
const QColor hoverColor(80, 163, 63);
const QColor activeColor(255, 50, 50);
} // namespace

MyCircleButton::MyCircleButton(QWidget* parent) : QPushButton(parent), m_baseColor(idleColor), m_fillColor(idleColor) {}

void MyCircleButton::setActive(bool on)
{
    m_baseColor = on ? activeColor : idleColor;
    m_fillColor = m_baseColor;
    update();
}

QColor MyCircleButton::fillColor() const
{
    return m_fillColor;
}

void MyCircleButton::enterEvent(QEvent* event)
{
    // Only the idle button lights up; the active (red) one keeps its warning colour.
    if (m_baseColor == idleColor)
        m_fillColor = hoverColor;
    update();
    QPushButton::enterEvent(event);
}

void MyCircleButton::leaveEvent(QEvent* event)
{
    m_fillColor = m_baseColor;
    update();
    QPushButton::leaveEvent(event);
}

void MyCircleButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkGray, 2, Qt::SolidLine));
    painter.setBrush(m_fillColor);
    painter.drawEllipse(QRect(0, 0, width(), height()));

    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter, text());
}
