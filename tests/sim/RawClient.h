#ifndef RDX480_TESTS_SIM_RAWCLIENT_H
#define RDX480_TESTS_SIM_RAWCLIENT_H

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <algorithm>

// The plainest possible panel: writes frames on TCP and collects whatever comes back.
struct RawClient
{
    QTcpSocket socket;
    int reads = 0; // deliveries so far

    bool connectTcp(quint16 port)
    {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return socket.waitForConnected(3000);
    }
    void send(const QByteArray& bytes)
    {
        socket.write(bytes);
        socket.waitForBytesWritten(1000);
    }
    // Reads until at least `count` bytes have come or the wait runs out.
    QByteArray readAtLeast(int count)
    {
        QByteArray data;
        for (QDeadlineTimer deadline(5000); data.size() < count && !deadline.hasExpired();)
            if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(50)) {
                data += socket.readAll();
                ++reads;
            }
        return data;
    }
    QByteArray exchange(const QByteArray& frame)
    {
        send(frame);
        return readAtLeast(13);
    }
};

// 0x91, device 1, byte 2, up to nine bytes (zero-filled), 0x91: a request, or the reply the device should write.
inline QByteArray frame(int byte2, std::initializer_list<int> bytes3to11 = {})
{
    QByteArray bytes(13, '\0');
    bytes[0] = bytes[12] = char(0x91);
    bytes[1] = 1;
    bytes[2] = char(byte2);
    std::transform(bytes3to11.begin(), bytes3to11.end(), bytes.begin() + 3, [](int b) { return char(b); });
    return bytes;
}

// A status read, and what a fresh device answers to it.
inline const QByteArray statusRead = frame(0xFE, {0, 0});
inline const QByteArray defaultStatus = frame(0, {0, 0, 6, 0x04, 0x75, 0x17, 0x56, 0, 0});

#endif
