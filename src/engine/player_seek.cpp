// Seek requests and the position update of the player.
#include <cmath>
#include <cstdlib>

#include "engine/clocks.h"
#include "engine/picture_queue.h"
#include "engine/player.h"
#include "runtime/main_thread.h"
#include "runtime/safe_math.h"

namespace zv {

void TCustomPlayer::Seek(TSeekFlags AFlags, bool AWait, int64_t ATarget) {
  TMediaState* is = CurStream();
  if (!is) return;
  if (AFlags.contains(sfByte)) {
    SeekRequest(is, AFlags, AWait, ATarget, 0);
    return;
  }
  int64_t target = ATarget;
  AVFormatContext* ic = is->FormatContext;
  if (ic && ic->duration != AV_NOPTS_VALUE && ic->duration < target) target = ic->duration;
  if (ic && ic->start_time != AV_NOPTS_VALUE) target = SatAdd(target, ic->start_time);
  SeekRequest(is, AFlags, AWait, target, ATarget <= 0 ? 1 : 0);
}

void TCustomPlayer::SeekRequest(TMediaState* S, TSeekFlags AFlags, bool AWait, int64_t APos, int64_t ARel) {
  if (!S || S->SeekReq.load() != 0) return;  // one pending at a time; a second is dropped
  FSeeking.store(true);
  S->SeekWhilePaused.store(S->Paused.load());
  S->SeekPos.store(APos);
  S->SeekRel.store(ARel);
  S->SeekFlags.store(SeekFlagsToInt(AFlags));
  FSeekDoneEvent.Reset();
  S->SeekReq.store(1);
  S->PauseGate.Notify();
  S->ReaderGate.Notify();
  if (!AWait) return;
  while (!FSeekDoneEvent.WaitFor(std::chrono::milliseconds(100))) ServeMainThread();
  if (S->VideoStreamIndex >= 0)
    while (!FPictureReadyEvent.WaitFor(std::chrono::milliseconds(100))) ServeMainThread();
}

void TCustomPlayer::UpdatePosition() {
  TMediaState* is = CurStream();
  if (!is || is->IsImageSequence) return;
  int64_t pos;
  if (is->VideoStream) {
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
  if (!is->IsCapture && is->EofDrained.load() == 1 && PicturesFinished(is) && is->EndReported.exchange(1) == 0)
    SetPlayState(psEnd);
}

}  // namespace zv
