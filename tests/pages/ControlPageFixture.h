#ifndef RDX480_TESTS_PAGES_CONTROLPAGEFIXTURE_H
#define RDX480_TESTS_PAGES_CONTROLPAGEFIXTURE_H

#include "PageFixture.h"
#include "pages/Page_Control.h"

// The Control page on the simulated device, as the page host routes replies while it is current.
class ControlPageFixture : public PageFixture<Page_Control>
{
public:
    // The index byte of every PIP window read (kind byte 6, for both windows) that reached the device.
    QVector<int> windowReads() const
    {
        QVector<int> indexes;
        for (const Rdx::Frame& frame : sim.received())
            if (frame[2] == Rdx::ReadRequestCode && frame[3] == Rdx::PipSubWindowRead)
                indexes.append(frame[4]);
        return indexes;
    }

protected:
    void route(int order) override
    {
        if (order == Rdx::StatusRead)
            page->applyStatus();
        else if (order == Rdx::PipSubWindowRead)
            page->showSubWindow();
        else if (order == Rdx::PipMainWindowRead)
            page->showMainWindow();
    }
};

#endif
