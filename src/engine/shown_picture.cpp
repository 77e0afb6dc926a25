#include "engine/shown_picture.h"

#include <algorithm>
#include <cstring>

namespace zv {

void TShownPicture::Open(int decoderWidth, int decoderHeight) {
  std::lock_guard<std::mutex> g(FLock);
  FOpen = true;
  FDecoderWidth = decoderWidth > 0 ? decoderWidth : 0;
  FDecoderHeight = decoderHeight > 0 ? decoderHeight : 0;
  FValid = false;
  FPts = -1;
}

void TShownPicture::Close() {
  std::lock_guard<std::mutex> g(FLock);
  FOpen = false;
  FValid = false;
  FPts = -1;
  FPixels.clear();
  FPixels.shrink_to_fit();
}

namespace {

// Rows padded for the scaler's wide reads, and slack after the last plane.
constexpr int RowAlign = 64;
int PaddedRow(int bytes) { return (bytes + 16 + RowAlign - 1) / RowAlign * RowAlign; }

}  // namespace

void TShownPicture::Store(const TVideoPicture& vp, int64_t ptsMicros) {
  const int w = vp.PictureWidth > 0 ? std::min(vp.PictureWidth, vp.Width) : vp.Width;
  const int h = vp.PictureHeight > 0 ? std::min(vp.PictureHeight, vp.Height) : vp.Height;
  if (!vp.Planes[0] || w <= 0 || h <= 0) return;
  // 4:2:0 chroma covers odd edges with a last half-filled sample.
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  std::lock_guard<std::mutex> g(FLock);
  if (!FOpen) return;
  FLines[0] = PaddedRow(w);
  FLines[1] = FLines[2] = PaddedRow(cw);
  FPixels.resize(size_t(FLines[0]) * h + 2 * size_t(FLines[1]) * ch + RowAlign);
  uint8_t* dst = FPixels.data();
  const int widths[3] = {w, cw, cw}, heights[3] = {h, ch, ch};
  for (int p = 0; p < 3; ++p) {
    FPlaneOffsets[p] = size_t(dst - FPixels.data());
    for (int y = 0; y < heights[p]; ++y)
      std::memcpy(dst + size_t(y) * FLines[p], vp.Planes[p] + size_t(y) * vp.Pitches[p], size_t(widths[p]));
    dst += size_t(heights[p]) * FLines[p];
  }
  FWidth = w;
  FHeight = h;
  FPts = ptsMicros;
  FValid = true;
}

TBitmap& TShownPicture::Copy(TFormatConverter& converter, int64_t& pts) {
  std::lock_guard<std::mutex> g(FLock);
  TBitmap& bmp = converter.Bitmap();
  // Painting code holding the canvas does not see a half-written bitmap.
  bmp.Canvas().Lock();
  struct TUnlock {
    TBitmap& b;
    ~TUnlock() { b.Canvas().Unlock(); }
  } unlock{bmp};
  if (!FOpen) {
    bmp.SetSize(0, 0);
    pts = -1;
    return bmp;
  }
  if (!FValid) {
    bmp.SetSize(FDecoderWidth, FDecoderHeight);
    bmp.Canvas().FillRect(0, 0, FDecoderWidth, FDecoderHeight, 0);
    pts = -1;
    return bmp;
  }
  TAVPicture pic;
  for (int p = 0; p < 3; ++p) {
    pic.data[p] = FPixels.data() + FPlaneOffsets[p];
    pic.linesize[p] = FLines[p];
  }
  pts = FPts;
  if (!converter.ToRGB(pic, AV_PIX_FMT_YUV420P, FWidth, FHeight, true)) bmp.SetSize(0, 0);
  return bmp;
}

}  // namespace zv
