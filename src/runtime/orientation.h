#pragma once
// How a stream's pictures are to be turned to stand upright: its display
// matrix (MP4/MOV track matrix, or side data from the demuxer) as a quarter
// turn and a flip, and the filters that do it.
#include <cstdint>
#include <string>

#include "runtime/av_headers.h"

namespace zv {

struct TOrientation {
  int Rotation = 0;    // clockwise: 0, 90, 180 or 270
  bool HFlip = false;  // left-right, after the turn
  bool operator==(const TOrientation&) const = default;
  bool SwapsSides() const { return Rotation == 90 || Rotation == 270; }
};

// The orientation a display matrix (nine 32-bit values) describes, to the
// nearest quarter turn; upright for none.
TOrientation OrientationOf(const int32_t* matrix);
// From the stream's display-matrix side data.
TOrientation StreamOrientation(const AVStream* stream);

// The libavfilter chain that turns pictures upright; empty when they are.
std::string OrientationFilter(const TOrientation& o);
// "90°", "270° flipped"...; empty when upright.
std::string OrientationText(const TOrientation& o);

}  // namespace zv
