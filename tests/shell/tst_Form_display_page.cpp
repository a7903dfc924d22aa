#include "tests/support/MessageLog.h"

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "pages/Page_Setting.h"
#include "shell/Form_display_page.h"
#include "shell/Page_Information.h"
#include "shell/Page_Navigation.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextDocument>
#include <QtTest>

// The page host on its own, with the real pages, and the two static pages it owns.
class tst_Form_display_page : public QObject
{
    Q_OBJECT

private:
    static QString title(const Form_display_page& host)
    {
        return host.findChild<QLabel*>(QStringLiteral("lab_for_title"))->text();
    }
    static QStringList visiblePages(const Form_display_page& host)
    {
        QStringList names;
        for (const char* name :
             {"wid_for_navigation", "wid_for_control", "wid_for_montage", "wid_for_setting", "wid_for_information"}) {
            const auto* page = host.findChild<QWidget*>(QLatin1String(name));
            if (page && page->isVisible())
                names << QLatin1String(name);
        }
        return names;
    }
    static void setPipWindow(WindowRecord& record, int x, int w, int y, int h)
    {
        const int values[4] = {x, w, y, h};
        storeRecord(record, values);
    }
    static int spin(const Form_display_page& host, const char* name)
    {
        const auto* box = host.findChild<QSpinBox*>(QLatin1String(name));
        return box ? box->value() : -1;
    }

private slots:
    void init() { Singleton_SerialPort::instance()->busy = false; }

    void startsOnNavigation()
    {
        Form_display_page host;
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(host.page(), 0);
        QCOMPARE(title(host), QStringLiteral("TextLabel"));
        QCOMPARE(visiblePages(host), QStringList{QStringLiteral("wid_for_navigation")});
        host.setLanguage(false);
        QCOMPARE(title(host), QStringLiteral("导航"));
        host.setLanguage(true);
        QCOMPARE(title(host), QStringLiteral("Navigation"));
    }

