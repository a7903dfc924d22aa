// The wire layout the device relies on: reply decoding, records, read addresses and the frame assembler.
#include "link/CData.h"
#include "link/FrameAssembler.h"
#include "link/ReplyDecoder.h"

#include <QtTest>
#include <functional>

using CopyEdit = std::function<void(CData&)>;
Q_DECLARE_METATYPE(CopyEdit)

namespace {

// A reply from device 1 with bytes 2..11 given in hex.
Rdx::Frame reply(const QByteArray& hex)
{
    Rdx::Frame frame = Rdx::emptyFrame();
    frame[1] = 1;
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::copy(bytes.begin(), bytes.end(), frame.begin() + 2);
    return frame;
}

// Every field of the device copy; `fill` first sets each value its own, so a reply that writes a field not its own
// shows.
QVector<int> fields(CData& s, bool fill = false)
{
    int* scalars[] = {&s.outputFormat, &s.mainInput,    &s.switchTime,       &s.pipInput,
                      &s.presetInput,  &s.dviHotplug,   &s.extInputMode,     &s.audio1Source,
                      &s.audio2Source, &s.audio3Source, &s.fastLayout,       &s.pipModel,
                      &s.takeMode,     &s.pipOn,        &s.showModel,        &s.brightness,
                      &s.contrast,     &s.color,        &s.outputBrightness, &s.outputPort};
    QVector<int> out;
    for (int* field : scalars)
        out << (fill ? (*field = out.size() + 1) : *field);
    for (WindowRecord* record :
         {&s.subWindow, &s.mainWindow, &s.unitWindow, &s.ledTotal, &s.inputWindow, &s.outputWindow})
        out += QVector<int>(record->bytes.begin(), record->bytes.end());
    return out;
}

} // namespace

