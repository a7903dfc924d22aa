// Frame layouts, records and reply decoding: everything of the link that needs no transport.
#include "link/CData.h"
#include "link/FrameAssembler.h"
#include "link/OutputSize.h"
#include "link/ReplyDecoder.h"

#include <QtTest>
#include <functional>

using CopyEdit = std::function<void(CData&)>;
Q_DECLARE_METATYPE(CopyEdit)

namespace {

Rdx::Frame reply(std::initializer_list<int> bytes4to11, int kind, int byte2 = 0x00)
{
    Rdx::Frame frame = Rdx::emptyFrame();
    frame[1] = 1;
    frame[2] = std::uint8_t(byte2);
    frame[3] = std::uint8_t(kind);
    int i = 4;
    for (int b : bytes4to11)
        frame[i++] = std::uint8_t(b);
    return frame;
}

QByteArray bytes(const Rdx::Frame& frame)
{
    return Rdx::toByteArray(frame);
}

std::array<int*, 20> scalars(CData& s)
{
    return {&s.outputFormat,     &s.mainInput,    &s.switchTime,   &s.pipInput,     &s.presetInput, &s.dviHotplug,
            &s.extInputMode,     &s.audio1Source, &s.audio2Source, &s.audio3Source, &s.fastLayout,  &s.pipModel,
            &s.takeMode,         &s.pipOn,        &s.showModel,    &s.brightness,   &s.contrast,    &s.color,
            &s.outputBrightness, &s.outputPort};
}

std::array<WindowRecord*, 6> records(CData& s)
{
    return {&s.subWindow, &s.mainWindow, &s.unitWindow, &s.ledTotal, &s.inputWindow, &s.outputWindow};
}

// A device copy with every field set to its own value, so a reply that writes a field not its own shows.
void fill(CData& s)
{
    int n = 0;
    for (int* field : scalars(s))
        *field = ++n;
    for (WindowRecord* record : records(s))
        record->bytes.fill(99);
}

QVector<int> fieldsOf(CData& s)
{
    QVector<int> fields;
    for (int* field : scalars(s))
        fields << *field;
    for (WindowRecord* record : records(s))
        fields += QVector<int>(record->bytes.begin(), record->bytes.end());
    return fields;
}

} // namespace

class TestReplyDecoding : public QObject
{
    Q_OBJECT

private slots:
    void statusByte11_data();
    void statusByte11();
    void replies_data();
    void replies();
    void fastValues_data();
    void fastValues();
    void readAddresses_data();
    void readAddresses();

    void splitWordsAndRecords();
    void outputSizes_data();
    void outputSizes();

    void assemblerCutsWholeFrames();
    void assemblerDropsStalePartialFrames();
};

void TestReplyDecoding::statusByte11_data()
{
    QTest::addColumn<int>("byte11");
    QTest::addColumn<QVector<int>>("fields"); // take mode, PIP on, display model, output port
    QTest::newRow("0xE6") << 0xE6 << QVector<int>{1, 1, 0, 7};
    QTest::newRow("0x16") << 0x16 << QVector<int>{1, 1, 2, 0};
    QTest::newRow("unused bit 0") << 0x01 << QVector<int>{0, 0, 0, 0};
    QTest::newRow("display model 3, port 2") << 0x58 << QVector<int>{0, 0, 3, 2};
}

void TestReplyDecoding::statusByte11()
{
    QFETCH(int, byte11);
    CData s;
    Rdx::FastValues fast{};
    Rdx::decodeReply(reply({0, 0, 0, 0, 0, 0, 0, byte11}, Rdx::StatusRead), s, fast);
    QTEST((QVector<int>{s.takeMode, s.pipOn, s.showModel, s.outputPort}), "fields");
}

