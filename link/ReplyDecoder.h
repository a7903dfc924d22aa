#ifndef RDX480_LINK_REPLYDECODER_H
#define RDX480_LINK_REPLYDECODER_H

#include "link/Frame.h"

#include <array>

class CData;

namespace Rdx {

using FastValues = std::array<int, 5>;

struct DecodedReply
{
    bool isError = false;
    int errorCode = 0; // device error code 0..255, for an error reply
    int kind = 0;      // the reported read kind, for any other reply
    // Status fields whose value would drive a read or a command outside its range: refused one by one,
    // each keeping its previous value (bit i = StatusField i).
    unsigned refusedFields = 0;
};

// The status fields with a range the pages and the reads rely on.
enum StatusField : unsigned {
    OutputFormatField,
    MainInputField,
    SwitchTimeField,
    PipInputField,
    PresetInputField,
    Audio2SourceField,
    Audio3SourceField,
    FastLayoutField,
    PipModelField,
    StatusFieldCount
};
const char* statusFieldName(StatusField field);

// Decodes one reply into the device copy and the fast-table values. Pure: no I/O, no signals.
DecodedReply decodeReply(const Frame& reply, CData& state, FastValues& fastValues);

// The request bytes and the waiting key for a read kind, given the device copy's model and port.
ReadAddress readAddress(int kind, const CData& state);

} // namespace Rdx

#endif
