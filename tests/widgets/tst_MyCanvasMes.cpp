#include "widgets/MyCanvasMes.h"

#include <QTest>

class tst_MyCanvasMes : public QObject
{
    Q_OBJECT

private slots:
    // The window in canvas pixels at the owner's scale; a scale of zero or less draws no window.
    void scaledWindow_data()
    {
        QTest::addColumn<double>("scaleX");
        QTest::addColumn<double>("scaleY");
        QTest::addColumn<QRect>("window"); // area units, x y w h
        QTest::addColumn<QRect>("drawn");
        QTest::newRow("1920 x 1080, not 5 per pixel")
            << 1920 / 340.0 << 1080 / 220.0 << QRect(960, 540, 960, 540) << QRect(170, 110, 170, 110);
        QTest::newRow("wall narrower than the canvas")
            << 300 / 340.0 << 1.0 << QRect(0, 0, 300, 220) << QRect(0, 0, 340, 220);
        QTest::newRow("zero scale") << 0.0 << 1.0 << QRect(0, 0, 300, 220) << QRect();
    }
    void scaledWindow()
    {
        QFETCH(double, scaleX);
        QFETCH(double, scaleY);
        QFETCH(QRect, window);
        MyCanvasMes canvas; // never shown: no back buffer yet
        canvas.scaleX = scaleX;
        canvas.scaleY = scaleY;
        canvas.setWindow(window.x(), window.y(), window.width(), window.height());
        QTEST(canvas.windowRect(), "drawn");
        QVERIFY(!canvas.grab().isNull());
    }
};

QTEST_MAIN(tst_MyCanvasMes)
#include "tst_MyCanvasMes.moc"
