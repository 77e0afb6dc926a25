// Seek requests and the position update of the player.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "engine/clocks.h"
#include "engine/picture_queue.h"
#include "engine/player.h"
#include "runtime/main_thread.h"
#include "runtime/safe_math.h"

namespace zv {

void TCustomPlayer::Seek(TSeekFlags AFlags, bool AWait, int64_t ATarget) {
  int64_t generation = 0;
  bool video = false;
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    TMediaState* playback = CurStream();
    if (!playback) return;
    video = playback->VideoStreamIndex >= 0;
    int64_t target = ATarget, rel = 0;
    if (!AFlags.contains(sfByte)) {
      // The record's copies: the reader owns the format context.
      if (playback->Duration >= 0 && playback->Duration < target) target = playback->Duration;
      target = SatAdd(target, playback->StartTime);
      rel = ATarget <= 0 ? 1 : 0;
    }
    generation = RequestSeek(playback, AFlags, target, rel);
  }
  if (!AWait || generation == 0) return;
  WaitForSeek([&] {
    return FSeekCarriedOut.load() >= generation && (!video || FSeekPictureQueued.load() >= generation);
  });
}

void TCustomPlayer::SeekRequest(TMediaState* playback, TSeekFlags AFlags, bool AWait, int64_t APos, int64_t ARel) {
  int64_t generation;
  bool video;
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    if (!playback || playback != CurStream()) return;
    video = playback->VideoStreamIndex >= 0;
    generation = RequestSeek(playback, AFlags, APos, ARel);
  }
  if (!AWait || generation == 0) return;
  WaitForSeek([&] {
    return FSeekCarriedOut.load() >= generation && (!video || FSeekPictureQueued.load() >= generation);
  });
}

int64_t TCustomPlayer::RequestSeek(TMediaState* playback, TSeekFlags AFlags, int64_t APos, int64_t ARel) {
  // One pending at a time: a second is dropped, and waits for the first;
  // an exact one is carried out after it.
  const bool exact = AFlags.contains(sfExact) && !AFlags.contains(sfByte);
  if (playback->Seek.Pending() && !exact) return playback->Seek.Last().Generation;
  const int64_t generation = FSeekRequested.fetch_add(1) + 1;
  FSeeking.store(true);
  FSeekDoneEvent.Reset();
  const double dropBefore = exact ? double(APos) / 1e6 : NAN;
  playback->Seek.Post({APos, ARel, SeekFlagsToInt(AFlags), generation, dropBefore, playback->VideoStreamIndex >= 0},
                      playback->Paused.load() != 0);
  playback->PauseGate.Notify();
  playback->ReaderGate.Notify();
  return generation;
}

void TCustomPlayer::WaitForSeek(const std::function<bool()>& done) {
  const uint64_t closes = FPlaybackCloses.load();
  std::unique_lock<std::mutex> l(FSeekWaitLock);
  while (!done() && FPlaybackCloses.load() == closes) {
    if (!IsMainThread()) {
      FSeekWaitCond.wait(l);
      continue;
    }
    l.unlock();
    const bool ran = CheckSynchronize();
    PumpMessages();
    l.lock();
    if (!ran && !done() && FPlaybackCloses.load() == closes) FSeekWaitCond.wait_for(l, std::chrono::milliseconds(10));
  }
}

void TCustomPlayer::NoteSeekProgress(std::atomic<int64_t>& counter, int64_t generation) {
  {
    std::lock_guard<std::mutex> g(FSeekWaitLock);
    if (counter.load() < generation) counter.store(generation);
  }
  FSeekWaitCond.notify_all();
}

void TCustomPlayer::NoteSeekCarriedOut(int64_t generation, bool failed) {
  NoteSeekProgress(FSeekCarriedOut, generation);
  if (failed) NoteSeekProgress(FSeekPictureQueued, generation);  // none will come
}

void TCustomPlayer::NoteSeekPicture(int64_t generation) { NoteSeekProgress(FSeekPictureQueued, generation); }

void TCustomPlayer::UpdatePosition() {
  TMediaState* playback = CurStream();
  if (!playback || playback->IsImageSequence) return;
  int64_t pos;
  if (playback->VideoStream && !playback->VideoEnded.load()) {
    pos = MicrosFromStart(GetVideoClock(playback), playback->StartTime);
  } else if (playback->AudioStream) {
    pos = MicrosFromStart(GetAudioClock(playback), playback->StartTime);
    // Until the sound after a seek is decoded (never while paused) the clock
    // still reads the old position: the seek's target is where it stands.
    const TSeekRequest::TTarget seek = playback->Seek.Last();
    if (playback->AudioClock.Generation() < seek.Generation &&
        PacketQueueGeneration(playback->AudioQueue) == seek.Generation && !(seek.Flags & AVSEEK_FLAG_BYTE))
      pos = std::max<int64_t>(SatSub(seek.Pos, playback->StartTime), 0);
    int64_t audioDuration = playback->AudioDuration.load(std::memory_order_relaxed);
    // The sound ended early.
    if (audioDuration > 0 && audioDuration <= pos && pos < playback->Duration) pos = playback->Duration;
  } else {
    return;
  }
  LoopIfDue(playback, pos);
  if (playback->Duration > 0 && pos >= playback->Duration) {
    pos = playback->Duration;
    if (FLastPosition.load() != playback->Duration) FLastPosition.store(0);
  }
  int64_t last = FLastPosition.load();
  if (last == AV_NOPTS_VALUE || std::llabs(pos - last) > 10000) {
    FLastPosition.store(pos);
    bool hasHandler;
    {
      std::lock_guard<std::mutex> g(FEventLock);
      hasHandler = bool(FOnPosition);
    }
    if (hasHandler) FNotices.Post({nkPosition, 0, pos});
  }
  // Reported once per end, audio-only files included; a seek (or, with video,
  // the next picture) re-arms it.
  if (!playback->IsCapture && playback->Input.Is(TStreamPhase::Ended) && PicturesFinished(playback) &&
      playback->EndReported.exchange(1) == 0)
    SetPlayState(psEnd);
}

}  // namespace zv
