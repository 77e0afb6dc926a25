#pragma once
// Where a frame step goes: one picture on from the picture on screen or,
// while the picture of the last step is still on its way, from that step's,
// so that quick presses each move one picture. Own lock; any thread.
#include <cstdint>
#include <mutex>

namespace zv {

class TFrameStep {
public:
  // The start (µs from the file's start) of the picture one step in
  // direction (> 0 next, < 0 previous) from the picture shown at shownPts,
  // pictures lasting frameMicros; -1 when there is none before it. lastShown:
  // the last step's picture is on screen (or there was none); playback tells
  // the playbacks apart, a step of an earlier one is forgotten.
  int64_t PictureStart(int direction, int64_t shownPts, int64_t frameMicros, bool lastShown, uint64_t playback);
  // The step to pictureStart was asked as the seek of this generation.
  void Note(int64_t pictureStart, int64_t generation, uint64_t playback);
  // The seek generation of the last step; 0 for none.
  int64_t LastGeneration() const;

private:
  mutable std::mutex FLock;
  int64_t FLastStart = -1;     // guarded by FLock
  int64_t FLastGeneration = 0;  // guarded by FLock
  uint64_t FPlayback = 0;      // guarded by FLock
};

}  // namespace zv
