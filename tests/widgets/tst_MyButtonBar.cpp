#include "widgets/MyButtonBar.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class tst_MyButtonBar : public QObject
{
    Q_OBJECT
private slots:
    // The operator sees the selection only through its colour: exactly the selected button shows it. Only a click
    // on another button emits; code never does and ignores indices off the bar; rebuilding selects nothing.
    void selectionShownAndReported()
    {
        MyButtonBar bar;
        bar.resize(300, 30);
        bar.setButtons({QStringLiteral("M1"), QStringLiteral("M2"), QStringLiteral("M3"), QStringLiteral("M4")}, false);
        bar.show();
        QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);
        const auto click = [&](int index, int emitted) {
            QTest::mouseClick(bar.buttons().at(index), Qt::LeftButton);
            QVector<int> painted; // bluish when selected, greenish gray otherwise
            for (int i = 0; i < bar.buttons().size(); ++i) {
                const QImage shot = bar.buttons().at(i)->grab().toImage();
                const QColor paint = shot.pixelColor(4, shot.height() / 2);
                if (paint.blue() - paint.red() > 60 && paint.blue() > paint.green())
                    painted << i;
            }
            return painted == QVector<int>{index} && changed.count() == emitted && bar.currentIndex() == index;
        };
        QVERIFY(click(2, 1));
        QVERIFY(click(2, 1)); // the selected one again: nothing
        QVERIFY(click(0, 2));
        for (int index : {3, 4, -1})
            bar.setCurrentIndex(index);
        QCOMPARE(changed.count(), 2);
        QVERIFY(click(3, 2));
        bar.setButtons({QStringLiteral("Out1"), QStringLiteral("Out2")}, false);
        QCOMPARE(bar.findChildren<QPushButton*>().size(), 2);
        QCOMPARE(bar.currentIndex(), -1);
        QVERIFY(click(1, 3));
    }
};

QTEST_MAIN(tst_MyButtonBar)
#include "tst_MyButtonBar.moc"
