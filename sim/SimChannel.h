#ifndef RDX480_SIM_SIMCHANNEL_H
#define RDX480_SIM_SIMCHANNEL_H

#include "link/Frame.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>
#include <deque>
#include <functional>

// One byte stream to the panel (a TCP client or the serial line): cuts incoming bytes into frames and
// writes replies out on schedule. When paced, both directions run at the speed of a 9600 8N1 wire.
class SimChannel : public QObject
{
    Q_OBJECT
public:
    using Writer = std::function<bool(const QByteArray&)>;
    using FrameHandler = std::function<void(SimChannel*, const Rdx::Frame&)>;

    static constexpr qint64 ByteTimeNs = 1041667; // 10 bits at 9600 baud
    static constexpr qint64 ChunkGapNs = 4000000; // between the pieces of a split reply

    SimChannel(Writer writer, bool paced, QObject* parent = nullptr);

    void setFrameHandler(FrameHandler handler) { m_onFrame = std::move(handler); }
    void setWrittenHandler(std::function<void(int)> handler) { m_onWritten = std::move(handler); }

    void receive(const QByteArray& bytes);
    // Queues bytes that complete `replies` replies, after delayMs and in pieces of chunkSize (0: whole).
    void send(const QByteArray& bytes, int delayMs, int chunkSize, int replies);

    // A reply held back to go out together with the next one.
    QByteArray takeHeld();
    // Holds a reply until the next one, or at most releaseAfterMs (0: no limit), when it leaves alone.
    void hold(const QByteArray& bytes, int releaseAfterMs);
    bool holding() const { return !m_held.isEmpty(); }

private:
    struct Piece
    {
        QByteArray bytes;
        qint64 dueNs;
        int replies;
    };

    void processInput();
    void flushOutput();
    void schedule(QTimer& timer, qint64 dueNs);

    Writer m_write;
    FrameHandler m_onFrame;
    std::function<void(int)> m_onWritten;
    bool m_paced;
    QElapsedTimer m_clock;
    QByteArray m_input;
    QVector<qint64> m_inputArrival; // when each buffered byte has fully arrived on the wire
    qint64 m_inputWireFree = 0;
    std::deque<Piece> m_output;
    qint64 m_outputWireFree = 0;
    QByteArray m_held;
    QTimer m_inputTimer;
    QTimer m_outputTimer;
    QTimer m_holdTimer;
};

#endif
