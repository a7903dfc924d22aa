#ifndef RDX480_SIM_SIMDEVICE_H
#define RDX480_SIM_SIMDEVICE_H

#include "link/Frame.h"
#include "sim/SimFaults.h"
#include "sim/SimFixture.h"
#include "sim/SimState.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>
#include <random>

class QTcpServer;
class QTcpSocket;
class SimChannel;
class SimPty;

// The simulated RDX480: its transports, its state and the faults it is told to show. open() and the I/O
// run on the thread the object lives on; the state, fault and log accessors may be called from any thread.
class SimDevice : public QObject
{
    Q_OBJECT
public:
    explicit SimDevice(const SimFixtureOptions& options, QObject* parent = nullptr);
    ~SimDevice() override;

    bool open();
    QString errorString() const;
    quint16 tcpPort() const;
    QString serialPath() const;

    SimState state() const;
    void setState(const SimState& state);
    void setFaults(const SimFaults& faults);
    QVector<Rdx::Frame> received() const;
    void clearReceived();
    int repliesSent() const;
    int clientCount() const; // TCP clients connected now

private:
    enum class Fault { None, Drop, Delay, Error, Split, Glue, Stray };

    void acceptClients();
    void resumeReading();
    SimChannel* addChannel(std::function<bool(const QByteArray&)> writer, bool paced);
    void handleFrame(SimChannel* channel, const Rdx::Frame& frame);
    Fault randomFault();
    void trace(const QString& line) const;

    SimFixtureOptions m_options;
    QTcpServer* m_server = nullptr;
    SimPty* m_pty = nullptr;
    QVector<QPointer<QTcpSocket>> m_clients;

    mutable QMutex m_mutex; // guards everything below
    QString m_error;
    quint16 m_tcpPort = 0;
    QString m_serialPath;
    SimState m_state;
    SimFaults m_faults;
    QByteArray m_pendingStray; // written once, in front of the next reply
    std::mt19937 m_random;
    QVector<Rdx::Frame> m_received;
    int m_repliesSent = 0;
    int m_clientCount = 0;
};

#endif
