#pragma once
// YCgCo pictures into RGB. swscale's coefficient tables cannot hold this
// matrix (red takes both chroma planes), so it is done here.
#include <cstdint>

namespace zv {

// Where R, G, B and the padding byte (A < 0: none) sit in one output pixel
// of Bytes bytes (3 or 4).
struct TRgb32Layout {
  int R, G, B, A;
  int Bytes = 4;
};

// Converts a width x height 8-bit 4:2:0 picture (Y, Cg in the Cb plane, Co in
// the Cr plane) into pixels at dst; the padding byte is 255.
void YCgCo420ToRgb32(const uint8_t* const planes[3], const int strides[3], int width, int height, bool fullRange,
                     uint8_t* dst, int dstStride, TRgb32Layout layout);

}  // namespace zv
