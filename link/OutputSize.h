#ifndef RDX480_LINK_OUTPUTSIZE_H
#define RDX480_LINK_OUTPUTSIZE_H

// Output sizes in pixels by output format code. Each lookup writes width and height only for the
// codes it knows (not 4, nothing above 12); otherwise the caller's values stay.
namespace Rdx {
void pipOutputSize(int outputFormat, int& height, int& width);
void mosaicInputSize(int outputFormat, int& height, int& width);
void mosaicOutputSize(int outputFormat, int& height, int& width);
} // namespace Rdx

#endif
