#ifndef RDX480_SERVICE_FRAMESERVER_H
#define RDX480_SERVICE_FRAMESERVER_H

#include "link/Frame.h"
#include "service/ClientFrameCutter.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <map>
#include <memory>

class QIODevice;
class QLocalServer;
class QTcpServer;

// Serves the device's own 13-byte frames to local clients, on a Unix socket and optionally a loopback
// TCP port. Each whole frame a client sends is one exchange with the device, and its reply goes back to
// that client alone. Clients take turns frame by frame, so one that sends without pause cannot starve
// another; a client's queue is bounded by no longer reading from it until it has drained.
class FrameServer : public QObject
{
    Q_OBJECT

public:
    using Exchange = std::function<Rdx::Outcome(const Rdx::Frame& request, Rdx::Frame* reply)>;

    static constexpr int MaxQueuedFrames = 16;

    explicit FrameServer(Exchange exchange, QObject* parent = nullptr);
    ~FrameServer() override;

    // The socket file is created with mode 0600 in a folder of mode 0700.
    bool listenLocal(const QString& path, QString* error);
    bool listenTcp(const QHostAddress& address, quint16 port, QString* error);
    void closeTcp();
    quint16 tcpPort() const;
    QHostAddress tcpAddress() const;
    QString localPath() const { return m_localPath; }

    // Off: every client is closed and new ones are refused (closed at once), each with a log line.
    void setAccepting(bool on, const QString& why = QString());
    bool isAccepting() const { return m_accepting; }
    int clientCount() const { return int(m_clients.size()); }
    // Frames waiting, over all clients.
    int queuedFrames() const;
    // The device is free again after an exchange that was not ours.
    void resume() { scheduleServe(); }

signals:
    // Every queue has run dry.
    void drained();

private:
    struct Client
    {
        int id = 0;
        QString kind;
        QPointer<QIODevice> socket;
        ClientFrameCutter cutter;
        std::deque<Rdx::Frame> queue;
    };

    void acceptLocal();
    void acceptTcp();
    void adopt(QIODevice* socket, const QString& kind);
    void readClient(int id);
    void dropClient(int id, const QString& why);
    void scheduleServe();
    void serveNext();
    Client* find(int id);

    Exchange m_exchange;
    QLocalServer* m_local = nullptr;
    QTcpServer* m_tcp = nullptr;
    QString m_localPath;
    std::map<int, std::unique_ptr<Client>> m_clients;
    QElapsedTimer m_clock;
    int m_nextId = 1;
    int m_lastServed = 0;
    bool m_accepting = true;
    bool m_serveQueued = false;
    bool m_serving = false;
    QString m_refusal;
};

#endif
