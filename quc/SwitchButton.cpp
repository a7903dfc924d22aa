#include "quc/SwitchButton.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int TrackWidth = 44;
constexpr int TrackHeight = 22;
constexpr int Gap = 8;

} // namespace

SwitchButton::SwitchButton(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::toggled, this, &SwitchButton::checkedChanged);
}

QSize SwitchButton::sizeHint() const
{
    return QSize(TrackWidth + Gap + fontMetrics().horizontalAdvance(text()),
                 std::max(TrackHeight, fontMetrics().height()));
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(1, (height() - TrackHeight) / 2.0, TrackWidth, TrackHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? QColor(47, 189, 104) : QColor(170, 170, 170));
    painter.drawRoundedRect(track, TrackHeight / 2.0, TrackHeight / 2.0);
    const qreal knob = TrackHeight - 4;
    const qreal knobX = isChecked() ? track.right() - knob - 2 : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(knobX, track.top() + 2, knob, knob));

    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(TrackWidth + Gap, 0, width() - TrackWidth - Gap, height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
}
