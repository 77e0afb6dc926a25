#include "engine/display.h"

#include <algorithm>

#include "engine/clocks.h"
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
  return (is->AudioStream && is->AudioOut.ShowsWaveform()) ? audioDisplayPeriod : PictureRefreshMs;
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
  TPictureQueue& queue = is->Pictures;
  TPictureQueue::THead head;
  for (;;) {
    if (!queue.Peek(head)) break;
    if (head.Stale) {
      // Queued before a seek: never shown.
      queue.Consume();
      if (player) player->VideoStatsCounter().AddDiscardedAfterSeek();
      shown = false;
      continue;
    }
    const double now = ClockSeconds();
    const double drawAt = head.TargetClock - is->DisplayLead;
    if (now < drawAt) {
      if (!fromTimer) VideoDisplay(is);
      return paused && is->ShownGeneration.load(std::memory_order_relaxed) >= head.Generation ? 0 : drawAt;
    }
    // Paused, the picture on screen stays; only the first one after an open
    // or a seek comes up.
    if (paused && is->ShownGeneration.load(std::memory_order_relaxed) >= head.Generation) break;
    if (fromTimer && !paused && head.NextTarget > 0 && head.NextTarget - is->DisplayLead <= now &&
        now - drawAt > LateDropThreshold(is)) {
      // Behind, and a newer picture is due too: show that one instead, and
      // let the decoder pass fewer pictures until the display keeps up (the
      // video thread owns the ratio while it decodes: it applies these).
      queue.Consume();
      is->Schedule.NoteLateDrop();
      if (player) player->VideoStatsCounter().AddDroppedLate();
      continue;
    }
    is->VideoCurrentPts.store(head.Pts, std::memory_order_relaxed);
    // On screen once drawn.
    is->VideoCurrentPtsDrift.store(head.Pts - (now + is->DisplayLead), std::memory_order_relaxed);
    is->VideoCurrentPos.store(head.Pos, std::memory_order_relaxed);
    if (is->SubtitleStream) ExpireSubtitles(is);
    // Once on screen a picture leaves the queue, whoever asked for the drawing:
    // redraws take it from the texture.
    if (!ShowPicture(is, head.Frame, head.Pts, head.TargetClock)) {
      is->OutputFailed = true;
      return 0;
    }
    drawn = true;
    is->ShownGeneration.store(head.Generation, std::memory_order_relaxed);
    queue.Consume();
    break;
  }
  // Redraws (and read-backs asked for) show the picture on screen.
  if (!drawn && (!fromTimer || (player && player->OutputCapture().Armed()))) VideoDisplay(is);
  if (shown && player) player->UpdatePosition();
  // The picture behind the one just shown.
  if (!queue.Peek(head)) return 0;
  if (head.Stale) return ClockSeconds();
  return paused && is->ShownGeneration.load(std::memory_order_relaxed) >= head.Generation ? 0 : head.TargetClock - is->DisplayLead;
}

void VideoDisplay(TMediaState* is) {
  if (is->AudioStream && is->AudioOut.ShowsWaveform()) {
    VideoAudioDisplay(is);
  } else if (is->VideoStream) {
    if (is->Width <= 0 || is->Height <= 0) VideoOpen(is, false);
    VideoImageDisplay(is);
  }
}

}  // namespace zv
