#include "sim/SimDevice.h"

#include "sim/SimChannel.h"
#include "sim/SimProtocol.h"
#include "sim/SimPty.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdio>
#include <sys/socket.h>

namespace {
constexpr int RandomDelayMinMs = 20;
constexpr int RandomDelayMaxMs = 600;
} // namespace

SimDevice::SimDevice(const SimFixtureOptions& options, QObject* parent) : QObject(parent), m_options(options)
{
    m_state.extInputMode = options.extModule ? 1 : 0;
}

SimDevice::~SimDevice()
{
    // The link goes with the line it names: a panel that re-opens the path finds nothing, as when a cable
    // is pulled, until the device starts again.
    if (!m_options.serialLink.isEmpty() && m_pty &&
        QFileInfo(m_options.serialLink).symLinkTarget() == m_pty->slavePath())
        QFile::remove(m_options.serialLink);
}

bool SimDevice::open()
{
    if (m_options.tcp) {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &SimDevice::acceptClients);
        if (!m_server->listen(QHostAddress::LocalHost, m_options.tcpPort)) {
            QMutexLocker lock(&m_mutex);
            m_error = QStringLiteral("tcp: ") + m_server->errorString();
            return false;
        }
        if (m_options.tcpReceiveBuffer > 0) {
            // Clients inherit it from the listening socket, before their window is first advertised.
            const int size = m_options.tcpReceiveBuffer;
            ::setsockopt(int(m_server->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        }
        QMutexLocker lock(&m_mutex);
        m_tcpPort = m_server->serverPort();
    }
    if (m_options.serial) {
        m_pty = new SimPty(this);
        QString error;
        if (!m_pty->open(&error)) {
            QMutexLocker lock(&m_mutex);
            m_error = QStringLiteral("serial: ") + error;
            return false;
        }
        SimPty* pty = m_pty;
        SimChannel* channel = addChannel([pty](const QByteArray& bytes) { return pty->write(bytes); }, m_options.paced);
        m_pty->onData = [channel](const QByteArray& bytes) { channel->receive(bytes); };
        if (!m_options.serialLink.isEmpty()) {
            // Only a link is replaced, never a file that happens to have the name.
            const QFileInfo existing(m_options.serialLink);
            if ((existing.isSymLink() && !QFile::remove(m_options.serialLink)) ||
                !QFile::link(m_pty->slavePath(), m_options.serialLink)) {
                QMutexLocker lock(&m_mutex);
                m_error = QStringLiteral("serial: cannot make the link ") + m_options.serialLink;
                return false;
            }
        }
        QMutexLocker lock(&m_mutex);
        m_serialPath = m_options.serialLink.isEmpty() ? m_pty->slavePath() : m_options.serialLink;
    }
    return true;
}

QString SimDevice::errorString() const
{
    QMutexLocker lock(&m_mutex);
    return m_error;
}

quint16 SimDevice::tcpPort() const
{
    QMutexLocker lock(&m_mutex);
    return m_tcpPort;
}

QString SimDevice::serialPath() const
{
    QMutexLocker lock(&m_mutex);
    return m_serialPath;
}

SimState SimDevice::state() const
{
    QMutexLocker lock(&m_mutex);
    return m_state;
}

void SimDevice::setState(const SimState& state)
{
    QMutexLocker lock(&m_mutex);
    m_state = state;
}

void SimDevice::setFaults(const SimFaults& faults)
{
    QMutexLocker lock(&m_mutex);
    const bool resume = m_faults.pauseReading && !faults.pauseReading;
    m_faults = faults;
    m_pendingStray = faults.strayBytes;
    m_random.seed(faults.randomSeed);
    lock.unlock();
    if (resume)
        QMetaObject::invokeMethod(this, &SimDevice::resumeReading, Qt::QueuedConnection);
}

void SimDevice::resumeReading()
{
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_clients)) {
        if (!socket)
            continue;
        socket->setReadBufferSize(0);
        emit socket->readyRead(); // what the system held all along
    }
}

QVector<Rdx::Frame> SimDevice::received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

void SimDevice::clearReceived()
{
    QMutexLocker lock(&m_mutex);
    m_received.clear();
}

int SimDevice::clientCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_clientCount;
}

int SimDevice::repliesSent() const
{
    QMutexLocker lock(&m_mutex);
    return m_repliesSent;
}

void SimDevice::acceptClients()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); // split replies must stay split
        SimChannel* channel = addChannel(
            [socket](const QByteArray& bytes) { return socket->write(bytes) == bytes.size() && socket->flush(); },
            false);
        channel->setParent(socket);
        connect(socket, &QTcpSocket::readyRead, channel, [this, socket, channel] {
            {
                QMutexLocker lock(&m_mutex);
                if (m_faults.pauseReading) {
                    // Stop reading from the system too, so its receive window fills and the panel's writes stall.
                    socket->setReadBufferSize(1);
                    return;
                }
            }
            socket->setReadBufferSize(0);
            channel->receive(socket->readAll());
        });
        connect(socket, &QTcpSocket::disconnected, this, [this] {
            QMutexLocker lock(&m_mutex);
            --m_clientCount;
        });
        m_clients.append(socket);
        QMutexLocker lock(&m_mutex);
        ++m_clientCount;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

