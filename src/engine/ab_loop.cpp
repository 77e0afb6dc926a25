#include "engine/ab_loop.h"

#include <utility>

namespace zv {

TAbLoop::TMark TAbLoop::Mark(int64_t pos, uint64_t playback) {
  std::lock_guard<std::mutex> g(FLock);
  if (FPlayback != playback) {
    FA = FB = -1;
    FJumpGeneration = 0;
  }
  FPlayback = playback;
  if (pos < 0) pos = 0;
  if (FA < 0) {
    FA = pos;
    return lmA;
  }
  if (FB < 0) {
    FB = pos;
    if (FB < FA) std::swap(FA, FB);
    return lmB;
  }
  FA = FB = -1;
  return lmCleared;
}

void TAbLoop::Clear() {
  std::lock_guard<std::mutex> g(FLock);
  FA = FB = -1;
}

bool TAbLoop::Points(uint64_t playback, int64_t& a, int64_t& b) const {
  std::lock_guard<std::mutex> g(FLock);
  const bool mine = FPlayback == playback;
  a = mine ? FA : -1;
  b = mine ? FB : -1;
  return a >= 0 || b >= 0;
}

bool TAbLoop::Due(int64_t pos, uint64_t playback, bool lastJumpLanded, int64_t& to) const {
  std::lock_guard<std::mutex> g(FLock);
  if (FPlayback != playback || FA < 0 || FB <= FA || pos < FB || !lastJumpLanded) return false;
  to = FA;
  return true;
}

void TAbLoop::Jumped(int64_t generation) {
  std::lock_guard<std::mutex> g(FLock);
  FJumpGeneration = generation;
}

int64_t TAbLoop::JumpGeneration() const {
  std::lock_guard<std::mutex> g(FLock);
  return FJumpGeneration;
}

}  // namespace zv
