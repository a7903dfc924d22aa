#ifndef RDX480_LINK_CDATA_H
#define RDX480_LINK_CDATA_H

#include <QObject>
#include <QVector>
#include <array>

// A window as the device stores it: four (or two) 16-bit values, each as a high byte and a low byte.
struct WindowRecord
{
    std::array<int, 8> bytes{};
    int count = 4;
};

// values[i] becomes target[first + 2i] (high byte) and target[first + 2i + 1] (low byte).
void splitWords(const int* values, int* target, int first, int count);
// byte 2i := value i / 256, byte 2i + 1 := value i % 256, for the record's count of values.
void storeRecord(WindowRecord& record, const int* values);
// value i := byte 2i * 256 + byte 2i + 1; count values.
QVector<int> loadRecord(const WindowRecord& record);
// The record's eight bytes from eight ints, unchanged.
void copyBytes(WindowRecord& record, const int* source);

// The panel's copy of the device state: what the device last reported, plus what the pages have just
// sent successfully. The link owns the one instance and decodes every reply into it.
class CData : public QObject
{
public:
    explicit CData(QObject* parent = nullptr);

    int outputFormat = 0;  // output resolution code 0..12
    int mainInput = 0;     // input code
    int switchTime = 0;    // switch time index 0..3
    int pipInput = 0;      // input code
    int presetInput = 0;   // input code
    int dviHotplug = 0;    // 1 open, 0 closed
    int extInputMode = 0;  // expansion module, non-zero = SDI
    int audio1Source = 0;  // input codes
    int audio2Source = 0;
    int audio3Source = 0;
    int fastLayout = 0;    // 0..6
    int pipModel = 0;      // 0..3
    int takeMode = 0;      // 1 = preselect + TAKE
    int pipOn = 0;
    int showModel = 0;     // display model 0..3
    int brightness = 0;    // 0..100
    int contrast = 0;      // 0..100
    int color = 0;         // 0..100
    int outputBrightness = 0; // 0..32
    int outputPort = 0;    // 0..3
    WindowRecord subWindow;    // PIP sub window x, w, y, h
    WindowRecord mainWindow;   // PIP main window x, w, y, h
    WindowRecord unitWindow;   // fast mosaic 2 unit window x, w, y, h
    WindowRecord ledTotal;     // LED wall width, height (two values)
    WindowRecord inputWindow;  // manual input window X, W, Y, H
    WindowRecord outputWindow; // manual output window X, W, Y, H
};

#endif
