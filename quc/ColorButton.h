#ifndef RDX480_QUC_COLORBUTTON_H
#define RDX480_QUC_COLORBUTTON_H

#include <QColor>
#include <QPushButton>

// A flat push button filled with one colour, lighter under the mouse and darker while pressed.
class ColorButton : public QPushButton
{
    Q_OBJECT

public:
    explicit ColorButton(QWidget* parent = nullptr);

    void setNormalColor(const QColor& color);

private:
    void applyColor();

    QColor m_normal = QColor(120, 120, 120);
};

#endif
