#include "widgets/MyButtonBar.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class tst_MyButtonBar : public QObject
{
    Q_OBJECT
private slots:
    void verticalButtonsTakeAQuarterOfTheHeight_data();
    void verticalButtonsTakeAQuarterOfTheHeight();
    void horizontalButtonsTakeTheFullHeight();
    void emptyListBuildsNothing();
    void rebuildingReplacesTheButtons();
    void clickingAnotherButtonEmitsOnce();
    void clickingTheSelectedButtonEmitsNothing();
    void selectionIsShownByStyleSheet();
    void setCurrentIndexNeverEmits();
    void setCurrentIndexIgnoresOutOfRange_data();
    void setCurrentIndexIgnoresOutOfRange();

private:
    static QStringList models()
    {
        return {QStringLiteral("M1"), QStringLiteral("M2"), QStringLiteral("M3"), QStringLiteral("M4")};
    }
};

void tst_MyButtonBar::verticalButtonsTakeAQuarterOfTheHeight_data()
{
    QTest::addColumn<int>("barHeight");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("buttonHeight");
    QTest::newRow("331 high, four buttons") << 331 << 4 << 82;
    QTest::newRow("400 high, four buttons") << 400 << 4 << 100;
    QTest::newRow("two buttons still a quarter") << 200 << 2 << 50;
}

void tst_MyButtonBar::verticalButtonsTakeAQuarterOfTheHeight()
{
    QFETCH(int, barHeight);
    QFETCH(int, count);
    QFETCH(int, buttonHeight);
    MyButtonBar bar;
    bar.resize(90, barHeight);
    bar.setButtons(models().mid(0, count), true);
    QCOMPARE(bar.buttons().size(), count);
    for (QPushButton* button : bar.buttons()) {
        QCOMPARE(button->minimumSize(), QSize(90, buttonHeight));
        QCOMPARE(button->maximumSize(), QSize(90, buttonHeight));
    }
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    // Four buttons fill the bar top to bottom with no spacing; fewer leave the rest to the layout.
    if (count == 4) {
        for (int i = 0; i < count; ++i)
            QCOMPARE(bar.buttons().at(i)->y(), i * buttonHeight);
    }
}

void tst_MyButtonBar::horizontalButtonsTakeTheFullHeight()
{
    MyButtonBar bar;
    bar.resize(400, 41);
    bar.setButtons(models(), false);
    const QList<QPushButton*> buttons = bar.buttons();
    QCOMPARE(buttons.size(), 4);
    for (int i = 0; i < buttons.size(); ++i) {
        QCOMPARE(buttons.at(i)->text(), models().at(i));
        QCOMPARE(buttons.at(i)->minimumHeight(), 41);
        QCOMPARE(buttons.at(i)->maximumHeight(), 41);
    }
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    for (int i = 1; i < buttons.size(); ++i) {
        QCOMPARE(buttons.at(i)->y(), 0);
        QCOMPARE(buttons.at(i)->x(), buttons.at(i - 1)->geometry().right() + 1);
    }
}

void tst_MyButtonBar::emptyListBuildsNothing()
{
    MyButtonBar bar;
    bar.setButtons({}, true);
    QVERIFY(bar.buttons().isEmpty());
    QVERIFY(!bar.layout());
    QCOMPARE(bar.findChildren<QPushButton*>().size(), 0);
    QCOMPARE(bar.currentIndex(), -1);
}

void tst_MyButtonBar::rebuildingReplacesTheButtons()
{
    MyButtonBar bar;
    bar.resize(300, 30);
    bar.setButtons(models(), false);
    bar.setCurrentIndex(2);
    bar.setButtons({QStringLiteral("Out1"), QStringLiteral("Out2")}, false);
    QCOMPARE(bar.buttons().size(), 2);
    QCOMPARE(bar.findChildren<QPushButton*>().size(), 2);
    QCOMPARE(bar.currentIndex(), -1);
    QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);
    QTest::mouseClick(bar.buttons().at(1), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(bar.currentIndex(), 1);
}

