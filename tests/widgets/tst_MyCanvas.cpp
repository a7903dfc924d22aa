#include "widgets/MyCanvas.h"
#include "widgets/MyCanvasMes.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>

using Device = std::array<int, 4>;
Q_DECLARE_METATYPE(Device)

namespace {
const QColor mainBlue(85, 170, 255);
const QColor highlight(255, 50, 50);
const QRect mainStart(20, 20, 160, 160);
const QRect subStart(200, 20, 160, 160);

// QTest::mouseMove carries no held button in Qt 5, so the drag is sent as the platform would deliver it.
void dragTo(MyCanvas& canvas, const QPoint& to)
{
    QMouseEvent move(QEvent::MouseMove, to, canvas.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &move);
}

QColor colourAt(MyCanvas& canvas, const QPoint& at)
{
    return canvas.grab().toImage().pixelColor(at);
}

// Picks with a double click (or a plain press), drags, drops; returns the colour by the mouse before the drop.
QColor drag(MyCanvas& canvas, const QPoint& from, const QPoint& to, bool doubleClick = true)
{
    if (doubleClick)
        QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, from);
    else
        QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, from);
    dragTo(canvas, (from + to) / 2);
    dragTo(canvas, to);
    const QColor dragged = colourAt(canvas, to - QPoint(5, 5)); // clear of the outline
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
        const double nan = std::numeric_limits<double>::quiet_NaN();

        QTest::newRow("1024x768, read back truncated, not rounded")
            << 1024 / 640.0 << 768 / 360.0 << QRect(34, 28, 162, 165) << QRect(21, 13, 101, 77)
            << Device{33, 161, 27, 164};
        QTest::newRow("argument and result order at scale 1")
            << 1.0 << 1.0 << QRect(10, 20, 30, 40) << QRect(10, 20, 30, 40) << Device{10, 30, 20, 40};
        // An unusable scale leaves that axis as it was.
        QTest::newRow("negative ignored")
            << -1.0 << 4.0 << QRect(300, 400, 600, 800) << QRect(100, 100, 200, 200) << Device{300, 600, 400, 800};
        QTest::newRow("NaN and zero ignored")
            << nan << 0.0 << QRect(300, 300, 600, 600) << QRect(100, 100, 200, 200) << Device{300, 600, 300, 600};
    }

    void convertsDevicePixels()
    {
        QFETCH(double, horizontal);
        QFETCH(double, vertical);
        QFETCH(QRect, device);
        QFETCH(QRect, canvas);
        QFETCH(Device, readBack);
        m_canvas->setScale(3.0, 3.0);
        m_canvas->setScale(horizontal, vertical);
        m_canvas->setMainWindowRect(device.x(), device.y(), device.width(), device.height());
        m_canvas->setSubWindowRect(device.x(), device.y(), device.width(), device.height());
        QCOMPARE(m_canvas->subRect(), canvas);
        QCOMPARE(m_canvas->subWindowRect(), readBack);
        QCOMPARE(m_canvas->mainRect(), canvas);
        QCOMPARE(m_canvas->mainWindowRect(), readBack);
    }

    void dragMovesAndReportsIt_data()
    {
        QTest::addColumn<QRect>("mainAt");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("type"); // -1: nothing picked, nothing moves
        QTest::addColumn<QRect>("moved");
        QTest::newRow("main") << mainStart << true << QPoint(50, 60) << QPoint(100, 90) << 1 << QRect(70, 50, 160, 160);
        QTest::newRow("sub") << mainStart << true << QPoint(300, 100) << QPoint(400, 250) << 0
                             << QRect(300, 170, 160, 160);
        QTest::newRow("main picked at its last pixel")
            << mainStart << true << mainStart.bottomRight() << mainStart.bottomRight() + QPoint(10, 0) << 1
            << mainStart.translated(10, 0);
        QTest::newRow("sub wins where they overlap") << QRect(150, 20, 160, 160) << true << QPoint(250, 50)
                                                     << QPoint(250, 150) << 0 << QRect(200, 120, 160, 160);
        QTest::newRow("double click outside both windows")
            << mainStart << true << QPoint(500, 300) << QPoint(120, 120) << -1 << QRect();
        QTest::newRow("single press inside a window")
            << mainStart << false << QPoint(60, 60) << QPoint(120, 120) << -1 << QRect();
    }

    void dragMovesAndReportsIt()
    {
        QFETCH(QRect, mainAt);
        QFETCH(bool, doubleClick);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(int, type);
        QFETCH(QRect, moved);
        m_canvas->setMainWindowRect(mainAt.x(), mainAt.y(), mainAt.width(), mainAt.height());
        m_canvas->setScale(3.0, 3.0);
        QSignalSpy reported(m_canvas.get(), &MyCanvas::move_rect);
        const QColor dragged = drag(*m_canvas, from, to, doubleClick);
        if (type < 0) {
            QCOMPARE(reported.count(), 0);
            QCOMPARE(m_canvas->mainRect(), mainStart);
            QCOMPARE(m_canvas->subRect(), subStart);
            return;
        }
        QCOMPARE(dragged, highlight);
        QCOMPARE(reported.count(), 1);
        QCOMPARE(reported.at(0).at(0).toInt(), type);
        // The page reads the new place back in device pixels when it hears the signal.
        const Device expected{moved.x() * 3, moved.width() * 3, moved.y() * 3, moved.height() * 3};
        QCOMPARE(type == 1 ? m_canvas->mainWindowRect() : m_canvas->subWindowRect(), expected);
        QCOMPARE(type == 1 ? m_canvas->subRect() : m_canvas->mainRect(), type == 1 ? subStart : mainAt);
    }

    void dropKeepsOrRestores_data()
    {
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("kept");
        // The main window starts at 20, 20, 160 x 160 on a 640 x 360 canvas.
        QTest::newRow("left edge at -1") << QPoint(-21, 0) << false;
        QTest::newRow("left edge at 0") << QPoint(-20, 0) << true;
        QTest::newRow("top edge at -1") << QPoint(0, -21) << false;
        QTest::newRow("last column on the canvas width") << QPoint(461, 0) << true;
        QTest::newRow("last column past the canvas width") << QPoint(462, 0) << false;
        QTest::newRow("last row past the canvas height") << QPoint(0, 182) << false;
    }

    void dropKeepsOrRestores()
    {
        QFETCH(QPoint, offset);
        QFETCH(bool, kept);
        QSignalSpy moved(m_canvas.get(), &MyCanvas::move_rect);
        const QPoint from(60, 60);
        drag(*m_canvas, from, from + offset);
        const QRect expected = kept ? mainStart.translated(offset) : mainStart;
        QCOMPARE(m_canvas->mainRect(), expected);
        QCOMPARE(moved.count(), kept ? 1 : 0);
        // Whatever the outcome, the window is idle again: its normal colour and no longer follows the mouse.
        QCOMPARE(colourAt(*m_canvas, expected.center()), mainBlue);
        dragTo(*m_canvas, QPoint(5, 5));
        QCOMPARE(m_canvas->mainRect(), expected);
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
