#include "quc/ColorButton.h"

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    applyColor();
}

void ColorButton::setNormalColor(const QColor& color)
{
    m_normal = color;
    applyColor();
}

void ColorButton::applyColor()
{
    setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; border: none; border-radius: 5px;"
                                 " font-weight: bold; }"
                                 " QPushButton:hover { background-color: %2; }"
                                 " QPushButton:pressed { background-color: %3; }")
                      .arg(m_normal.name(), m_normal.lighter(115).name(), m_normal.darker(120).name()));
}
