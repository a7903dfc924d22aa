#include "link/OutputSize.h"

namespace {

struct Size
{
    int width;
    int height;
};

// Indexed by output format code 0..12; code 4 ({0, 0}) is no size and leaves the caller's values.
constexpr Size PipSizes[] = {{1024, 768},  {1400, 1400}, {1280, 1024}, {1920, 1080}, {0, 0},
                             {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080},
                             {1920, 1080}, {1200, 1600}, {1920, 1080}};
constexpr Size MosaicInputSizes[] = {{1024, 768},  {1920, 1080}, {1280, 1024}, {1920, 1080}, {0, 0},
                                     {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080}, {1920, 1080},
                                     {1920, 1080}, {1200, 1600}, {1920, 1080}};
constexpr Size MosaicOutputSizes[] = {{1024, 768},  {1400, 1400}, {1280, 1024}, {1920, 1200}, {0, 0},
                                      {1920, 1080}, {1920, 1080}, {2560, 816},  {2880, 800},  {3072, 720},
                                      {3600, 600},  {1200, 1600}, {1600, 1344}};

void lookUp(const Size (&table)[13], int outputFormat, int& height, int& width)
{
    if (outputFormat < 0 || outputFormat > 12 || table[outputFormat].width == 0)
        return;
    width = table[outputFormat].width;
    height = table[outputFormat].height;
}

} // namespace

namespace Rdx {

void pipOutputSize(int outputFormat, int& height, int& width)
{
    lookUp(PipSizes, outputFormat, height, width);
}

void mosaicInputSize(int outputFormat, int& height, int& width)
{
    lookUp(MosaicInputSizes, outputFormat, height, width);
}

void mosaicOutputSize(int outputFormat, int& height, int& width)
{
    lookUp(MosaicOutputSizes, outputFormat, height, width);
}

} // namespace Rdx
