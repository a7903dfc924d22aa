#include "shell/Form_function_bar.h"
#include "widgets/MyCircleButton.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QColor blue(85, 170, 255);
const QColor red(255, 50, 50);
} // namespace

class tst_Form_function_bar : public QObject
{
    Q_OBJECT

private slots:
    void barFollowsLanguageAndConnection_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("captions"); // control, mosaic, setting, information
        QTest::addColumn<QString>("connectText");
        QTest::addColumn<QString>("disconnectText");
        QTest::newRow("English") << true
                                 << QStringList{QStringLiteral("Control"), QStringLiteral("Mosaic"),
                                                QStringLiteral("Setting"), QStringLiteral("Informat")}
                                 << QStringLiteral("Connect") << QStringLiteral("Disconnect");
        QTest::newRow("Chinese") << false
                                 << QStringList{QStringLiteral("控制"), QStringLiteral("拼接"), QStringLiteral("设置"),
                                                QStringLiteral("信息")}
                                 << QStringLiteral("连接") << QStringLiteral("断开");
    }
    void barFollowsLanguageAndConnection()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, captions);
        QFETCH(QString, connectText);
        QFETCH(QString, disconnectText);
        Form_function_bar bar;
        bar.setLanguage(english);
        QStringList shown;
        for (const char* name : {"lab_for_control", "lab_for_mosaic", "lab_for_setting", "lab_for_information"})
            shown << bar.findChild<QLabel*>(QLatin1String(name))->text();
        QCOMPARE(shown, captions);

        // The connect button asks to connect or to disconnect, and shows which it will do.
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        auto* button = bar.findChild<MyCircleButton*>(QStringLiteral("connect_but"));
        QSignalSpy connectSpy(&bar, &Form_function_bar::send_connect);
        QSignalSpy closeSpy(&bar, &Form_function_bar::send_close_connect);
        QCOMPARE(button->text(), connectText);
        QCOMPARE(button->fillColor(), blue);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(connectSpy.count(), 1);

        bar.setConnected(true);
        QCOMPARE(button->text(), disconnectText);
        QCOMPARE(button->fillColor(), red);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(closeSpy.count(), 1);
        QCOMPARE(connectSpy.count(), 1);
        // A language switch while connected keeps the button red and says so in the new language.
        bar.setLanguage(!english);
        bar.setLanguage(english);
        QCOMPARE(button->text(), disconnectText);
        QCOMPARE(button->fillColor(), red);
        bar.setConnected(false);
        QCOMPARE(button->text(), connectText);
        QCOMPARE(button->fillColor(), blue);
    }

    void pageButtonsSendTheirIndex_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("index");
        QTest::newRow("control") << QStringLiteral("but_for_control") << 1;
        QTest::newRow("mosaic") << QStringLiteral("but_for_mosaic") << 2;
        QTest::newRow("setting") << QStringLiteral("but_for_setting") << 3;
        QTest::newRow("information") << QStringLiteral("but_for_information") << 4;
    }
    void pageButtonsSendTheirIndex()
    {
        QFETCH(QString, button);
        Form_function_bar bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        auto* pageButton = bar.findChild<QPushButton*>(button);
        QSignalSpy spy(&bar, &Form_function_bar::send_page_index);

        QTest::mouseClick(pageButton, Qt::LeftButton); // the centre lies inside the round mask
        QCOMPARE(spy.count(), 1);
        QTEST(spy.at(0).at(0).toInt(), "index");
        // Round: the corners are cut away.
        QVERIFY(pageButton->mask().contains(QPoint(40, 40)));
        QVERIFY(!pageButton->mask().contains(QPoint(1, 1)));
    }
};

QTEST_MAIN(tst_Form_function_bar)
#include "tst_Form_function_bar.moc"
