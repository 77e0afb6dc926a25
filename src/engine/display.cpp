#include "engine/display.h"

#include <chrono>
#include <thread>

#include "engine/clocks.h"
#include "engine/picture_queue.h"
#include "engine/player.h"
#include "engine/sdl_events.h"
#include "engine/subtitle_blend.h"
#include "engine/video_display.h"
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
  TCustomPlayer* player = is->Owner;
  if (!is->VideoStream) {
    if (is->AudioStream) {
      VideoDisplay(is);
      if (player) player->UpdatePosition();
    }
    return;
  }
  const bool paused = is->Paused.load(std::memory_order_relaxed);
  bool shown = true, drawn = false;
  for (;;) {
    int slot = 0;
    double target = 0;
    bool stale = false;
    if (!PictQueuePeek(is, slot, target, stale)) break;
    if (stale) {
      // Queued before a seek: never shown.
      PictQueueConsume(is, true);
      if (player) player->VideoStatsCounter().AddDiscardedAfterSeek();
      shown = false;
      continue;
    }
    const double now = ClockSeconds();
    if (now < target) {
      if (!fromTimer) VideoDisplay(is);
      return;
    }
    // Paused, the picture on screen stays; only the first one after an open
    // or a seek comes up.
    if (paused && is->PictureShown.load(std::memory_order_relaxed)) break;
    const TVideoPicture& vp = is->PictQueue[slot];
    is->VideoCurrentPts.store(vp.Pts, std::memory_order_relaxed);
    is->VideoCurrentPtsDrift.store(vp.Pts - now, std::memory_order_relaxed);
    is->VideoCurrentPos.store(vp.Pos, std::memory_order_relaxed);
    if (is->SubtitleStream) ExpireSubtitles(is);
    // Once on screen a picture leaves the queue, whoever asked for the drawing:
    // redraws take it from its texture.
    ShowPicture(is, slot);
    drawn = true;
    PictQueueConsume(is, false);
    break;
  }
  // Redraws (and read-backs asked for) show the picture on screen.
  if (!drawn && (!fromTimer || (player && player->OutputCapture().Armed()))) VideoDisplay(is);
  if (shown && player) player->UpdatePosition();
}

void VideoDisplay(TMediaState* is) {
  if (is->AudioStream && is->ShowAudio) {
    VideoAudioDisplay(is);
  } else if (is->VideoStream) {
    if (is->Width <= 0 || is->Height <= 0) VideoOpen(is, false);
    VideoImageDisplay(is);
  }
}

}  // namespace zv
