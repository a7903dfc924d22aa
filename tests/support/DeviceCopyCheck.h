#ifndef RDX480_TESTS_SUPPORT_DEVICECOPYCHECK_H
#define RDX480_TESTS_SUPPORT_DEVICECOPYCHECK_H

#include "link/CData.h"
#include "link/ReplyDecoder.h"
#include "sim/SimState.h"

#include <QStringList>

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
    const std::pair<const char*, std::pair<int, int>> fields[] = {
        {"outputFormat", {copy.outputFormat, device.outputFormat}},
        {"mainInput", {copy.mainInput, device.mainInput}},
        {"switchTime", {copy.switchTime, device.switchTime}},
        {"pipInput", {copy.pipInput, device.pipInput}},
        {"presetInput", {copy.presetInput, device.presetInput}},
        {"dviHotplug", {copy.dviHotplug, device.dviHotplug}},
        {"extInputMode", {copy.extInputMode, device.extInputMode}},
        {"audio1Source", {copy.audio1Source, device.audio1Source}},
        {"audio2Source", {copy.audio2Source, device.audio2Source}},
        {"audio3Source", {copy.audio3Source, device.audio3Source}},
        {"fastLayout", {copy.fastLayout, device.fastLayout}},
        {"pipModel", {copy.pipModel, device.pipModel}},
        {"takeMode", {copy.takeMode, device.takeMode}},
        {"pipOn", {copy.pipOn, device.pipOn}},
        {"showModel", {copy.showModel, device.showModel}},
        {"outputPort", {copy.outputPort, device.outputPort}},
        {"brightness", {copy.brightness, device.brightness}},
        {"contrast", {copy.contrast, device.contrast}},
        {"color", {copy.color, device.color}},
        {"outputBrightness", {copy.outputBrightness, device.outputBrightness}},
    };
    for (const auto& field : fields)
        expect(field.first, field.second.first, field.second.second);

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

} // namespace DeviceCopyCheck

#endif
