#include "widgets/MyButtonBar.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QStringList models = {QStringLiteral("M1"), QStringLiteral("M2"), QStringLiteral("M3"), QStringLiteral("M4")};

// A shown horizontal bar of the four models, as the pages use it.
void build(MyButtonBar& bar)
{
    bar.resize(300, 30);
    bar.setButtons(models, false);
    bar.show();
}

// Selection shows only through the style: bluish when selected, greenish gray otherwise.
bool paintsSelected(QPushButton* button)
{
    const QImage shot = button->grab().toImage();
    const QColor paint = shot.pixelColor(4, shot.height() / 2);
    return paint.blue() - paint.red() > 60 && paint.blue() > paint.green();
}
} // namespace

class tst_MyButtonBar : public QObject
{
    Q_OBJECT
private slots:
    void rebuildingReplacesTheButtons()
    {
        MyButtonBar bar;
        build(bar);
        bar.setCurrentIndex(2);
        bar.setButtons({}, false);
        QCOMPARE(bar.findChildren<QPushButton*>().size(), 0);
        bar.setButtons({QStringLiteral("Out1"), QStringLiteral("Out2")}, false);
        QCOMPARE(bar.findChildren<QPushButton*>().size(), 2);
        QCOMPARE(bar.currentIndex(), -1);
        QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);
        QTest::mouseClick(bar.buttons().at(1), Qt::LeftButton);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(bar.currentIndex(), 1);
    }

    void onlyClickingAnotherButtonEmits()
    {
        MyButtonBar bar;
        build(bar);
        bar.setCurrentIndex(4); // past the buttons: nothing selected
        QCOMPARE(bar.currentIndex(), -1);
        QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);
        // The operator sees the selection only through its colour: exactly the selected button shows it.
        auto click = [&](int index, int emitted) {
            QTest::mouseClick(bar.buttons().at(index), Qt::LeftButton);
            for (int i = 0; i < bar.buttons().size(); ++i)
                if (paintsSelected(bar.buttons().at(i)) != (i == index))
                    return false;
            return changed.count() == emitted && bar.currentIndex() == index;
        };
        QVERIFY(click(2, 1));
        QVERIFY(click(2, 1)); // the selected one again: nothing
        QVERIFY(click(0, 2));
        // Also when the selection came from code, which never emits and ignores indices off the bar.
        for (int index : {3, 4, -1})
            bar.setCurrentIndex(index);
        QCOMPARE(changed.count(), 2);
        QVERIFY(click(3, 2));
    }
};

QTEST_MAIN(tst_MyButtonBar)
#include "tst_MyButtonBar.moc"
