#pragma once
// Helpers of the video tests: a player on the dummy drivers, frame numbers
// read back from frame copies and from the rendered output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine_test_util.h"
#include "engine/video_display.h"
#include "runtime/bitmap.h"
#include "../tools/fixture_list.h"

namespace zv::test {

// Real-time (paced) output on the dummy drivers.
inline std::unique_ptr<TFFPlayer> MakeVideoPlayer() {
  auto p = MakePlayer();
  if (!p) return p;
  p->SetAudioDriver(adDummy);
  p->SetVideoDriver(vdDummy);
  p->SetTriggerEventInMainThread(false);
  return p;
}

inline uint8_t LumaOf(uint8_t r, uint8_t g, uint8_t b) {
  return uint8_t((66 * r + 129 * g + 25 * b + 128) / 256 + 16);
}

// Luma plane of a bitmap region [x0, x0+w) x [y0, y0+h).
inline std::vector<uint8_t> BitmapLuma(const TBitmap& bmp, int x0 = 0, int y0 = 0, int w = -1, int h = -1) {
  if (w < 0) w = bmp.Width();
  if (h < 0) h = bmp.Height();
  std::vector<uint8_t> luma(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bmp.ScanLine(y0 + y);
    for (int x = 0; x < w; ++x) {
      const uint8_t* px = row + 3 * (x0 + x);  // B, G, R
      luma[size_t(y) * w + x] = LumaOf(px[2], px[1], px[0]);
    }
  }
  return luma;
}

// Frame number coded in a frame copy, -1 when unreadable.
inline int FrameNumberOf(const TBitmap& bmp) {
  if (bmp.Width() <= 0 || bmp.Height() <= 0) return -1;
  auto luma = BitmapLuma(bmp);
  return fixtures::ReadFrameNumber(luma.data(), bmp.Width(), bmp.Width(), bmp.Height());
}

// Frame number coded in the output inside rect (the picture drawn unscaled there).
inline int FrameNumberOf(const TOutputPixels& out, const SDL_Rect& rect) {
  std::vector<uint8_t> luma(size_t(rect.w) * rect.h);
  for (int y = 0; y < rect.h; ++y)
    for (int x = 0; x < rect.w; ++x) {
      uint32_t c = out.At(rect.x + x, rect.y + y);
      luma[size_t(y) * rect.w + x] = LumaOf(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c));
    }
  return fixtures::ReadFrameNumber(luma.data(), rect.w, rect.w, rect.h);
}

// The next drawing of the output.
inline bool CaptureOutput(TCustomPlayer& p, TOutputPixels& out) {
  p.OutputCapture().Arm();
  return WaitUntil([&] { return p.OutputCapture().Take(out); });
}

// Smallest rectangle holding every pixel that is not black.
inline SDL_Rect NonBlackBounds(const TOutputPixels& out) {
  int x0 = out.Width, y0 = out.Height, x1 = -1, y1 = -1;
  for (int y = 0; y < out.Height; ++y)
    for (int x = 0; x < out.Width; ++x) {
      uint32_t c = out.At(x, y);
      if (((c >> 16) & 0xFF) > 8 || ((c >> 8) & 0xFF) > 8 || (c & 0xFF) > 8) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
    }
  if (x1 < 0) return SDL_Rect{0, 0, 0, 0};
  return SDL_Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// Frame number of a picture time (µs from the file's start) at the fixtures' rate.
inline double FrameAt(int64_t micros) { return double(micros) * fixtures::kFps / 1e6; }

}  // namespace zv::test
