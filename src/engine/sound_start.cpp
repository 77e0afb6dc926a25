#include "engine/sound_start.h"

namespace zv {

void TSoundStart::Hold(const TSDLEntryPoints* sdl, SDL_AudioDeviceID device, int64_t nowMicros) {
  std::lock_guard<std::mutex> g(FLock);
  FSdl = sdl;
  FDevice = device;
  FHeldAt = nowMicros;
  FAimLeft = 0;
}

void TSoundStart::Release(int64_t nowMicros, bool aim) {
  std::lock_guard<std::mutex> g(FLock);
  if (!FDevice) return;
  // Under the lock: Cancel waits, so the device is still open here.
  if (FSdl) FSdl->SDL_PauseAudioDevice(FDevice, 0);
  FDevice = 0;
  FAimLeft = aim ? AimedPictures : 0;
  FReleasedAt = nowMicros;
}

void TSoundStart::ReleaseIfOverdue(int64_t nowMicros) {
  bool overdue;
  {
    std::lock_guard<std::mutex> g(FLock);
    overdue = FDevice && nowMicros - FHeldAt > MaxHoldMicros;
  }
  if (overdue) Release(nowMicros, false);
}

void TSoundStart::Cancel() {
  std::lock_guard<std::mutex> g(FLock);
  FDevice = 0;
  FAimLeft = 0;
}

bool TSoundStart::Held() {
  std::lock_guard<std::mutex> g(FLock);
  return FDevice != 0;
}

bool TSoundStart::Aiming(int64_t nowMicros, int64_t* sinceMicros) {
  std::lock_guard<std::mutex> g(FLock);
  if (FAimLeft > 0 && nowMicros - FReleasedAt > MaxAimMicros) FAimLeft = 0;
  if (sinceMicros) *sinceMicros = FReleasedAt;
  return FAimLeft > 0;
}

bool TSoundStart::NoteShown() {
  std::lock_guard<std::mutex> g(FLock);
  if (FAimLeft <= 0) return false;
  return --FAimLeft == AimedPictures - 1;
}

}  // namespace zv
