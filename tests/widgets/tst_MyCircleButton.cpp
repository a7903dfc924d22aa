#include "widgets/MyCircleButton.h"

#include <QtTest>

namespace {
const QColor blue(85, 170, 255);
const QColor green(80, 163, 63);
const QColor red(255, 50, 50);

void send(QWidget* widget, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(widget, &event);
}

// A point inside the ellipse, clear of the outline and of the centred text.
QColor paintedFill(MyCircleButton& button)
{
    const QImage shot = button.grab().toImage();
    return shot.pixelColor(shot.width() / 2, shot.height() / 5);
}
} // namespace

class tst_MyCircleButton : public QObject
{
    Q_OBJECT
private slots:
    void hoverColours_data()
    {
        QTest::addColumn<QVector<bool>>("activations");
        QTest::addColumn<QColor>("idle");
        QTest::addColumn<QColor>("hovered");
        QTest::newRow("new button turns green") << QVector<bool>{} << blue << green;
        QTest::newRow("active stays red") << QVector<bool>{true} << red << red;
        QTest::newRow("deactivated turns green again") << QVector<bool>{true, false} << blue << green;
    }

    void hoverColours()
    {
        QFETCH(QVector<bool>, activations);
        QFETCH(QColor, idle);
        QFETCH(QColor, hovered);
        MyCircleButton button;
        button.resize(90, 90);
        for (bool on : activations)
            button.setActive(on);
        QCOMPARE(button.fillColor(), idle);
        QCOMPARE(paintedFill(button), idle);
        send(&button, QEvent::Enter);
        QCOMPARE(paintedFill(button), hovered);
        send(&button, QEvent::Leave);
        QCOMPARE(paintedFill(button), idle);
    }
};

QTEST_MAIN(tst_MyCircleButton)
#include "tst_MyCircleButton.moc"
