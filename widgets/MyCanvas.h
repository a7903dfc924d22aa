#ifndef RDX480_WIDGETS_MYCANVAS_H
#define RDX480_WIDGETS_MYCANVAS_H

#include <QColor>
#include <QFrame>
#include <QPixmap>
#include <QPoint>
#include <QRect>

#include <array>

// The PIP preview: a gridded field with the main (blue) and sub (green) windows, scaled from device
// pixels. The operator double-clicks a window, drags it with the button held and releases; a drop that
// keeps the window inside the canvas is reported with move_rect, any other drop is undone.
class MyCanvas : public QFrame
{
    Q_OBJECT
public:
    explicit MyCanvas(QWidget* parent = nullptr);

    // Device pixels per canvas pixel. Values that are not finite and positive are ignored, so the
    // conversions below never divide by zero.
    void setScale(double horizontal, double vertical);
    double horizontalScale() const { return m_horizontalScale; }
    double verticalScale() const { return m_verticalScale; }

    // Device pixels in the order x, w, y, h, each truncated toward zero.
    std::array<int, 4> mainWindowRect() const;
    std::array<int, 4> subWindowRect() const;
    // Device pixels in the order x, y, w, h (unlike the getters).
    void setMainWindowRect(int x, int y, int w, int h);
    void setSubWindowRect(int x, int y, int w, int h);

    // Canvas pixels.
    QRect mainRect() const { return m_main.rect; }
    QRect subRect() const { return m_sub.rect; }
    void setMainRect(const QRect& rect);
    void setSubRect(const QRect& rect);

signals:
    void move_rect(const int type); // 1 main, 0 sub

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // One window on the canvas with its drag state; both windows move the same way.
    struct DraggableRect
    {
        QRect rect;
        QColor idleColor;
        QColor color;
        bool selected = false;
        QRect saved; // where the drag started, restored on a bad drop
    };

    enum WindowType { Sub = 0, Main = 1 };

    std::array<int, 4> toDevice(const QRect& rect) const;
    QRect fromDevice(int x, int y, int w, int h) const;
    bool liesInCanvas(const QRect& rect) const;
    void pick(DraggableRect& target, const QPoint& at);
    void drop(DraggableRect& target, WindowType type);

    double m_horizontalScale = 1.0;
    double m_verticalScale = 1.0;
    QPixmap m_background;
    QColor m_backgroundColor;
    bool m_grid = true;
    int m_gridRows = 30;
    int m_gridColumns = 30;
    DraggableRect m_main;
    DraggableRect m_sub;
    QPoint m_dragStart;
    QColor m_highlight;
};

#endif