    void switchesPagesAndGoesHome_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("page");
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
    }
    void switchesPagesAndGoesHome()
    {
        QFETCH(int, index);
        QFETCH(QString, page);
        Form_display_page host;
        host.setLanguage(true);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));

        host.rsp_chage_page(index);
        QCOMPARE(host.page(), index);
        QCOMPARE(visiblePages(host), QStringList{page});
        QTEST(title(host), "english");
        host.setLanguage(false); // the strip follows at once
        QTEST(title(host), "chinese");

        QTest::mouseClick(host.findChild<QPushButton*>(QStringLiteral("but_for_home")), Qt::LeftButton);
        QCOMPARE(host.page(), 0);
        QCOMPARE(visiblePages(host), QStringList{QStringLiteral("wid_for_navigation")});
        QCOMPARE(title(host), QStringLiteral("导航"));
    }

    void ignoresPagesThatDoNotExist()
    {
        Form_display_page host;
        host.setLanguage(true);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        host.rsp_chage_page(-1);
        host.rsp_chage_page(6);
        QCOMPARE(host.page(), 0);
        QCOMPARE(visiblePages(host), QStringList{QStringLiteral("wid_for_navigation")});
        // The timer title has no page of its own; leaving it works like leaving any page.
        host.rsp_chage_page(5);
        QCOMPARE(title(host), QStringLiteral("Timer"));
        QVERIFY(visiblePages(host).isEmpty());
        host.rsp_home();
        QCOMPARE(visiblePages(host), QStringList{QStringLiteral("wid_for_navigation")});
    }

    void closedConnectionLeavesDevicePages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("after");
        QTest::newRow("Control") << 1 << 0;
        QTest::newRow("Mosaic") << 2 << 0;
        QTest::newRow("Setting") << 3 << 3;
        QTest::newRow("Information") << 4 << 4;
    }
    void closedConnectionLeavesDevicePages()
    {
        QFETCH(int, index);
        Form_display_page host;
        host.setLanguage(true);
        host.rsp_chage_page(index);
        host.rsp_update_Page(true); // an opened connection never changes the page
        QCOMPARE(host.page(), index);
        host.rsp_update_Page(false);
        QTEST(host.page(), "after");
    }

    void relaysTheLanguageChoice()
    {
        Form_display_page host;
        QSignalSpy spy(&host, &Form_display_page::send_language);
        auto* setting = host.findChild<Page_Setting*>(QStringLiteral("wid_for_setting"));
        QVERIFY(setting);
        emit setting->send_language(true);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
    }

    // Replies of kinds 6 and 7 reach the Control page whichever page is current; a status reply only the
    // current page.
    void routesPipWindowRepliesToControl_data()
    {
        QTest::addColumn<int>("current");
        QTest::newRow("Control current") << 1;
        QTest::newRow("Mosaic current") << 2;
        QTest::newRow("Navigation current") << 0;
    }
    void routesPipWindowRepliesToControl()
    {
        QFETCH(int, current);
        Form_display_page host;
        host.setLanguage(true);
        host.rsp_chage_page(current);
        QVERIFY(host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x_2")));
        QVERIFY(host.findChild<QSpinBox*>(QStringLiteral("spinBox_of_x")));

        CData& mirror = Singleton_SerialPort::instance()->deviceState;
        mirror.pipOn = 1;
        setPipWindow(mirror.subWindow, 1280, 640, 720, 360);
        setPipWindow(mirror.mainWindow, 0, 1920, 0, 1080);

        host.rsp_update_Page(int(Rdx::PipSubWindowRead));
        QCOMPARE(spin(host, "spinBox_of_x_2"), 1280);
        QCOMPARE(spin(host, "spinBox_of_w_2"), 640);
        QCOMPARE(spin(host, "spinBox_of_y_2"), 720);
        QCOMPARE(spin(host, "spinBox_of_h_2"), 360);
        QCOMPARE(spin(host, "spinBox_of_x"), 0); // the main window has not been reported yet

        host.rsp_update_Page(int(Rdx::PipMainWindowRead));
        QCOMPARE(spin(host, "spinBox_of_w"), 1920);
        QCOMPARE(spin(host, "spinBox_of_h"), 1080);
        mirror.pipOn = 0;
    }

    void routesStatusOnlyToTheCurrentPage_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("reachesControl");
        QTest::newRow("Navigation") << 0 << false;
        QTest::newRow("Control") << 1 << true;
        QTest::newRow("Mosaic") << 2 << false;
        QTest::newRow("Setting") << 3 << false;
        QTest::newRow("Information") << 4 << false;
    }
    void routesStatusOnlyToTheCurrentPage()
    {
        QFETCH(int, current);
        QFETCH(bool, reachesControl);
        Form_display_page host;
        host.setLanguage(true);
        host.rsp_chage_page(current);
        auto* switchTime = host.findChild<QComboBox*>(QStringLiteral("comboBox_for_time"));
        QVERIFY(switchTime);
        const int before = switchTime->currentIndex();

        CData& mirror = Singleton_SerialPort::instance()->deviceState;
        mirror.switchTime = before == 2 ? 1 : 2;
        host.rsp_update_Page(int(Rdx::StatusRead));
        QCOMPARE(switchTime->currentIndex(), reachesControl ? mirror.switchTime : before);
        QCOMPARE(host.page(), current);
    }

    void otherOrdersChangeNothingVisible_data()
    {
        QTest::addColumn<int>("order");
        for (int order : {-1, 1, 5, 8, 9, 10, 11, 12, 13, 14, 255})
            QTest::newRow(qPrintable(QString::number(order))) << order;
    }
    void otherOrdersChangeNothingVisible()
    {
        QFETCH(int, order);
        Form_display_page host;
        host.setLanguage(true);
        host.rsp_chage_page(4);
        CData& mirror = Singleton_SerialPort::instance()->deviceState;
        mirror.pipOn = 1;
        setPipWindow(mirror.subWindow, 100, 200, 100, 200);
        const int before = spin(host, "spinBox_of_x_2");
        host.rsp_update_Page(order);
        QCOMPARE(spin(host, "spinBox_of_x_2"), before);
        QCOMPARE(host.page(), 4);
        QCOMPARE(title(host), QStringLiteral("Information"));
        mirror.pipOn = 0;
    }

    void informationPageShowsDeviceAndAbout_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("about");
        QTest::addColumn<QString>("aboutText");
        QTest::newRow("English") << true << QStringLiteral("Software version") << QStringLiteral("About us")
                                 << QStringLiteral("label_6");
        QTest::newRow("Chinese") << false << QStringLiteral("软件版本") << QStringLiteral("关于我们")
                                 << QStringLiteral("label_7");
    }
    void informationPageShowsDeviceAndAbout()
    {
        QFETCH(bool, english);
        QFETCH(QString, aboutText);
        Page_Information page;
        page.setLanguage(!english);
        page.setLanguage(english);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        const auto label = [&page](const char* name) { return page.findChild<QLabel*>(QLatin1String(name)); };

        QCOMPARE(page.font().pointSize(), 11);
        const QPixmap picture = label("lab_for_image")->pixmap(Qt::ReturnByValue);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(700, 300));
        QCOMPARE(label("label_2")->text(), QStringLiteral("RDX480"));
        QCOMPARE(label("label_4")->text(), QStringLiteral("v12(181109)"));
        QTEST(label("label_3")->text(), "version");
        QTEST(label("label_5")->text(), "about");

        const QLabel* shown = label(aboutText.toLatin1().constData());
        const QLabel* hidden = label(english ? "label_7" : "label_6");
        QVERIFY(shown->isVisible());
        QVERIFY(!hidden->isVisible());
        QVERIFY(shown->text().contains(QStringLiteral("RDX480")));
        QVERIFY(shown->text().contains(QStringLiteral("C++")));
        QVERIFY(shown->text().contains(english ? QStringLiteral("repository") : QStringLiteral("代码仓库")));
    }

    void navigationPageHelpsInBothLanguages()
    {
        Page_Navigation page;
        QCOMPARE(page.font().pointSize(), 11);
        const auto* label = page.findChild<QLabel*>(QStringLiteral("label"));
        QVERIFY(label);
        QCOMPARE(label->geometry(), QRect(15, 0, 761, 550));
        const QString html = label->text();
        QVERIFY(Qt::mightBeRichText(html));
        const int chinese = html.indexOf(QStringLiteral("软件信息："));
        const int english = html.indexOf(QStringLiteral("Software information: "));
        QVERIFY(chinese >= 0);
        QVERIFY(english > chinese);
        QCOMPARE(html.count(QStringLiteral("-&gt; ")), 8);
        for (const QString& heading :
             {QStringLiteral("1、控制"), QStringLiteral("2、拼接"), QStringLiteral("3、设置"),
              QStringLiteral("4、信息"), QStringLiteral("1、Control"), QStringLiteral("4、Info")})
            QVERIFY2(html.contains(heading), qPrintable(heading));
        QVERIFY(html.contains(QStringLiteral("font-weight:600")));
        QVERIFY(html.contains(QStringLiteral("DVI")));
    }
};

QTEST_MAIN(tst_Form_display_page)
#include "tst_Form_display_page.moc"
