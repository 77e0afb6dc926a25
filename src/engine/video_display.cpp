#include "engine/video_display.h"

#include <algorithm>
#include <cmath>

#include "engine/clocks.h"
#include "engine/player.h"
#include "engine/slot_copy.h"
#include "engine/subtitle_blend.h"
#include "engine/surface_display.h"
#include "engine/yuv_conversion.h"
#include "runtime/entry_points.h"
#include "runtime/logger.h"
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

constexpr int DefaultVideoWidth = 640, DefaultVideoHeight = 480;

// Clears to black (SDL double-buffers: anything not drawn would show an older
// frame), draws the texture on screen, lets a read-back see it, presents.
void RenderOutput(TMediaState* playback, double mediaTime) {
  TCustomPlayer* player = playback->Owner;
  SDL_Renderer* renderer = player->Renderer();
  if (!renderer) return;
  const TSDLEntryPoints& sdl = player->SDL();
  const TVideoPicture& sc = playback->Screen;
  TSurfaceDisplay& surface = player->SurfaceDisplay();
  const bool onSurface = surface.Active();
  const bool picture = sc.Filled && (onSurface ? surface.HasPicture() : sc.Texture != nullptr) &&
                       playback->Width > 0 && playback->Height > 0;
  SDL_Rect r{0, 0, 0, 0};
  if (picture) {
    r = DisplayRect(player->AspectRatio(), playback->Width, playback->Height, sc.Width, sc.Height, playback->ShownSar);
    r.x += playback->XLeft;
    r.y += playback->YTop;
  }
  int ow = 0, oh = 0;
  if (onSurface) {
    // Straight into the window's pixels, before anything the renderer draws over them.
    surface.Draw(sdl, player->Window(), r);
  } else if (!(picture && r.x <= 0 && r.y <= 0 && sdl.SDL_GetRendererOutputSize(renderer, &ow, &oh) == 0 &&
               r.x + r.w >= ow && r.y + r.h >= oh)) {
    // A picture over the whole output leaves nothing to clear.
    sdl.SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    sdl.SDL_RenderClear(renderer);
  }
  if (picture && !onSurface) {
    // An RGB texture is wider than its picture; a YUV one is the picture, padded.
    const SDL_Rect source{0, 0, sc.PictureWidth, sc.PictureHeight};
    sdl.SDL_RenderCopy(renderer, sc.Texture, sc.Format == SDL_PIXELFORMAT_IYUV ? nullptr : &source, &r);
  }
  if (ow > 0 || sdl.SDL_GetRendererOutputSize(renderer, &ow, &oh) == 0) {
    TOverlayGeometry g{ow, oh, 0, 0, ow, oh, 0, 0};
    if (picture) g = TOverlayGeometry{ow, oh, r.x, r.y, r.w, r.h, sc.PictureWidth, sc.PictureHeight};
    player->OverlayTexture().Draw(sdl, renderer, player->TextOverlay(), g, mediaTime);
  }
  player->OutputCapture().Fill(sdl, renderer);
  sdl.SDL_RenderPresent(renderer);
}

void FreePaddedCopy(TVideoPicture& sc) {
  if (sc.Planes[0]) ff::av_freep(&sc.Planes[0]);
  sc.Planes[1] = sc.Planes[2] = nullptr;
  sc.Pitches[0] = sc.Pitches[1] = sc.Pitches[2] = 0;
}

void DropTexture(const TSDLEntryPoints& sdl, TVideoPicture& sc) {
  if (sc.Texture) sdl.SDL_DestroyTexture(sc.Texture);
  sc.Texture = nullptr;
  sc.Format = SDL_PIXELFORMAT_UNKNOWN;
  sc.Rgb.Reset();
  sc.Colour.reset();
  sc.Filled = false;
  sc.Width = sc.Height = sc.PictureWidth = sc.PictureHeight = 0;
  FreePaddedCopy(sc);
}

SDL_Texture* MakeTexture(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, Uint32 format, int w, int h) {
  SDL_Texture* t = sdl.SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, w, h);
  // Pictures are opaque: drawn as a copy. A renderer that keeps the texture
  // in a format with alpha would otherwise blend every pixel.
  if (t) sdl.SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
  return t;
}

// An RGB texture the picture is converted into, when the renderer draws on
// the CPU; false leaves the YUV texture to be made.
bool PrepareRgbScreen(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, Uint32 format, TVideoPicture& sc,
                      int pictureWidth, int pictureHeight) {
  if (format == SDL_PIXELFORMAT_IYUV || sc.RgbFailed || !sc.Rgb.Prepare(format, pictureWidth, pictureHeight))
    return false;
  sc.Texture = MakeTexture(sdl, renderer, format, RgbTextureWidth(pictureWidth), pictureHeight);
  if (!sc.Texture) {
    sc.Rgb.Reset();
    return false;
  }
  sc.Format = format;
  return true;
}

