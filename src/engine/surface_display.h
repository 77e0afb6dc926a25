#pragma once
// Pictures drawn without a GPU: when the only GL there is draws on the CPU
// (or there is none), each picture is converted and scaled once, by swscale,
// straight into the window's own surface at the output rectangle, in the
// surface's pixel format; SDL's software renderer draws what goes over it
// (text, the waveform) and puts the surface on the window (shared-memory
// images under X11). No texture in between, no GL pipeline.
#include <SDL2/SDL.h>

#include <string>

#include "runtime/av_ptr.h"
#include "runtime/picture_colour.h"
#include "runtime/sdl_loader.h"

namespace zv {

enum class TDrawPath { Texture, Surface };

// The path ZELVO_DRAW asks for ("software" or "texture"); false when unset
// or another value (then the renderer decides).
bool ForcedDrawPath(TDrawPath& path);
// A GL renderer string naming a rasteriser that runs on the CPU.
bool IsSoftwareGlRenderer(const std::string& name);
// Play thread, with the window made and no renderer yet: the path to draw
// on, and a renderer made for it (null when none could be made).
SDL_Renderer* CreateOutputRenderer(const TSDLEntryPoints& sdl, SDL_Window* window, TDrawPath& path);

// The picture on screen on the surface path. Play thread only.
class TSurfaceDisplay {
public:
  bool Active() const { return FActive; }
  void SetActive(bool active) { FActive = active; }
  // Keeps a reference to the picture shown: redraws convert it again. False
  // when it cannot be kept (out of memory).
  bool Keep(const AVFrame* frame);
  bool HasPicture() const { return FFrame && FFrame->data[0]; }
  // The playback closed: its picture goes.
  void Forget();
  // Draws the kept picture into the window's surface at rect (clipped to the
  // surface), black around it; with no picture, all black.
  void Draw(const TSDLEntryPoints& sdl, SDL_Window* window, SDL_Rect rect);

private:
  bool PrepareScaler(int dstWidth, int dstHeight, Uint32 surfaceFormat);

  bool FActive = false;
  AVFramePtr FFrame;
  SwsContextPtr FContext;
  // What FContext was made for.
  int FSrcWidth = 0, FSrcHeight = 0, FSrcFormat = -1, FDstWidth = 0, FDstHeight = 0;
  Uint32 FDstFormat = SDL_PIXELFORMAT_UNKNOWN;
  TPictureColour FColour;
};

}  // namespace zv
