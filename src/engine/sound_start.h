#pragma once
// When the sound device of a file with pictures starts: not before its first
// picture is ready, so the sound does not run ahead while the first picture
// is decoded and the output is made; that picture, and the one timed with it
// before the sound ran, are then shown when the sound reaches them.
#include <SDL2/SDL.h>

#include <cstdint>
#include <mutex>

#include "runtime/sdl_loader.h"

namespace zv {

class TSoundStart {
public:
  // How long the sound waits for a first picture at most (a broken video
  // stream must not keep a file silent).
  static constexpr int64_t MaxHoldMicros = 1000000;
  // Pictures shown by the sound's clock once it runs: the queue's depth.
  static constexpr int AimedPictures = 2;
  // How long they wait for the sound's clock to run at most.
  static constexpr int64_t MaxAimMicros = 500000;

  // Stream open: the device opened paused and starts on Release.
  void Hold(const TSDLEntryPoints* sdl, SDL_AudioDeviceID device, int64_t nowMicros);
  // Starts a held device now (no pictures to wait for, a picture ready, the
  // wait ran out); aim: the next pictures wait for the sound's clock.
  void Release(int64_t nowMicros, bool aim);
  // Releases a device held longer than MaxHoldMicros.
  void ReleaseIfOverdue(int64_t nowMicros);
  // Before the device closes: it is not started any more.
  void Cancel();
  bool Held();

  // Play thread: the head picture goes by the sound's clock (started after
  // sinceMicros) rather than by its schedule; stops on its own after
  // MaxAimMicros.
  bool Aiming(int64_t nowMicros, int64_t* sinceMicros = nullptr);
  // Play thread: a picture went on screen; true for the first one shown by
  // the sound's clock (the schedule of the pictures behind moves with it).
  bool NoteShown();

private:
  std::mutex FLock;
  const TSDLEntryPoints* FSdl = nullptr;  // guarded by FLock
  SDL_AudioDeviceID FDevice = 0;          // guarded by FLock: held while non-zero
  int64_t FHeldAt = 0;                    // guarded by FLock
  int FAimLeft = 0;                       // guarded by FLock
  int64_t FReleasedAt = 0;                // guarded by FLock
};

}  // namespace zv
