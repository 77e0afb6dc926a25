#include "engine/display.h"

#include <chrono>
#include <thread>

#include "engine/player.h"
#include "engine/sdl_events.h"
#include "engine/waveform.h"

namespace zv {

namespace {
constexpr int PictureRefreshMs = 5;
}

int RefreshPeriodMs(const TMediaState* is, int audioDisplayPeriod) {
  return (is->AudioStream && is->ShowAudio) ? audioDisplayPeriod : PictureRefreshMs;
}

void RefreshThreadMain(TMediaState* is) {
  TCustomPlayer* player = is->Owner;
  while (is->AbortRequest.load(std::memory_order_relaxed) != 1) {
    if (is->Refresh.load(std::memory_order_relaxed) != 1) {
      is->Refresh.store(1, std::memory_order_relaxed);
      // A refused event is tried again on the next pass.
      if (!PushRefreshEvent(is)) is->Refresh.store(0, std::memory_order_relaxed);
    }
    int period = RefreshPeriodMs(is, player ? player->AudioDisplayPeriod() : PictureRefreshMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(period));
  }
}

void VideoRefresh(TMediaState* is, bool fromTimer) {
  (void)fromTimer;  // decides picture consumption once pictures are queued
  TCustomPlayer* player = is->Owner;
  if (!is->VideoStream) {
    if (is->AudioStream) {
      VideoDisplay(is);
      if (player) player->UpdatePosition();
    }
    return;
  }
  // Pictures are scheduled by the video path; until it shows one the position
  // follows the master clock.
  if (player) player->UpdatePosition();
}

void VideoDisplay(TMediaState* is) {
  if (is->AudioStream && is->ShowAudio) VideoAudioDisplay(is);
}

}  // namespace zv
