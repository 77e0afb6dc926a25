#include "engine/audio_clock.h"

#include <thread>

namespace zv {

TAudioClock::TReading TAudioClock::Read() const {
  TReading r;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const uint32_t before = FSequence.load(std::memory_order_acquire);
    r.Pts = FPts.load(std::memory_order_acquire);
    r.PendingBytes = FChunkSize.load(std::memory_order_acquire) - FChunkIndex.load(std::memory_order_acquire);
    r.CallbackSpan = FCallbackSpan.load(std::memory_order_acquire);
    r.CallbackTime = FCallbackTime.load(std::memory_order_acquire);
    r.StageDelay = FStageDelay.load(std::memory_order_acquire);
    r.ChunkRate = FChunkRate.load(std::memory_order_acquire);
    r.CallbackRate = FCallbackRate.load(std::memory_order_acquire);
    if ((before & 1) == 0 && FSequence.load(std::memory_order_relaxed) == before) break;
    std::this_thread::yield();
  }
  return r;
}

void TAudioClock::BeginUpdate() {
  // The fields' release stores keep this odd mark ahead of them, and the
  // readers' acquire loads keep their second look at the mark behind them.
  FSequence.store(FSequence.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void TAudioClock::EndUpdate() {
  FSequence.store(FSequence.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void TAudioClock::SetChunk(int sizeBytes, int handedOutBytes) {
  FChunkSize.store(sizeBytes, std::memory_order_release);
  FChunkIndex.store(handedOutBytes, std::memory_order_release);
}

void TAudioClock::PublishCallback(int64_t timeMicros, double span, double rate) {
  BeginUpdate();
  FCallbackTime.store(timeMicros, std::memory_order_release);
  FCallbackSpan.store(span, std::memory_order_release);
  FCallbackRate.store(rate, std::memory_order_release);
  EndUpdate();
}

}  // namespace zv
