#include "engine/display.h"

#include <algorithm>
#include <cmath>

#include "engine/clocks.h"
#include "engine/player.h"
#include "engine/subtitle_blend.h"
#include "engine/video_display.h"
#include "engine/waveform.h"

namespace zv {

namespace {
constexpr int PictureRefreshMs = 5;
constexpr double MinLateDrop = 0.01;  // s
constexpr double StartPollSeconds = 0.002;
constexpr double MaxStartAim = 2.0;  // s: further off is a gap in the file, not a start
}

int RefreshPeriodMs(const TMediaState* playback, int audioDisplayPeriod) {
  return (playback->AudioStream && playback->AudioOut.ShowsWaveform()) ? audioDisplayPeriod : PictureRefreshMs;
}

double LateDropThreshold(const TMediaState* playback) {
  return std::max(playback->FrameDuration / playback->Schedule.Speed(), MinLateDrop);
}

namespace {
// When the head picture is drawn while the sound is starting: the pictures
// timed before the sound ran go by its clock, once it runs. Nothing else
// changes the head's own drawing time.
double StartDrawTime(TMediaState* playback, const TPictureQueue::THead& head, double scheduled, double now,
                     bool paused) {
  TSoundStart& start = playback->AudioOut.StartGate();
  // The first picture is ready: the sound may go.
  if (start.Held()) start.Release(ClockMicros(), !paused);
  int64_t since = 0;
  if (paused || !start.Aiming(ClockMicros(), &since)) return scheduled;
  if (playback->AudioClock.Read().CallbackTime <= since) return now + StartPollSeconds;
  const double ahead = head.Pts - GetMasterClock(playback);
  if (!std::isfinite(ahead) || std::fabs(ahead) > MaxStartAim) return scheduled;
  return now + ahead - playback->DisplayLead;
}
}  // namespace

double VideoRefresh(TMediaState* playback, bool fromTimer) {
  TCustomPlayer* player = playback->Owner;
  if (!playback->VideoStream) {
    if (playback->AudioStream) {
      VideoDisplay(playback);
      if (player) player->UpdatePosition();
    }
    return 0;
  }
  const bool paused = playback->Paused.load(std::memory_order_relaxed);
  playback->AudioOut.StartGate().ReleaseIfOverdue(ClockMicros());
  bool shown = true, drawn = false;
  TPictureQueue& queue = playback->Pictures;
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
    const double drawAt = StartDrawTime(playback, head, head.TargetClock - playback->DisplayLead, now, paused);
    if (now < drawAt) {
      if (!fromTimer) VideoDisplay(playback);
      return paused && playback->ShownGeneration.load(std::memory_order_relaxed) >= head.Generation ? 0 : drawAt;
    }
    // Paused, the picture on screen stays; only the first one after an open
    // or a seek comes up.
    if (paused && playback->ShownGeneration.load(std::memory_order_relaxed) >= head.Generation) break;
    if (fromTimer && !paused && head.NextTarget > 0 && head.NextTarget - playback->DisplayLead <= now &&
        now - drawAt > LateDropThreshold(playback)) {
      // Behind, and a newer picture is due too: show that one instead, and
      // let the decoder pass fewer pictures until the display keeps up (the
      // video thread owns the ratio while it decodes: it applies these).
      queue.Consume();
      playback->Schedule.NoteLateDrop();
      if (player) player->VideoStatsCounter().AddDroppedLate();
      continue;
    }
    playback->VideoCurrentPts.store(head.Pts, std::memory_order_relaxed);
    // On screen once drawn.
    playback->VideoCurrentPtsDrift.store(head.Pts - (now + playback->DisplayLead), std::memory_order_relaxed);
    playback->VideoCurrentPos.store(head.Pos, std::memory_order_relaxed);
    if (playback->SubtitleStream) ExpireSubtitles(playback);
    // Once on screen a picture leaves the queue, whoever asked for the drawing:
    // redraws take it from the texture.
    if (!ShowPicture(playback, head.Frame, head.Pts, drawAt + playback->DisplayLead)) {
      playback->OutputFailed = true;
      return 0;
    }
    drawn = true;
    // The pictures decoded meanwhile were timed from before the sound ran.
    if (playback->AudioOut.StartGate().NoteShown() && drawAt + playback->DisplayLead > head.TargetClock)
      playback->Schedule.ShiftBy(drawAt + playback->DisplayLead - head.TargetClock);
    playback->ShownGeneration.store(head.Generation, std::memory_order_relaxed);
    queue.Consume();
    break;
  }
  // Redraws (and read-backs asked for) show the picture on screen.
  if (!drawn && (!fromTimer || (player && player->OutputCapture().Armed()))) VideoDisplay(playback);
  if (shown && player) player->UpdatePosition();
  // The picture behind the one just shown.
  if (!queue.Peek(head)) return 0;
  if (head.Stale) return ClockSeconds();
  if (paused && playback->ShownGeneration.load(std::memory_order_relaxed) >= head.Generation) return 0;
  return head.TargetClock - playback->DisplayLead;
}

void VideoDisplay(TMediaState* playback) {
  if (playback->AudioStream && playback->AudioOut.ShowsWaveform()) {
    VideoAudioDisplay(playback);
  } else if (playback->VideoStream) {
    if (playback->Width <= 0 || playback->Height <= 0) VideoOpen(playback, false);
    VideoImageDisplay(playback);
  }
}

}  // namespace zv
