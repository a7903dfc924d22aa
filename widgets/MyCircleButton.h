#ifndef RDX480_WIDGETS_MYCIRCLEBUTTON_H
#define RDX480_WIDGETS_MYCIRCLEBUTTON_H

#include <QColor>
#include <QPushButton>

// A push button drawn as a filled ellipse with centred text; green while hovered, red while active.
class MyCircleButton : public QPushButton
{
    Q_OBJECT
public:
    explicit MyCircleButton(QWidget* parent = nullptr);

    void setActive(bool on);
    QColor fillColor() const; // the colour the next paint uses

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_baseColor;
    QColor m_fillColor;
};

#endif
