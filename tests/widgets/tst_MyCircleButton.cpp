#include "widgets/MyCircleButton.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QColor blue(85, 170, 255);
const QColor green(80, 163, 63);
const QColor red(255, 50, 50);

void enter(QWidget* widget)
{
    QEvent event(QEvent::Enter);
    QApplication::sendEvent(widget, &event);
}

void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
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
    void startsBlue();
    void idleTurnsGreenWhileHovered();
    void activeStaysRedWhileHovered();
    void deactivatingReturnsToBlue();
    void paintsAnEllipseOverTheWholeRect();
    void stillClicksLikeAButton();
};

void tst_MyCircleButton::startsBlue()
{
    MyCircleButton button;
    QCOMPARE(button.fillColor(), blue);
}

void tst_MyCircleButton::idleTurnsGreenWhileHovered()
{
    MyCircleButton button;
    button.resize(90, 90);
    enter(&button);
    QCOMPARE(button.fillColor(), green);
    QCOMPARE(paintedFill(button), green);
    leave(&button);
    QCOMPARE(button.fillColor(), blue);
    QCOMPARE(paintedFill(button), blue);
}

void tst_MyCircleButton::activeStaysRedWhileHovered()
{
    MyCircleButton button;
    button.resize(90, 90);
    button.setActive(true);
    QCOMPARE(button.fillColor(), red);
    enter(&button);
    QCOMPARE(button.fillColor(), red);
    QCOMPARE(paintedFill(button), red);
    leave(&button);
    QCOMPARE(button.fillColor(), red);
}

void tst_MyCircleButton::deactivatingReturnsToBlue()
{
    MyCircleButton button;
    button.setActive(true);
    button.setActive(false);
    QCOMPARE(button.fillColor(), blue);
    enter(&button);
    QCOMPARE(button.fillColor(), green);
}

void tst_MyCircleButton::paintsAnEllipseOverTheWholeRect()
{
    MyCircleButton button;
    button.setText(QStringLiteral("Connect"));
    button.resize(90, 90);
    const QImage shot = button.grab().toImage();
    // Corners lie outside the ellipse: nothing of the push button's own frame is drawn there.
    const QColor corner = shot.pixelColor(1, 1);
    QVERIFY(corner != blue);
    QCOMPARE(shot.pixelColor(88, 88), corner);
    // The outline is dark gray where the ellipse touches the left edge.
    const QColor outline = shot.pixelColor(0, 45);
    QVERIFY2(qAbs(outline.red() - 128) < 40 && outline.red() == outline.blue(), qPrintable(outline.name()));
    QCOMPARE(shot.pixelColor(45, 15), blue);
    // Black text somewhere around the centre.
    bool dark = false;
    for (int x = 10; x < 80 && !dark; ++x)
        for (int y = 35; y < 55 && !dark; ++y)
            dark = qGray(shot.pixel(x, y)) < 60;
    QVERIFY(dark);
}

void tst_MyCircleButton::stillClicksLikeAButton()
{
    MyCircleButton button;
    button.resize(90, 90);
    button.show();
    QSignalSpy clicked(&button, &QPushButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

QTEST_MAIN(tst_MyCircleButton)
#include "tst_MyCircleButton.moc"
