#include "link/ReplyDecoder.h"

#include "link/CData.h"

namespace Rdx {
namespace {

void copyWindow(WindowRecord& record, const Frame& reply, int byteCount)
{
    for (int i = 0; i < byteCount; ++i)
        record.bytes[i] = reply[4 + i];
}

constexpr int HighestOutputFormat = 12;
constexpr int HighestSwitchTime = 3;
constexpr int HighestFastLayout = 6;
constexpr int HighestPipModel = 3;

// A value past its range is what a damaged reply looks like; taken, it would make the panel ask for a
// PIP window or a layout the device does not have.
void setInRange(int& field, int value, int highest, StatusField which, unsigned& refused)
{
    if (value <= highest)
        field = value;
    else
        refused |= 1u << which;
}

unsigned decodeStatus(const Frame& r, CData& s)
{
    unsigned refused = 0;
    setInRange(s.outputFormat, r[5], HighestOutputFormat, OutputFormatField, refused);
    setInRange(s.mainInput, r[6] & 0x0F, InputCount - 1, MainInputField, refused);
    setInRange(s.switchTime, r[6] >> 4, HighestSwitchTime, SwitchTimeField, refused);
    setInRange(s.pipInput, r[7] & 0x0F, InputCount - 1, PipInputField, refused);
    setInRange(s.presetInput, r[7] >> 4, InputCount - 1, PresetInputField, refused);
    s.dviHotplug = (r[8] >> 4) & 1;
    s.extInputMode = r[8] >> 5;
    s.audio1Source = r[8] & 7;
    setInRange(s.audio2Source, r[9] & 0x0F, InputCount - 1, Audio2SourceField, refused);
    setInRange(s.audio3Source, r[9] >> 4, InputCount - 1, Audio3SourceField, refused);
    setInRange(s.fastLayout, r[10] & 0x0F, HighestFastLayout, FastLayoutField, refused);
    setInRange(s.pipModel, r[10] >> 4, HighestPipModel, PipModelField, refused);
    s.takeMode = (r[11] >> 1) & 1;
    s.pipOn = (r[11] >> 2) & 1;
    s.showModel = (r[11] >> 3) & 3;
    // Three bits on the wire for Out1..Out4: 4..7 are kept, and the pages mask them.
    s.outputPort = r[11] >> 5;
    return refused;
}

// Layouts 1X4 and 4X1 carry five values: one 16-bit and four 12-bit, two of them sharing a byte of
// high nibbles; the others carry four 16-bit values.
void decodeFastValues(const Frame& r, const CData& s, FastValues& values)
{
    if (s.fastLayout == 4 || s.fastLayout == 5) {
        values[0] = r[4] * 256 + r[5];
        values[1] = (r[6] & 0xF0) * 16 + r[7];
        values[2] = (r[6] & 0x0F) * 256 + r[8];
        values[3] = (r[9] & 0xF0) * 16 + r[10];
        values[4] = (r[9] & 0x0F) * 256 + r[11];
    } else {
        values[0] = r[4] * 256 + r[5];
        values[1] = r[6] * 256 + r[7];
        values[2] = r[8] * 256 + r[9];
        values[3] = r[10] * 256 + r[11];
    }
}

} // namespace

DecodedReply decodeReply(const Frame& reply, CData& state, FastValues& fastValues)
{
    DecodedReply result;
    if (reply[2] == ErrorReplyCode) {
        result.isError = true;
        result.errorCode = reply[3];
        return result;
    }
    result.kind = static_cast<std::int8_t>(reply[3]);
    switch (result.kind) {
    case StatusRead:
        result.refusedFields = decodeStatus(reply, state);
        break;
    case PipSubWindowRead: {
        const bool isMain = reply[4] & 0x80;
        WindowRecord& record = isMain ? state.mainWindow : state.subWindow;
        copyWindow(record, reply, 8);
        record.bytes[0] = reply[4] & 0x7F;
        if (isMain)
            result.kind = PipMainWindowRead;
        break;
    }
    case PictureRead:
        state.brightness = reply[4];
        state.contrast = reply[5];
        state.color = reply[6];
        state.outputBrightness = reply[7];
        break;
    case InputWindowRead:
        copyWindow(state.inputWindow, reply, 8);
        break;
    case OutputWindowRead:
        copyWindow(state.outputWindow, reply, 8);
        break;
    case LedTotalRead:
        copyWindow(state.ledTotal, reply, 4);
        break;
    case UnitWindowRead:
        copyWindow(state.unitWindow, reply, 8);
        break;
    case FastValuesRead:
        decodeFastValues(reply, state, fastValues);
        break;
    default:
        break;
    }
    return result;
}

const char* statusFieldName(StatusField field)
{
    static constexpr const char* names[StatusFieldCount] = {
        "outputFormat", "mainInput", "switchTime", "pipInput", "presetInput",
        "audio2Source", "audio3Source", "fastLayout", "pipModel"};
    return field < StatusFieldCount ? names[field] : "?";
}

ReadAddress readAddress(int kind, const CData& state)
{
    // The port is a 3-bit field on the wire but names Out1..Out4: a stray value must not read another
    // model's slot.
    const int windowIndex = (state.outputPort & 3) + (state.showModel & 3) * 4;
    switch (kind) {
    case StatusRead:
        return {kind, 0, kind};
    case PipSubWindowRead:
        return {PipSubWindowRead, state.pipModel * 2, PipSubWindowRead};
    case PipMainWindowRead:
        return {PipSubWindowRead, state.pipModel * 2 + 1, PipMainWindowRead};
    case PictureRead:
        return {kind, 0, kind};
    case InputWindowRead:
    case OutputWindowRead:
    case UnitWindowRead:
        return {kind, windowIndex, kind};
    case LedTotalRead:
    case FastValuesRead:
        return {kind, (state.showModel & 3) * 4, kind};
    default:
        return {kind, kind, kind};
    }
}

} // namespace Rdx