SimChannel* SimDevice::addChannel(std::function<bool(const QByteArray&)> writer, bool paced)
{
    auto* channel = new SimChannel(std::move(writer), paced, this);
    channel->setFrameHandler([this](SimChannel* from, const Rdx::Frame& frame) { handleFrame(from, frame); });
    channel->setWrittenHandler([this](int replies) {
        QMutexLocker lock(&m_mutex);
        m_repliesSent += replies;
    });
    return channel;
}

SimDevice::Fault SimDevice::randomFault()
{
    if (m_faults.randomFaultRate <= 0.0)
        return Fault::None;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (chance(m_random) >= m_faults.randomFaultRate)
        return Fault::None;
    const Fault firstFault = m_faults.randomNoDrops ? Fault::Delay : Fault::Drop;
    std::uniform_int_distribution<int> pick(static_cast<int>(firstFault), static_cast<int>(Fault::Stray));
    return static_cast<Fault>(pick(m_random));
}

void SimDevice::handleFrame(SimChannel* channel, const Rdx::Frame& frame)
{
    QMutexLocker lock(&m_mutex);
    m_received.append(frame);
    trace(QStringLiteral("<- %1 : %2").arg(Rdx::toHex(frame), SimProtocol::describeRequest(frame)));
    if (frame[1] != (m_options.deviceNumber & 0xFF)) {
        trace(QStringLiteral("   (for device %1, not this one: no reply)").arg(frame[1]));
        return;
    }
    const bool isRead = frame[2] == Rdx::ReadRequestCode;
    const int code = frame[2];

    const Fault fault = randomFault();
    int delayMs = m_faults.delayMs;
    int chunkSize = m_faults.chunkSize;
    bool glue = m_faults.glueReplies;

    Rdx::Frame reply;
    if (fault == Fault::Error) {
        std::uniform_int_distribution<int> errorCode(4, 13);
        reply = SimProtocol::errorReply(m_options.deviceNumber, errorCode(m_random));
    } else if (!isRead && m_faults.errorForCode.contains(code)) {
        reply = SimProtocol::errorReply(m_options.deviceNumber, m_faults.errorForCode.value(code));
    } else if (isRead && m_faults.errorForKind.contains(frame[3]) && m_faults.errorForKindTimes != 0) {
        reply = SimProtocol::errorReply(m_options.deviceNumber, m_faults.errorForKind.value(frame[3]));
        if (m_faults.errorForKindTimes > 0)
            --m_faults.errorForKindTimes;
    } else {
        reply = SimProtocol::respond(m_state, frame, m_options.deviceNumber, m_faults.plainAck);
    }
    if (m_faults.noMarkers)
        reply.front() = reply.back() = 0x00;

    const bool silent = isRead ? m_faults.silentKinds.contains(frame[3]) : m_faults.silentCodes.contains(code);
    if (silent || fault == Fault::Drop) {
        trace(QStringLiteral("   (reply %1 dropped)").arg(SimProtocol::describeReply(reply)));
        return;
    }
    QByteArray stray;
    stray.swap(m_pendingStray);
    switch (fault) {
    case Fault::Delay:
        delayMs += std::uniform_int_distribution<int>(RandomDelayMinMs, RandomDelayMaxMs)(m_random);
        break;
    case Fault::Split:
        chunkSize = std::uniform_int_distribution<int>(1, Rdx::FrameSize - 1)(m_random);
        break;
    case Fault::Glue:
        glue = true;
        break;
    case Fault::Stray: {
        const int count = std::uniform_int_distribution<int>(1, 4)(m_random);
        for (int i = 0; i < count; ++i)
            stray.append(static_cast<char>(std::uniform_int_distribution<int>(0, 255)(m_random)));
        break;
    }
    default:
        break;
    }

    QString how;
    if (delayMs > 0)
        how += QStringLiteral(" delayed %1 ms").arg(delayMs);
    if (chunkSize > 0)
        how += QStringLiteral(" in pieces of %1").arg(chunkSize);
    if (!stray.isEmpty())
        how += QStringLiteral(" after stray %1").arg(Rdx::toHex(stray));
    QByteArray bytes = Rdx::toByteArray(reply);
    int replies = 1;
    if (channel->holding()) {
        // A held reply always leaves glued to the next one, even once gluing has been switched off.
        bytes.prepend(channel->takeHeld());
        replies = 2;
        how += QStringLiteral(" glued to the held reply");
    } else if (glue) {
        channel->hold(bytes, m_faults.glueHoldMs);
        trace(QStringLiteral("   (held: %1 : %2)").arg(Rdx::toHex(reply), SimProtocol::describeReply(reply)));
        m_pendingStray = stray; // stray bytes go out in front of the next reply that is written
        return;
    }
    bytes.prepend(stray);
    trace(QStringLiteral("-> %1 : %2%3").arg(Rdx::toHex(reply), SimProtocol::describeReply(reply), how));
    lock.unlock();
    channel->send(bytes, delayMs, chunkSize, replies);
}

void SimDevice::trace(const QString& line) const
{
    if (!m_options.trace)
        return;
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}
