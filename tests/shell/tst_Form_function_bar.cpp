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

private:
    static QString text(const Form_function_bar& bar, const char* name)
    {
        const auto* label = bar.findChild<QLabel*>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<missing>");
    }

private slots:
    void captionsFollowTheLanguage_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("English") << true
                                 << QStringList{QStringLiteral("Control"), QStringLiteral("Mosaic"),
                                                QStringLiteral("Setting"), QStringLiteral("Informat")};
        QTest::newRow("Chinese") << false
                                 << QStringList{QStringLiteral("控制"), QStringLiteral("拼接"), QStringLiteral("设置"),
                                                QStringLiteral("信息")};
    }
    void captionsFollowTheLanguage()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, captions);
        Form_function_bar bar;
        QCOMPARE(text(bar, "lab_for_control"), QStringLiteral("TextLabel"));
        bar.setLanguage(english);
        QCOMPARE(text(bar, "lab_for_control"), captions.at(0));
        QCOMPARE(text(bar, "lab_for_mosaic"), captions.at(1));
        QCOMPARE(text(bar, "lab_for_setting"), captions.at(2));
        QCOMPARE(text(bar, "lab_for_information"), captions.at(3));
    }

    void connectButtonShowsTheConnection_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("connectText");
        QTest::addColumn<QString>("disconnectText");
        QTest::newRow("English") << true << QStringLiteral("Connect") << QStringLiteral("Disconnect");
        QTest::newRow("Chinese") << false << QStringLiteral("连接") << QStringLiteral("断开");
    }
    void connectButtonShowsTheConnection()
    {
        QFETCH(bool, english);
        QFETCH(QString, connectText);
        QFETCH(QString, disconnectText);
        Form_function_bar bar;
        auto* button = bar.findChild<MyCircleButton*>(QStringLiteral("connect_but"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("111"));

        bar.setLanguage(english);
        QCOMPARE(button->text(), connectText);
        QCOMPARE(button->fillColor(), blue);

        bar.setConnected(true);
        QCOMPARE(button->text(), disconnectText);
        QCOMPARE(button->fillColor(), red);

        // A language switch while connected keeps the button red and says so in the new language.
        bar.setLanguage(!english);
        bar.setLanguage(english);
        QCOMPARE(button->text(), disconnectText);
        QCOMPARE(button->fillColor(), red);

        bar.setConnected(false);
        QCOMPARE(button->text(), connectText);
        QCOMPARE(button->fillColor(), blue);
    }

    void connectButtonAsksToConnectOrDisconnect()
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
        QCOMPARE(closeSpy.count(), 0);

        bar.setConnected(true);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(connectSpy.count(), 1);
        QCOMPARE(closeSpy.count(), 1);
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
        QFETCH(int, index);
        Form_function_bar bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        auto* pageButton = bar.findChild<QPushButton*>(button);
        QVERIFY(pageButton);
        QCOMPARE(pageButton->iconSize(), QSize(72, 72));
        QSignalSpy spy(&bar, &Form_function_bar::send_page_index);

        QTest::mouseClick(pageButton, Qt::LeftButton); // the centre lies inside the round mask
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), index);
    }

    void pageButtonsAreRound()
    {
        Form_function_bar bar;
        const auto* button = bar.findChild<QPushButton*>(QStringLiteral("but_for_mosaic"));
        QVERIFY(button);
        const QRegion mask = button->mask();
        QVERIFY(!mask.isEmpty());
        QVERIFY(mask.contains(QPoint(40, 40)));
        QVERIFY(!mask.contains(QPoint(1, 1))); // corners are cut away
    }
};

QTEST_MAIN(tst_Form_function_bar)
#include "tst_Form_function_bar.moc"
