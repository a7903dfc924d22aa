#ifndef RDX480_TESTS_SUPPORT_DEVICECOPYCHECK_H
#define RDX480_TESTS_SUPPORT_DEVICECOPYCHECK_H

#include "link/CData.h"
#include "link/ReplyDecoder.h"
#include "sim/SimState.h"

#include <QStringList>

#include <tuple>

namespace DeviceCopyCheck {

inline int word(const WindowRecord& record, int index)
{
    return record.bytes[size_t(2 * index)] * 256 + record.bytes[size_t(2 * index + 1)];
}

// Where the link's device copy differs from the simulated device, as text; empty when they agree.
inline QStringList differences(const CData& copy, const Rdx::FastValues& fast, const SimState& device)
{
    QStringList out;
    auto expect = [&out](const char* what, int got, int want) {
        if (got != want)
            out.append(QStringLiteral("%1: copy %2, device %3").arg(QLatin1String(what)).arg(got).arg(want));
    };
    auto expectWindow = [&](const char* what, const WindowRecord& record, const SimWindow& window) {
        const int values[4] = {window.x, window.w, window.y, window.h};
        for (int i = 0; i < 4; ++i)
            expect(what, word(record, i), values[i]);
    };
#define RDX480_FIELD(name) std::make_tuple(#name, copy.name, device.name)
    const std::tuple<const char*, int, int> fields[] = {
        RDX480_FIELD(outputFormat), RDX480_FIELD(mainInput),       RDX480_FIELD(switchTime),
        RDX480_FIELD(pipInput),     RDX480_FIELD(presetInput),     RDX480_FIELD(dviHotplug),
        RDX480_FIELD(extInputMode), RDX480_FIELD(audio1Source),    RDX480_FIELD(audio2Source),
        RDX480_FIELD(audio3Source), RDX480_FIELD(fastLayout),      RDX480_FIELD(pipModel),
        RDX480_FIELD(takeMode),     RDX480_FIELD(pipOn),           RDX480_FIELD(showModel),
        RDX480_FIELD(outputPort),   RDX480_FIELD(brightness),      RDX480_FIELD(contrast),
        RDX480_FIELD(color),        RDX480_FIELD(outputBrightness)};
#undef RDX480_FIELD
    for (const auto& [name, got, want] : fields)
        expect(name, got, want);

    SimWindow sub = device.pipWindows[size_t(device.pipModel * 2)];
    SimWindow main = device.pipWindows[size_t(device.pipModel * 2 + 1)];
    sub.x &= 0x7FFF;
    main.x &= 0x7FFF;
    expectWindow("subWindow", copy.subWindow, sub);
    expectWindow("mainWindow", copy.mainWindow, main);
    const size_t window = size_t(device.windowIndex());
    expectWindow("inputWindow", copy.inputWindow, device.inputWindows[window]);
    expectWindow("outputWindow", copy.outputWindow, device.outputWindows[window]);
    expectWindow("unitWindow", copy.unitWindow, device.unitWindows[window]);
    const auto& led = device.ledTotals[size_t(device.showModel)];
    expect("ledTotal width", word(copy.ledTotal, 0), led[0]);
    expect("ledTotal height", word(copy.ledTotal, 1), led[1]);
    const auto& values = device.fastValues[size_t(device.showModel)];
    const int valueCount = device.fastLayout == 4 || device.fastLayout == 5 ? 5 : 4;
    for (int i = 0; i < valueCount; ++i)
        expect("fastValues", fast[size_t(i)], values[size_t(i)]);
    return out;
}

// The same, for the fields a status reply carries only.
inline QStringList statusDifferences(const CData& copy, const SimState& device)
{
    QStringList out;
#define RDX480_FIELD(name)                                                                                             \
    if (copy.name != device.name)                                                                                      \
        out.append(QStringLiteral(#name ": copy %1, device %2").arg(copy.name).arg(device.name));
    RDX480_FIELD(outputFormat) RDX480_FIELD(mainInput) RDX480_FIELD(switchTime) RDX480_FIELD(pipInput)
    RDX480_FIELD(presetInput) RDX480_FIELD(dviHotplug) RDX480_FIELD(extInputMode) RDX480_FIELD(audio1Source)
    RDX480_FIELD(audio2Source) RDX480_FIELD(audio3Source) RDX480_FIELD(fastLayout) RDX480_FIELD(pipModel)
    RDX480_FIELD(takeMode) RDX480_FIELD(pipOn) RDX480_FIELD(showModel) RDX480_FIELD(outputPort)
#undef RDX480_FIELD
    return out;
}

} // namespace DeviceCopyCheck

#endif
