#include "engine/shown_picture.h"

#include "runtime/entry_points.h"
#include "runtime/picture_colour.h"

namespace zv {

TShownPicture::~TShownPicture() {
  std::lock_guard<std::mutex> g(FLock);
  Release_Locked();
}

void TShownPicture::Release_Locked() {
  if (FFrame) ff::av_frame_free(&FFrame);
  FPts = -1;
}

void TShownPicture::Open(int decoderWidth, int decoderHeight) {
  std::lock_guard<std::mutex> g(FLock);
  FOpen = true;
  FDecoderWidth = decoderWidth > 0 ? decoderWidth : 0;
  FDecoderHeight = decoderHeight > 0 ? decoderHeight : 0;
  Release_Locked();
}

void TShownPicture::Close() {
  std::lock_guard<std::mutex> g(FLock);
  FOpen = false;
  Release_Locked();
}

int64_t TShownPicture::Pts() {
  std::lock_guard<std::mutex> g(FLock);
  return FOpen && FFrame ? FPts : -1;
}

void TShownPicture::Store(const AVFrame* frame, int64_t ptsMicros) {
  if (!frame || frame->width <= 0 || frame->height <= 0 || !frame->data[0]) return;
  std::lock_guard<std::mutex> g(FLock);
  if (!FOpen) return;
  if (!FFrame) FFrame = ff::av_frame_alloc();
  if (!FFrame) return;
  ff::av_frame_unref(FFrame);
  if (ff::av_frame_ref(FFrame, frame) < 0) {
    Release_Locked();
    return;
  }
  FPts = ptsMicros;
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
  if (!FFrame || !FFrame->data[0]) {
    bmp.SetSize(FDecoderWidth, FDecoderHeight);
    bmp.Canvas().FillRect(0, 0, FDecoderWidth, FDecoderHeight, 0);
    pts = -1;
    return bmp;
  }
  TAVPicture pic;
  for (int p = 0; p < 4; ++p) {
    pic.data[p] = FFrame->data[p];
    pic.linesize[p] = FFrame->linesize[p];
  }
  pts = FPts;
  // In the colours the picture is shown in.
  const TPictureColour colour = PictureColourOf(FFrame);
  if (!converter.ToRGB(pic, AVPixelFormat(FFrame->format), FFrame->width, FFrame->height, true, &colour))
    bmp.SetSize(0, 0);
  return bmp;
}

}  // namespace zv
