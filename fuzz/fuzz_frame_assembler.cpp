// Feeds arbitrary bytes in arbitrary chunks at rising timestamps into the frame assembler and checks, after
// every chunk, that each byte ever fed is accounted for exactly once: in a frame handed out, still pending,
// or dropped - that frames are the stream's bytes, cut in order, and that a line known to mark its replies
// hands out marked ones.

#include "fuzz/FuzzCheck.h"
#include "link/FrameAssembler.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const qint64 staleGapMs =
        input.ConsumeBool() ? FrameAssembler::DefaultStaleGapMs : input.ConsumeIntegralInRange<qint64>(0, 300);
    FrameAssembler assembler(staleGapMs);

    // What the assembler should hold: the bytes fed and not yet handed out or dropped.
    QByteArray expectedPending;
    qint64 now = input.ConsumeIntegralInRange<qint64>(0, 1000000);
    qint64 fed = 0;
    qint64 inFrames = 0;
    qint64 cleared = 0;

    while (input.remaining_bytes() > 0) {
        const std::uint8_t control = input.ConsumeIntegral<std::uint8_t>();
        if (control == 0xC1) {
            // The link forgets a partial reply when it opens or resets; those bytes are not "dropped".
            cleared += assembler.pendingBytes();
            expectedPending.clear();
            assembler.clear();
            FUZZ_CHECK(assembler.pendingBytes() == 0);
            continue;
        }
        // Mostly bytes arriving back to back, sometimes a pause around and beyond the stale gap.
        now += (control & 0x80) ? input.ConsumeIntegralInRange<qint64>(0, 400) : (control & 0x07);
        const std::size_t chunkSize = input.ConsumeIntegralInRange<std::size_t>(0, 40);
        const std::string chunk = input.ConsumeBytesAsString(chunkSize);
        const QByteArray bytes(chunk.data(), int(chunk.size()));

        const int pendingBefore = assembler.pendingBytes();
        const qint64 droppedBefore = assembler.droppedBytes();
        const bool markedBefore = assembler.isMarked();
        const int fallbacksBefore = assembler.fallbacks();
        FUZZ_CHECK(pendingBefore == expectedPending.size());

        const QVector<Rdx::Frame> frames = assembler.feed(bytes, now);
        fed += bytes.size();

        // What the assembler took from is what it held plus this chunk: frames in order, bytes dropped
        // around them, and what it still holds at the end.
        QByteArray window = expectedPending + bytes;
        const qint64 dropped = assembler.droppedBytes() - droppedBefore;
        FUZZ_CHECK(dropped + frames.size() * Rdx::FrameSize + assembler.pendingBytes() == window.size());
        int from = 0;
        for (const Rdx::Frame& frame : frames) {
            const int at = window.indexOf(Rdx::toByteArray(frame), from);
            FUZZ_CHECK(at >= from);
            from = at + Rdx::FrameSize;
            // A line that marks its replies hands out marked ones only, unless it stopped looking marked.
            if (markedBefore && assembler.fallbacks() == fallbacksBefore)
                FUZZ_CHECK(frame.front() == Rdx::FrameMarker && frame.back() == Rdx::FrameMarker);
        }
        FUZZ_CHECK(from <= window.size() - assembler.pendingBytes());
        expectedPending = window.right(assembler.pendingBytes());
        inFrames += qint64(frames.size()) * Rdx::FrameSize;

        // Until the first marked reply, a frame may wait for a marked run that would begin inside it.
        FUZZ_CHECK(assembler.pendingBytes() < (assembler.isMarked() ? Rdx::FrameSize : 2 * Rdx::FrameSize));
        FUZZ_CHECK(assembler.pendingBytes() == expectedPending.size());
        FUZZ_CHECK(fed == inFrames + assembler.pendingBytes() + assembler.droppedBytes() + cleared);
    }
    return 0;
}
