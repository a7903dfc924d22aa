#ifndef RDX480_TESTS_SERVICE_SERVICESUPPORT_H
#define RDX480_TESTS_SERVICE_SERVICESUPPORT_H

#include "link/Frame.h"

#include <QLocalSocket>
#include <QSaveFile>
#include <QTcpSocket>

#include <algorithm>

// A client of the service that never blocks: the service runs on the same thread, so replies are
// collected by the event loop while a test waits with QTRY_*.
class FrameClient : public QObject
{
public:
    void connectLocal(const QString& path) { adopt(new QLocalSocket(this))->connectToServer(path); }
    void connectTcp(quint16 port) { adopt(new QTcpSocket(this))->connectToHost(QStringLiteral("127.0.0.1"), port); }
    void send(const QByteArray& bytes) { socket->write(bytes); }
    // The kind (byte 3) of each whole reply so far, oldest first.
    QVector<int> replyKinds() const
    {
        QVector<int> kinds;
        for (int at = 0; at + Rdx::FrameSize <= received.size(); at += Rdx::FrameSize)
            kinds.append(received.at(at + 3));
        return kinds;
    }

    QIODevice* socket = nullptr;
    QByteArray received;
    bool closed = false;

private:
    template <class Socket> Socket* adopt(Socket* s)
    {
        socket = s;
        connect(s, &QIODevice::readyRead, this, [this] { received += socket->readAll(); });
        connect(s, &Socket::disconnected, this, [this] { closed = true; });
        return s;
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

// Byte 2 of each frame.
inline QVector<int> frameCodes(const QVector<Rdx::Frame>& frames)
{
    QVector<int> codes;
    for (const Rdx::Frame& frame : frames)
        codes.append(frame[2]);
    return codes;
}

inline QByteArray tcpSettings(quint16 port)
{
    return "IP=127.0.0.1\nPORT=" + QByteArray::number(port) + "\nID=1\nNETWORK=true\n";
}

// As the panel saves info.ini: a new file renamed into place.
inline bool writeFile(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

#endif
