#pragma once
// Audio, video and master clocks of a playing file and the clock side of pausing.
#include <cstdint>
#include <functional>

#include "engine/media_state.h"

namespace zv {

// Monotonic microseconds. Every clock reading of the engine goes through the
// current source, so sync logic can run on a fake time line in tests.
using TClockSource = int64_t (*)();

// Installs a time source; nullptr restores the default (av_gettime_relative,
// or the steady clock while avutil is not bound).
void SetClockSource(TClockSource source);
int64_t ClockMicros();
inline double ClockSeconds() { return static_cast<double>(ClockMicros()) / 1000000.0; }

// Bytes per second of the S16 output, 0 when the file has no audio output.
int AudioBytesPerSecond(const TMediaState* playback);

// The audio clock minus the part of the current chunk not yet handed to the
// device; interpolated, it moves on with the wall clock between the device's
// callbacks over the span the last one played, instead of in steps.
double GetAudioClock(TMediaState* playback, bool interpolate = true);
double GetVideoClock(TMediaState* playback);
// Audio when the file has audio, video otherwise.
double GetMasterClock(TMediaState* playback);
// What a pause toggle waits for. Each wait is bounded (250 ms) and forces its
// event on time-out; StreamOpen tells whether the file is still open.
struct TPauseWaits {
  std::function<void()> WaitSeekDone;
  std::function<void()> WaitPictureReady;
  std::function<bool()> StreamOpen;
};
// The toggle itself, with the player's waits supplied by the caller.
void TogglePauseWith(TMediaState* playback, const TPauseWaits& waits);
// The toggle with the owning player's events.
void TogglePause(TMediaState* playback);

}  // namespace zv
