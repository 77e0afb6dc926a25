#include "engine/display.h"

#include <algorithm>

#include "engine/clocks.h"
#include "engine/picture_queue.h"
#include "engine/player.h"
#include "engine/subtitle_blend.h"
#include "engine/video_display.h"
#include "engine/waveform.h"

namespace zv {

namespace {
constexpr int PictureRefreshMs = 5;
constexpr double MinLateDrop = 0.01;  // s
}

int RefreshPeriodMs(const TMediaState* is, int audioDisplayPeriod) {
  return (is->AudioStream && is->ShowAudio) ? audioDisplayPeriod : PictureRefreshMs;
}

double LateDropThreshold(const TMediaState* is) {
  return std::max(is->FrameDuration, MinLateDrop);
}

double VideoRefresh(TMediaState* is, bool fromTimer) {
  TCustomPlayer* player = is->Owner;
  if (!is->VideoStream) {
    if (is->AudioStream) {
      VideoDisplay(is);
      if (player) player->UpdatePosition();
    }
    return 0;
  }
  const bool paused = is->Paused.load(std::memory_order_relaxed);
  bool shown = true, drawn = false;
  for (;;) {
    int slot = 0;
    double target = 0, nextTarget = 0;
    bool stale = false;
    if (!PictQueuePeek(is, slot, target, stale, nextTarget)) break;
    if (stale) {
      // Queued before a seek: never shown.
      PictQueueConsume(is, ckStale);
      if (player) player->VideoStatsCounter().AddDiscardedAfterSeek();
      shown = false;
      continue;
    }
    const double now = ClockSeconds();
    const double drawAt = target - is->DisplayLead;
    if (now < drawAt) {
      if (!fromTimer) VideoDisplay(is);
      return paused && is->PictureShown.load(std::memory_order_relaxed) ? 0 : drawAt;
    }
    // Paused, the picture on screen stays; only the first one after an open
    // or a seek comes up.
    if (paused && is->PictureShown.load(std::memory_order_relaxed)) break;
    if (fromTimer && !paused && nextTarget > 0 && nextTarget - is->DisplayLead <= now &&
        now - drawAt > LateDropThreshold(is)) {
      // Behind, and a newer picture is due too: show that one instead, and
      // let the decoder pass fewer pictures until the display keeps up.
      PictQueueConsume(is, ckLate);
      if (player) player->VideoStatsCounter().AddDroppedLate();
      continue;
    }
    const TVideoPicture& vp = is->PictQueue[slot];
    is->VideoCurrentPts.store(vp.Pts, std::memory_order_relaxed);
    // On screen once drawn.
    is->VideoCurrentPtsDrift.store(vp.Pts - (now + is->DisplayLead), std::memory_order_relaxed);
    is->VideoCurrentPos.store(vp.Pos, std::memory_order_relaxed);
    if (is->SubtitleStream) ExpireSubtitles(is);
    // Once on screen a picture leaves the queue, whoever asked for the drawing:
    // redraws take it from its texture.
    ShowPicture(is, slot, target);
    drawn = true;
    PictQueueConsume(is, ckShown);
    break;
  }
  // Redraws (and read-backs asked for) show the picture on screen.
  if (!drawn && (!fromTimer || (player && player->OutputCapture().Armed()))) VideoDisplay(is);
  if (shown && player) player->UpdatePosition();
  // The picture behind the one just shown.
  int slot = 0;
  double target = 0, nextTarget = 0;
  bool stale = false;
  if (!PictQueuePeek(is, slot, target, stale, nextTarget)) return 0;
  if (stale) return ClockSeconds();
  return paused && is->PictureShown.load(std::memory_order_relaxed) ? 0 : target - is->DisplayLead;
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
