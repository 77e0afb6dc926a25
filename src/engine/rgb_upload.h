#pragma once
// Pictures for a renderer that draws on the CPU. SDL's software renderer
// turns a YUV texture into RGB through a copy of the planes and a blit on
// every update; converting once, with swscale, into a texture in the
// window's own pixel format leaves the renderer a plain copy: about half the
// cost of drawing a picture.
#include <SDL2/SDL.h>

#include <memory>

#include "runtime/av_ptr.h"
#include "runtime/picture_colour.h"
#include "runtime/sdl_loader.h"
#include "runtime/ycgco_to_rgb.h"

namespace zv {

// The texture format to draw YUV 4:2:0 pictures through for this renderer
// and window: an RGB format the upload below can write, or
// SDL_PIXELFORMAT_IYUV when the renderer converts YUV itself (on a GPU) and
// sdlConverts says SDL has the picture's colour matrix.
Uint32 PictureTextureFormat(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, SDL_Window* window,
                            bool sdlConverts = true);

// The swscale output writing the same bytes as an SDL format, in memory
// order; AV_PIX_FMT_NONE for a format it has none for.
AVPixelFormat AvFormatOfSdl(Uint32 sdlFormat);

// Width of an RGB texture for pictures pictureWidth wide: the converter
// writes whole groups of 16 pixels, and its rows must have room for them.
int RgbTextureWidth(int pictureWidth);

// Converts YUV 4:2:0 frames into a streaming RGB texture; one per texture.
class TRgbUpload {
public:
  // False when the converter cannot take this size or format: draw YUV then.
  bool Prepare(Uint32 textureFormat, int width, int height);
  // Writes the frame (of the prepared size) at the texture's top left.
  bool Upload(const TSDLEntryPoints& sdl, SDL_Texture* texture, const AVFrame* frame);
  void Reset();

private:
  std::unique_ptr<SwsContext, SwsContextDeleter> FContext;
  int FWidth = 0, FHeight = 0;
  TRgb32Layout FLayout{};  // the texture's byte order, for the pictures swscale cannot convert
  // The colours the context converts with, once set.
  TPictureColour FColour;
  bool FColourSet = false;
};

}  // namespace zv
