#include "sim/SimChannel.h"

#include <algorithm>

SimChannel::SimChannel(Writer writer, bool paced, QObject* parent)
    : QObject(parent), m_write(std::move(writer)), m_paced(paced), m_inputTimer(this), m_outputTimer(this),
      m_holdTimer(this)
{
    m_holdTimer.setSingleShot(true);
    connect(&m_holdTimer, &QTimer::timeout, this, [this] { send(takeHeld(), 0, 0, 1); });
    m_clock.start();
    for (QTimer* timer : {&m_inputTimer, &m_outputTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_inputTimer, &QTimer::timeout, this, &SimChannel::processInput);
    connect(&m_outputTimer, &QTimer::timeout, this, &SimChannel::flushOutput);
}

void SimChannel::receive(const QByteArray& bytes)
{
    const qint64 now = m_clock.nsecsElapsed();
    for (char byte : bytes) {
        qint64 arrival = now;
        if (m_paced) {
            // The panel's write lands in the line at once; a wire would still be shifting the bytes in.
            arrival = std::max(now, m_inputWireFree) + ByteTimeNs;
            m_inputWireFree = arrival;
        }
        m_input.append(byte);
        m_inputArrival.append(arrival);
    }
    processInput();
}

void SimChannel::processInput()
{
    const qint64 now = m_clock.nsecsElapsed();
    for (;;) {
        // Resynchronise on the frame marker: bytes in front of it cannot start a frame.
        int start = 0;
        while (start < m_input.size() && static_cast<std::uint8_t>(m_input.at(start)) != Rdx::FrameMarker)
            ++start;
        if (start > 0) {
            m_input.remove(0, start);
            m_inputArrival.remove(0, start);
        }
        if (m_input.size() < Rdx::FrameSize)
            return;
        const qint64 complete = m_inputArrival.at(Rdx::FrameSize - 1);
        if (complete > now) {
            schedule(m_inputTimer, complete);
            return;
        }
        if (static_cast<std::uint8_t>(m_input.at(Rdx::FrameSize - 1)) != Rdx::FrameMarker) {
            m_input.remove(0, 1);
            m_inputArrival.remove(0, 1);
            continue;
        }
        Rdx::Frame frame;
        std::copy_n(reinterpret_cast<const std::uint8_t*>(m_input.constData()), Rdx::FrameSize, frame.begin());
        m_input.remove(0, Rdx::FrameSize);
        m_inputArrival.remove(0, Rdx::FrameSize);
        if (m_onFrame)
            m_onFrame(this, frame);
    }
}

void SimChannel::send(const QByteArray& bytes, int delayMs, int chunkSize, int replies)
{
    if (bytes.isEmpty())
        return;
    const qint64 now = m_clock.nsecsElapsed();
    // Replies leave in the order they were made, so a delayed one holds back those behind it.
    qint64 at = std::max(now + qint64(std::max(delayMs, 0)) * 1000000, m_outputWireFree);
    const int step = chunkSize > 0 ? chunkSize : bytes.size();
    for (int offset = 0; offset < bytes.size(); offset += step) {
        if (offset > 0)
            at += ChunkGapNs;
        const QByteArray chunk = bytes.mid(offset, step);
        if (m_paced) {
            for (char byte : chunk) {
                at += ByteTimeNs;
                m_output.push_back(Piece{QByteArray(1, byte), at, 0});
            }
        } else {
            m_output.push_back(Piece{chunk, at, 0});
        }
    }
    m_output.back().replies = replies;
    m_outputWireFree = at;
    flushOutput();
}

void SimChannel::flushOutput()
{
    const qint64 now = m_clock.nsecsElapsed();
    QByteArray due;
    int replies = 0;
    while (!m_output.empty() && m_output.front().dueNs <= now) {
        due.append(m_output.front().bytes);
        replies += m_output.front().replies;
        m_output.pop_front();
    }
    if (!due.isEmpty()) {
        // Counted before the write, so a reader that has the bytes also sees them counted.
        if (replies > 0 && m_onWritten)
            m_onWritten(replies);
        m_write(due);
    }
    if (!m_output.empty())
        schedule(m_outputTimer, m_output.front().dueNs);
}

void SimChannel::hold(const QByteArray& bytes, int releaseAfterMs)
{
    m_held = bytes;
    if (releaseAfterMs > 0)
        m_holdTimer.start(releaseAfterMs);
}

QByteArray SimChannel::takeHeld()
{
    m_holdTimer.stop();
    QByteArray held;
    held.swap(m_held);
    return held;
}

void SimChannel::schedule(QTimer& timer, qint64 dueNs)
{
    const qint64 waitNs = dueNs - m_clock.nsecsElapsed();
    timer.start(static_cast<int>(std::max<qint64>(0, (waitNs + 999999) / 1000000)));
}
