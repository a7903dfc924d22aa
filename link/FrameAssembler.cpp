#include "link/FrameAssembler.h"

#include <algorithm>

namespace {

bool isMarkedAt(const QByteArray& buffer, int offset)
{
    return std::uint8_t(buffer.at(offset)) == Rdx::FrameMarker &&
           std::uint8_t(buffer.at(offset + Rdx::FrameSize - 1)) == Rdx::FrameMarker;
}

} // namespace

QVector<Rdx::Frame> FrameAssembler::feed(const QByteArray& bytes, qint64 nowMs)
{
    QVector<Rdx::Frame> frames;
    auto take = [&] {
        Rdx::Frame frame;
        std::copy_n(reinterpret_cast<const std::uint8_t*>(m_buffer.constData()), Rdx::FrameSize, frame.begin());
        frames.append(frame);
        m_buffer.remove(0, Rdx::FrameSize);
    };
    // Silence is measured when the bytes are handled, not when they crossed the wire: a busy machine can
    // make a whole reply look interrupted. Markers do not need it; a line without them has nothing else,
    // and keeps what may be the start of a first marked reply.
    if (!m_marked && !m_buffer.isEmpty() && nowMs - m_lastByteMs > m_staleGapMs) {
        // Whole frames were waiting only for a marked run that never came; the rest is a stale partial.
        while (m_buffer.size() >= Rdx::FrameSize)
            take();
        const int marker = m_buffer.indexOf(char(Rdx::FrameMarker));
        drop(marker < 0 ? m_buffer.size() : marker);
    }
    if (!bytes.isEmpty())
        m_lastByteMs = nowMs;
    m_buffer.append(bytes);

    while (m_buffer.size() >= Rdx::FrameSize) {
        const int lastStart = m_buffer.size() - Rdx::FrameSize;
        int start = 0;
        while (start <= lastStart && !isMarkedAt(m_buffer, start))
            ++start;
        if (start <= lastStart) {
            drop(start);
            m_marked = true;
            m_unmarkedRun = 0;
            take();
            continue;
        }
        if (!m_marked) {
            // A marker further in may begin a marked reply whose end is still on its way (a stray byte in
            // front of the first reply): wait for it, or for silence.
            bool mayBeMarked = false;
            for (int k = lastStart + 1; k < m_buffer.size() && !mayBeMarked; ++k)
                mayBeMarked = std::uint8_t(m_buffer.at(k)) == Rdx::FrameMarker && k < Rdx::FrameSize;
            if (mayBeMarked)
                break;
            take();
            continue;
        }
        // Only a marker among the last twelve bytes can still begin a reply whose end is on its way.
        int keep = lastStart + 1;
        while (keep < m_buffer.size() && std::uint8_t(m_buffer.at(keep)) != Rdx::FrameMarker)
            ++keep;
        drop(keep);
        m_unmarkedRun += keep;
        if (m_unmarkedRun >= UnmarkedFallbackBytes) {
            m_marked = false;
            ++m_fallbacks;
        }
        else
            break;
    }
    return frames;
}

void FrameAssembler::drop(int count)
{
    if (count <= 0)
        return;
    m_dropped += count;
    m_buffer.remove(0, count);
}

void FrameAssembler::clear()
{
    m_buffer.clear();
    m_marked = false;
    m_unmarkedRun = 0;
}

void FrameAssembler::dropPartial()
{
    m_buffer.clear();
}