// A texture at the picture's size rounded up to even and, for an odd side, a
// padded copy to upload from; made again only when the size or the colours
// change.
bool PrepareScreen(TMediaState* playback, const AVFrame* frame) {
  TVideoPicture& sc = playback->Screen;
  const int pictureWidth = frame->width, pictureHeight = frame->height;
  const int w = SlotSizeFor(pictureWidth), h = SlotSizeFor(pictureHeight);
  const bool padded = w != pictureWidth || h != pictureHeight;
  const bool rgb = sc.Format != SDL_PIXELFORMAT_IYUV;
  const TPictureColour colour = PictureColourOf(frame);
  if (sc.Texture && sc.PictureWidth == pictureWidth && sc.PictureHeight == pictureHeight &&
      (rgb || padded == (sc.Planes[0] != nullptr)) && sc.Colour == colour)
    return true;
  const std::optional<SDL_YUV_CONVERSION_MODE> mode = SdlYuvModeFor(colour);
  TCustomPlayer* player = playback->Owner;
  const TSDLEntryPoints& sdl = player->SDL();
  VideoOpen(playback, false);
  DropTexture(sdl, sc);
  SDL_Renderer* renderer = player->Renderer();
  bool ok = renderer && w > 0 && h > 0;
  const Uint32 format =
      ok ? PictureTextureFormat(sdl, renderer, player->Window(), mode.has_value()) : Uint32(SDL_PIXELFORMAT_IYUV);
  if (ok && !PrepareRgbScreen(sdl, renderer, format, sc, pictureWidth, pictureHeight)) {
    // Process-wide, and taken by the texture: one playback draws at a time.
    // Without the RGB upload, the nearest matrix SDL has.
    const bool near601 = colour.Matrix == TYuvMatrix::Bt601 || colour.Matrix == TYuvMatrix::Fcc ||
                         colour.Matrix == TYuvMatrix::YCgCo;
    sdl.SDL_SetYUVConversionMode(mode.value_or(near601 ? SDL_YUV_CONVERSION_BT601 : SDL_YUV_CONVERSION_BT709));
    sc.Texture = MakeTexture(sdl, renderer, SDL_PIXELFORMAT_IYUV, w, h);
    ok = sc.Texture != nullptr;
    sc.Format = SDL_PIXELFORMAT_IYUV;
    if (ok && padded) {
      // Rows 32-byte aligned for the copy and the upload.
      const int pitchY = FFALIGN(w, 32), pitchC = FFALIGN(w / 2, 32);
      const size_t ySize = size_t(pitchY) * h, cSize = size_t(pitchC) * (h / 2);
      sc.Planes[0] = static_cast<uint8_t*>(ff::av_malloc(ySize + 2 * cSize));
      ok = sc.Planes[0] != nullptr;
      if (ok) {
        sc.Planes[1] = sc.Planes[0] + ySize;
        sc.Planes[2] = sc.Planes[1] + cSize;
        sc.Pitches[0] = pitchY;
        sc.Pitches[1] = sc.Pitches[2] = pitchC;
      }
    }
  }
  if (!ok) {
    DropTexture(sdl, sc);
    DefaultLogger().LogFmt(player, llFatal,
                           "Error: the video system does not support an image size of %dx%d pixels. Try using "
                           "-lowres or -vf \"scale=w:h\" to reduce the image size.",
                           {w, h});
    return false;
  }
  sc.Colour = colour;
  sc.Width = w;
  sc.Height = h;
  sc.PictureWidth = pictureWidth;
  sc.PictureHeight = pictureHeight;
  return true;
}

// The surface path keeps no texture: only the sizes the rectangle is made from.
bool PrepareSurfaceScreen(TMediaState* playback, const AVFrame* frame) {
  TVideoPicture& sc = playback->Screen;
  if (sc.Filled && sc.PictureWidth == frame->width && sc.PictureHeight == frame->height) return true;
  if (frame->width <= 0 || frame->height <= 0) return false;
  VideoOpen(playback, false);
  sc.Width = SlotSizeFor(frame->width);
  sc.Height = SlotSizeFor(frame->height);
  sc.PictureWidth = frame->width;
  sc.PictureHeight = frame->height;
  return true;
}

}  // namespace

