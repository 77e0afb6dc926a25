#pragma once
// The sound's clock: the media time at the end of the last decoded chunk, the
// part of that chunk not yet handed to the device, and when the device's last
// callback ran and how far it moved the clock. The audio thread alone writes
// it; any thread reads a consistent set through Read.
#include <atomic>
#include <cstdint>

namespace zv {

class TAudioClock {
public:
  struct TReading {
    double Pts = 0;            // end of the last decoded chunk (s)
    int PendingBytes = 0;      // of that chunk, not yet handed to the device
    double CallbackSpan = 0;   // how far the last callback moved the clock (s)
    int64_t CallbackTime = 0;  // monotonic µs at the last callback
    double StageDelay = 0;     // media (s) decoded but held back by the speed stage
    double ChunkRate = 1;      // media seconds the chunk's sound covers per second played
    double CallbackRate = 1;   // the same for the last callback's sound
  };

  // A set the writer was not changing; after a thousand tries (each yielding
  // to the writer), the last one read: off by one chunk at most.
  TReading Read() const;

  // Writer side (the audio thread). Between BeginUpdate and EndUpdate the
  // readers retry; SetPts, Advance and SetChunk belong inside such a section.
  void BeginUpdate();
  void EndUpdate();
  void SetPts(double pts) { FPts.store(pts, std::memory_order_release); }
  void Advance(double seconds) { SetPts(Pts() + seconds); }
  double Pts() const { return FPts.load(std::memory_order_relaxed); }
  // The seek the sound now timed was read after: until the sound of a seek
  // arrives, the clock still reads the old position.
  void SetGeneration(int64_t generation) { FGeneration.store(generation, std::memory_order_release); }
  int64_t Generation() const { return FGeneration.load(std::memory_order_acquire); }
  void SetChunk(int sizeBytes, int handedOutBytes = 0);
  int ChunkSize() const { return FChunkSize.load(std::memory_order_relaxed); }
  int ChunkHandedOut() const { return FChunkIndex.load(std::memory_order_relaxed); }
  // Bytes of the chunk handed to the device (outside an update: one value).
  void HandOut(int bytes) { FChunkIndex.store(ChunkHandedOut() + bytes, std::memory_order_release); }
  // The speed stage's part: how much decoded media it holds back, and the
  // speed the chunk's sound plays the media at (inside an update).
  void SetStage(double delaySeconds, double chunkRate) {
    FStageDelay.store(delaySeconds, std::memory_order_release);
    FChunkRate.store(chunkRate, std::memory_order_release);
  }
  double ChunkRate() const { return FChunkRate.load(std::memory_order_relaxed); }
  // At the end of a callback, in an update of its own.
  void PublishCallback(int64_t timeMicros, double span, double rate = 1);

private:
  std::atomic<uint32_t> FSequence{0};  // odd while the writer changes the fields below
  std::atomic<double> FPts{0};
  std::atomic<int> FChunkSize{0};
  std::atomic<int> FChunkIndex{0};
  std::atomic<int64_t> FCallbackTime{0};
  std::atomic<double> FCallbackSpan{0};
  std::atomic<int64_t> FGeneration{0};
  std::atomic<double> FStageDelay{0};
  std::atomic<double> FChunkRate{1};
  std::atomic<double> FCallbackRate{1};
};

}  // namespace zv
