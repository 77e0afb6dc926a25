#pragma once
// Putting pictures on the output: the rectangle for the aspect-ratio setting,
// the upload and rendering of a queue slot, and read-backs of the output.
#include <SDL2/SDL.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/media_state.h"
#include "runtime/sdl_loader.h"

namespace zv {

// aspectRatio: 0 the picture's own shape (sar {0,1} or less counts as square
// pixels), > 0 forced width/height, < 0 the whole surface.
SDL_Rect DisplayRect(float aspectRatio, int surfaceWidth, int surfaceHeight, int pictureWidth, int pictureHeight,
                     AVRational sar);

// Play thread: uploads the slot and shows it; it stays the picture on screen.
void ShowPicture(TMediaState* is, int slot, double targetClock);
// Play thread: draws the picture on screen again (black when there is none).
void VideoImageDisplay(TMediaState* is);

// The rendered output as 0xAARRGGBB pixels, rows top-down.
struct TOutputPixels {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Argb;
  uint32_t At(int x, int y) const { return Argb[size_t(y) * Width + x]; }
};

// A read-back of the next drawing of the output, for diagnostics and tests.
class TOutputCapture {
public:
  void Arm();                     // any thread
  bool Armed();                   // any thread
  bool Take(TOutputPixels& out);  // any thread: true once a drawing after Arm was read
  // Play thread, after drawing and before presenting.
  void Fill(const TSDLEntryPoints& sdl, SDL_Renderer* renderer);

private:
  std::mutex FLock;
  bool FArmed = false;    // guarded by FLock
  bool FDone = false;     // guarded by FLock
  TOutputPixels FPixels;  // guarded by FLock
};

}  // namespace zv
