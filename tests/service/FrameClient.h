#ifndef RDX480_TESTS_SERVICE_FRAMECLIENT_H
#define RDX480_TESTS_SERVICE_FRAMECLIENT_H

#include "link/Frame.h"

#include <QLocalSocket>
#include <QObject>
#include <QTcpSocket>

#include <algorithm>
#include <memory>

// A client of the service that never blocks: the service runs on the same thread, so replies are
// collected by the event loop while a test waits with QTRY_*.
class FrameClient : public QObject
{
public:
    bool connectLocal(const QString& path)
    {
        auto* local = new QLocalSocket(this);
        socket = local;
        wire();
        local->connectToServer(path);
        return local->state() != QLocalSocket::UnconnectedState;
    }
    void connectTcp(quint16 port)
    {
        auto* tcp = new QTcpSocket(this);
        socket = tcp;
        wire();
        tcp->connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    void send(const QByteArray& bytes) { socket->write(bytes); }
    // Whole replies so far, oldest first.
    QVector<QByteArray> replies() const
    {
        QVector<QByteArray> frames;
        for (int at = 0; at + Rdx::FrameSize <= received.size(); at += Rdx::FrameSize)
            frames.append(received.mid(at, Rdx::FrameSize));
        return frames;
    }

    QIODevice* socket = nullptr;
    QByteArray received;
    bool closed = false;

private:
    void wire()
    {
        connect(socket, &QIODevice::readyRead, this, [this] { received += socket->readAll(); });
        if (auto* local = qobject_cast<QLocalSocket*>(socket))
            connect(local, &QLocalSocket::disconnected, this, [this] { closed = true; });
        if (auto* tcp = qobject_cast<QTcpSocket*>(socket))
            connect(tcp, &QTcpSocket::disconnected, this, [this] { closed = true; });
    }
};

// 0x91, device 1, byte 2, up to nine bytes (zero-filled), 0x91.
inline QByteArray frameBytes(int byte2, std::initializer_list<int> bytes3to11 = {})
{
    QByteArray bytes(Rdx::FrameSize, '\0');
    bytes[0] = bytes[12] = char(Rdx::FrameMarker);
    bytes[1] = 1;
    bytes[2] = char(byte2);
    std::transform(bytes3to11.begin(), bytes3to11.end(), bytes.begin() + 3, [](int b) { return char(b); });
    return bytes;
}

inline QByteArray readRequest(int kind)
{
    return frameBytes(Rdx::ReadRequestCode, {kind, 0});
}

#endif
