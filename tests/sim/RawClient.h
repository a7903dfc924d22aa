#ifndef RDX480_TESTS_SIM_RAWCLIENT_H
#define RDX480_TESTS_SIM_RAWCLIENT_H

#include "sim/SimFixture.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QTcpSocket>
#include <memory>

// The plainest possible panel: writes frames and collects whatever comes back, on TCP or on the pty.
class RawClient
{
public:
    bool connectTcp(quint16 port)
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!socket->waitForConnected(3000))
            return false;
        m_device = std::move(socket);
        return true;
    }

    bool openSerial(const QString& path)
    {
        auto port = std::make_unique<QSerialPort>(path);
        port->setBaudRate(QSerialPort::Baud9600);
        if (!port->open(QIODevice::ReadWrite))
            return false;
        m_device = std::move(port);
        return true;
    }

    void send(const QByteArray& bytes)
    {
        m_device->write(bytes);
        while (m_device->bytesToWrite() > 0 && m_device->waitForBytesWritten(1000))
            continue;
    }

    // Reads until at least `count` bytes have come or the wait runs out; `reads` counts the deliveries.
    QByteArray readAtLeast(int count, int timeoutMs = 5000, int* reads = nullptr)
    {
        QByteArray data;
        for (QDeadlineTimer deadline(timeoutMs); data.size() < count && !deadline.hasExpired();) {
            if (m_device->bytesAvailable() == 0 && !m_device->waitForReadyRead(50))
                continue;
            data += m_device->readAll();
            if (reads)
                ++*reads;
        }
        return data;
    }

    // Everything that arrives until the line has been quiet for quietMs.
    QByteArray drain(int quietMs)
    {
        QByteArray data;
        while (m_device->waitForReadyRead(quietMs) || m_device->bytesAvailable() > 0)
            data += m_device->readAll();
        return data;
    }

    QByteArray exchange(const QByteArray& frame)
    {
        send(frame);
        return readAtLeast(13);
    }

private:
    std::unique_ptr<QIODevice> m_device;
};

// 0x91, device, code, up to nine parameter bytes (zero-filled), 0x91.
inline QByteArray frame(int device, int code, std::initializer_list<int> params = {})
{
    QByteArray bytes(13, '\0');
    bytes[0] = char(0x91);
    bytes[1] = char(device);
    bytes[2] = char(code);
    int at = 3;
    for (int p : params)
        bytes[at++] = char(p);
    bytes[12] = char(0x91);
    return bytes;
}

inline QByteArray readRequest(int kind, int index = 0, int device = 1)
{
    return frame(device, 0xFE, {kind, index});
}

// A reply frame as the device should write it: 0x91, device, byte 2, then bytes 3..11, 0x91.
inline QByteArray reply(int byte2, std::initializer_list<int> bytes3to11, int device = 1)
{
    return frame(device, byte2, bytes3to11);
}

// What a fresh device answers to a status read and to a picture read.
inline QByteArray defaultStatus()
{
    return reply(0, {0, 0, 6, 0x04, 0x75, 0x17, 0x56, 0, 0});
}

inline QByteArray defaultPicture()
{
    return reply(0, {8, 50, 50, 50, 32, 0, 0, 0, 0});
}

// Faults built in one expression: faultsWith([](SimFaults& f) { f.chunkSize = 4; }).
template <typename Edit> SimFaults faultsWith(Edit edit)
{
    SimFaults faults;
    edit(faults);
    return faults;
}

// A started simulated device with one raw client on its TCP port.
struct SimSession
{
    explicit SimSession(SimFixture::Options options = {}) : sim(options) {}
    bool start() { return sim.start() && client.connectTcp(sim.tcpPort()); }

    SimFixture sim;
    RawClient client;
};

#endif
