#ifndef RDX480_TESTS_SUPPORT_SIMLINK_H
#define RDX480_TESTS_SUPPORT_SIMLINK_H

#include "link/Singleton_SerialPort.h"
#include "sim/SimFixture.h"

#include <QByteArray>
#include <QMetaType>

#include <memory>

// PacedSerial: the pty timed like a 9600 baud wire, so replies arrive in pieces about 14 ms long.
enum class Transport { Tcp, Serial, PacedSerial };
Q_DECLARE_METATYPE(Transport)
Q_DECLARE_METATYPE(SimFaults)

// The simulated device on one transport and the link singleton connected to it: the one way tests start
// the device and connect to it, and the one place the singleton is put back for the next test.
class SimLink
{
public:
    explicit SimLink(Transport transport = Transport::Tcp) : transport(transport) {}
    ~SimLink() { resetLink(); }
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    bool startDevice(const SimState& state = {})
    {
        SimFixture::Options options;
        options.tcp = transport == Transport::Tcp; // the pty always, for a switch to the serial line
        options.paced = transport == Transport::PacedSerial;
        options.serialLink = serialLink;
        options.tcpReceiveBuffer = tcpReceiveBuffer;
        options.trace = qEnvironmentVariableIsSet("RDX480_SIM_TRACE"); // every frame on stderr, for a failing run
        sim = std::make_unique<SimFixture>(options);
        if (!sim->start())
            return false;
        sim->setState(state);
        return true;
    }

    // Starts the device (unless it runs) and opens the link on it; true once the link is connected.
    bool open(const SimState& state = {})
    {
        if (!sim && !startDevice(state))
            return false;
        link->useNetwork = transport == Transport::Tcp;
        if (link->useNetwork)
            link->openSerial(QStringLiteral("127.0.0.1"), sim->tcpPort(), 1);
        else
            link->openSerial(sim->serialPath(), -1, 1);
        return link->isConnected();
    }

    // The settings file with which the main window's connect button reaches the device.
    QByteArray settings() const
    {
        if (transport == Transport::Tcp)
            return "IP=127.0.0.1\nPORT=" + QByteArray::number(sim->tcpPort()) + "\nID=1\nNETWORK=true\nLANGUAGE=true\n";
        return "PORTNAME=" + sim->serialPath().toUtf8() + "\nID=1\nLANGUAGE=true\n";
    }

    // Nothing more can arrive: no frame on its way, no read pending, no re-send due.
    bool quiet() const { return !link->isExchanging() && !link->isReplyTimerActive(); }

    static void resetLink()
    {
        Singleton_SerialPort* link = Singleton_SerialPort::instance();
        link->closeSerial();
        link->busy = false;
        link->takeFailure();
        link->linkState = Rdx::Connecting;
    }

    Transport transport;
    QString serialLink;       // the device's serial line at this fixed path, to pull and replug it
    int tcpReceiveBuffer = 0; // the device's TCP receive buffer, bytes (0: the system's default)
    std::unique_ptr<SimFixture> sim;
    Singleton_SerialPort* link = Singleton_SerialPort::instance();
};

#endif
