#include "engine/video_display.h"

#include <algorithm>
#include <cmath>

#include "engine/clocks.h"
#include "engine/picture_queue.h"
#include "engine/player.h"
#include "engine/subtitle_blend.h"
#include "runtime/entry_points.h"
#include "runtime/safe_math.h"

namespace zv {

SDL_Rect DisplayRect(float aspectRatio, int surfaceWidth, int surfaceHeight, int pictureWidth, int pictureHeight,
                     AVRational sar) {
  float a;
  if (aspectRatio < 0 && surfaceWidth != 0 && surfaceHeight != 0) {
    a = float(surfaceWidth) / float(surfaceHeight);
  } else if (aspectRatio > 0) {
    a = aspectRatio;
  } else {
    float pixelAspect = sar.num != 0 && sar.den != 0 ? float(av_q2d(sar)) : 0.0f;
    if (pixelAspect <= 0) pixelAspect = 1.0f;
    a = pictureHeight > 0 ? float(pictureWidth) * pixelAspect / float(pictureHeight) : 0.0f;
  }
  // A picture without a shape fills the surface.
  if (!(a > 0) || !std::isfinite(a)) return SDL_Rect{0, 0, surfaceWidth, surfaceHeight};
  int h = surfaceHeight;
  int w = int(std::lrintf(float(h) * a)) & ~1;
  if (w > surfaceWidth) {
    w = surfaceWidth;
    h = int(std::lrintf(float(w) / a)) & ~1;
  }
  return SDL_Rect{(surfaceWidth - w) / 2, (surfaceHeight - h) / 2, w, h};
}

namespace {

// Clears to black (SDL double-buffers: anything not drawn would show an older
// frame), draws the texture on screen, lets a read-back see it, presents.
void RenderOutput(TMediaState* is) {
  TCustomPlayer* player = is->Owner;
  SDL_Renderer* renderer = player->Renderer();
  if (!renderer) return;
  const TSDLEntryPoints& sdl = player->SDL();
  sdl.SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  sdl.SDL_RenderClear(renderer);
  if (is->ShownIndex >= 0) {
    const TVideoPicture& vp = is->PictQueue[is->ShownIndex];
    if (vp.Texture && is->Width > 0 && is->Height > 0) {
      SDL_Rect r = DisplayRect(player->AspectRatio(), is->Width, is->Height, vp.Width, vp.Height, is->ShownSar);
      r.x += is->XLeft;
      r.y += is->YTop;
      sdl.SDL_RenderCopy(renderer, vp.Texture, nullptr, &r);
    }
  }
  player->OutputCapture().Fill(sdl, renderer);
  sdl.SDL_RenderPresent(renderer);
}

}  // namespace

void ShowPicture(TMediaState* is, int slot, double targetClock) {
  TCustomPlayer* player = is->Owner;
  TVideoPicture& vp = is->PictQueue[slot];
  if (!vp.Texture || !vp.Planes[0]) return;
  const int64_t start = ClockMicros();
  if (is->SubtitleStream) BlendDueSubtitle(is, vp.Pts, vp.Planes, vp.Pitches, vp.Width, vp.Height);
  player->SDL().SDL_UpdateYUVTexture(vp.Texture, nullptr, vp.Planes[0], vp.Pitches[0], vp.Planes[1], vp.Pitches[1],
                                     vp.Planes[2], vp.Pitches[2]);
  is->ShownIndex = slot;
  // The slot is queued, so the video thread leaves its frame alone.
  is->ShownSar = vp.PictureRef ? vp.PictureRef->sample_aspect_ratio : AVRational{0, 1};
  RenderOutput(is);
  player->ShownPicture().Store(vp, MicrosFromStart(vp.Pts, is->StartTime));
  is->PictureShown.store(1, std::memory_order_relaxed);
  const int64_t end = ClockMicros();
  // Smoothed, and never more than a picture's worth: one slow drawing must
  // not pull the next pictures far ahead of their time.
  const double took = double(end - start) / 1000000.0;
  is->DisplayLead = std::min(0.9 * is->DisplayLead + 0.1 * took, std::max(is->FrameDuration, 0.01) * 0.75);
  player->VideoStatsCounter().AddDisplayTime(double(end - start));
  player->VideoStatsCounter().AddShown(vp.Pts, vp.Pts - GetMasterClock(is), double(end) / 1000000.0 - targetClock);
}

void VideoImageDisplay(TMediaState* is) { RenderOutput(is); }

void TOutputCapture::Arm() {
  std::lock_guard<std::mutex> g(FLock);
  FArmed = true;
  FDone = false;
}

bool TOutputCapture::Armed() {
  std::lock_guard<std::mutex> g(FLock);
  return FArmed;
}

bool TOutputCapture::Take(TOutputPixels& out) {
  std::lock_guard<std::mutex> g(FLock);
  if (!FDone) return false;
  out = std::move(FPixels);
  FPixels = TOutputPixels{};
  FDone = false;
  return true;
}

void TOutputCapture::Fill(const TSDLEntryPoints& sdl, SDL_Renderer* renderer) {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (!FArmed) return;
  }
  TOutputPixels px;
  if (sdl.SDL_GetRendererOutputSize(renderer, &px.Width, &px.Height) != 0 || px.Width <= 0 || px.Height <= 0) return;
  px.Argb.resize(size_t(px.Width) * px.Height);
  if (sdl.SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, px.Argb.data(), px.Width * 4) != 0)
    return;
  std::lock_guard<std::mutex> g(FLock);
  FPixels = std::move(px);
  FArmed = false;
  FDone = true;
}

}  // namespace zv
