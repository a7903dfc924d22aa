#ifndef RDX480_SERVICE_CLIENTFRAMECUTTER_H
#define RDX480_SERVICE_CLIENTFRAMECUTTER_H

#include "link/Frame.h"

#include <QByteArray>
#include <QVector>

// Cuts a client's byte stream into the frames the device would take: a frame starts and ends with the
// marker; bytes in front of a marker, a frame whose last byte is no marker and a partial frame left
// standing longer than the stale gap are dropped, so a client's garbage never reaches the device.
class ClientFrameCutter
{
public:
    static constexpr qint64 DefaultStaleGapMs = 500;

    explicit ClientFrameCutter(qint64 staleGapMs = DefaultStaleGapMs) : m_staleGapMs(staleGapMs) {}

    // Appends bytes received at nowMs and returns the whole frames among them, oldest first.
    QVector<Rdx::Frame> feed(const QByteArray& bytes, qint64 nowMs);

    int pendingBytes() const { return int(m_buffer.size()); }
    qint64 droppedBytes() const { return m_dropped; }

private:
    QByteArray m_buffer;
    qint64 m_lastByteMs = 0;
    qint64 m_staleGapMs;
    qint64 m_dropped = 0;
};

#endif
