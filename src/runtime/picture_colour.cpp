#include "runtime/picture_colour.h"

#include "runtime/entry_points.h"

namespace zv {

TPictureColour PictureColourOf(AVColorSpace colorspace, AVColorRange range, int width, int height) {
  TPictureColour c;
  c.FullRange = range == AVCOL_RANGE_JPEG;
  switch (colorspace) {
    case AVCOL_SPC_BT709: c.Matrix = TYuvMatrix::Bt709; break;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: c.Matrix = TYuvMatrix::Bt601; break;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: c.Matrix = TYuvMatrix::Bt2020; break;
    case AVCOL_SPC_SMPTE240M: c.Matrix = TYuvMatrix::Smpte240m; break;
    case AVCOL_SPC_FCC: c.Matrix = TYuvMatrix::Fcc; break;
    case AVCOL_SPC_YCGCO: c.Matrix = TYuvMatrix::YCgCo; break;
    default: c.Matrix = width >= 1280 || height > 576 ? TYuvMatrix::Bt709 : TYuvMatrix::Bt601; break;
  }
  return c;
}

TPictureColour PictureColourOf(const AVFrame* frame) {
  TPictureColour c = PictureColourOf(frame->colorspace, frame->color_range, frame->width, frame->height);
  // The old full-range formats say so by their name.
  const int f = frame->format;
  if (f == AV_PIX_FMT_YUVJ420P || f == AV_PIX_FMT_YUVJ422P || f == AV_PIX_FMT_YUVJ444P || f == AV_PIX_FMT_YUVJ440P)
    c.FullRange = true;
  return c;
}

int SwsColorspaceOf(TYuvMatrix matrix) {
  switch (matrix) {
    case TYuvMatrix::Bt709: return SWS_CS_ITU709;
    case TYuvMatrix::Bt2020: return SWS_CS_BT2020;
    case TYuvMatrix::Smpte240m: return SWS_CS_SMPTE240M;
    case TYuvMatrix::Fcc: return SWS_CS_FCC;
    default: return SWS_CS_ITU601;
  }
}

bool SetScalerColour(SwsContext* context, const TPictureColour& colour) {
  const int* table = ff::sws_getCoefficients(SwsColorspaceOf(colour.Matrix));
  // Brightness, contrast and saturation neutral.
  return ff::sws_setColorspaceDetails(context, table, colour.FullRange ? 1 : 0, table, 1, 0, 1 << 16, 1 << 16) >= 0;
}

}  // namespace zv
