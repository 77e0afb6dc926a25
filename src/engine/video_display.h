#pragma once
// Putting pictures on the output: the rectangle for the aspect-ratio setting,
// the sizing of the output, the upload and rendering of a picture, and
// read-backs of the output.
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

// Play thread: sizes the output (the screen size, else the picture's, else
// 640 x 480) and takes its actual size. 0, or -1 when there is no output.
int VideoOpen(TMediaState* playback, bool force);

// Play thread: uploads frame (YUV 4:2:0; a due subtitle is blended into it,
// made writable first) and shows it; it stays the picture on screen, and the
// player's copy for CurrentFrame refers to it. False after the fatal message
// when the output cannot take a picture of its size: the caller closes the
// playback.
bool ShowPicture(TMediaState* playback, AVFrame* frame, double pts, double targetClock);
// Play thread: draws the picture on screen again (black when there is none).
void VideoImageDisplay(TMediaState* playback);
// At the close of the playback: frees the padded copy (the texture goes with
// the renderer).
void FreeScreenPicture(TMediaState* playback);

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
