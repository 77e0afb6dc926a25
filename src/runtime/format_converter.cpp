#include "runtime/format_converter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/entry_points.h"
#include "runtime/picture_colour.h"
#include "runtime/programming_check.h"
#include "runtime/ycgco_to_rgb.h"

namespace zv {

TFormatConverter::TFormatConverter() = default;

bool TFormatConverter::RGBLayout(int width, int height, int& lineSize, int& size) {
  lineSize = 0;
  size = -1;
  if (width <= 0 || height <= 0) return false;
  // The scaler's fast paths write whole groups of 8 (and read 16) pixels; a
  // row shorter than that is either overrun or left partly unwritten.
  const int64_t line = ((int64_t(width) + 15) / 16 * 16 * 3 + LineAlign - 1) / LineAlign * LineAlign;
  const int64_t total = line * height + line + SlackBytes;
  if (total > INT32_MAX) return false;
  lineSize = int(line);
  size = int(total);
  return true;
}

TFormatConverter::~TFormatConverter() = default;

bool TFormatConverter::ToRGB(const TAVPicture& picture, AVPixelFormat pixFmt, int width, int height,
                             bool copyToBitmap, const TPictureColour* colour) {
  int lineSize = 0, size = -1;
  // A size from a file may be absurd: refused before any bitmap is made for it.
  if (!RGBLayout(width, height, lineSize, size)) {
    FCurrent = nullptr;
    FLastErrMsg = "Cannot initialize the toRGB conversion context";
    return false;
  }
  FBitmap.SetSize(width, height);
  const bool convert = pixFmt != RGBPixFmt || (width & 1) || (height & 1) ||
                       FBitmap.BytesPerScanLine() != picture.linesize[0];
  if (!convert) {
    FCallerPicture = picture;
    FCurrent = &FCallerPicture;
  } else {
    FCurrent = nullptr;
    // The scaler aborts the process on a format it does not know.
    const bool usable = width > 0 && height > 0 && pixFmt > AV_PIX_FMT_NONE && pixFmt < AV_PIX_FMT_NB &&
                        ff::sws_isSupportedInput(pixFmt) > 0;
    if (!usable) {
      FLastErrMsg = "Cannot initialize the toRGB conversion context";
      return false;
    }
    if (!FBuffer || FBufferSize < size) {
      FBuffer.reset();
      FBufferSize = 0;
      FBuffer.reset(static_cast<uint8_t*>(ff::av_mallocz(size_t(size))));
      if (!FBuffer) {
        FLastErrMsg = "Cannot allocate the RGB picture";
        return false;
      }
      FBufferSize = size;
    }
    FRGBPicture = {};
    FRGBPicture.data[0] = FBuffer.get();
    FRGBPicture.linesize[0] = lineSize;
    // A context reused from the last call keeps the colours it was given.
    if (!colour && FToRGBColoured) FToRGBContext.reset();
    FToRGBColoured = false;
    // The library frees the context it was given when it cannot reuse it.
    FToRGBContext.reset(ff::sws_getCachedContext(FToRGBContext.release(), width, height, pixFmt, width, height,
                                                 RGBPixFmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!FToRGBContext) {
      FLastErrMsg = "Cannot initialize the toRGB conversion context";
      return false;
    }
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(pixFmt);
    const bool yuv = desc && !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) && desc->nb_components >= 3;
    if (colour && yuv) FToRGBColoured = SetScalerColour(FToRGBContext.get(), *colour);
    if (colour && colour->Matrix == TYuvMatrix::YCgCo && pixFmt == AV_PIX_FMT_YUV420P)
      YCgCo420ToRgb32(picture.data, picture.linesize, width, height, colour->FullRange, FRGBPicture.data[0],
                      FRGBPicture.linesize[0], TRgb32Layout{2, 1, 0, -1, 3});  // BGR24
    else
      ff::sws_scale(FToRGBContext.get(), picture.data, picture.linesize, 0, height, FRGBPicture.data,
                    FRGBPicture.linesize);
    FCurrent = &FRGBPicture;
  }
  FCurrentWidth = width;
  FCurrentHeight = height;
  if (copyToBitmap) CopyToBitmap();
  return true;
}

void TFormatConverter::CopyToBitmap() {
  ZV_CHECK(FCurrent, "Assertion failure: ToRGB must succeed first.");
  // Never more than either row holds.
  const size_t bytes = size_t(std::min(FCurrent->linesize[0], FBitmap.BytesPerScanLine()));
  for (int i = 0; i < FBitmap.Height(); ++i)
    std::memcpy(FBitmap.ScanLine(i), FCurrent->data[0] + size_t(i) * FCurrent->linesize[0], bytes);
}

void TFormatConverter::CopyFromBitmap() {
  ZV_CHECK(FCurrent, "Assertion failure: ToRGB must succeed first.");
  const size_t bytes = size_t(std::min(FCurrent->linesize[0], FBitmap.BytesPerScanLine()));
  for (int i = 0; i < FBitmap.Height(); ++i)
    std::memcpy(FCurrent->data[0] + size_t(i) * FCurrent->linesize[0], FBitmap.ScanLine(i), bytes);
}

bool TFormatConverter::FromRGB(const TAVPicture& dest, AVPixelFormat destPixFmt, int width, int height) {
  if (!FCurrent) {
    // A programming error, but the caller (the video hook) can go on without the picture.
    ReportProgrammingError("Assertion failure: ToRGB must succeed first.", __FILE__, __LINE__);
    FLastErrMsg = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  // Current holds only the size of the last ToRGB; reading more would leave it.
  // Unknown formats abort the process inside the scaler.
  if (width <= 0 || height <= 0 || width > FCurrentWidth || height > FCurrentHeight || destPixFmt <= AV_PIX_FMT_NONE ||
      destPixFmt >= AV_PIX_FMT_NB || ff::sws_isSupportedOutput(destPixFmt) <= 0) {
    FLastErrMsg = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  FFromRGBContext.reset(ff::sws_getCachedContext(FFromRGBContext.release(), width, height, RGBPixFmt, width, height,
                                                 destPixFmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!FFromRGBContext) {
    FLastErrMsg = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  ff::sws_scale(FFromRGBContext.get(), FCurrent->data, FCurrent->linesize, 0, height, dest.data, dest.linesize);
  return true;
}

}  // namespace zv
