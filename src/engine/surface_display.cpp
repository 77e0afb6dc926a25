#include "engine/surface_display.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/rgb_upload.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {

constexpr unsigned GlRendererString = 0x1F01;  // GL_RENDERER

bool Exists(const char* path) {
  struct stat st {};
  return stat(path, &st) == 0;
}

// Without a GPU device node every GL there is runs on the CPU: no need to
// load a GL driver to learn so (it costs tens of MB).
bool GpuDevicePresent() { return Exists("/dev/dri") || Exists("/dev/nvidia0"); }

std::string GlRendererName(const TSDLEntryPoints& sdl) {
  if (!sdl.SDL_GL_GetProcAddress) return {};
  using TGetString = const unsigned char* (*)(unsigned);
  auto getString = reinterpret_cast<TGetString>(sdl.SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString ? getString(GlRendererString) : nullptr;
  return name ? reinterpret_cast<const char*>(name) : "";
}

SDL_Renderer* SoftwareRenderer(const TSDLEntryPoints& sdl, SDL_Window* window) {
  return sdl.SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
}

}  // namespace

bool ForcedDrawPath(TDrawPath& path) {
  const char* v = std::getenv("ZELVO_DRAW");
  if (!v) return false;
  if (std::strcmp(v, "software") == 0) {
    path = TDrawPath::Surface;
    return true;
  }
  if (std::strcmp(v, "texture") == 0) {
    path = TDrawPath::Texture;
    return true;
  }
  return false;
}

bool IsSoftwareGlRenderer(const std::string& name) {
  for (const char* cpu : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
    if (name.find(cpu) != std::string::npos) return true;
  return false;
}

SDL_Renderer* CreateOutputRenderer(const TSDLEntryPoints& sdl, SDL_Window* window, TDrawPath& path) {
  // The window's surface is SDL's own image of the window (shared memory
  // under X11), not a GL texture behind it.
  sdl.SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  TDrawPath forced = TDrawPath::Texture;
  const bool isForced = ForcedDrawPath(forced);
  if ((isForced && forced == TDrawPath::Surface) || (!isForced && !GpuDevicePresent())) {
    path = TDrawPath::Surface;
    if (SDL_Renderer* r = SoftwareRenderer(sdl, window)) return r;
  }
  SDL_Renderer* r = sdl.SDL_CreateRenderer(window, -1, 0);
  if (!r) r = SoftwareRenderer(sdl, window);
  path = TDrawPath::Texture;
  if (!r || isForced) return r;
  SDL_RendererInfo info{};
  if (sdl.SDL_GetRendererInfo(r, &info) != 0) return r;
  if (info.flags & SDL_RENDERER_SOFTWARE) {
    path = TDrawPath::Surface;
    return r;
  }
  // SDL calls a GL renderer accelerated whatever draws behind it.
  const std::string name = info.name ? info.name : "";
  if (name.rfind("opengl", 0) == 0 && IsSoftwareGlRenderer(GlRendererName(sdl))) {
    sdl.SDL_DestroyRenderer(r);
    path = TDrawPath::Surface;
    return SoftwareRenderer(sdl, window);
  }
  return r;
}

bool TSurfaceDisplay::Keep(const AVFrame* frame) {
  if (!FFrame) FFrame.reset(ff::av_frame_alloc());
  if (!FFrame) return false;
  ff::av_frame_unref(FFrame.get());
  return ff::av_frame_ref(FFrame.get(), frame) >= 0;
}

void TSurfaceDisplay::Forget() {
  if (FFrame) ff::av_frame_unref(FFrame.get());
}

bool TSurfaceDisplay::PrepareScaler(int dstWidth, int dstHeight, Uint32 surfaceFormat) {
  const AVFrame* f = FFrame.get();
  const TPictureColour colour = PictureColourOf(f);
  if (FContext && f->width == FSrcWidth && f->height == FSrcHeight && f->format == FSrcFormat &&
      dstWidth == FDstWidth && dstHeight == FDstHeight && surfaceFormat == FDstFormat && colour == FColour)
    return true;
  FContext.reset();
  FSrcWidth = f->width;
  FSrcHeight = f->height;
  FSrcFormat = f->format;
  FDstWidth = dstWidth;
  FDstHeight = dstHeight;
  FDstFormat = surfaceFormat;
  FColour = colour;
  const AVPixelFormat out = AvFormatOfSdl(surfaceFormat);
  if (out == AV_PIX_FMT_NONE) return false;
  // Same size: swscale's direct conversion; scaled: its fastest filter, as
  // pictures move on every 20-40 ms.
  const int flags = dstWidth == f->width && dstHeight == f->height ? SWS_POINT : SWS_FAST_BILINEAR;
  FContext.reset(ff::sws_getContext(f->width, f->height, AVPixelFormat(f->format), dstWidth, dstHeight, out, flags,
                                    nullptr, nullptr, nullptr));
  if (FContext && !SetScalerColour(FContext.get(), colour)) FContext.reset();
  return FContext != nullptr;
}

void TSurfaceDisplay::Draw(const TSDLEntryPoints& sdl, SDL_Window* window, SDL_Rect rect) {
  SDL_Surface* s = window ? sdl.SDL_GetWindowSurface(window) : nullptr;
  if (!s || !s->pixels) return;
  const int x0 = std::clamp(rect.x, 0, s->w), y0 = std::clamp(rect.y, 0, s->h);
  const int x1 = std::clamp(rect.x + rect.w, 0, s->w), y1 = std::clamp(rect.y + rect.h, 0, s->h);
  rect = SDL_Rect{x0, y0, x1 - x0, y1 - y0};
  const Uint32 black = sdl.SDL_MapRGB(s->format, 0, 0, 0);
  bool drawn = false;
  if (HasPicture() && rect.w > 0 && rect.h > 0 && PrepareScaler(rect.w, rect.h, s->format->format)) {
    uint8_t* dst[4] = {static_cast<uint8_t*>(s->pixels) + size_t(rect.y) * s->pitch +
                           size_t(rect.x) * s->format->BytesPerPixel,
                       nullptr, nullptr, nullptr};
    int stride[4] = {s->pitch, 0, 0, 0};
    drawn = ff::sws_scale(FContext.get(), FFrame->data, FFrame->linesize, 0, FFrame->height, dst, stride) > 0;
  }
  if (!drawn) {
    sdl.SDL_FillRect(s, nullptr, black);
    return;
  }
  // Only the bars around the picture: the picture covers the rest.
  const SDL_Rect bars[4] = {{0, 0, s->w, rect.y},
                            {0, rect.y + rect.h, s->w, s->h - rect.y - rect.h},
                            {0, rect.y, rect.x, rect.h},
                            {rect.x + rect.w, rect.y, s->w - rect.x - rect.w, rect.h}};
  for (const SDL_Rect& b : bars)
    if (b.w > 0 && b.h > 0) sdl.SDL_FillRect(s, &b, black);
}

}  // namespace zv
