#ifndef RDX480_TESTS_PAGES_MOSAICPAGEFIXTURE_H
#define RDX480_TESTS_PAGES_MOSAICPAGEFIXTURE_H

#include "PageFixture.h"
#include "pages/Page_Montage.h"
#include "widgets/MyButtonBar.h"

#include <QMap>
#include <QPoint>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

inline void refreshPage(Page_Montage& page)
{
    page.refreshFromDevice(5000);
}

inline void routeReply(Page_Montage& page, int order)
{
    using Show = void (Page_Montage::*)();
    static const QMap<int, Show> shows{{Rdx::StatusRead, &Page_Montage::applyStatus},
                                       {Rdx::InputWindowRead, &Page_Montage::showInputWindow},
                                       {Rdx::OutputWindowRead, &Page_Montage::showOutputWindow},
                                       {Rdx::LedTotalRead, &Page_Montage::showLedTotal},
                                       {Rdx::UnitWindowRead, &Page_Montage::showUnitWindow},
                                       {Rdx::FastValuesRead, &Page_Montage::showFastValues}};
    if (const Show show = shows.value(order))
        (page.*show)();
}

// The Mosaic page on the simulated device.
class MosaicPageFixture : public PageFixture<Page_Montage>
{
public:
    // Each read request the page sent after its last set-command, as (kind, index). A picture read (which
    // this page never sends) goes out behind them, so everything the page sent has arrived when it has.
    QVector<QPoint> readsAfterCommand() const
    {
        link->requestRead(Rdx::PictureRead);
        QVector<QPoint> reads;
        const bool arrived = QTest::qWaitFor([&] {
            reads.clear();
            for (const Rdx::Frame& frame : sim->received()) {
                if (frame[2] != Rdx::ReadRequestCode)
                    reads.clear();
                else
                    reads.append(QPoint(frame[3], frame[4]));
            }
            return !reads.isEmpty() && reads.last().x() == Rdx::PictureRead;
        });
        if (!arrived)
            return {{-1, -1}};
        reads.removeLast();
        return reads;
    }

    void clickBar(const char* bar, int index) const
    {
        QTest::mouseClick(find<MyButtonBar>(bar)->buttons().at(index), Qt::LeftButton);
    }

    QStandardItemModel* table() const
    {
        return qobject_cast<QStandardItemModel*>(find<QTableView>("tableView")->model());
    }

    // Opens the editor of a table value, types the number (or nothing) and presses Return; true once the
    // editor has committed and closed.
    bool editTable(int row, int value, bool type = true) const
    {
        auto* view = find<QTableView>("tableView");
        view->edit(table()->index(row, 1));
        QPointer<QSpinBox> editor = view->viewport()->findChild<QSpinBox*>();
        if (!editor)
            return false;
        if (type)
            typeInto(editor, value);
        else
            QTest::keyClick(editor, Qt::Key_Return);
        return QTest::qWaitFor([&] { return editor.isNull(); });
    }

    int box(const char* name) const { return find<QSpinBox>(name)->value(); }

};

#endif
