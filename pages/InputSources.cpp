#include "pages/InputSources.h"

#include "link/Frame.h"

#include <QLatin1String>
#include <array>

namespace {

struct InputSource
{
    Rdx::InputCode code;
    QLatin1String text;
    QLatin1String buttonName;
    int group;
};

// Indexed by wire code; the device relies on these codes and the groups mirror its input cards.
const std::array<InputSource, InputSources::Count> sources = {{
    {Rdx::ExtInput, QLatin1String("EXT."), QLatin1String("but_of_ext"), 4},
    {Rdx::Dvi2Input, QLatin1String("DVI2"), QLatin1String("but_of_div2"), 3},
    {Rdx::Dvi1Input, QLatin1String("DVI1"), QLatin1String("but_of_dvi1"), 3},
    {Rdx::Hdmi2Input, QLatin1String("HDMI2"), QLatin1String("but_of_hdm2"), 3},
    {Rdx::Hdmi1Input, QLatin1String("HDMI1"), QLatin1String("but_of_hdm1"), 3},
    {Rdx::VgaInput, QLatin1String("VGA"), QLatin1String("but_of_vga"), 2},
    {Rdx::V2Input, QLatin1String("V2"), QLatin1String("but_of_v2"), 1},
    {Rdx::V1Input, QLatin1String("V1"), QLatin1String("but_of_v1"), 1},
}};

static_assert(Rdx::InputCount == InputSources::Count, "one entry per input code");

} // namespace

namespace InputSources {

bool isValid(int code)
{
    return code >= 0 && code < Count;
}

QString text(int code)
{
    return isValid(code) ? QString(sources[code].text) : QString();
}

QString buttonName(int code)
{
    return isValid(code) ? QString(sources[code].buttonName) : QString();
}

int group(int code)
{
    return isValid(code) ? sources[code].group : -1;
}

} // namespace InputSources
