#include "service/FrameServer.h"

#include "service/ServiceLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>

#include <poll.h>

FrameServer::FrameServer(Exchange exchange, QObject* parent) : QObject(parent), m_exchange(std::move(exchange))
{
    m_clock.start();
}

FrameServer::~FrameServer()
{
    for (auto& entry : m_clients) {
        if (entry.second->socket) {
            // Closing is no event for a server going away.
            entry.second->socket->disconnect(this);
            entry.second->socket->close();
        }
    }
    m_clients.clear();
    if (m_local)
        m_local->close();
}

bool FrameServer::listenLocal(const QString& path, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        *error = QStringLiteral("cannot make the folder %1").arg(folder);
        return false;
    }
    if (!m_local) {
        m_local = new QLocalServer(this);
        m_local->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_local, &QLocalServer::newConnection, this, &FrameServer::acceptLocal);
    }
    // Only a socket nobody answers on is left over from a service that died; the folder's lock says
    // no other service runs for it.
    QLocalServer::removeServer(path);
    if (!m_local->listen(path)) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(path, m_local->errorString());
        return false;
    }
    // Only this user may drive the device through it.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    m_localPath = path;
    return true;
}

bool FrameServer::listenTcp(const QHostAddress& address, quint16 port, QString* error)
{
    closeTcp();
    m_tcp = new QTcpServer(this);
    connect(m_tcp, &QTcpServer::newConnection, this, &FrameServer::acceptTcp);
    if (!m_tcp->listen(address, port)) {
        *error = QStringLiteral("cannot listen on %1 port %2: %3")
                     .arg(address.toString())
                     .arg(port)
                     .arg(m_tcp->errorString());
        delete m_tcp;
        m_tcp = nullptr;
        return false;
    }
    return true;
}

void FrameServer::closeTcp()
{
    delete m_tcp;
    m_tcp = nullptr;
}

quint16 FrameServer::tcpPort() const
{
    return m_tcp ? m_tcp->serverPort() : 0;
}

QHostAddress FrameServer::tcpAddress() const
{
    return m_tcp ? m_tcp->serverAddress() : QHostAddress();
}

void FrameServer::setAccepting(bool on, const QString& why)
{
    m_accepting = on;
    m_refusal = why;
    if (on)
        return;
    std::vector<int> ids;
    for (const auto& entry : m_clients)
        ids.push_back(entry.first);
    for (int id : ids)
        dropClient(id, QStringLiteral("closed: %1").arg(why));
}

int FrameServer::queuedFrames() const
{
    int count = 0;
    for (const auto& entry : m_clients)
        count += int(entry.second->queue.size());
    return count;
}

void FrameServer::acceptLocal()
{
    while (QLocalSocket* socket = m_local->nextPendingConnection())
        adopt(socket, QStringLiteral("local"));
}

