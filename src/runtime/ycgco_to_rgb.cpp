#include "runtime/ycgco_to_rgb.h"

#include <algorithm>

namespace zv {

void YCgCo420ToRgb32(const uint8_t* const planes[3], const int strides[3], int width, int height, bool fullRange,
                     uint8_t* dst, int dstStride, TRgb32Layout layout) {
  // Limited range: luma 16..235 and chroma 16..240 widened to 0..255, in 1/65536 steps.
  const int yScale = fullRange ? 65536 : (255 * 65536 + 109) / 219, yOffset = fullRange ? 0 : 16;
  const int cScale = fullRange ? 65536 : (255 * 65536 + 112) / 224;
  auto clamp = [](int v) { return uint8_t(std::clamp((v + 32768) >> 16, 0, 255)); };
  for (int y = 0; y < height; ++y) {
    const uint8_t* Y = planes[0] + y * strides[0];
    const uint8_t* Cg = planes[1] + (y / 2) * strides[1];
    const uint8_t* Co = planes[2] + (y / 2) * strides[2];
    uint8_t* out = dst + y * dstStride;
    for (int x = 0; x < width; ++x, out += layout.Bytes) {
      const int l = (Y[x] - yOffset) * yScale;
      const int g = (Cg[x / 2] - 128) * cScale, o = (Co[x / 2] - 128) * cScale;
      const int t = l - g;
      out[layout.R] = clamp(t + o);
      out[layout.G] = clamp(l + g);
      out[layout.B] = clamp(t - o);
      if (layout.A >= 0) out[layout.A] = 255;
    }
  }
}

}  // namespace zv
