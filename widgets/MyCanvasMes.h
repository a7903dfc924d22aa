#ifndef RDX480_WIDGETS_MYCANVASMES_H
#define RDX480_WIDGETS_MYCANVASMES_H

#include <QColor>
#include <QFrame>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

// A passive preview of one mosaic window inside the area it belongs to (the wall, the output or the
// input), drawn to scale with the area's size at the top and right edges and the window's size on it.
class MyCanvasMes : public QFrame
{
    Q_OBJECT
public:
    explicit MyCanvasMes(QWidget* parent = nullptr);

    // The window in area units; shown at the scale the owner set last.
    void setWindow(int x, int y, int w, int h);

    QRect windowRect() const { return m_windowRect; } // canvas pixels

    // Written by the owner; they take effect at the next setWindow. Area units per canvas pixel: the
    // start values are 1920 x 1080 over 340 x 220, a scale of zero or less draws no window.
    QString widthCaption = QStringLiteral("1980");
    QString heightCaption = QStringLiteral("1080");
    double scaleX = 1920.0 / 340.0;
    double scaleY = 1080.0 / 220.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPoint placeLabel(int px, int py) const;

    QPixmap m_backBuffer;
    QColor m_backgroundColor = Qt::lightGray;
    QColor m_windowColor = QColor(80, 163, 63);
    QRect m_windowRect = QRect(330, 120, 10, 160);
    QString m_labelText = QStringLiteral("(480,1080)");
    QPoint m_topCaptionAnchor;
    QPoint m_rightCaptionAnchor;
    QPoint m_labelPos;
};

#endif