void TestReplyDecoding::replies_data()
{
    QTest::addColumn<QByteArray>("bytes2to11");
    QTest::addColumn<int>("kind");  // as reported; -1 for an error reply
    QTest::addColumn<int>("error"); // the device's error code
    QTest::addColumn<CopyEdit>("change");

    auto window = [](WindowRecord CData::*record, std::array<int, 8> bytes) {
        return CopyEdit([=](CData& s) { (s.*record).bytes = bytes; });
    };
    QTest::newRow("status") << QByteArray::fromHex("00000006247537562300") << 0 << 0 << CopyEdit([](CData& s) {
        s.outputFormat = 6, s.mainInput = 4, s.switchTime = 2, s.pipInput = 5, s.presetInput = 7;
        s.audio1Source = 7, s.dviHotplug = 1, s.extInputMode = 1, s.audio2Source = 6, s.audio3Source = 5;
        s.fastLayout = 3, s.pipModel = 2, s.takeMode = 0, s.pipOn = 0, s.showModel = 0, s.outputPort = 0;
    });
    QTest::newRow("picture") << QByteArray::fromHex("0008323C462000000000") << 8 << 0 << CopyEdit([](CData& s) {
        s.brightness = 50, s.contrast = 60, s.color = 70, s.outputBrightness = 32;
    });
    // Both PIP windows answer a kind 6 read; bit 7 of byte 4 marks the main window and is not part of x.
    QTest::newRow("PIP main window") << QByteArray::fromHex("0006812C03E800140258") << 7 << 0
                                     << window(&CData::mainWindow, {0x01, 0x2C, 0x03, 0xE8, 0x00, 0x14, 0x02, 0x58});
    QTest::newRow("PIP sub window") << QByteArray::fromHex("00060500028002D00168") << 6 << 0
                                    << window(&CData::subWindow, {0x05, 0x00, 0x02, 0x80, 0x02, 0xD0, 0x01, 0x68});
    QTest::newRow("input window") << QByteArray::fromHex("00090020078000080438") << 9 << 0
                                  << window(&CData::inputWindow, {0, 32, 7, 128, 0, 8, 4, 56});
    QTest::newRow("output window") << QByteArray::fromHex("000A0028030000100200") << 10 << 0
                                   << window(&CData::outputWindow, {0, 40, 3, 0, 0, 16, 2, 0});
    QTest::newRow("LED total takes four bytes") << QByteArray::fromHex("000B0F000870AABBCCDD") << 11 << 0
                                                << window(&CData::ledTotal, {15, 0, 8, 112, 99, 99, 99, 99});
    QTest::newRow("unit window") << QByteArray::fromHex("000C0000078000000438") << 12 << 0
                                 << window(&CData::unitWindow, {0, 0, 7, 128, 0, 0, 4, 56});
    QTest::newRow("unknown kind, only reported")
        << QByteArray::fromHex("007F0102030405060708") << 127 << 0 << CopyEdit([](CData&) {});
    QTest::newRow("error 9") << QByteArray::fromHex("FF090000000000000000") << -1 << 9 << CopyEdit([](CData&) {});
    // 0xA1 is -95 as a signed byte: 100 + -95 would have read as "not connected".
    QTest::newRow("error 0xA1, unsigned")
        << QByteArray::fromHex("FFA10000000000000000") << -1 << 0xA1 << CopyEdit([](CData&) {});
}

void TestReplyDecoding::replies()
{
    QFETCH(QByteArray, bytes2to11);
    QFETCH(int, kind);
    QFETCH(int, error);
    QFETCH(CopyEdit, change);
    Rdx::Frame frame = reply({}, 0);
    std::copy(bytes2to11.begin(), bytes2to11.end(), frame.begin() + 2);
    CData state, expected;
    fill(state);
    fill(expected);
    change(expected);
    Rdx::FastValues fast{};

    const Rdx::DecodedReply decoded = Rdx::decodeReply(frame, state, fast);
    QCOMPARE(decoded.isError, kind < 0);
    if (kind < 0)
        QCOMPARE(decoded.errorCode, error);
    else
        QCOMPARE(decoded.kind, kind);
    QCOMPARE(fieldsOf(state), fieldsOf(expected));
}

