#include "sim/SimProtocol.h"

#include <QMap>
#include <QStringList>
#include <utility>

namespace {

constexpr int InputCodeMax = 7;

struct Size
{
    int width;
    int height;
};

// Output areas by format code; format 4 is not a format this device can output.
bool lookup(int outputFormat, const Size (&table)[13], Size& size)
{
    if (outputFormat < 0 || outputFormat > 12 || outputFormat == 4)
        return false;
    size = table[outputFormat];
    return true;
}

constexpr Size PipArea[13] = {{1024, 768},  {1400, 1400}, {1280, 1024}, {1920, 1080}, {0, 0},
                              {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080},
                              {1920, 1080}, {1200, 1600}, {1920, 1080}};
constexpr Size MosaicInput[13] = {{1024, 768},  {1920, 1080}, {1280, 1024}, {1920, 1080}, {0, 0},
                                  {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080},
                                  {1920, 1080}, {1200, 1600}, {1920, 1080}};
constexpr Size MosaicOutput[13] = {{1024, 768},  {1400, 1400}, {1280, 1024}, {1920, 1200}, {0, 0},
                                   {1920, 1080}, {1920, 1080}, {2560, 816},  {2880, 800},  {3072, 720},
                                   {3600, 600},  {1200, 1600}, {1600, 1344}};

constexpr int FastRows[7] = {3, 3, 4, 4, 5, 5, 4};

int word(const Rdx::Frame& frame, int at)
{
    return frame[at] * 256 + frame[at + 1];
}

void putWord(Rdx::Frame& frame, int at, int value)
{
    frame[at] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    frame[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

SimWindow windowAt(const Rdx::Frame& frame, int at)
{
    return SimWindow{word(frame, at), word(frame, at + 2), word(frame, at + 4), word(frame, at + 6)};
}

void putWindow(Rdx::Frame& frame, const SimWindow& window)
{
    putWord(frame, 4, window.x);
    putWord(frame, 6, window.w);
    putWord(frame, 8, window.y);
    putWord(frame, 10, window.h);
}

Rdx::Frame replyFrame(int deviceNumber, int kind)
{
    Rdx::Frame frame = Rdx::emptyFrame();
    frame[1] = static_cast<std::uint8_t>(deviceNumber & 0xFF);
    frame[2] = 0x00;
    frame[3] = static_cast<std::uint8_t>(kind & 0xFF);
    return frame;
}

// A manual mosaic window keeps its visible part inside the area: the panel shows x = X - 32, y = Y - 8 and
// lets x + w reach the width + 48 and y + h the height + 24.
bool manualWindowFits(const SimWindow& window, bool haveArea, Size area)
{
    if (window.w < 8 || window.h < 8 || window.x < 0 || window.y < 0)
        return false;
    if (!haveArea)
        return true;
    return window.x - 32 + window.w <= area.width + 48 && window.y - 8 + window.h <= area.height + 24;
}

// Fast Mosaic 1: the LED wall and each output's unit window follow from the layout and its sizes.
void applyFastMosaic(SimState& state)
{
    const int model = state.showModel & 3;
    const int layout = state.fastLayout;
    const int rows = SimProtocol::fastRowCount(layout);
    const auto& t = state.fastValues[static_cast<size_t>(model)];
    auto& led = state.ledTotals[static_cast<size_t>(model)];
    if (layout == 6) {
        led = {t[0] + t[1], t[2] + t[3]};
        for (int port = 0; port < 4; ++port) {
            const bool right = port % 2 == 1;
            const bool bottom = port >= 2;
            state.unitWindows[static_cast<size_t>(port + 4 * model)] =
                SimWindow{right ? t[0] : 0, right ? t[1] : t[0], bottom ? t[2] : 0, bottom ? t[3] : t[2]};
        }
        return;
    }
    const int outputs = rows - 1;
    int sum = 0;
    for (int i = 0; i < rows; ++i)
        sum += t[static_cast<size_t>(i)];
    const bool sideBySide = layout % 2 == 1;
    if (sideBySide)
        led = {sum - t[static_cast<size_t>(rows - 1)], t[static_cast<size_t>(rows - 1)]};
    else
        led = {t[0], sum - t[0]};
    for (int port = 0; port < 4; ++port) {
        const int r = port % outputs;
        int before = 0;
        for (int i = 0; i < r; ++i)
            before += sideBySide ? t[static_cast<size_t>(i)] : t[static_cast<size_t>(i + 1)];
        SimWindow unit = sideBySide ? SimWindow{before, t[static_cast<size_t>(r)], 0, t[static_cast<size_t>(rows - 1)]}
                                    : SimWindow{0, t[0], before, t[static_cast<size_t>(r + 1)]};
        state.unitWindows[static_cast<size_t>(port + 4 * model)] = unit;
    }
}

int readReply(const SimState& state, const Rdx::Frame& request, int deviceNumber, Rdx::Frame& reply)
{
    const int kind = request[3];
    const int index = request[4];
    reply = replyFrame(deviceNumber, kind);
    switch (kind) {
    case Rdx::StatusRead:
        reply = SimProtocol::statusReply(state, deviceNumber);
        return 0;
    case Rdx::PipSubWindowRead: {
        if (index > 7)
            return SimProtocol::OutOfRange;
        SimWindow window = state.pipWindows[static_cast<size_t>(index)];
        window.x &= 0x7FFF;
        putWindow(reply, window);
        if (index % 2 == 1)
            reply[4] |= 0x80;
        return 0;
    }
    case Rdx::PictureRead:
        reply[4] = static_cast<std::uint8_t>(state.brightness);
        reply[5] = static_cast<std::uint8_t>(state.contrast);
        reply[6] = static_cast<std::uint8_t>(state.color);
        reply[7] = static_cast<std::uint8_t>(state.outputBrightness);
        return 0;
    case Rdx::InputWindowRead:
    case Rdx::OutputWindowRead:
    case Rdx::UnitWindowRead: {
        if (index > 15)
            return SimProtocol::OutOfRange;
        const auto& windows = kind == Rdx::InputWindowRead    ? state.inputWindows
                              : kind == Rdx::OutputWindowRead ? state.outputWindows
                                                              : state.unitWindows;
        putWindow(reply, windows[static_cast<size_t>(index)]);
        return 0;
    }
    case Rdx::LedTotalRead: {
        if (index > 15)
            return SimProtocol::OutOfRange;
        const auto& led = state.ledTotals[static_cast<size_t>(index / 4)];
        putWord(reply, 4, led[0]);
        putWord(reply, 6, led[1]);
        return 0;
    }
    case Rdx::FastValuesRead: {
        if (index > 15)
            return SimProtocol::OutOfRange;
        const auto& v = state.fastValues[static_cast<size_t>(index / 4)];
        if (state.fastLayout == 4 || state.fastLayout == 5) {
            // One 16-bit value, then four 12-bit values sharing their high nibbles in pairs.
            putWord(reply, 4, v[0]);
            reply[6] = static_cast<std::uint8_t>(((v[1] >> 8) & 0x0F) << 4 | ((v[2] >> 8) & 0x0F));
            reply[7] = static_cast<std::uint8_t>(v[1] & 0xFF);
            reply[8] = static_cast<std::uint8_t>(v[2] & 0xFF);
            reply[9] = static_cast<std::uint8_t>(((v[3] >> 8) & 0x0F) << 4 | ((v[4] >> 8) & 0x0F));
            reply[10] = static_cast<std::uint8_t>(v[3] & 0xFF);
            reply[11] = static_cast<std::uint8_t>(v[4] & 0xFF);
        } else {
            for (int i = 0; i < 4; ++i)
                putWord(reply, 4 + 2 * i, v[static_cast<size_t>(i)]);
        }
        return 0;
    }
    default:
        return SimProtocol::ProtocolError;
    }
}

// Applies one set-command to a copy; returns 0 or the device error code. The caller keeps the copy only
// when it succeeded, so an erroneous command changes nothing.
int applyCommand(SimState& s, const Rdx::Frame& f)
{
    const int code = f[2];
    const int p = f[3];
    auto inRange = [](int value, int max) { return value <= max; };
    switch (code) {
    case Rdx::SwitchModeCommand:
        if (!inRange(p, 1))
            return SimProtocol::OutOfRange;
        s.takeMode = p;
        return 0;
    case Rdx::SwitchInputCommand:
        if (!inRange(p, InputCodeMax))
            return SimProtocol::OutOfRange;
        if (p == Rdx::ExtInput && s.extInputMode == 0)
            return SimProtocol::NoInputCard;
        // With preselection on, an input is only prepared; TAKE puts it on the output.
        if (s.takeMode && !s.pipOn)
            s.presetInput = p;
        else
            s.mainInput = p;
        return 0;
    case Rdx::TakeCommand:
        if (!s.takeMode || s.pipOn)
            return SimProtocol::WrongConfigurationMode;
        if (s.presetInput == Rdx::ExtInput && s.extInputMode == 0)
            return SimProtocol::NoInputCard;
        std::swap(s.mainInput, s.presetInput);
        return 0;
    case Rdx::SwitchTimeCommand:
        if (!inRange(p, 3))
            return SimProtocol::OutOfRange;
        s.switchTime = p;
        return 0;
    case Rdx::PipSwitchCommand:
        if (!inRange(p, 1))
            return SimProtocol::OutOfRange;
        s.pipOn = p;
        return 0;
    case Rdx::PipInputCommand:
        if (!inRange(p, InputCodeMax))
            return SimProtocol::OutOfRange;
        if (!s.pipOn)
            return SimProtocol::WrongConfigurationMode;
        if (p == Rdx::ExtInput && s.extInputMode == 0)
            return SimProtocol::NoInputCard;
        s.pipInput = p;
        return 0;
    case Rdx::PipModelCommand:
        if (!inRange(p, 3))
            return SimProtocol::OutOfRange;
        s.pipModel = p;
        return 0;
    case Rdx::BrightnessCommand:
    case Rdx::ContrastCommand:
    case Rdx::ColorCommand:
        if (!inRange(p, 100))
            return SimProtocol::OutOfRange;
        (code == Rdx::BrightnessCommand ? s.brightness : code == Rdx::ContrastCommand ? s.contrast : s.color) = p;
        return 0;
    case Rdx::OutputBrightnessCommand:
        if (!inRange(p, 32))
            return SimProtocol::OutOfRange;
        s.outputBrightness = p;
        return 0;
    case Rdx::PipWindowCommand: {
        if (!inRange(p, 1))
            return SimProtocol::OutOfRange;
        const SimWindow window = windowAt(f, 4);
        int width = 0;
        int height = 0;
        if (!SimProtocol::pipOutputArea(s.outputFormat, width, height))
            return SimProtocol::WrongConfigurationMode;
        if (window.w < 1 || window.h < 1 || window.x + window.w > width || window.y + window.h > height)
            return SimProtocol::OutOfRange;
        s.pipWindows[static_cast<size_t>((s.pipModel & 3) * 2 + p)] = window;
        return 0;
    }
    case Rdx::ShowModelCommand:
        if (!inRange(p, 3))
            return SimProtocol::OutOfRange;
        s.showModel = p;
        return 0;
    case Rdx::OutputPortCommand:
        if (!inRange(p, 3))
            return SimProtocol::OutOfRange;
        s.outputPort = p;
        return 0;
    case Rdx::InputWindowCommand:
    case Rdx::OutputWindowCommand: {
        if (p != 0)
            return SimProtocol::OutOfRange;
        const SimWindow window = windowAt(f, 4);
        Size area{0, 0};
        const bool haveArea =
            lookup(s.outputFormat, code == Rdx::InputWindowCommand ? MosaicInput : MosaicOutput, area);
        if (!manualWindowFits(window, haveArea, area))
            return SimProtocol::OutOfRange;
        auto& windows = code == Rdx::InputWindowCommand ? s.inputWindows : s.outputWindows;
        windows[static_cast<size_t>(s.windowIndex())] = window;
        return 0;
    }
    case Rdx::FastLayoutCommand:
        if (!inRange(p, 6))
            return SimProtocol::OutOfRange;
        s.fastLayout = p;
        return 0;
    case Rdx::FastValuesCommand: {
        auto& values = s.fastValues[static_cast<size_t>(s.showModel & 3)];
        const int rows = SimProtocol::fastRowCount(s.fastLayout);
        if (rows == 5) {
            // Three 16-bit values, then the high nibbles of the last two in one byte and their low bytes.
            values[0] = word(f, 3);
            values[1] = word(f, 5);
            values[2] = word(f, 7);
            values[3] = (f[9] >> 4) * 256 + f[10];
            values[4] = (f[9] & 0x0F) * 256 + f[11];
        } else {
            for (int i = 0; i < rows; ++i)
                values[static_cast<size_t>(i)] = word(f, 3 + 2 * i);
        }
        return 0;
    }
    case Rdx::LedTotalCommand: {
        const int width = word(f, 4);
        const int height = word(f, 6);
        if (p != 0 || width < 1 || height < 1)
            return SimProtocol::OutOfRange;
        s.ledTotals[static_cast<size_t>(s.showModel & 3)] = {width, height};
        return 0;
    }
    case Rdx::UnitWindowCommand: {
        const SimWindow unit = windowAt(f, 4);
        const auto& led = s.ledTotals[static_cast<size_t>(s.showModel & 3)];
        if (p != 0 || unit.w < 1 || unit.h < 1 || unit.w > led[0] || unit.h > led[1] || unit.x > led[0] ||
            unit.y > led[1])
            return SimProtocol::OutOfRange;
        s.unitWindows[static_cast<size_t>(s.windowIndex())] = unit;
        return 0;
    }
    case Rdx::AutoMosaicCommand:
        if (!inRange(p, 1))
            return SimProtocol::OutOfRange;
        // Fast Mosaic 2 has already sent its LED total and unit window; only Fast Mosaic 1 derives them.
        if (p == 0)
            applyFastMosaic(s);
        return 0;
    case Rdx::AutoCommand:
        if (p != 0)
            return SimProtocol::OutOfRange;
        return 0; // auto adjustment of the input picture: nothing the state carries changes
    case Rdx::ResetCommand:
        if (p != 0)
            return SimProtocol::OutOfRange;
        s.brightness = 50;
        s.contrast = 50;
        s.color = 50;
        s.outputBrightness = 32;
        return 0;
    case Rdx::ResolutionCommand:
        if (!inRange(p, 12) || p == 4)
            return SimProtocol::OutOfRange;
        s.outputFormat = p;
        return 0;
    case Rdx::AudioCommand:
        if (!inRange(f[3], InputCodeMax) || !inRange(f[4], InputCodeMax) || !inRange(f[5], InputCodeMax))
            return SimProtocol::OutOfRange;
        s.audio1Source = f[3];
        s.audio2Source = f[4];
        s.audio3Source = f[5];
        return 0;
    case Rdx::DviHotplugCommand:
        if (!inRange(p, 1))
            return SimProtocol::OutOfRange;
        s.dviHotplug = p;
        return 0;
    default:
        return SimProtocol::ProtocolError;
    }
}

QString windowText(const Rdx::Frame& frame, int at)
{
    const SimWindow w = windowAt(frame, at);
    return QStringLiteral("x=%1 w=%2 y=%3 h=%4").arg(w.x).arg(w.w).arg(w.y).arg(w.h);
}

} // namespace

Rdx::Frame SimProtocol::respond(SimState& state, const Rdx::Frame& request, int deviceNumber, bool plainAck)
{
    if (request[2] == Rdx::ReadRequestCode) {
        Rdx::Frame reply;
        const int error = readReply(state, request, deviceNumber, reply);
        return error ? errorReply(deviceNumber, error) : reply;
    }
    SimState changed = state;
    const int error = applyCommand(changed, request);
    if (error)
        return errorReply(deviceNumber, error);
    state = changed;
    return plainAck ? ackReply(deviceNumber) : statusReply(state, deviceNumber);
}

Rdx::Frame SimProtocol::statusReply(const SimState& s, int deviceNumber)
{
    Rdx::Frame frame = replyFrame(deviceNumber, Rdx::StatusRead);
    auto byte = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    frame[5] = byte(s.outputFormat);
    frame[6] = byte((s.mainInput & 0x0F) | (s.switchTime & 0x0F) << 4);
    frame[7] = byte((s.pipInput & 0x0F) | (s.presetInput & 0x0F) << 4);
    frame[8] = byte((s.audio1Source & 0x07) | (s.dviHotplug & 1) << 4 | (s.extInputMode & 0x07) << 5);
    frame[9] = byte((s.audio2Source & 0x0F) | (s.audio3Source & 0x0F) << 4);
    frame[10] = byte((s.fastLayout & 0x0F) | (s.pipModel & 0x0F) << 4);
    frame[11] = byte((s.takeMode & 1) << 1 | (s.pipOn & 1) << 2 | (s.showModel & 3) << 3 | (s.outputPort & 7) << 5);
    return frame;
}

Rdx::Frame SimProtocol::errorReply(int deviceNumber, int errorCode)
{
    Rdx::Frame frame = replyFrame(deviceNumber, errorCode);
    frame[2] = Rdx::ErrorReplyCode;
    return frame;
}

Rdx::Frame SimProtocol::ackReply(int deviceNumber)
{
    return replyFrame(deviceNumber, AckKind);
}

bool SimProtocol::pipOutputArea(int outputFormat, int& width, int& height)
{
    Size size{0, 0};
    if (!lookup(outputFormat, PipArea, size))
        return false;
    width = size.width;
    height = size.height;
    return true;
}

int SimProtocol::fastRowCount(int fastLayout)
{
    return fastLayout >= 0 && fastLayout <= 6 ? FastRows[fastLayout] : 4;
}

QString SimProtocol::inputName(int code)
{
    static const QStringList names = {QStringLiteral("EXT."),  QStringLiteral("DVI2"),  QStringLiteral("DVI1"),
                                      QStringLiteral("HDMI2"), QStringLiteral("HDMI1"), QStringLiteral("VGA"),
                                      QStringLiteral("V2"),    QStringLiteral("V1")};
    return code >= 0 && code < names.size() ? names.at(code) : QStringLiteral("input %1").arg(code);
}

QString SimProtocol::describeRequest(const Rdx::Frame& f)
{
    const int p = f[3];
    if (f[2] == Rdx::ReadRequestCode) {
        switch (p) {
        case Rdx::StatusRead:
            return QStringLiteral("read status");
        case Rdx::PipSubWindowRead:
            return QStringLiteral("read PIP %1 window of model %2")
                .arg(f[4] % 2 ? QLatin1String("main") : QLatin1String("sub"))
                .arg(f[4] / 2);
        case Rdx::PictureRead:
            return QStringLiteral("read picture");
        case Rdx::InputWindowRead:
            return QStringLiteral("read input window %1").arg(f[4]);
        case Rdx::OutputWindowRead:
            return QStringLiteral("read output window %1").arg(f[4]);
        case Rdx::LedTotalRead:
            return QStringLiteral("read LED total %1").arg(f[4]);
        case Rdx::UnitWindowRead:
            return QStringLiteral("read unit window %1").arg(f[4]);
        case Rdx::FastValuesRead:
            return QStringLiteral("read fast values %1").arg(f[4]);
        default:
            return QStringLiteral("read unknown kind %1").arg(p);
        }
    }
    switch (f[2]) {
    case Rdx::SwitchModeCommand:
        return p ? QStringLiteral("switch mode preselect + TAKE") : QStringLiteral("switch mode one key");
    case Rdx::SwitchInputCommand:
        return QStringLiteral("switch input %1").arg(inputName(p));
    case Rdx::TakeCommand:
        return QStringLiteral("TAKE");
    case Rdx::SwitchTimeCommand:
        return QStringLiteral("switch time %1").arg(p);
    case Rdx::PipSwitchCommand:
        return p ? QStringLiteral("PIP on") : QStringLiteral("PIP off");
    case Rdx::PipInputCommand:
        return QStringLiteral("PIP input %1").arg(inputName(p));
    case Rdx::PipModelCommand:
        return QStringLiteral("PIP model %1").arg(p);
    case Rdx::BrightnessCommand:
        return QStringLiteral("brightness %1").arg(p);
    case Rdx::ContrastCommand:
        return QStringLiteral("contrast %1").arg(p);
    case Rdx::ColorCommand:
        return QStringLiteral("color %1").arg(p);
    case Rdx::OutputBrightnessCommand:
        return QStringLiteral("output brightness %1").arg(p);
    case Rdx::PipWindowCommand:
        return QStringLiteral("PIP %1 window %2")
            .arg(p ? QLatin1String("main") : QLatin1String("sub"), windowText(f, 4));
    case Rdx::ShowModelCommand:
        return QStringLiteral("display model %1").arg(p);
    case Rdx::OutputPortCommand:
        return QStringLiteral("output port %1").arg(p);
    case Rdx::InputWindowCommand:
        return QStringLiteral("input window %1").arg(windowText(f, 4));
    case Rdx::OutputWindowCommand:
        return QStringLiteral("output window %1").arg(windowText(f, 4));
    case Rdx::FastLayoutCommand:
        return QStringLiteral("fast layout %1").arg(p);
    case Rdx::FastValuesCommand:
        return QStringLiteral("fast values");
    case Rdx::LedTotalCommand:
        return QStringLiteral("LED total W=%1 H=%2").arg(word(f, 4)).arg(word(f, 6));
    case Rdx::UnitWindowCommand:
        return QStringLiteral("unit window %1").arg(windowText(f, 4));
    case Rdx::AutoMosaicCommand:
        return QStringLiteral("fast mosaic %1 apply").arg(p + 1);
    case Rdx::AutoCommand:
        return QStringLiteral("AUTO");
    case Rdx::ResetCommand:
        return QStringLiteral("reset");
    case Rdx::ResolutionCommand:
        return QStringLiteral("output format %1").arg(p);
    case Rdx::AudioCommand:
        return QStringLiteral("audio %1 %2 %3").arg(inputName(f[3]), inputName(f[4]), inputName(f[5]));
    case Rdx::DviHotplugCommand:
        return p ? QStringLiteral("DVI hotplug open") : QStringLiteral("DVI hotplug closed");
    default:
        return QStringLiteral("unknown command %1").arg(f[2]);
    }
}

QString SimProtocol::describeReply(const Rdx::Frame& f)
{
    if (f[2] == Rdx::ErrorReplyCode) {
        static const QMap<int, QString> names = {{ProtocolError, QStringLiteral("protocol error")},
                                                 {NoInputCard, QStringLiteral("no input card")},
                                                 {OutOfRange, QStringLiteral("out of range")},
                                                 {WrongConfigurationMode, QStringLiteral("wrong configuration mode")}};
        return QStringLiteral("error %1 %2").arg(f[3]).arg(names.value(f[3]));
    }
    switch (f[3]) {
    case Rdx::StatusRead:
        return QStringLiteral("status format=%1 main=%2 time=%3 pip=%4 pipInput=%5 preset=%6 take=%7 pipModel=%8 "
                              "model=%9 port=%10 layout=%11 ext=%12 dvi=%13 audio=%14,%15,%16")
            .arg(f[5])
            .arg(inputName(f[6] & 0x0F))
            .arg(f[6] >> 4)
            .arg((f[11] >> 2) & 1 ? QLatin1String("on") : QLatin1String("off"))
            .arg(inputName(f[7] & 0x0F), inputName(f[7] >> 4))
            .arg((f[11] >> 1) & 1)
            .arg(f[10] >> 4)
            .arg((f[11] >> 3) & 3)
            .arg(f[11] >> 5)
            .arg(f[10] & 0x0F)
            .arg(f[8] >> 5)
            .arg((f[8] >> 4) & 1)
            .arg(f[8] & 7)
            .arg(f[9] & 0x0F)
            .arg(f[9] >> 4);
    case Rdx::PipSubWindowRead: {
        Rdx::Frame plain = f;
        plain[4] &= 0x7F;
        return QStringLiteral("PIP %1 window %2")
            .arg(f[4] & 0x80 ? QLatin1String("main") : QLatin1String("sub"), windowText(plain, 4));
    }
    case Rdx::PictureRead:
        return QStringLiteral("picture brightness=%1 contrast=%2 color=%3 output=%4")
            .arg(f[4])
            .arg(f[5])
            .arg(f[6])
            .arg(f[7]);
    case Rdx::InputWindowRead:
        return QStringLiteral("input window %1").arg(windowText(f, 4));
    case Rdx::OutputWindowRead:
        return QStringLiteral("output window %1").arg(windowText(f, 4));
    case Rdx::LedTotalRead:
        return QStringLiteral("LED total W=%1 H=%2").arg(word(f, 4)).arg(word(f, 6));
    case Rdx::UnitWindowRead:
        return QStringLiteral("unit window %1").arg(windowText(f, 4));
    case Rdx::FastValuesRead:
        return QStringLiteral("fast values");
    case AckKind:
        return QStringLiteral("acknowledged");
    default:
        return QStringLiteral("reply kind %1").arg(f[3]);
    }
}
