#include "pages/InputSources.h"

#include <QTest>

class tst_InputSources : public QObject
{
    Q_OBJECT

private slots:
    void sources_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("group");
        QTest::newRow("EXT.") << 0 << "EXT."
                              << "but_of_ext" << 4;
        QTest::newRow("DVI2") << 1 << "DVI2"
                              << "but_of_div2" << 3;
        QTest::newRow("DVI1") << 2 << "DVI1"
                              << "but_of_dvi1" << 3;
        QTest::newRow("HDMI2") << 3 << "HDMI2"
                               << "but_of_hdm2" << 3;
        QTest::newRow("HDMI1") << 4 << "HDMI1"
                               << "but_of_hdm1" << 3;
        QTest::newRow("VGA") << 5 << "VGA"
                             << "but_of_vga" << 2;
        QTest::newRow("V2") << 6 << "V2"
                            << "but_of_v2" << 1;
        QTest::newRow("V1") << 7 << "V1"
                            << "but_of_v1" << 1;
    }

    void sources()
    {
        QFETCH(int, code);
        QVERIFY(InputSources::isValid(code));
        QTEST(InputSources::text(code), "text");
        QTEST(InputSources::buttonName(code), "button");
        QTEST(InputSources::group(code), "group");
    }

    void unknownCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("negative") << -1;
        QTest::newRow("one past the last") << 8;
        QTest::newRow("a whole nibble") << 15;
    }

    // A code the device reports that has no source names nothing and belongs to no group.
    void unknownCodes()
    {
        QFETCH(int, code);
        QVERIFY(!InputSources::isValid(code));
        QVERIFY(InputSources::text(code).isEmpty());
        QVERIFY(InputSources::buttonName(code).isEmpty());
        QCOMPARE(InputSources::group(code), -1);
    }
};

QTEST_GUILESS_MAIN(tst_InputSources)
#include "tst_InputSources.moc"