void TestReplyDecoding::fastValues_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QVector<int>>("bytes");
    QTest::addColumn<QVector<int>>("expected");
    QTest::newRow("1X4 packs 12-bit values") << 4 << QVector<int>{0x07, 0x80, 0x12, 0x34, 0x56, 0x0F, 0xFF, 0xEE}
                                             << QVector<int>{1920, 0x134, 0x256, 0x0FF, 0xFEE};
    QTest::newRow("4X1 packs 12-bit values")
        << 5 << QVector<int>{0, 0, 0x4A, 0x00, 0x38, 0x00, 0x00, 0x00} << QVector<int>{0, 0x400, 0xA38, 0, 0};
    QTest::newRow("2X2 has four 16-bit values, the fifth stays")
        << 6 << QVector<int>{0x03, 0xC0, 0x03, 0xC0, 0x02, 0x1C, 0x02, 0x1C} << QVector<int>{960, 960, 540, 540, 99};
}

void TestReplyDecoding::fastValues()
{
    QFETCH(int, layout);
    QFETCH(QVector<int>, bytes);
    QFETCH(QVector<int>, expected);
    CData state;
    state.fastLayout = layout;
    Rdx::FastValues fast{0, 0, 0, 0, 99};
    Rdx::Frame frame = reply({}, Rdx::FastValuesRead);
    for (int i = 0; i < 8; ++i)
        frame[4 + i] = std::uint8_t(bytes[i]);
    Rdx::decodeReply(frame, state, fast);
    QCOMPARE(QVector<int>(fast.begin(), fast.end()), expected);
}

void TestReplyDecoding::readAddresses_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("byte3");
    QTest::addColumn<int>("byte4");
    QTest::addColumn<int>("key");
    // pipModel 2, showModel 1, outputPort 3
    QTest::newRow("status") << 0 << 0 << 0 << 0;
    QTest::newRow("sub window") << 6 << 6 << 4 << 6;
    QTest::newRow("main window") << 7 << 6 << 5 << 7;
    QTest::newRow("picture") << 8 << 8 << 0 << 8;
    QTest::newRow("input window") << 9 << 9 << 7 << 9;
    QTest::newRow("output window") << 10 << 10 << 7 << 10;
    QTest::newRow("LED total") << 11 << 11 << 4 << 11;
    QTest::newRow("unit window") << 12 << 12 << 7 << 12;
    QTest::newRow("fast values") << 13 << 13 << 4 << 13;
    QTest::newRow("other") << 3 << 3 << 3 << 3;
}

void TestReplyDecoding::readAddresses()
{
    QFETCH(int, kind);
    CData state;
    state.pipModel = 2;
    state.showModel = 1;
    state.outputPort = 3;
    const Rdx::ReadAddress address = Rdx::readAddress(kind, state);
    QTEST(address.kind, "byte3");
    QTEST(address.index, "byte4");
    QTEST(address.key, "key");
}

void TestReplyDecoding::splitWordsAndRecords()
{
    const int values[4] = {300, 1000, 20, 600};
    std::array<int, 9> params{1};
    splitWords(values, params.data(), 1, 4);
    QCOMPARE(params, (std::array<int, 9>{1, 1, 44, 3, 232, 0, 20, 2, 88}));

    std::array<int, 3> untouched{7, 7, 7};
    splitWords(values, untouched.data(), 0, 0);
    QCOMPARE(untouched, (std::array<int, 3>{7, 7, 7}));

    WindowRecord record;
    storeRecord(record, values);
    QCOMPARE(record.bytes, (std::array<int, 8>{1, 44, 3, 232, 0, 20, 2, 88}));
    QCOMPARE(loadRecord(record), (QVector<int>{300, 1000, 20, 600}));

    CData state;
    QCOMPARE(loadRecord(state.ledTotal).size(), 2);
    QCOMPARE(loadRecord(state.subWindow).size(), 4);
    const int led[2] = {3840, 2160};
    storeRecord(state.ledTotal, led);
    QCOMPARE(loadRecord(state.ledTotal), (QVector<int>{3840, 2160}));
    QCOMPARE(state.ledTotal.bytes[4], 0);

    const int raw[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    copyBytes(state.mainWindow, raw);
    QCOMPARE(state.mainWindow.bytes, (std::array<int, 8>{9, 8, 7, 6, 5, 4, 3, 2}));
}

void TestReplyDecoding::outputSizes_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("pip");
    QTest::addColumn<QSize>("mosaicInput");
    QTest::addColumn<QSize>("mosaicOutput");
    const QSize kept(11, 22);
    QTest::newRow("0") << 0 << QSize(1024, 768) << QSize(1024, 768) << QSize(1024, 768);
    QTest::newRow("1 is 1400 square") << 1 << QSize(1400, 1400) << QSize(1920, 1080) << QSize(1400, 1400);
    QTest::newRow("3") << 3 << QSize(1920, 1080) << QSize(1920, 1080) << QSize(1920, 1200);
    QTest::newRow("4 keeps") << 4 << kept << kept << kept;
    QTest::newRow("10") << 10 << QSize(1920, 1080) << QSize(1920, 1080) << QSize(3600, 600);
    QTest::newRow("11 is portrait") << 11 << QSize(1200, 1600) << QSize(1200, 1600) << QSize(1200, 1600);
    QTest::newRow("12") << 12 << QSize(1920, 1080) << QSize(1920, 1080) << QSize(1600, 1344);
    QTest::newRow("13 keeps") << 13 << kept << kept << kept;
    QTest::newRow("-1 keeps") << -1 << kept << kept << kept;
}

