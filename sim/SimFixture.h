#ifndef RDX480_SIM_SIMFIXTURE_H
#define RDX480_SIM_SIMFIXTURE_H

#include "link/Frame.h"
#include "sim/SimFaults.h"
#include "sim/SimState.h"

#include <QString>
#include <QVector>
#include <memory>

struct SimFixtureOptions
{
    bool tcp = true;
    bool serial = true;
    bool paced = false; // serial line timed like a real 9600 8N1 wire
    int deviceNumber = 1;
    quint16 tcpPort = 0; // 0 = any free port
    bool extModule = false;
    bool trace = false; // every frame in and out on stderr
    QString serialLink;  // a symbolic link to the pty at this fixed path, remade at every start
    int tcpReceiveBuffer = 0; // >0: the system's receive buffer of each TCP client, in bytes
};

class SimDevice;
class QThread;

// The simulated device on a thread of its own with its own event loop, so a caller that blocks while it
// waits for a reply still gets one in real time. Every method is callable from the caller's thread.
class SimFixture
{
public:
    using Options = SimFixtureOptions;

    explicit SimFixture(Options options = {});
    ~SimFixture(); // stops the thread, closes everything
    SimFixture(const SimFixture&) = delete;
    SimFixture& operator=(const SimFixture&) = delete;

    bool start(); // blocks until listening; false on failure
    quint16 tcpPort() const;
    QString serialPath() const; // the pty slave path
    SimState state() const;     // thread-safe snapshot
    void setState(const SimState& state);
    void setFaults(const SimFaults& faults);
    QVector<Rdx::Frame> received() const; // every complete frame received, in order, any device number
    void clearReceived();
    int repliesSent() const;
    int clientCount() const; // TCP clients connected now

private:
    Options m_options;
    std::unique_ptr<QThread> m_thread;
    SimDevice* m_device; // on m_thread once started, and deleted there
};

#endif
