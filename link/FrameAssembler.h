#ifndef RDX480_LINK_FRAMEASSEMBLER_H
#define RDX480_LINK_FRAMEASSEMBLER_H

#include "link/Frame.h"

#include <QByteArray>
#include <QVector>

// Cuts a byte stream into 13-byte replies. The RDX480 marks its replies with 0x91 at bytes 0 and 12: a
// 13-byte run with both markers is a reply, bytes in front of it are noise, and a run whose end marker is
// missing moves the search on by one byte, so a stray byte costs at most the reply it touched. Marked
// replies are never dropped for silence: how long bytes took to be handled says little about the wire on
// a busy machine. A device that has never sent a marked reply is cut every 13 bytes and brought back into
// step by silence only: a partial reply older than the stale gap is dropped (up to a marker that may start
// a marked reply) before new bytes are taken. Until then, 13 bytes with a marker among their last twelve
// wait for the bytes that may complete a marked run, or for silence, which hands them out as they are
// (feed empty bytes once the gap has passed).
class FrameAssembler
{
public:
    // At 9600 baud 8N1 a whole frame takes 13.5 ms on the wire; a gap several times that is noise.
    static constexpr qint64 DefaultStaleGapMs = 80;
    // Marked replies stop being expected after this many bytes in a row without one: the device on the
    // line may have changed to one that does not mark them.
    static constexpr int UnmarkedFallbackBytes = 4 * Rdx::FrameSize;

    explicit FrameAssembler(qint64 staleGapMs = DefaultStaleGapMs) : m_staleGapMs(staleGapMs) {}

    // Appends bytes received at nowMs and returns every complete frame, oldest first.
    QVector<Rdx::Frame> feed(const QByteArray& bytes, qint64 nowMs);
    // Forgets a partial reply (a new connection); what was learnt about markers goes too.
    void clear();
    // Forgets a partial reply only.
    void dropPartial();

    int pendingBytes() const { return int(m_buffer.size()); }
    // Bytes thrown away (stale, or not part of a marked reply) since construction.
    qint64 droppedBytes() const { return m_dropped; }
    // The stream has shown a marked reply: frames are found by their markers from now on.
    bool isMarked() const { return m_marked; }
    qint64 staleGapMs() const { return m_staleGapMs; }
    // How often the stream stopped being taken for a marked one.
    int fallbacks() const { return m_fallbacks; }

private:
    void drop(int count);

    QByteArray m_buffer;
    qint64 m_lastByteMs = 0;
    qint64 m_staleGapMs;
    qint64 m_dropped = 0;
    bool m_marked = false;
    int m_unmarkedRun = 0; // bytes dropped since the last marked reply
    int m_fallbacks = 0;
};

#endif
