#include "service/ClientFrameCutter.h"

#include <algorithm>

QVector<Rdx::Frame> ClientFrameCutter::feed(const QByteArray& bytes, qint64 nowMs)
{
    if (!m_buffer.isEmpty() && nowMs - m_lastByteMs > m_staleGapMs) {
        m_dropped += m_buffer.size();
        m_buffer.clear();
    }
    if (!bytes.isEmpty())
        m_lastByteMs = nowMs;
    m_buffer.append(bytes);

    QVector<Rdx::Frame> frames;
    for (;;) {
        int start = 0;
        while (start < m_buffer.size() && std::uint8_t(m_buffer.at(start)) != Rdx::FrameMarker)
            ++start;
        m_dropped += start;
        m_buffer.remove(0, start);
        if (m_buffer.size() < Rdx::FrameSize)
            break;
        if (std::uint8_t(m_buffer.at(Rdx::FrameSize - 1)) != Rdx::FrameMarker) {
            // Not a frame after all: look for the next marker behind this one.
            ++m_dropped;
            m_buffer.remove(0, 1);
            continue;
        }
        Rdx::Frame frame;
        std::copy_n(reinterpret_cast<const std::uint8_t*>(m_buffer.constData()), Rdx::FrameSize, frame.begin());
        frames.append(frame);
        m_buffer.remove(0, Rdx::FrameSize);
    }
    return frames;
}
