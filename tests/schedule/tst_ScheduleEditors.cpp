#include "SchedulePageFixture.h"

#include "schedule/CCheckCombox.h"

#include <QAbstractItemView>
#include <QPushButton>

namespace {

const QDateTime mondayMorning(QDate(2026, 3, 2), QTime(7, 0));

QPoint cellCentre(QTableView* table, int row, int column)
{
    return table->visualRect(table->model()->index(row, column)).center();
}

} // namespace

class tst_ScheduleEditors : public QObject
{
    Q_OBJECT

private slots:
    void dayListTicksOnlyOnIcons()
    {
        SchedulePageFixture fx(mondayMorning);
        QVERIFY(fx.show());
        fx.addEntry(QStringLiteral("08:30"), 4, 1, 0x3E);
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, {}, cellCentre(fx.table, 0, TableModel::WeekColumn));
        QTest::keyClick(fx.table, Qt::Key_F2);
        CCheckCombox* days = nullptr;
        QTRY_VERIFY((days = fx.table->findChild<CCheckCombox*>()) != nullptr);
        QCOMPARE(days->count(), 7);

        days->showPopup();
        QAbstractItemView* list = days->view();
        QTRY_VERIFY(list->isVisible());
        const QRect sunday = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(sunday.left() + 4, sunday.center().y()));
        QVERIFY(list->isVisible());
        QCOMPARE(days->checkedMask(), 0x3F);
        QTest::keyClick(list, Qt::Key_Escape); // dismissing ticks nothing
        QTRY_VERIFY(!list->isVisible());
        QCOMPARE(days->checkedMask(), 0x3F);

        QTest::keyClick(days, Qt::Key_Return);
        QTRY_COMPARE(fx.model->data(fx.model->index(0, TableModel::WeekColumn), Qt::EditRole).toInt(), 0x3F);
    }

    void delRowDeletesTheSelectedEntry()
    {
        SchedulePageFixture fx(mondayMorning);
        QVERIFY(fx.show());
        for (const char* time : {"08:00", "09:00", "10:00"})
            fx.addEntry(QLatin1String(time), 4);
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, {}, cellCentre(fx.table, 0, 0));
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(fx.table, 1, 0));
        QTest::mouseClick(fx.table->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(fx.table, 1, 0));
        QCOMPARE(fx.table->currentIndex().row(), 1); // current, but no longer selected
        QTest::mouseClick(fx.page->findChild<QPushButton*>(QStringLiteral("but_for_del")), Qt::LeftButton);
        QCOMPARE(fx.model->rowCount(), 2);
        QCOMPARE(fx.model->timeAt(0), QTime(9, 0));
    }
};

QTEST_MAIN(tst_ScheduleEditors)
#include "tst_ScheduleEditors.moc"
