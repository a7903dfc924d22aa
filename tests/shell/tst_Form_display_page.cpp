#include "ShellProbe.h"

#include "tests/support/SimLink.h"

#include "shell/Form_display_page.h"

#include <QComboBox>
#include <QSpinBox>
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
    void init() { SimLink::resetLink(); }

    // A page index shows its page and names it in the title strip, in the language of the moment; home goes
    // back to Navigation.
    void switchesPagesAndGoesHome_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("page"); // shown afterwards, empty: none
        QTest::addColumn<QString>("title");
        QTest::newRow("Control") << 1 << "wid_for_control" << "Control";
        // The timer title has no page of its own; leaving it works like leaving any page.
        QTest::newRow("Timer title") << 5 << "" << "Timer";
        QTest::newRow("below the pages") << -1 << navigationOnly.first() << "Navigation";
        QTest::newRow("past the pages") << 6 << navigationOnly.first() << "Navigation";
    }
    void switchesPagesAndGoesHome()
    {
        QFETCH(int, index);
        QFETCH(QString, page);
        QFETCH(QString, title);
        Form_display_page host;
        host.setLanguage(true);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(visiblePages(host), navigationOnly);

        host.rsp_chage_page(index);
        QCOMPARE(visiblePages(host), page.isEmpty() ? QStringList() : QStringList{page});
        QCOMPARE(titleStrip(host), title);
        host.setLanguage(false); // the strip follows at once
        QVERIFY(titleStrip(host) != title);

        QTest::mouseClick(host.findChild<QPushButton*>(QStringLiteral("but_for_home")), Qt::LeftButton);
        QCOMPARE(host.page(), 0);
        QCOMPARE(visiblePages(host), navigationOnly);
        QCOMPARE(titleStrip(host), QStringLiteral("导航"));
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
};

QTEST_MAIN(tst_Form_display_page)
#include "tst_Form_display_page.moc"
