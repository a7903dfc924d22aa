#ifndef RDX480_SIM_SIMPROTOCOL_H
#define RDX480_SIM_SIMPROTOCOL_H

#include "link/Frame.h"
#include "sim/SimState.h"

#include <QString>

// What the device does with one frame, without any I/O: reads answer from the state, set-commands change
// it. Replies are encoded here on their own, independent of the panel's decoder, so that tests of the
// panel against this device catch mistakes on either side.
class SimProtocol
{
public:
    enum DeviceError : int {
        ProtocolError = 5,
        NoInputCard = 9,
        OutOfRange = 12,
        WrongConfigurationMode = 13,
    };
    static constexpr std::uint8_t AckKind = 0x7F; // byte 3 of a plain acknowledgement: no read kind

    // Applies a frame addressed to this device and returns the reply. Erroneous frames change nothing.
    static Rdx::Frame respond(SimState& state, const Rdx::Frame& request, int deviceNumber, bool plainAck);

    static Rdx::Frame statusReply(const SimState& state, int deviceNumber);
    static Rdx::Frame errorReply(int deviceNumber, int errorCode);
    static Rdx::Frame ackReply(int deviceNumber);

    // Output area that the PIP windows must stay inside; false for formats without one.
    static bool pipOutputArea(int outputFormat, int& width, int& height);
    static int fastRowCount(int fastLayout);
    static QString inputName(int code);

    // One line of meaning for the trace.
    static QString describeRequest(const Rdx::Frame& frame);
    static QString describeReply(const Rdx::Frame& frame);
};

#endif