void tst_MyButtonBar::clickingAnotherButtonEmitsOnce()
{
    MyButtonBar bar;
    bar.resize(300, 30);
    bar.setButtons(models(), false);
    bar.show();
    QCOMPARE(bar.currentIndex(), -1);
    QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);

    QTest::mouseClick(bar.buttons().at(2), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(bar.currentIndex(), 2);

    QTest::mouseClick(bar.buttons().at(0), Qt::LeftButton);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(bar.currentIndex(), 0);
}

void tst_MyButtonBar::clickingTheSelectedButtonEmitsNothing()
{
    MyButtonBar bar;
    bar.resize(300, 30);
    bar.setButtons(models(), false);
    bar.show();
    QTest::mouseClick(bar.buttons().at(1), Qt::LeftButton);
    QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);
    QTest::mouseClick(bar.buttons().at(1), Qt::LeftButton);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(bar.currentIndex(), 1);

    // Also when the selection came from code.
    bar.setCurrentIndex(3);
    QTest::mouseClick(bar.buttons().at(3), Qt::LeftButton);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(bar.currentIndex(), 3);
}

void tst_MyButtonBar::selectionIsShownByStyleSheet()
{
    MyButtonBar bar;
    bar.resize(300, 30);
    bar.setButtons(models(), false);
    bar.show();
    const QList<QPushButton*> buttons = bar.buttons();
    const QString normal = buttons.at(0)->styleSheet();
    QVERIFY(normal.contains(QLatin1String("rgb(210, 232, 215)")));
    QVERIFY(normal.contains(QLatin1String("rgb(85, 170, 180)")));

    QTest::mouseClick(buttons.at(1), Qt::LeftButton);
    const QString selected = buttons.at(1)->styleSheet();
    QVERIFY(selected.contains(QLatin1String("rgb(85, 170, 255)")));
    QVERIFY(selected != normal);
    for (int i : {0, 2, 3})
        QCOMPARE(buttons.at(i)->styleSheet(), normal);
    QVERIFY(!buttons.at(1)->isCheckable());

    bar.setCurrentIndex(3);
    QCOMPARE(buttons.at(1)->styleSheet(), normal);
    QCOMPARE(buttons.at(3)->styleSheet(), selected);

    // The style is what the operator sees: the selected button paints bluish, the others greenish gray.
    auto sample = [](QPushButton* button) {
        const QImage shot = button->grab().toImage();
        return shot.pixelColor(4, shot.height() / 2);
    };
    const QColor selectedPaint = sample(buttons.at(3));
    const QColor normalPaint = sample(buttons.at(0));
    QVERIFY2(selectedPaint.blue() - selectedPaint.red() > 60, qPrintable(selectedPaint.name()));
    QVERIFY2(normalPaint.green() >= normalPaint.blue(), qPrintable(normalPaint.name()));
}

void tst_MyButtonBar::setCurrentIndexNeverEmits()
{
    MyButtonBar bar;
    bar.resize(300, 30);
    bar.setButtons(models(), false);
    QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);
    for (int index : {0, 3, 3, 1, 2}) {
        bar.setCurrentIndex(index);
        QCOMPARE(bar.currentIndex(), index);
    }
    QCOMPARE(changed.count(), 0);
}

void tst_MyButtonBar::setCurrentIndexIgnoresOutOfRange_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("index");
    QTest::newRow("4 with none selected") << -1 << 4;
    QTest::newRow("-1 with none selected") << -1 << -1;
    QTest::newRow("4 keeps the selection") << 2 << 4;
    QTest::newRow("-1 keeps the selection") << 2 << -1;
}

void tst_MyButtonBar::setCurrentIndexIgnoresOutOfRange()
{
    QFETCH(int, before);
    QFETCH(int, index);
    MyButtonBar bar;
    bar.resize(300, 30);
    bar.setButtons(models(), false);
    bar.setCurrentIndex(before);
    QStringList styles;
    for (QPushButton* button : bar.buttons())
        styles << button->styleSheet();
    QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);

    bar.setCurrentIndex(index);
    QCOMPARE(bar.currentIndex(), before);
    for (int i = 0; i < bar.buttons().size(); ++i)
        QCOMPARE(bar.buttons().at(i)->styleSheet(), styles.at(i));
    QCOMPARE(changed.count(), 0);
}

QTEST_MAIN(tst_MyButtonBar)
#include "tst_MyButtonBar.moc"
