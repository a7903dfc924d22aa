#ifndef RDX480_TESTS_PAGES_CONTROLPAGEFIXTURE_H
#define RDX480_TESTS_PAGES_CONTROLPAGEFIXTURE_H

#include "PageFixture.h"
#include "pages/Page_Control.h"

inline void refreshPage(Page_Control& page)
{
    page.refreshFromDevice(5000);
}

inline void routeReply(Page_Control& page, int order)
{
    if (order == Rdx::StatusRead)
        page.applyStatus();
    else if (order == Rdx::PipSubWindowRead)
        page.showSubWindow();
    else if (order == Rdx::PipMainWindowRead)
        page.showMainWindow();
}

using ControlPageFixture = PageFixture<Page_Control>;

// The index byte of every PIP window read (kind byte 6, for both windows) that reached the device.
inline QVector<int> windowReads(const SimFixture& sim)
{
    QVector<int> indexes;
    for (const Rdx::Frame& frame : sim.received())
        if (frame[2] == Rdx::ReadRequestCode && frame[3] == Rdx::PipSubWindowRead)
            indexes.append(frame[4]);
    return indexes;
}

#endif
