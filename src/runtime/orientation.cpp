#include "runtime/orientation.h"

#include <cstdlib>
#include <cstring>

#include "runtime/entry_points.h"

namespace zv {

TOrientation OrientationOf(const int32_t* matrix) {
  TOrientation o;
  if (!matrix) return o;
  // A display pixel (x', y') = (a x + c y, b x + d y) of the picture's (x, y).
  const int64_t a = matrix[0], b = matrix[1], c = matrix[3], d = matrix[4];
  if (std::llabs(a) + std::llabs(d) >= std::llabs(b) + std::llabs(c)) {
    if (a == 0 && d == 0) return o;  // no matrix at all
    o.HFlip = (a < 0) != (d < 0);
    o.Rotation = d < 0 ? 180 : 0;
  } else {
    o.HFlip = (b < 0) == (c < 0);
    o.Rotation = b > 0 ? 90 : 270;
  }
  return o;
}

TOrientation StreamOrientation(const AVStream* stream) {
  if (!stream) return {};
  size_t size = 0;
  const uint8_t* data = ff::av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!data || size < 9 * sizeof(int32_t)) return {};
  int32_t m[9];
  std::memcpy(m, data, sizeof m);
  return OrientationOf(m);
}

std::string OrientationFilter(const TOrientation& o) {
  switch (o.Rotation) {
    case 90: return o.HFlip ? "transpose=cclock_flip" : "transpose=clock";
    case 180: return o.HFlip ? "vflip" : "hflip,vflip";
    case 270: return o.HFlip ? "transpose=clock_flip" : "transpose=cclock";
    default: return o.HFlip ? "hflip" : "";
  }
}

std::string OrientationText(const TOrientation& o) {
  if (o.Rotation == 0 && !o.HFlip) return {};
  std::string text = std::to_string(o.Rotation) + "\xC2\xB0";
  if (o.HFlip) text += " flipped";
  return text;
}

}  // namespace zv
