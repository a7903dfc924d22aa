#ifndef RDX480_LINK_FRAME_H
#define RDX480_LINK_FRAME_H

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

// The RDX480 speaks in fixed 13-byte frames, in both directions: no length field, no checksum.
namespace Rdx {

constexpr int FrameSize = 13;
constexpr std::uint8_t FrameMarker = 0x91;    // first and last byte of every outgoing frame
constexpr std::uint8_t ReadRequestCode = 0xFE; // byte 2 of a read request
constexpr std::uint8_t ErrorReplyCode = 0xFF;  // byte 2 of an error reply
constexpr int ParameterCount = 9;              // bytes 3..11 of a set-command

using Frame = std::array<std::uint8_t, FrameSize>;

// The numbers that requestRead takes and send_receive_end reports.
enum ReadKind : int {
    StatusRead = 0,
    PipSubWindowRead = 6,
    PipMainWindowRead = 7,
    PictureRead = 8,
    InputWindowRead = 9,
    OutputWindowRead = 10,
    LedTotalRead = 11,
    UnitWindowRead = 12,
    FastValuesRead = 13,
};

// Set-command codes, byte 2 of a set-command frame.
enum CommandCode : int {
    SwitchModeCommand = 0,      // 1 = preselect + TAKE
    SwitchInputCommand = 1,     // input code, PIP off
    TakeCommand = 2,            // 0
    SwitchTimeCommand = 3,      // switch time index 0..3
    PipSwitchCommand = 4,       // 1 = PIP on
    PipInputCommand = 5,        // input code, PIP on
    PipModelCommand = 6,        // PIP model 0..3
    BrightnessCommand = 8,      // 0..100
    ContrastCommand = 9,        // 0..100
    ColorCommand = 10,          // 0..100
    OutputBrightnessCommand = 11, // 0..32
    PipWindowCommand = 14,      // window (0 sub, 1 main), x, w, y, h as 16-bit pairs
    ShowModelCommand = 16,      // display model 0..3
    OutputPortCommand = 17,     // output port 0..3
    InputWindowCommand = 18,    // 0, X, W, Y, H
    OutputWindowCommand = 19,   // 0, X, W, Y, H
    FastLayoutCommand = 20,     // fast layout 0..6
    FastValuesCommand = 21,     // the fast table's values
    LedTotalCommand = 22,       // 0, W, H, four spare bytes
    UnitWindowCommand = 23,     // 0, x, w, y, h
    AutoMosaicCommand = 24,     // 0 fast mosaic 1, 1 fast mosaic 2
    AutoCommand = 25,           // 0
    ResetCommand = 26,          // 0
    ResolutionCommand = 28,     // output format code
    AudioCommand = 29,          // audio 1, 2, 3 source codes
    DviHotplugCommand = 30,     // 1 open, 0 closed
};

// Input source codes as the device numbers them.
enum InputCode : int {
    ExtInput = 0,
    Dvi2Input = 1,
    Dvi1Input = 2,
    Hdmi2Input = 3,
    Hdmi1Input = 4,
    VgaInput = 5,
    V2Input = 6,
    V1Input = 7,
};
constexpr int InputCount = 8;

// What the link last did, as the main window sees it. Device errors are DeviceError + the device's code
// (0..255, the reply byte read unsigned), so no error reply can read as one of the ordinary states.
enum LinkState : int {
    Connecting = 0,
    Opened = 1,
    OpenFailed = 2,
    SendFailed = 3,
    Closed = 4,
    NotConnected = 5,
    Connected = 6,
    Unanswered = 7, // an exchange got no reply in time: reported as "Out Time"
    Ready = 9,
    DeviceError = 100,
};

// How one exchange with the device ended. Pages act on this, never on the link state.
enum class Outcome {
    Accepted,     // the device answered with a reply
    Refused,      // the device answered with an error reply
    Unanswered,   // no complete reply within the exchange's wait
    Busy,         // not sent: a page is filling its widgets, or the link is not Ready (no resetReads)
    NotConnected, // not sent: the active transport is closed
    Failed,       // the transport did not write the frame
};

// The outgoing frame as it stands before any send: markers at both ends, zeros between.
constexpr Frame emptyFrame()
{
    return Frame{FrameMarker, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, FrameMarker};
}

// (byte 3, byte 4, key) of the read request for a kind; the index depends on the device copy.
struct ReadAddress
{
    int kind = 0;
    int index = 0;
    int key = 0;
};

inline QByteArray toByteArray(const Frame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), FrameSize);
}

// Frame bytes as "91 01 FE ..." for the debug log and the simulator's trace.
QString toHex(const Frame& frame);
QString toHex(const QByteArray& bytes);

} // namespace Rdx

#endif
