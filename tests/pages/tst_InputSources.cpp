#include "link/Frame.h"
#include "pages/InputSources.h"
#include "pages/Page_Control.h"
#include "sim/SimProtocol.h"

#include <QPushButton>
#include <QtTest>

// The input table checked against what does not come from it: the simulated device's own input names, the
// Control page's form and the device's input cards.
class tst_InputSources : public QObject
{
    Q_OBJECT

private slots:
    void namesButtonsAndCards()
    {
        Page_Control page;
        QSet<QPushButton*> buttons;
        for (int code = 0; code < Rdx::InputCount; ++code) {
            QVERIFY(InputSources::isValid(code));
            QCOMPARE(InputSources::text(code), SimProtocol::inputName(code));
            buttons.insert(page.findChild<QPushButton*>(InputSources::buttonName(code)));
        }
        buttons.remove(nullptr);
        QCOMPARE(buttons.size(), Rdx::InputCount);

        // Two inputs can be combined only from different cards.
        const QVector<QVector<int>> cards = {{Rdx::V1Input, Rdx::V2Input},
                                             {Rdx::VgaInput},
                                             {Rdx::Dvi1Input, Rdx::Dvi2Input, Rdx::Hdmi1Input, Rdx::Hdmi2Input},
                                             {Rdx::ExtInput}};
        for (const QVector<int>& card : cards)
            for (const QVector<int>& other : cards)
                for (int a : card)
                    for (int b : other)
                        QCOMPARE(InputSources::group(a) == InputSources::group(b), &card == &other);

        // A code the device may report but has no input names nothing and belongs to no card.
        for (int code : {-1, Rdx::InputCount}) {
            QVERIFY(!InputSources::isValid(code));
            QVERIFY(InputSources::text(code).isEmpty());
            QVERIFY(InputSources::buttonName(code).isEmpty());
            QCOMPARE(InputSources::group(code), -1);
        }
    }
};

QTEST_MAIN(tst_InputSources)
#include "tst_InputSources.moc"