void FrameServer::acceptTcp()
{
    while (QTcpSocket* socket = m_tcp->nextPendingConnection())
        adopt(socket, QStringLiteral("tcp %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()));
}

void FrameServer::adopt(QIODevice* socket, const QString& kind)
{
    socket->setParent(this);
    const int id = m_nextId++;
    if (!m_accepting) {
        qCInfo(lcService).noquote() << "client" << id << QStringLiteral("(%1) refused:").arg(kind) << m_refusal;
        socket->close();
        socket->deleteLater();
        return;
    }
    auto client = std::make_unique<Client>();
    client->id = id;
    client->kind = kind;
    client->socket = socket;
    m_clients.emplace(id, std::move(client));
    qCInfo(lcService).noquote() << "client" << id << QStringLiteral("connected (%1)").arg(kind);
    connect(socket, &QIODevice::readyRead, this, [this, id] { readClient(id); });
    if (auto* local = qobject_cast<QLocalSocket*>(socket))
        connect(local, &QLocalSocket::disconnected, this, [this, id] { dropClient(id, QStringLiteral("left")); });
    else if (auto* tcp = qobject_cast<QTcpSocket*>(socket))
        connect(tcp, &QTcpSocket::disconnected, this, [this, id] { dropClient(id, QStringLiteral("left")); });
    readClient(id);
}

// A client that closed its end while its frames waited (the event loop was inside an exchange and has
// not seen it yet) wants none of them sent.
static bool peerHungUp(QIODevice* socket)
{
    qintptr fd = -1;
    if (auto* local = qobject_cast<QLocalSocket*>(socket))
        fd = local->socketDescriptor();
    else if (auto* tcp = qobject_cast<QTcpSocket*>(socket))
        fd = tcp->socketDescriptor();
    if (fd < 0)
        return true;
    pollfd probe = {int(fd), POLLIN, 0};
    return ::poll(&probe, 1, 0) == 1 && (probe.revents & (POLLHUP | POLLERR)) != 0;
}

FrameServer::Client* FrameServer::find(int id)
{
    const auto it = m_clients.find(id);
    return it == m_clients.end() ? nullptr : it->second.get();
}

void FrameServer::readClient(int id)
{
    Client* client = find(id);
    if (!client || !client->socket)
        return;
    // A full queue is not read on: the client waits, and loses nothing.
    while (int(client->queue.size()) < MaxQueuedFrames && client->socket->bytesAvailable() > 0) {
        const qint64 room = (MaxQueuedFrames - qint64(client->queue.size())) * Rdx::FrameSize;
        const QByteArray bytes = client->socket->read(room);
        if (bytes.isEmpty())
            break;
        const qint64 droppedBefore = client->cutter.droppedBytes();
        const QVector<Rdx::Frame> frames = client->cutter.feed(bytes, m_clock.elapsed());
        if (client->cutter.droppedBytes() != droppedBefore)
            qCInfo(lcService) << "client" << id << "sent" << client->cutter.droppedBytes() - droppedBefore
                              << "bytes that are no frame; dropped";
        for (const Rdx::Frame& frame : frames) {
            qCDebug(lcServiceFrames).noquote() << "client" << id << "->" << Rdx::toHex(frame);
            client->queue.push_back(frame);
        }
    }
    scheduleServe();
}

void FrameServer::dropClient(int id, const QString& why)
{
    const auto it = m_clients.find(id);
    if (it == m_clients.end())
        return;
    std::unique_ptr<Client> client = std::move(it->second);
    m_clients.erase(it);
    if (client->queue.empty())
        qCInfo(lcService).noquote() << "client" << id << why;
    else
        qCInfo(lcService).noquote() << "client" << id << why
                                    << QStringLiteral("(%1 frames not sent)").arg(client->queue.size());
    if (client->socket) {
        client->socket->disconnect(this);
        client->socket->close();
        client->socket->deleteLater();
    }
}

void FrameServer::scheduleServe()
{
    if (m_serveQueued || m_serving)
        return;
    m_serveQueued = true;
    QMetaObject::invokeMethod(this, &FrameServer::serveNext, Qt::QueuedConnection);
}

void FrameServer::serveNext()
{
    m_serveQueued = false;
    if (m_clients.empty() || m_serving)
        return;
    // The next client after the last one served that has a frame waiting.
    auto it = m_clients.upper_bound(m_lastServed);
    Client* client = nullptr;
    for (std::size_t n = 0; n < m_clients.size(); ++n, ++it) {
        if (it == m_clients.end())
            it = m_clients.begin();
        if (!it->second->queue.empty()) {
            client = it->second.get();
            break;
        }
    }
    if (!client) {
        emit drained();
        return;
    }
    const int id = client->id;
    if (!client->socket || peerHungUp(client->socket)) {
        dropClient(id, QStringLiteral("left"));
        scheduleServe();
        return;
    }
    m_lastServed = id;
    const Rdx::Frame request = client->queue.front();
    client->queue.pop_front();

    Rdx::Frame reply = Rdx::emptyFrame();
    m_serving = true;
    const Rdx::Outcome outcome = m_exchange(request, &reply);
    m_serving = false;
    if (outcome == Rdx::Outcome::Busy) {
        // The schedule has the device: the frame waits for resume(), first in its client's queue.
        if (Client* waiting = find(id))
            waiting->queue.push_front(request);
        return;
    }

    // The client may have left meanwhile, or been closed with the device: its reply goes to no one.
    client = find(id);
    if (client && client->socket && (outcome == Rdx::Outcome::Accepted || outcome == Rdx::Outcome::Refused)) {
        qCDebug(lcServiceFrames).noquote() << "client" << id << "<-" << Rdx::toHex(reply);
        if (client->socket->write(Rdx::toByteArray(reply)) != Rdx::FrameSize)
            dropClient(id, QStringLiteral("could not be written to: %1").arg(client->socket->errorString()));
    } else if (outcome == Rdx::Outcome::Unanswered) {
        qCInfo(lcService).noquote() << "client" << id << "frame" << Rdx::toHex(request) << "got no reply in time";
    }
    // Frames that came in meanwhile were left in the socket; a client whose queue was full is read again.
    if (client && client->socket && client->socket->bytesAvailable() > 0)
        readClient(id);
    if (queuedFrames() > 0)
        scheduleServe();
    else
        emit drained();
}