class TestReplyDecoding : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<QByteArray>("hex"); // bytes 2..11
        QTest::addColumn<int>("kind");       // as reported; for an error reply, minus the device's error code
        QTest::addColumn<CopyEdit>("change");
        // A window reply: what bytes 4..11 carry and what the record keeps of them.
        auto window = [](const char* name, const char* byte3, int kind, WindowRecord CData::*record, const char* sent,
                         const char* kept) {
            QTest::newRow(name) << QByteArray("00") + byte3 + sent << kind << CopyEdit([=](CData& s) {
                const QByteArray bytes = QByteArray::fromHex(kept);
                std::transform(bytes.begin(), bytes.end(), (s.*record).bytes.begin(), [](char b) { return uchar(b); });
            });
        };
        // Byte 11 holds take mode, PIP on, display model and output port; its bit 0 is unused.
        auto status = [&](const char* name, const char* byte11, std::array<int, 4> bits) {
            QTest::newRow(name) << QByteArray("000000062475375623") + byte11 << 0 << CopyEdit([=](CData& s) {
                s.outputFormat = 6, s.mainInput = 4, s.switchTime = 2, s.pipInput = 5, s.presetInput = 7;
                s.audio1Source = 7, s.dviHotplug = 1, s.extInputMode = 1, s.audio2Source = 6, s.audio3Source = 5;
                s.fastLayout = 3, s.pipModel = 2;
                s.takeMode = bits[0], s.pipOn = bits[1], s.showModel = bits[2], s.outputPort = bits[3];
            });
        };
        status("status, byte 11 0xE6", "E6", {1, 1, 0, 7});
        status("status, byte 11 0x12", "12", {1, 0, 2, 0});
        status("status, byte 11 0x59, unused bit 0 set", "59", {0, 0, 3, 2});
        // Past its range a field would make the panel ask for PIP window 5 or layout 7: each keeps its value.
        QTest::newRow("status, fields out of range") << QByteArray("0000000D4988179A57E6") << 0 << CopyEdit([](CData& s) {
            s.dviHotplug = 1, s.extInputMode = 0, s.audio1Source = 7;
            s.takeMode = 1, s.pipOn = 1, s.showModel = 0, s.outputPort = 7;
        });
        QTest::newRow("picture") << QByteArray("0008323C462000000000") << 8 << CopyEdit([](CData& s) {
            s.brightness = 50, s.contrast = 60, s.color = 70, s.outputBrightness = 32;
        });
        // Both PIP windows answer a kind 6 read; bit 7 of byte 4 marks the main window and is not part of x.
        window("PIP main window", "06", 7, &CData::mainWindow, "812C03E800140258", "012C03E800140258");
        window("PIP sub window", "06", 6, &CData::subWindow, "0500028002D00168", "0500028002D00168");
        window("input window", "09", 9, &CData::inputWindow, "0020078000080438", "0020078000080438");
        window("output window", "0A", 10, &CData::outputWindow, "0028030000100200", "0028030000100200");
        window("LED total takes four bytes", "0B", 11, &CData::ledTotal, "0F000870AABBCCDD", "0F00087000000000");
        window("unit window", "0C", 12, &CData::unitWindow, "0000078000000438", "0000078000000438");
        QTest::newRow("unknown kind, only reported") << QByteArray("007F0102030405060708") << 127 << CopyEdit();
        // 0xA1 is -95 as a signed byte: 100 + -95 would have read as "not connected".
        QTest::newRow("error 0xA1, unsigned") << QByteArray("FFA10000000000000000") << -0xA1 << CopyEdit();
    }

    void replies()
    {
        QFETCH(QByteArray, hex);
        QFETCH(int, kind);
        QFETCH(CopyEdit, change);
        CData state, expected;
        fields(state, true);
        fields(expected, true);
        if (change)
            change(expected);
        Rdx::FastValues fast{};
        const Rdx::DecodedReply decoded = Rdx::decodeReply(reply(hex), state, fast);
        QCOMPARE(decoded.isError ? -decoded.errorCode : decoded.kind, kind);
        QCOMPARE(fields(state), fields(expected));
    }

    void fastValues_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QByteArray>("hex"); // bytes 4..11
        QTest::addColumn<QVector<int>>("expected");
        // 1X4 and 4X1: one 16-bit value, then four 12-bit values whose high nibbles share bytes 6 and 9.
        QTest::newRow("1X4") << 4 << QByteArray("07801234560FFFEE") << QVector<int>{1920, 0x134, 0x256, 0x0FF, 0xFEE};
        QTest::newRow("4X1") << 5 << QByteArray("00004A0038000000") << QVector<int>{0, 0x400, 0xA38, 0, 0};
        QTest::newRow("2X2, fifth kept") << 6 << QByteArray("03C003C0021C021C") << QVector<int>{960, 960, 540, 540, 99};
    }

    void fastValues()
    {
        QFETCH(int, layout);
        QFETCH(QByteArray, hex);
        CData state;
        state.fastLayout = layout;
        Rdx::FastValues fast{0, 0, 0, 0, 99};
        Rdx::decodeReply(reply("000D" + hex), state, fast);
        QTEST(QVector<int>(fast.begin(), fast.end()), "expected");
    }

    // Byte 3, byte 4 and the key a reply is filed under, for PIP model 2, display model 1 and output port 7, which
    // names Out4: the port keeps to its model's slots.
    void readAddresses()
    {
        CData state;
        state.pipModel = 2, state.showModel = 1, state.outputPort = 7;
        const int rows[][4] = {{0, 0, 0, 0},    {6, 6, 4, 6},    {7, 6, 5, 7},    {8, 8, 0, 8},    {9, 9, 7, 9},
                               {10, 10, 7, 10}, {11, 11, 4, 11}, {12, 12, 7, 12}, {13, 13, 4, 13}, {3, 3, 3, 3}};
        for (const auto& r : rows) {
            const Rdx::ReadAddress a = Rdx::readAddress(r[0], state);
            QCOMPARE((QVector<int>{r[0], a.kind, a.index, a.key}), (QVector<int>{r[0], r[1], r[2], r[3]}));
        }
    }

    // Words go high byte first into records; the LED total record holds two words.
    void records()
    {
        const int values[4] = {300, 1000, 20, 600};
        CData state;
        storeRecord(state.subWindow, values);
        QCOMPARE(state.subWindow.bytes, (std::array<int, 8>{1, 44, 3, 232, 0, 20, 2, 88}));
        QCOMPARE(loadRecord(state.subWindow), (QVector<int>{300, 1000, 20, 600}));
        storeRecord(state.ledTotal, values);
        QCOMPARE(loadRecord(state.ledTotal), (QVector<int>{300, 1000}));
    }

    // Frames cut from the byte stream by their markers: split, glued, behind noise, with a damaged reply
    // skipped; a stream that never showed a marked reply is cut every 13 bytes and resynchronised by silence
    // (longer than 80 ms here).
    void assembler_data()
    {
        QTest::addColumn<QVector<QByteArray>>("chunks");
        QTest::addColumn<QVector<int>>("times"); // ms, one per chunk
        QTest::addColumn<QByteArray>("frames");  // all of them, in order
        QTest::addColumn<int>("dropped");
        const QByteArray a = Rdx::toByteArray(reply("000001020304050607")), b = Rdx::toByteArray(reply("00090807"));
        QByteArray u = a, v = a; // without markers; v has a marker byte in its data
        u[0] = u[12] = v[0] = v[12] = 0;
        v[5] = char(0x91);
        QByteArray noEnd = a;
        noEnd[12] = 0;
        const QByteArray x("\x55", 1);
        using Chunks = QVector<QByteArray>;
        using Times = QVector<int>;
        QTest::newRow("stray bytes between") << Chunks{a + x + x + b} << Times{0} << a + b << 2;
        QTest::newRow("stray byte inside") << Chunks{a.left(5) + x + a.mid(5) + b} << Times{0} << b << 14;
        QTest::newRow("lost end marker") << Chunks{noEnd + b + a} << Times{0} << b + a << 13;
        QTest::newRow("stale stray byte") << Chunks{x, a} << Times{1000, 1200} << a << 1;
        QTest::newRow("unmarked, within the gap") << Chunks{u.left(6), u.mid(6)} << Times{2000, 2080} << u << 0;
        QTest::newRow("marked, a pause inside a reply") << Chunks{b, a.left(6), a.mid(6)} << Times{0, 10, 900} << b + a << 0;
        QTest::newRow("unmarked, glued") << Chunks{u + u} << Times{0} << u + u << 0;
        QTest::newRow("unmarked, stray byte and silence") << Chunks{x, u} << Times{0, 100} << u << 1;
        QTest::newRow("unmarked, marker in the data, silence") << Chunks{v, QByteArray()} << Times{0, 100} << v << 0;
        for (int at = 1; at < Rdx::FrameSize; ++at) // glued, both split at one offset, behind a stray byte
            QTest::addRow("split at %d", at) << Chunks{x + a.left(at), a.mid(at) + b.left(at), b.mid(at)}
                                             << Times{0, 1, 2} << a + b << 1;
    }

    void assembler()
    {
        QFETCH(QVector<QByteArray>, chunks);
        QFETCH(QVector<int>, times);
        FrameAssembler assembler(80);
        QByteArray frames;
        for (int i = 0; i < chunks.size(); ++i)
            for (const Rdx::Frame& frame : assembler.feed(chunks[i], times[i]))
                frames += Rdx::toByteArray(frame);
        QTEST(frames, "frames");
        QTEST(int(assembler.droppedBytes()), "dropped");
        QCOMPARE(assembler.pendingBytes(), 0);
    }
};

QTEST_APPLESS_MAIN(TestReplyDecoding)
#include "tst_replydecoding.moc"
