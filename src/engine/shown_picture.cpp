#include "engine/shown_picture.h"

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

void TShownPicture::Store(const TVideoPicture& vp, int64_t ptsMicros) {
  if (!vp.Planes[0] || vp.Width <= 0 || vp.Height <= 0) return;
  const int w = vp.Width, h = vp.Height, cw = w / 2, ch = h / 2;
  std::lock_guard<std::mutex> g(FLock);
  if (!FOpen) return;
  FPixels.resize(size_t(w) * h + 2 * size_t(cw) * ch);
  uint8_t* dst = FPixels.data();
  const int widths[3] = {w, cw, cw}, heights[3] = {h, ch, ch};
  for (int p = 0; p < 3; ++p) {
    for (int y = 0; y < heights[p]; ++y) {
      std::memcpy(dst, vp.Planes[p] + size_t(y) * vp.Pitches[p], size_t(widths[p]));
      dst += widths[p];
    }
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
  pic.data[0] = FPixels.data();
  pic.data[1] = pic.data[0] + size_t(FWidth) * FHeight;
  pic.data[2] = pic.data[1] + size_t(FWidth / 2) * (FHeight / 2);
  pic.linesize[0] = FWidth;
  pic.linesize[1] = pic.linesize[2] = FWidth / 2;
  pts = FPts;
  if (!converter.ToRGB(pic, AV_PIX_FMT_YUV420P, FWidth, FHeight, true)) bmp.SetSize(0, 0);
  return bmp;
}

}  // namespace zv
