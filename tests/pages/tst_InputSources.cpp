#include "pages/InputSources.h"

#include <QTest>

class tst_InputSources : public QObject
{
    Q_OBJECT

private slots:
    void sourcesByCode()
    {
        struct Source
        {
            const char* text;
            const char* button;
            int group;
        };
        const Source sources[] = {{"EXT.", "but_of_ext", 4},   {"DVI2", "but_of_div2", 3},  {"DVI1", "but_of_dvi1", 3},
                                  {"HDMI2", "but_of_hdm2", 3}, {"HDMI1", "but_of_hdm1", 3}, {"VGA", "but_of_vga", 2},
                                  {"V2", "but_of_v2", 1},      {"V1", "but_of_v1", 1}};
        for (int code = 0; code < 8; ++code) {
            QVERIFY(InputSources::isValid(code));
            QCOMPARE(InputSources::text(code), QLatin1String(sources[code].text));
            QCOMPARE(InputSources::buttonName(code), QLatin1String(sources[code].button));
            QCOMPARE(InputSources::group(code), sources[code].group);
        }
        // A code the device reports that has no source names nothing and belongs to no group.
        for (int code : {-1, 8, 15}) {
            QVERIFY(!InputSources::isValid(code));
            QVERIFY(InputSources::text(code).isEmpty());
            QVERIFY(InputSources::buttonName(code).isEmpty());
            QCOMPARE(InputSources::group(code), -1);
        }
    }
};

QTEST_GUILESS_MAIN(tst_InputSources)
#include "tst_InputSources.moc"
