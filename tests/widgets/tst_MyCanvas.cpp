#include "widgets/MyCanvas.h"
#include "widgets/MyCanvasMes.h"

#include <QSignalSpy>
#include <QtTest>

using Device = std::array<int, 4>;
Q_DECLARE_METATYPE(Device)

namespace {
const QRect mainStart(20, 20, 160, 160);
const QRect subStart(200, 20, 160, 160);

// QTest::mouseMove carries no held button in Qt 5, so the drag is sent as the platform would deliver it.
void dragTo(MyCanvas& canvas, const QPoint& to)
{
    QMouseEvent move(QEvent::MouseMove, to, canvas.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &move);
}

// Picks with a double click (or a plain press), drags, drops; returns the colour by the mouse before the drop.
QColor drag(MyCanvas& canvas, const QPoint& from, const QPoint& to, bool doubleClick = true)
{
    doubleClick ? QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, from)
                : QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, from);
    dragTo(canvas, (from + to) / 2);
    dragTo(canvas, to);
    const QColor dragged = canvas.grab().toImage().pixelColor(to - QPoint(5, 5)); // clear of the outline
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, to);
    return dragged;
}
} // namespace

class tst_MyCanvas : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_canvas = std::make_unique<MyCanvas>();
        m_canvas->resize(640, 360);
        m_canvas->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_canvas.get()));
    }
    void cleanup() { m_canvas.reset(); }

    void convertsDevicePixels_data()
    {
        QTest::addColumn<double>("horizontal");
        QTest::addColumn<double>("vertical");
        QTest::addColumn<QRect>("device"); // x, y, w, h as handed to the setters
        QTest::addColumn<QRect>("canvas");
        QTest::addColumn<Device>("readBack"); // x, w, y, h

        QTest::newRow("1024x768, read back truncated, not rounded")
            << 1024 / 640.0 << 768 / 360.0 << QRect(34, 28, 162, 165) << QRect(21, 13, 101, 77)
            << Device{33, 161, 27, 164};
        // An unusable scale leaves that axis as it was.
        QTest::newRow("negative ignored")
            << -1.0 << 4.0 << QRect(300, 400, 600, 800) << QRect(100, 100, 200, 200) << Device{300, 600, 400, 800};
        QTest::newRow("NaN and zero ignored")
            << qQNaN() << 0.0 << QRect(300, 300, 600, 600) << QRect(100, 100, 200, 200) << Device{300, 600, 300, 600};
    }

    void convertsDevicePixels()
    {
        QFETCH(double, horizontal);
        QFETCH(double, vertical);
        QFETCH(QRect, device);
        m_canvas->setScale(3.0, 3.0);
        m_canvas->setScale(horizontal, vertical);
        m_canvas->setSubWindowRect(device.x(), device.y(), device.width(), device.height());
        QTEST(m_canvas->subRect(), "canvas");
        QTEST(m_canvas->subWindowRect(), "readBack");
    }

    // A double click picks the window under it (a plain press picks nothing); the window follows the mouse
    // highlighted and is reported once where it is dropped inside the canvas, else it goes back. Either way it is
    // idle afterwards: its own colour, and it no longer follows the mouse.
    void dragAndDrop_data()
    {
        QTest::addColumn<QRect>("mainAt");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("type");    // the window picked, 1 main, 0 sub; -1: none
        QTest::addColumn<QRect>("moved"); // where the picked window is left; empty: nothing moves
        const auto row = [](const char* name, QPoint from, QPoint to, int type, QRect moved, bool doubleClick = true,
                            QRect mainAt = mainStart) {
            QTest::newRow(name) << mainAt << doubleClick << from << to << type << moved;
        };
        row("main", {50, 60}, {100, 90}, 1, {70, 50, 160, 160});
        row("sub", {300, 100}, {400, 250}, 0, {300, 170, 160, 160});
        row("main picked at its last pixel", mainStart.bottomRight(), mainStart.bottomRight() + QPoint(10, 0), 1,
            mainStart.translated(10, 0));
        row("sub wins where they overlap", {250, 50}, {250, 150}, 0, {200, 120, 160, 160}, true, {150, 20, 160, 160});
        row("double click outside both windows", {500, 300}, {120, 120}, -1, {});
        row("single press inside a window", {60, 60}, {120, 120}, -1, {}, false);
        // The main window dropped near the edges of the 640 x 360 canvas.
        const auto drop = [&row](const char* name, QPoint offset, bool kept) {
            row(name, {60, 60}, QPoint(60, 60) + offset, 1, kept ? mainStart.translated(offset) : QRect());
        };
        drop("left edge at -1", {-21, 0}, false);
        drop("left edge at 0", {-20, 0}, true);
        drop("top edge at -1", {0, -21}, false);
        drop("last column on the canvas width", {461, 0}, true);
        drop("last column past the canvas width", {462, 0}, false);
        drop("last row past the canvas height", {0, 182}, false);
    }

    void dragAndDrop()
    {
        QFETCH(QRect, mainAt);
        QFETCH(QPoint, to);
        QFETCH(int, type);
        QFETCH(QRect, moved);
        m_canvas->setMainWindowRect(mainAt.x(), mainAt.y(), mainAt.width(), mainAt.height());
        m_canvas->setScale(3.0, 3.0);
        QSignalSpy reported(m_canvas.get(), &MyCanvas::move_rect);
        QFETCH(QPoint, from);
        QFETCH(bool, doubleClick);
        const QColor dragged = drag(*m_canvas, from, to, doubleClick);
        if (type >= 0)
            QCOMPARE(dragged, QColor(255, 50, 50)); // highlighted
        QCOMPARE(QList<QVariantList>(reported), moved.isEmpty() ? QList<QVariantList>() : QList<QVariantList>{{type}});
        const QRect main = type == 1 && !moved.isEmpty() ? moved : mainAt;
        const QRect sub = type == 0 ? moved : subStart;
        // The page reads the new place back in device pixels when it hears the signal (the sub window's conversion,
        // the same, has its own test).
        QCOMPARE(m_canvas->mainWindowRect(), (Device{main.x() * 3, main.width() * 3, main.y() * 3, main.height() * 3}));
        QCOMPARE(m_canvas->grab().toImage().pixelColor(main.center()), QColor(85, 170, 255)); // the main window's own
        dragTo(*m_canvas, QPoint(5, 5));
        QCOMPARE((QVector<QRect>{m_canvas->mainRect(), m_canvas->subRect()}), (QVector<QRect>{main, sub}));
    }

    // The Mosaic page's canvas, given no usable scale (no wall size yet), draws no window and paints before it was
    // ever shown.
    void mosaicCanvasWithoutScale()
    {
        MyCanvasMes canvas;
        canvas.scaleX = 0.0;
        canvas.setWindow(0, 0, 300, 220);
        QCOMPARE(canvas.windowRect(), QRect());
        QVERIFY(!canvas.grab().isNull());
    }

private:
    std::unique_ptr<MyCanvas> m_canvas;
};

QTEST_MAIN(tst_MyCanvas)
#include "tst_MyCanvas.moc"
