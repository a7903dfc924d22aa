#include "widgets/MyCanvasMes.h"

#include <QPainter>

#include <cmath>

namespace {
bool usableScale(double scale)
{
    return std::isfinite(scale) && scale > 0.0;
}

int truncated(double value)
{
    return static_cast<int>(std::trunc(value));
}
} // namespace

MyCanvasMes::MyCanvasMes(QWidget* parent) : QFrame(parent) {}

void MyCanvasMes::setWindow(int x, int y, int w, int h)
{
    m_labelText = tr("(%1,%2)").arg(w).arg(h);
    if (usableScale(scaleX) && usableScale(scaleY)) {
        m_windowRect =
            QRect(truncated(x / scaleX), truncated(y / scaleY), truncated(w / scaleX), truncated(h / scaleY));
    } else {
        m_windowRect = QRect(); // an area without a size has nothing to show the window in
    }
    // Replies reach the page before the canvas was ever shown: there is no buffer to fill yet.
    if (!m_backBuffer.isNull())
        m_backBuffer.fill(m_backgroundColor);
    m_labelPos = placeLabel(m_windowRect.left() + 10, m_windowRect.top() + 10);
    update();
}

QPoint MyCanvasMes::placeLabel(int px, int py) const
{
    const int cx = m_topCaptionAnchor.x();
    const int canvasWidth = m_rightCaptionAnchor.x();
    const int my = m_rightCaptionAnchor.y();
    // Keep the size label off the captions at the top and the right edge, and inside the canvas.
    if (std::abs(cx - px) < 100 && py < 20) {
        py = 20;
    } else if (std::abs(canvasWidth - px) < 120) {
        const int d = py - my;
        if (d >= 1 && d <= 9)
            py = my + 10;
        else if (d >= -29 && d <= -1)
            py = my - 20;
    }
    if (px + 80 > width())
        px = width() - 80;
    if (py + 20 > height())
        py = height() - 20;
    return QPoint(px, py + 10);
}

void MyCanvasMes::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    m_topCaptionAnchor = QPoint(width() / 2, 0);
    m_rightCaptionAnchor = QPoint(width(), height() / 2);
    m_backBuffer = QPixmap(size());
    m_backBuffer.fill(m_backgroundColor);
    m_labelPos = placeLabel(m_windowRect.left() + 10, m_windowRect.top() + 10);
    update();
}

void MyCanvasMes::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_backBuffer.isNull())
        painter.drawPixmap(0, 0, m_backBuffer);
    if (m_windowRect.isValid()) {
        painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(QBrush(m_windowColor, Qt::SolidPattern));
        painter.drawRect(m_windowRect);
    }
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignTop | Qt::AlignHCenter, widthCaption);
    painter.drawText(rect(), Qt::AlignVCenter | Qt::AlignRight | Qt::AlignHCenter, heightCaption);
    painter.setPen(Qt::white);
    painter.drawText(m_labelPos, m_labelText);
}
