#pragma once
// The A-B loop of a playback: two marks set one after the other, and the jump
// back to A each time the position passes B. Own lock; any thread.
#include <cstdint>
#include <mutex>

namespace zv {

class TAbLoop {
public:
  enum TMark { lmCleared, lmA, lmB };

  // The next mark at pos (µs from the file's start): A, then B (a B before A
  // swaps them), then both cleared. playback tells the playbacks apart: marks
  // of an earlier one count as cleared.
  TMark Mark(int64_t pos, uint64_t playback);
  void Clear();
  // The marks of playback, -1 for one not set; false when neither is.
  bool Points(uint64_t playback, int64_t& a, int64_t& b) const;
  // pos passed B: true with the jump target A. lastJumpLanded: the last jump's
  // position came (pictures or sound), so it is not asked again meanwhile.
  bool Due(int64_t pos, uint64_t playback, bool lastJumpLanded, int64_t& to) const;
  // The jump was asked as the seek of this generation.
  void Jumped(int64_t generation);
  int64_t JumpGeneration() const;

private:
  mutable std::mutex FLock;
  int64_t FA = -1, FB = -1;     // guarded by FLock
  uint64_t FPlayback = 0;       // guarded by FLock
  int64_t FJumpGeneration = 0;  // guarded by FLock
};

}  // namespace zv
