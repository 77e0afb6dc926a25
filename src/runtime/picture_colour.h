#pragma once
// The colour matrix and range a YUV picture is turned into RGB with, on every
// path that shows or copies a picture: what the picture says, else the usual
// convention (BT.709 for HD, BT.601 below).
#include "runtime/av_headers.h"

namespace zv {

enum class TYuvMatrix { Bt601, Bt709, Bt2020, Smpte240m, Fcc, YCgCo };

struct TPictureColour {
  TYuvMatrix Matrix = TYuvMatrix::Bt601;
  bool FullRange = false;
  bool operator==(const TPictureColour&) const = default;
};

// An untagged picture is HD from 1280 wide or more than 576 high.
TPictureColour PictureColourOf(AVColorSpace colorspace, AVColorRange range, int width, int height);
TPictureColour PictureColourOf(const AVFrame* frame);

// swscale's coefficient table for the matrix (SWS_CS_*); YCgCo has none and
// gets BT.601's.
int SwsColorspaceOf(TYuvMatrix matrix);

// Makes a scaler reading YUV convert with these colours into full-range RGB;
// false when it refuses.
bool SetScalerColour(SwsContext* context, const TPictureColour& colour);

}  // namespace zv
