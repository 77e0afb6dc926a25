// Seek requests and the position update of the player.
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
    TMediaState* is = CurStream();
    if (!is) return;
    video = is->VideoStreamIndex >= 0;
    int64_t target = ATarget, rel = 0;
    if (!AFlags.contains(sfByte)) {
      // The record's copies: the reader owns the format context.
      if (is->Duration >= 0 && is->Duration < target) target = is->Duration;
      target = SatAdd(target, is->StartTime);
      rel = ATarget <= 0 ? 1 : 0;
    }
    generation = RequestSeek(is, AFlags, target, rel);
  }
  if (!AWait || generation == 0) return;
  WaitForSeek([&] {
    return FSeekCarriedOut.load() >= generation && (!video || FSeekPictureQueued.load() >= generation);
  });
}

void TCustomPlayer::SeekRequest(TMediaState* S, TSeekFlags AFlags, bool AWait, int64_t APos, int64_t ARel) {
  int64_t generation;
  bool video;
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    if (!S || S != CurStream()) return;
    video = S->VideoStreamIndex >= 0;
    generation = RequestSeek(S, AFlags, APos, ARel);
  }
  if (!AWait || generation == 0) return;
  WaitForSeek([&] {
    return FSeekCarriedOut.load() >= generation && (!video || FSeekPictureQueued.load() >= generation);
  });
}

int64_t TCustomPlayer::RequestSeek(TMediaState* S, TSeekFlags AFlags, int64_t APos, int64_t ARel) {
  // One pending at a time: a second is dropped, and waits for the first.
  if (S->SeekReq.load() != 0) return S->SeekGeneration.load();
  const int64_t generation = FSeekRequested.fetch_add(1) + 1;
  FSeeking.store(true);
  {
    // The video thread clears the paused-seek mark for the generation it
    // delivered, never for a newer request: both under the mark's lock.
    std::lock_guard<std::mutex> g(S->SeekMarkLock);
    S->SeekGeneration.store(generation);
    S->SeekWhilePaused.store(S->Paused.load());
  }
  S->SeekPos.store(APos);
  S->SeekRel.store(ARel);
  S->SeekFlags.store(SeekFlagsToInt(AFlags));
  FSeekDoneEvent.Reset();
  S->SeekReq.store(1);
  S->PauseGate.Notify();
  S->ReaderGate.Notify();
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
  TMediaState* is = CurStream();
  if (!is || is->IsImageSequence) return;
  int64_t pos;
  if (is->VideoStream && !is->VideoEnded.load()) {
    pos = MicrosFromStart(GetVideoClock(is), is->StartTime);
  } else if (is->AudioStream) {
    pos = MicrosFromStart(GetAudioClock(is), is->StartTime);
    int64_t audioDuration = is->AudioDuration.load(std::memory_order_relaxed);
    if (audioDuration > 0 && audioDuration <= pos && pos < is->Duration) pos = is->Duration;  // sound ended early
  } else {
    return;
  }
  if (is->Duration > 0 && pos >= is->Duration) {
    pos = is->Duration;
    if (FLastPosition.load() != is->Duration) FLastPosition.store(0);
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
  if (!is->IsCapture && is->Input.Is(TStreamPhase::Ended) && PicturesFinished(is) && is->EndReported.exchange(1) == 0)
    SetPlayState(psEnd);
}

}  // namespace zv