void TestReplyDecoding::outputSizes()
{
    QFETCH(int, format);
    QSize pip(11, 22), input(11, 22), output(11, 22);
    int h = pip.height(), w = pip.width();
    Rdx::pipOutputSize(format, h, w);
    pip = QSize(w, h);
    h = 22, w = 11;
    Rdx::mosaicInputSize(format, h, w);
    input = QSize(w, h);
    h = 22, w = 11;
    Rdx::mosaicOutputSize(format, h, w);
    output = QSize(w, h);
    QTEST(pip, "pip");
    QTEST(input, "mosaicInput");
    QTEST(output, "mosaicOutput");
}

void TestReplyDecoding::assemblerCutsWholeFrames()
{
    FrameAssembler assembler;
    const Rdx::Frame a = reply({1, 2, 3, 4, 5, 6, 7, 8}, 0);
    const Rdx::Frame b = reply({8, 7, 6, 5, 4, 3, 2, 1}, 9);

    // 5 + 5 + 3 bytes: one reply, after the third chunk.
    QVERIFY(assembler.feed(bytes(a).left(5), 0).isEmpty());
    QVERIFY(assembler.feed(bytes(a).mid(5, 5), 1).isEmpty());
    auto frames = assembler.feed(bytes(a).mid(10), 2);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first(), a);
    QCOMPARE(assembler.pendingBytes(), 0);

    // Two replies glued, with the start of a third.
    frames = assembler.feed(bytes(a) + bytes(b) + bytes(a).left(4), 3);
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0), a);
    QCOMPARE(frames.at(1), b);
    QCOMPARE(assembler.pendingBytes(), 4);
    frames = assembler.feed(bytes(a).mid(4), 4);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first(), a);

    QVERIFY(assembler.feed(QByteArray(), 5).isEmpty());
    assembler.feed(QByteArray("xyz"), 6);
    assembler.clear();
    QCOMPARE(assembler.pendingBytes(), 0);
}

void TestReplyDecoding::assemblerDropsStalePartialFrames()
{
    FrameAssembler assembler(80);
    const Rdx::Frame a = reply({1, 2, 3, 4, 5, 6, 7, 8}, 0);

    // A stray byte, then silence, then a whole reply: the stray byte must not shift the reply.
    QVERIFY(assembler.feed(QByteArray(1, '\x55'), 1000).isEmpty());
    auto frames = assembler.feed(bytes(a), 1200);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first(), a);
    QCOMPARE(assembler.droppedBytes(), 1);

    // Within the gap, bytes belong together.
    QVERIFY(assembler.feed(bytes(a).left(6), 2000).isEmpty());
    frames = assembler.feed(bytes(a).mid(6), 2080);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(assembler.droppedBytes(), 1);
}

QTEST_APPLESS_MAIN(TestReplyDecoding)
#include "tst_replydecoding.moc"