int VideoOpen(TMediaState* playback, bool force) {
  TCustomPlayer* player = playback->Owner;
  const TSDLEntryPoints& sdl = player->SDL();
  int w, h;
  if (player->ScreenWidth() > 0 && player->ScreenHeight() > 0) {
    w = player->ScreenWidth();
    h = player->ScreenHeight();
  } else if (playback->SinkWidth.load(std::memory_order_acquire) > 1 && playback->SinkHeight.load(std::memory_order_acquire) > 1) {
    w = SlotSizeFor(playback->SinkWidth.load(std::memory_order_acquire));
    h = SlotSizeFor(playback->SinkHeight.load(std::memory_order_acquire));
  } else {
    w = DefaultVideoWidth;
    h = DefaultVideoHeight;
  }
  SDL_Renderer* renderer = player->Renderer();
  SDL_Window* window = player->Window();
  if (!force && renderer && playback->Width == w && playback->Height == h) return 0;
  if (!renderer || !window) {
    player->ReportError("SDL: could not set video mode.", false);
    return -1;
  }
  if (!player->ScreenHandle()) {
    // Our own window takes the size; a host's window keeps the one it has.
    int cw = 0, ch = 0;
    sdl.SDL_GetWindowSize(window, &cw, &ch);
    if (cw != w || ch != h) sdl.SDL_SetWindowSize(window, w, h);
    sdl.SDL_SetWindowTitle(window, "FFPlayer");
  }
  int aw = 0, ah = 0;
  if (sdl.SDL_GetRendererOutputSize(renderer, &aw, &ah) != 0 || aw <= 0 || ah <= 0)
    sdl.SDL_GetWindowSize(window, &aw, &ah);
  playback->Width = aw;
  playback->Height = ah;
  player->VideoStatsCounter().AddSurfaceOpen();
  return 0;
}

bool ShowPicture(TMediaState* playback, AVFrame* frame, double pts, double targetClock) {
  TCustomPlayer* player = playback->Owner;
  const int64_t start = ClockMicros();
  const int pw = frame->width, ph = frame->height;
  TSurfaceDisplay& surface = player->SurfaceDisplay();
  if (!(surface.Active() ? PrepareSurfaceScreen(playback, frame) : PrepareScreen(playback, frame))) return false;
  TVideoPicture& sc = playback->Screen;
  // The frame may share its buffers with the decoder or the filters: it gets
  // its own only for a subtitle to draw on.
  if (playback->SubtitleStream && SubtitleDue(playback, pts) && ff::av_frame_make_writable(frame) >= 0)
    BlendDueSubtitle(playback, pts, frame->data, frame->linesize, pw, ph);
  const TSDLEntryPoints& sdl = player->SDL();
  if (surface.Active()) {
    // Converted when drawn, straight to the output's size.
    if (!surface.Keep(frame)) return false;
  } else if (sc.Format != SDL_PIXELFORMAT_IYUV && !sc.Rgb.Upload(sdl, sc.Texture, frame)) {
    // SDL converts then, as on a GPU.
    sc.RgbFailed = true;
    DropTexture(sdl, sc);
    if (!PrepareScreen(playback, frame)) return false;
  }
  if (!surface.Active() && sc.Format == SDL_PIXELFORMAT_IYUV && !sc.Planes[0]) {
    sdl.SDL_UpdateYUVTexture(sc.Texture, nullptr, frame->data[0], frame->linesize[0], frame->data[1],
                             frame->linesize[1], frame->data[2], frame->linesize[2]);
  } else if (!surface.Active() && sc.Format == SDL_PIXELFORMAT_IYUV) {
    CopyFrameIntoSlot(sc, frame);
    sdl.SDL_UpdateYUVTexture(sc.Texture, nullptr, sc.Planes[0], sc.Pitches[0], sc.Planes[1], sc.Pitches[1],
                             sc.Planes[2], sc.Pitches[2]);
  }
  sc.Filled = true;
  playback->ShownSar = frame->sample_aspect_ratio;
  RenderOutput(playback, pts);
  player->ShownPicture().Store(frame, MicrosFromStart(pts, playback->StartTime));
  const int64_t end = ClockMicros();
  // Smoothed, and never more than a picture's worth: one slow drawing must
  // not pull the next pictures far ahead of their time.
  const double took = double(end - start) / 1000000.0;
  playback->DisplayLead = std::min(0.9 * playback->DisplayLead + 0.1 * took, std::max(playback->FrameDuration, 0.01) * 0.75);
  player->VideoStatsCounter().AddDisplayTime(double(end - start));
  player->VideoStatsCounter().AddShown(pts, pts - GetMasterClock(playback), double(end) / 1000000.0 - targetClock);
  return true;
}

void VideoImageDisplay(TMediaState* playback) {
  RenderOutput(playback, playback->VideoCurrentPts.load(std::memory_order_relaxed));
}

void FreeScreenPicture(TMediaState* playback) {
  TVideoPicture& sc = playback->Screen;
  FreePaddedCopy(sc);
  sc.Texture = nullptr;  // textures go with the renderer
  sc.Format = SDL_PIXELFORMAT_UNKNOWN;
  sc.Rgb.Reset();
  sc.Colour.reset();
  sc.RgbFailed = false;
  sc.Filled = false;
  sc.Width = sc.Height = sc.PictureWidth = sc.PictureHeight = 0;
  playback->Owner->SurfaceDisplay().Forget();
}

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
