#include "shell/Form_function_bar.h"
#include "widgets/MyCircleButton.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class tst_Form_function_bar : public QObject
{
    Q_OBJECT

private slots:
    // The connect button asks to connect or to disconnect, and says which, in either language.
    void connectButtonFollowsTheConnection()
    {
        Form_function_bar bar;
        bar.setLanguage(true);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        auto* button = bar.findChild<MyCircleButton*>(QStringLiteral("connect_but"));
        QSignalSpy connectSpy(&bar, &Form_function_bar::send_connect);
        QSignalSpy closeSpy(&bar, &Form_function_bar::send_close_connect);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(connectSpy.count(), 1);

        bar.setConnected(true);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(closeSpy.count(), 1);
        QCOMPARE(connectSpy.count(), 1);
        bar.setLanguage(false); // a language switch while connected keeps saying "disconnect"
        QCOMPARE(button->text(), QStringLiteral("断开"));
        bar.setConnected(false);
        QCOMPARE(button->text(), QStringLiteral("连接"));
    }

    void pageButtonsSendTheirIndex_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("index");
        QTest::newRow("control") << "but_for_control" << 1;
        QTest::newRow("mosaic") << "but_for_mosaic" << 2;
        QTest::newRow("setting") << "but_for_setting" << 3;
        QTest::newRow("information") << "but_for_information" << 4;
    }
    void pageButtonsSendTheirIndex()
    {
        QFETCH(QString, button);
        Form_function_bar bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QSignalSpy spy(&bar, &Form_function_bar::send_page_index);
        QTest::mouseClick(bar.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QTEST(spy.at(0).at(0).toInt(), "index");
    }
};

QTEST_MAIN(tst_Form_function_bar)
#include "tst_Form_function_bar.moc"
