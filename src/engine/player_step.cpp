// Frame steps and the A-B loop: both move by exact seeks.
#include <cmath>

#include "engine/player.h"
#include "runtime/safe_math.h"

namespace zv {

namespace {
// A picture's time on screen when the stream does not say.
constexpr double DefaultFrameSeconds = 0.04;
}  // namespace

bool TCustomPlayer::StepFrame(int ADirection) {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  TMediaState* playback = CurStream();
  if (!playback || playback->VideoStreamIndex < 0 || playback->VideoEnded.load() || ADirection == 0) return false;
  Pause();
  const int64_t shown = FShownPicture.Pts();
  const double frame = playback->FrameDuration > 0 ? playback->FrameDuration : DefaultFrameSeconds;
  const int64_t frameMicros = std::llround(frame * 1e6);
  const uint64_t playbackId = FPlaybackCloses.load();
  const bool lastShown = playback->ShownGeneration.load() >= FFrameStep.LastGeneration();
  const int64_t start = FFrameStep.PictureStart(ADirection, shown, frameMicros, lastShown, playbackId);
  if (start < 0) return shown >= 0;  // at the first picture: it stays
  // The middle of the picture's time: the exact seek lands on it whatever
  // the rounding of the timestamps.
  int64_t target = start + frameMicros / 2;
  if (playback->Duration >= 0 && playback->Duration < target) target = playback->Duration;
  const int64_t before = FSeekRequested.load();
  const int64_t generation = RequestSeek(playback, TSeekFlags{sfExact}, SatAdd(target, playback->StartTime), 0);
  // A seek still on its way keeps this press from being carried out.
  if (generation <= before) return true;
  FFrameStep.Note(start, generation, playbackId);
  return true;
}

TAbLoop::TMark TCustomPlayer::MarkLoopPoint() {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  TMediaState* playback = CurStream();
  if (!playback) {
    FAbLoop.Clear();
    return TAbLoop::lmCleared;
  }
  const int64_t shown = playback->VideoStream && !playback->VideoEnded.load() ? FShownPicture.Pts() : -1;
  const int64_t last = FLastPosition.load();
  const int64_t pos = shown >= 0 ? shown : (last == AV_NOPTS_VALUE ? 0 : last);
  return FAbLoop.Mark(pos, FPlaybackCloses.load());
}

bool TCustomPlayer::LoopPoints(int64_t& A, int64_t& B) const {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  if (!CurStream()) {
    A = B = -1;
    return false;
  }
  return FAbLoop.Points(FPlaybackCloses.load(), A, B);
}

void TCustomPlayer::LoopIfDue(TMediaState* playback, int64_t pos) {
  const bool pictures = playback->VideoStream && !playback->VideoEnded.load();
  const int64_t landedGeneration = pictures ? playback->ShownGeneration.load() : playback->AudioClock.Generation();
  int64_t to = 0;
  if (!FAbLoop.Due(pos, FPlaybackCloses.load(), landedGeneration >= FAbLoop.JumpGeneration(), to)) return;
  // The play loop holds the lock already; elsewhere (the video thread at the
  // end) the next position update jumps.
  std::unique_lock<TPlayerLock> l(FPlayerLock, std::try_to_lock);
  if (!l.owns_lock() || CurStream() != playback) return;
  const int64_t before = FSeekRequested.load();
  const int64_t generation = RequestSeek(playback, TSeekFlags{sfExact}, SatAdd(to, playback->StartTime), 0);
  if (generation > before) FAbLoop.Jumped(generation);
}

}  // namespace zv
