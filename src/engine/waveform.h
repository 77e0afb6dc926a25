#pragma once
// The oscilloscope shown for a file without pictures: one band per channel of
// the sound being played, held still on a steady tone by a trigger search.
#include <SDL2/SDL.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/media_state.h"
#include "runtime/sdl_loader.h"

namespace zv {

// Where the sound at the loudspeaker starts in the ring, before the trigger search.
struct TWaveformClock {
  int WriteIndex = 0;          // where the next sample goes in the ring
  int Channels = 1;
  int SampleRate = 0;
  int PendingBytes = 0;        // of the chunk being played, not yet handed to the device
  int64_t CallbackTime = 0;    // µs of the last callback, 0 when none yet
  int64_t Now = 0;             // µs
  int Width = 0;
};
int WaveformPlayIndex(const TWaveformClock& c);
// Searches back from playIndex for the steepest fall across a zero crossing;
// playIndex itself when there is none.
int WaveformTriggerIndex(const int16_t* ring, int playIndex, int channels);

// One frame's white shapes: a one-pixel bar per column and channel, and the
// lines between bands. ring holds SampleArraySize interleaved samples.
struct TWaveformShapes {
  std::vector<SDL_Rect> Bars;
  std::vector<SDL_Rect> Separators;
};
void WaveformShapes(const int16_t* ring, int start, int channels, const SDL_Rect& area, TWaveformShapes& out);

// Black area, white shapes, beforePresent (what goes over them), then presents.
void DrawWaveform(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, const SDL_Rect& area,
                  const TWaveformShapes& shapes, const std::function<void()>& beforePresent = {});

// Draws the current sound of the file into the player's renderer (play thread).
void VideoAudioDisplay(TMediaState* playback);

}  // namespace zv
