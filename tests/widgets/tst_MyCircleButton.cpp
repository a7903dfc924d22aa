#include "widgets/MyCircleButton.h"

#include <QtTest>

class tst_MyCircleButton : public QObject
{
    Q_OBJECT
private slots:
    void hoverColours_data()
    {
        QTest::addColumn<QVector<bool>>("activations");
        QTest::addColumn<QColor>("idle");
        QTest::addColumn<QColor>("hovered");
        const QColor blue(85, 170, 255), green(80, 163, 63), red(255, 50, 50);
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
        QVector<QColor> painted; // inside the ellipse, clear of the outline and of the centred text
        for (QEvent::Type type : {QEvent::None, QEvent::Enter, QEvent::Leave}) {
            QEvent event(type);
            QApplication::sendEvent(&button, &event);
            const QImage shot = button.grab().toImage();
            painted << shot.pixelColor(shot.width() / 2, shot.height() / 5);
        }
        QCOMPARE(painted, (QVector<QColor>{idle, hovered, idle}));
    }
};

QTEST_MAIN(tst_MyCircleButton)
#include "tst_MyCircleButton.moc"
