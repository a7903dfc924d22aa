#ifndef RDX480_TESTS_PAGES_PAGEFIXTURE_H
#define RDX480_TESTS_PAGES_PAGEFIXTURE_H

#include "link/Frame.h"
#include "link/Singleton_SerialPort.h"
#include "sim/SimFixture.h"
#include "tests/support/MessageLog.h"

#include <QAbstractButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBox>
#include <QVector>

#include <memory>

// A page on a link connected to the simulated device, with replies routed to it the way the page host
// routes them while that page is current.
template <typename Page> class PageFixture
{
public:
    virtual ~PageFixture()
    {
        if (link->isConnected())
            link->closeSerial();
        link->busy = false;
    }

    // Starts the device with the given state, connects over TCP (or the serial line) and shows the page;
    // with refresh, filled from the device.
    bool start(const SimState& state, bool network = true, bool refreshNow = true)
    {
        if (!sim.start())
            return false;
        sim.setState(state);
        link->useNetwork = network;
        if (network)
            link->openSerial(QStringLiteral("127.0.0.1"), sim.tcpPort(), 1);
        else
            link->openSerial(sim.serialPath(), -1, 1);
        if (link->linkState != Rdx::Opened)
            return false;
        link->linkState = Rdx::Connected; // what the main window does once the link opened

        page = std::make_unique<Page>();
        QObject::connect(link, &Singleton_SerialPort::send_receive_end, page.get(),
                         [this](int order) { route(order); });
        page->setLanguage(true);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            return false;
        page->activateWindow();
        return !refreshNow || refresh();
    }

    // The host's refresh when the page is shown; true once every read was answered.
    bool refresh()
    {
        page->refreshFromDevice(5000);
        return QTest::qWaitFor([this] { return link->pendingReadKeys().isEmpty(); });
    }

    template <typename T> T* find(const char* name) const { return page->template findChild<T*>(QLatin1String(name)); }

    // Set-commands (not read requests) that reached the device, in order.
    QVector<Rdx::Frame> commands() const
    {
        QVector<Rdx::Frame> result;
        for (const Rdx::Frame& frame : sim.received())
            if (frame[2] != Rdx::ReadRequestCode)
                result.append(frame);
        return result;
    }

    // The last set-command as (code, p0, p1, ...), for compact comparisons.
    QVector<int> lastCommand(int parameterCount = 1) const
    {
        const QVector<Rdx::Frame> sent = commands();
        if (sent.isEmpty())
            return {};
        QVector<int> result{sent.last()[2]};
        for (int i = 0; i < parameterCount; ++i)
            result.append(sent.last()[3 + i]);
        return result;
    }

    // Opens a tool box page the way the operator does: by clicking its title button.
    void clickToolBoxPage(int index) const
    {
        const QList<QAbstractButton*> titles = find<QToolBox>("toolBox")->template findChildren<QAbstractButton*>(
            QStringLiteral("qt_toolbox_toolboxbutton"), Qt::FindDirectChildrenOnly);
        QTest::mouseClick(titles.at(index), Qt::LeftButton);
    }

    // Select all, type the number, press Return.
    static void typeInto(QSpinBox* box, int value)
    {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, QString::number(value));
        QTest::keyClick(box, Qt::Key_Return);
    }

    SimFixture sim;
    Singleton_SerialPort* link = Singleton_SerialPort::instance();
    std::unique_ptr<Page> page;
    MessageLog messages;

protected:
    virtual void route(int order) = 0;
};

#endif
