#include "widgets/MyCanvas.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {
const QColor mainIdleColor(85, 170, 255);
const QColor subIdleColor(80, 163, 63);

int truncated(double value)
{
    return static_cast<int>(std::trunc(value));
}

bool usableScale(double scale)
{
    return std::isfinite(scale) && scale > 0.0;
}
} // namespace

MyCanvas::MyCanvas(QWidget* parent) : QFrame(parent), m_backgroundColor(Qt::lightGray), m_highlight(255, 50, 50)
{
    m_main.rect = QRect(20, 20, 160, 160);
    m_main.idleColor = mainIdleColor;
    m_main.color = mainIdleColor;
    m_sub.rect = QRect(200, 20, 160, 160);
    m_sub.idleColor = subIdleColor;
    m_sub.color = subIdleColor;
}

void MyCanvas::setScale(double horizontal, double vertical)
{
    if (usableScale(horizontal))
        m_horizontalScale = horizontal;
    if (usableScale(vertical))
        m_verticalScale = vertical;
}

std::array<int, 4> MyCanvas::mainWindowRect() const
{
    return toDevice(m_main.rect);
}

std::array<int, 4> MyCanvas::subWindowRect() const
{
    return toDevice(m_sub.rect);
}

void MyCanvas::setMainWindowRect(int x, int y, int w, int h)
{
    m_main.rect = fromDevice(x, y, w, h);
    update();
}

void MyCanvas::setSubWindowRect(int x, int y, int w, int h)
{
    m_sub.rect = fromDevice(x, y, w, h);
    update();
}

void MyCanvas::setMainRect(const QRect& rect)
{
    m_main.rect = rect;
    update();
}

void MyCanvas::setSubRect(const QRect& rect)
{
    m_sub.rect = rect;
    update();
}

std::array<int, 4> MyCanvas::toDevice(const QRect& rect) const
{
    return {truncated(rect.left() * m_horizontalScale), truncated(rect.width() * m_horizontalScale),
            truncated(rect.top() * m_verticalScale), truncated(rect.height() * m_verticalScale)};
}

QRect MyCanvas::fromDevice(int x, int y, int w, int h) const
{
    return QRect(truncated(x / m_horizontalScale), truncated(y / m_verticalScale), truncated(w / m_horizontalScale),
                 truncated(h / m_verticalScale));
}

bool MyCanvas::liesInCanvas(const QRect& rect) const
{
    // The last pixel column and row may touch the canvas edge itself.
    return rect.left() >= 0 && rect.top() >= 0 && rect.left() + rect.width() - 1 <= width() &&
           rect.top() + rect.height() - 1 <= height();
}

void MyCanvas::pick(DraggableRect& target, const QPoint& at)
{
    target.selected = true;
    target.color = m_highlight;
    target.saved = target.rect;
    m_dragStart = at;
}

void MyCanvas::drop(DraggableRect& target, WindowType type)
{
    target.selected = false;
    target.color = target.idleColor;
    if (liesInCanvas(target.rect))
        emit move_rect(type);
    else
        target.rect = target.saved;
    update();
}

void MyCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = event->pos();
    // The sub window is painted on top, so it wins where the two overlap.
    if (m_sub.rect.contains(at))
        pick(m_sub, at);
    else if (m_main.rect.contains(at))
        pick(m_main, at);
    else
        return;
    setCursor(Qt::CrossCursor);
    update();
}

void MyCanvas::mouseMoveEvent(QMouseEvent* event)
{
    DraggableRect* target = m_main.selected ? &m_main : m_sub.selected ? &m_sub : nullptr;
    if (!target)
        return;
    target->rect.moveTopLeft(target->saved.topLeft() + (event->pos() - m_dragStart));
    update();
}

void MyCanvas::mouseReleaseEvent(QMouseEvent*)
{
    if (m_main.selected)
        drop(m_main, Main);
    else if (m_sub.selected)
        drop(m_sub, Sub);
    setCursor(Qt::ArrowCursor);
}

void MyCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(0, 0, m_background);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    for (const DraggableRect* window : {&m_main, &m_sub}) {
        painter.setBrush(window->color);
        painter.drawRect(window->rect);
    }
}

void MyCanvas::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    m_background = QPixmap(size());
    m_background.fill(m_backgroundColor);
    if (m_grid) {
        QPainter painter(&m_background);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        const int rowSpacing = m_background.height() / m_gridRows;
        for (int i = 0; i <= m_gridRows; ++i)
            painter.drawLine(0, i * rowSpacing, width(), i * rowSpacing);
        const int columnSpacing = m_background.width() / m_gridColumns;
        for (int i = 0; i <= m_gridColumns; ++i)
            painter.drawLine(i * columnSpacing, 0, i * columnSpacing, height());
    }
    update();
}
