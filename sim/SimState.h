#ifndef RDX480_SIM_SIMSTATE_H
#define RDX480_SIM_SIMSTATE_H

#include <array>

// One window as the device stores it: origin and size in output pixels.
struct SimWindow
{
    int x = 0, w = 0, y = 0, h = 0;
};

inline bool operator==(const SimWindow& a, const SimWindow& b)
{
    return a.x == b.x && a.w == b.w && a.y == b.y && a.h == b.h;
}
inline bool operator!=(const SimWindow& a, const SimWindow& b)
{
    return !(a == b);
}

// Everything the simulated device remembers; a plain value so tests can snapshot, edit and restore it.
struct SimState
{
    int outputFormat = 6;
    int mainInput = 4; // HDMI1
    int switchTime = 0;
    int pipInput = 5;    // VGA
    int presetInput = 7; // V1
    int dviHotplug = 1;
    int extInputMode = 0; // no expansion module fitted
    int audio1Source = 7;
    int audio2Source = 6;
    int audio3Source = 5;
    int fastLayout = 0;
    int pipModel = 0;
    int takeMode = 0;
    int pipOn = 0;
    int showModel = 0;
    int outputPort = 0;
    int brightness = 50;
    int contrast = 50;
    int color = 50;
    int outputBrightness = 32;

    std::array<SimWindow, 8> pipWindows = defaultPipWindows();                    // pipModel*2 sub, pipModel*2+1 main
    std::array<SimWindow, 16> inputWindows = filled(SimWindow{0, 1920, 0, 1080}); // outputPort + 4*showModel
    std::array<SimWindow, 16> outputWindows = filled(SimWindow{0, 1920, 0, 1080});
    std::array<SimWindow, 16> unitWindows = filled(SimWindow{0, 1920, 0, 1080});
    std::array<std::array<int, 2>, 4> ledTotals = {{{3840, 2160}, {3840, 2160}, {3840, 2160}, {3840, 2160}}};
    std::array<std::array<int, 5>, 4> fastValues = {
        {{1920, 1080, 0, 0, 0}, {1920, 1080, 0, 0, 0}, {1920, 1080, 0, 0, 0}, {1920, 1080, 0, 0, 0}}};

    // Index of the per-copy windows for the current display model and output port.
    int windowIndex() const { return (outputPort & 3) + 4 * (showModel & 3); }

private:
    static std::array<SimWindow, 16> filled(SimWindow window)
    {
        std::array<SimWindow, 16> windows;
        windows.fill(window);
        return windows;
    }
    static std::array<SimWindow, 8> defaultPipWindows()
    {
        std::array<SimWindow, 8> windows;
        for (int model = 0; model < 4; ++model) {
            windows[model * 2] = SimWindow{1280, 640, 720, 360};
            windows[model * 2 + 1] = SimWindow{0, 1920, 0, 1080};
        }
        return windows;
    }
};

inline bool operator==(const SimState& a, const SimState& b)
{
    return a.outputFormat == b.outputFormat && a.mainInput == b.mainInput && a.switchTime == b.switchTime &&
           a.pipInput == b.pipInput && a.presetInput == b.presetInput && a.dviHotplug == b.dviHotplug &&
           a.extInputMode == b.extInputMode && a.audio1Source == b.audio1Source && a.audio2Source == b.audio2Source &&
           a.audio3Source == b.audio3Source && a.fastLayout == b.fastLayout && a.pipModel == b.pipModel &&
           a.takeMode == b.takeMode && a.pipOn == b.pipOn && a.showModel == b.showModel &&
           a.outputPort == b.outputPort && a.brightness == b.brightness && a.contrast == b.contrast &&
           a.color == b.color && a.outputBrightness == b.outputBrightness && a.pipWindows == b.pipWindows &&
           a.inputWindows == b.inputWindows && a.outputWindows == b.outputWindows && a.unitWindows == b.unitWindows &&
           a.ledTotals == b.ledTotals && a.fastValues == b.fastValues;
}
inline bool operator!=(const SimState& a, const SimState& b)
{
    return !(a == b);
}

#endif
