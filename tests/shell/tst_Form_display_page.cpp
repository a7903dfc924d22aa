#include "ShellProbe.h"

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "pages/Page_Setting.h"
#include "shell/Form_display_page.h"
#include "shell/Page_Information.h"
#include "shell/Page_Navigation.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextDocument>
#include <QtTest>

using ShellProbe::titleStrip;
using ShellProbe::visiblePages;

// The page host on its own, with the real pages, and the two static pages it owns.
class tst_Form_display_page : public QObject
{
    Q_OBJECT

private:
    static const inline QStringList navigationOnly{QStringLiteral("wid_for_navigation")};

    // What the Control page's reply handlers fill: switch time (status), sub window x, main window x.
    static QVector<int> controlValues(const Form_display_page& host)
    {
        return {host.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"))->currentIndex(),
                host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x_2"))->value(),
                host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x"))->value()};
    }

private slots:
    void init() { Singleton_SerialPort::instance()->busy = false; }

    void switchesPagesAndGoesHome_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("page"); // shown afterwards, empty: none
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("Control") << 1 << QStringLiteral("wid_for_control") << QStringLiteral("Control")
                                 << QStringLiteral("控制");
        QTest::newRow("Mosaic") << 2 << QStringLiteral("wid_for_montage") << QStringLiteral("Mosaic")
                                << QStringLiteral("拼接");
        QTest::newRow("Setting") << 3 << QStringLiteral("wid_for_setting") << QStringLiteral("Setting")
                                 << QStringLiteral("设置");
        QTest::newRow("Information") << 4 << QStringLiteral("wid_for_information") << QStringLiteral("Information")
                                     << QStringLiteral("信息");
        // The timer title has no page of its own; leaving it works like leaving any page.
        QTest::newRow("Timer title") << 5 << QString() << QStringLiteral("Timer") << QStringLiteral("定时器");
        QTest::newRow("below the pages") << -1 << navigationOnly.first() << QStringLiteral("Navigation")
                                         << QStringLiteral("导航");
        QTest::newRow("past the pages") << 6 << navigationOnly.first() << QStringLiteral("Navigation")
                                        << QStringLiteral("导航");
    }
    void switchesPagesAndGoesHome()
    {
        QFETCH(int, index);
        QFETCH(QString, page);
        Form_display_page host;
        host.setLanguage(true);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(visiblePages(host), navigationOnly);
        QCOMPARE(titleStrip(host), QStringLiteral("Navigation"));

        host.rsp_chage_page(index);
        QCOMPARE(visiblePages(host), page.isEmpty() ? QStringList() : QStringList{page});
        QTEST(titleStrip(host), "english");
        host.setLanguage(false); // the strip follows at once
        QTEST(titleStrip(host), "chinese");

        QTest::mouseClick(host.findChild<QPushButton*>(QStringLiteral("but_for_home")), Qt::LeftButton);
        QCOMPARE(host.page(), 0);
        QCOMPARE(visiblePages(host), navigationOnly);
        QCOMPARE(titleStrip(host), QStringLiteral("导航"));
    }

    void relaysTheLanguageChoice()
    {
        Form_display_page host;
        QSignalSpy spy(&host, &Form_display_page::send_language);
        emit host.findChild<Page_Setting*>(QStringLiteral("wid_for_setting"))->send_language(true);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
    }

    // Window replies reach the Control page whichever page is current, a status reply only the current page,
    // and no other order touches the Control page.
    void routesRepliesToTheirPage_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("changed"); // index into controlValues, -1: nothing changes
        const char* const pages[] = {"Navigation", "Control", "Mosaic", "Setting", "Information"};
        for (int current = 0; current < 5; ++current) {
            QTest::addRow("status, %s current", pages[current]) << current << 0 << (current == 1 ? 0 : -1);
            QTest::addRow("sub window, %s current", pages[current]) << current << 6 << 1;
            QTest::addRow("main window, %s current", pages[current]) << current << 7 << 2;
        }
        for (int order : {-1, 1, 5, 8, 9, 10, 11, 12, 13, 14, 255})
            QTest::addRow("order %d, Control current", order) << 1 << order << -1;
    }
    void routesRepliesToTheirPage()
    {
        QFETCH(int, current);
        QFETCH(int, order);
        QFETCH(int, changed);
        Form_display_page host;
        host.rsp_chage_page(current);
        CData& mirror = Singleton_SerialPort::instance()->deviceState;
        mirror.pipOn = 1;
        mirror.switchTime = 2;
        const int sub[4] = {600, 400, 300, 200}, main[4] = {300, 600, 100, 400}; // x, w, y, h
        storeRecord(mirror.subWindow, sub);
        storeRecord(mirror.mainWindow, main);
        QVector<int> expected = controlValues(host);
        if (changed >= 0)
            expected[changed] = QVector<int>{2, 600, 300}.at(changed);

        host.rsp_update_Page(order);
        QCOMPARE(controlValues(host), expected);
        QCOMPARE(host.page(), current);
        mirror.pipOn = 0;
    }

    void informationPageShowsDeviceAndAbout()
    {
        Page_Information page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        const auto label = [&page](const char* name) { return page.findChild<QLabel*>(QLatin1String(name)); };
        QCOMPARE(label("lab_for_image")->pixmap(Qt::ReturnByValue).size(), QSize(700, 300));
        QCOMPARE(label("label_4")->text(), QStringLiteral("v12(181109)"));
        for (bool english : {true, false}) {
            page.setLanguage(english);
            QCOMPARE(label("label_3")->text(),
                     english ? QStringLiteral("Software version") : QStringLiteral("软件版本"));
            QCOMPARE(label("label_5")->text(), english ? QStringLiteral("About us") : QStringLiteral("关于我们"));
            // One about text per language; only the current one is shown.
            QCOMPARE(label("label_6")->isVisible(), english);
            QCOMPARE(label("label_7")->isVisible(), !english);
        }
    }

    // The help text is one rich-text page, Chinese first, then English.
    void navigationPageHelpsInBothLanguages()
    {
        Page_Navigation page;
        const QString html = page.findChild<QLabel*>(QStringLiteral("label"))->text();
        QVERIFY(Qt::mightBeRichText(html));
        const int chinese = html.indexOf(QStringLiteral("软件信息："));
        QVERIFY(chinese >= 0);
        QVERIFY(html.indexOf(QStringLiteral("Software information: ")) > chinese);
        QCOMPARE(html.count(QStringLiteral("-&gt; ")), 8);
    }
};

QTEST_MAIN(tst_Form_display_page)
#include "tst_Form_display_page.moc"
