#include "engine/rgb_upload.h"

#include "runtime/entry_points.h"
#include "runtime/picture_colour.h"
#include "runtime/ycgco_to_rgb.h"

namespace zv {

AVPixelFormat AvFormatOfSdl(Uint32 sdlFormat) {
  switch (sdlFormat) {
    case SDL_PIXELFORMAT_BGRA32: return AV_PIX_FMT_BGRA;
    case SDL_PIXELFORMAT_RGBA32: return AV_PIX_FMT_RGBA;
    case SDL_PIXELFORMAT_ARGB32: return AV_PIX_FMT_ARGB;
    case SDL_PIXELFORMAT_ABGR32: return AV_PIX_FMT_ABGR;
    // The padded formats are written as their alpha twins: swscale converts
    // to those with SIMD, to the padded ones in C only.
    case SDL_PIXELFORMAT_RGB888: return SDL_BYTEORDER == SDL_LIL_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB;
    case SDL_PIXELFORMAT_BGR888: return SDL_BYTEORDER == SDL_LIL_ENDIAN ? AV_PIX_FMT_RGBA : AV_PIX_FMT_ABGR;
    default: return AV_PIX_FMT_NONE;
  }
}

namespace {

TRgb32Layout LayoutOf(AVPixelFormat f) {
  switch (f) {
    case AV_PIX_FMT_BGRA: return {2, 1, 0, 3};
    case AV_PIX_FMT_RGBA: return {0, 1, 2, 3};
    case AV_PIX_FMT_ARGB: return {1, 2, 3, 0};
    default: return {3, 2, 1, 0};  // ABGR
  }
}

}  // namespace

Uint32 PictureTextureFormat(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, SDL_Window* window,
                            bool sdlConverts) {
  SDL_RendererInfo info{};
  if (!renderer || sdl.SDL_GetRendererInfo(renderer, &info) != 0) return SDL_PIXELFORMAT_IYUV;
  if (!(info.flags & SDL_RENDERER_SOFTWARE) && sdlConverts) return SDL_PIXELFORMAT_IYUV;
  // The window's own format makes the renderer's blit a copy.
  const Uint32 windowFormat = window ? sdl.SDL_GetWindowPixelFormat(window) : Uint32(SDL_PIXELFORMAT_UNKNOWN);
  if (AvFormatOfSdl(windowFormat) != AV_PIX_FMT_NONE) return windowFormat;
  return SDL_PIXELFORMAT_ARGB8888;
}

int RgbTextureWidth(int pictureWidth) { return (pictureWidth + 15) & ~15; }

bool TRgbUpload::Prepare(Uint32 textureFormat, int width, int height) {
  Reset();
  const AVPixelFormat out = AvFormatOfSdl(textureFormat);
  if (out == AV_PIX_FMT_NONE || width < 1 || height < 1) return false;
  // Same size in and out: swscale takes its direct YUV to RGB path.
  FContext.reset(ff::sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, out, SWS_POINT, nullptr,
                                    nullptr, nullptr));
  if (!FContext) return false;
  FLayout = LayoutOf(out);
  FWidth = width;
  FHeight = height;
  return true;
}

bool TRgbUpload::Upload(const TSDLEntryPoints& sdl, SDL_Texture* texture, const AVFrame* frame) {
  if (!FContext || frame->width != FWidth || frame->height != FHeight || frame->format != AV_PIX_FMT_YUV420P)
    return false;
  const TPictureColour colour = PictureColourOf(frame);
  if (colour.Matrix == TYuvMatrix::YCgCo) {
    void* pixels = nullptr;
    int pitch = 0;
    if (sdl.SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0) return false;
    YCgCo420ToRgb32(frame->data, frame->linesize, FWidth, FHeight, colour.FullRange, static_cast<uint8_t*>(pixels),
                    pitch, FLayout);
    sdl.SDL_UnlockTexture(texture);
    return true;
  }
  if (!FColourSet || !(colour == FColour)) {
    if (!SetScalerColour(FContext.get(), colour)) return false;
    FColour = colour;
    FColourSet = true;
  }
  void* pixels = nullptr;
  int pitch = 0;
  if (sdl.SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0) return false;
  uint8_t* dst[4] = {static_cast<uint8_t*>(pixels), nullptr, nullptr, nullptr};
  int dstStride[4] = {pitch, 0, 0, 0};
  const int rows = ff::sws_scale(FContext.get(), frame->data, frame->linesize, 0, FHeight, dst, dstStride);
  sdl.SDL_UnlockTexture(texture);
  return rows == FHeight;
}

void TRgbUpload::Reset() {
  FContext.reset();
  FWidth = FHeight = 0;
  FColourSet = false;
}

}  // namespace zv
