#include "link/FrameAssembler.h"

#include <algorithm>

QVector<Rdx::Frame> FrameAssembler::feed(const QByteArray& bytes, qint64 nowMs)
{
    if (!m_buffer.isEmpty() && nowMs - m_lastByteMs > m_staleGapMs) {
        m_dropped += m_buffer.size();
        m_buffer.clear();
    }
    if (!bytes.isEmpty())
        m_lastByteMs = nowMs;
    m_buffer.append(bytes);

    QVector<Rdx::Frame> frames;
    int offset = 0;
    while (m_buffer.size() - offset >= Rdx::FrameSize) {
        Rdx::Frame frame;
        std::copy_n(reinterpret_cast<const std::uint8_t*>(m_buffer.constData()) + offset, Rdx::FrameSize,
                    frame.begin());
        frames.append(frame);
        offset += Rdx::FrameSize;
    }
    m_buffer.remove(0, offset);
    return frames;
}

void FrameAssembler::clear()
{
    m_buffer.clear();
}
