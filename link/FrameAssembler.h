#ifndef RDX480_LINK_FRAMEASSEMBLER_H
#define RDX480_LINK_FRAMEASSEMBLER_H

#include "link/Frame.h"

#include <QByteArray>
#include <QVector>

// Cuts a byte stream into 13-byte replies. Replies carry no start marker the panel may rely on, so
// the only way back into step after noise is silence: a partial reply older than the stale gap is
// dropped before new bytes are taken.
class FrameAssembler
{
public:
    // At 9600 baud 8N1 a whole frame takes 13.5 ms on the wire; a gap several times that is noise.
    static constexpr qint64 DefaultStaleGapMs = 80;

    explicit FrameAssembler(qint64 staleGapMs = DefaultStaleGapMs) : m_staleGapMs(staleGapMs) {}

    // Appends bytes received at nowMs and returns every complete frame, oldest first.
    QVector<Rdx::Frame> feed(const QByteArray& bytes, qint64 nowMs);
    void clear();

    int pendingBytes() const { return int(m_buffer.size()); }
    // Bytes thrown away as stale since construction.
    qint64 droppedBytes() const { return m_dropped; }

private:
    QByteArray m_buffer;
    qint64 m_lastByteMs = 0;
    qint64 m_staleGapMs;
    qint64 m_dropped = 0;
};

#endif
