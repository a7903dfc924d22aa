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
    void buttonSizes_data();
    void buttonSizes();
    void emptyListBuildsNothing();
    void rebuildingReplacesTheButtons();
    void onlyClickingAnotherButtonEmits();
    void setCurrentIndexNeverEmits_data();
    void setCurrentIndexNeverEmits();
};

void tst_MyButtonBar::buttonSizes_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<QSize>("barSize");
    QTest::addColumn<int>("count");
    QTest::addColumn<QSize>("buttonSize");
    QTest::newRow("vertical 331 high, four buttons") << true << QSize(90, 331) << 4 << QSize(90, 82);
    QTest::newRow("vertical, two buttons still a quarter") << true << QSize(90, 200) << 2 << QSize(90, 50);
    QTest::newRow("horizontal, full height") << false << QSize(400, 41) << 4 << QSize(100, 41);
}

void tst_MyButtonBar::buttonSizes()
{
    QFETCH(bool, vertical);
    QFETCH(QSize, barSize);
    QFETCH(int, count);
    QFETCH(QSize, buttonSize);
    MyButtonBar bar;
    bar.resize(barSize);
    bar.setButtons(models.mid(0, count), vertical);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCOMPARE(bar.buttons().size(), count);
    for (int i = 0; i < count; ++i) {
        QPushButton* button = bar.buttons().at(i);
        QCOMPARE(button->text(), models.at(i));
        QCOMPARE(button->size(), buttonSize);
        // Four buttons fill the bar edge to edge with no spacing; fewer leave the rest to the layout.
        if (count == 4)
            QCOMPARE(button->pos(), vertical ? QPoint(0, i * buttonSize.height()) : QPoint(i * buttonSize.width(), 0));
    }
}

void tst_MyButtonBar::emptyListBuildsNothing()
{
    MyButtonBar bar;
    bar.setButtons({}, true);
    QVERIFY(!bar.layout());
    QCOMPARE(bar.findChildren<QPushButton*>().size(), 0);
    QCOMPARE(bar.currentIndex(), -1);
}

void tst_MyButtonBar::rebuildingReplacesTheButtons()
{
    MyButtonBar bar;
    build(bar);
    bar.setCurrentIndex(2);
    bar.setButtons({QStringLiteral("Out1"), QStringLiteral("Out2")}, false);
    QCOMPARE(bar.findChildren<QPushButton*>().size(), 2);
    QCOMPARE(bar.currentIndex(), -1);
    QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);
    QTest::mouseClick(bar.buttons().at(1), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(bar.currentIndex(), 1);
}

void tst_MyButtonBar::onlyClickingAnotherButtonEmits()
{
    MyButtonBar bar;
    build(bar);
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
    // Also when the selection came from code.
    bar.setCurrentIndex(3);
    QVERIFY(click(3, 2));
}

void tst_MyButtonBar::setCurrentIndexNeverEmits_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("after");
    QTest::newRow("selects") << 0 << 3 << 3;
    QTest::newRow("the selected one again") << 3 << 3 << 3;
    QTest::newRow("4 with none selected") << -1 << 4 << -1;
    QTest::newRow("-1 with none selected") << -1 << -1 << -1;
    QTest::newRow("4 keeps the selection") << 2 << 4 << 2;
    QTest::newRow("-1 keeps the selection") << 2 << -1 << 2;
}

void tst_MyButtonBar::setCurrentIndexNeverEmits()
{
    QFETCH(int, before);
    QFETCH(int, index);
    QFETCH(int, after);
    MyButtonBar bar;
    build(bar);
    bar.setCurrentIndex(before);
    QSignalSpy changed(&bar, &MyButtonBar::seleteCharge);

    bar.setCurrentIndex(index);
    QCOMPARE(bar.currentIndex(), after);
    QCOMPARE(changed.count(), 0);
}

QTEST_MAIN(tst_MyButtonBar)
#include "tst_MyButtonBar.moc"
