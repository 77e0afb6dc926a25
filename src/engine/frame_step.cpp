#include "engine/frame_step.h"

namespace zv {

int64_t TFrameStep::PictureStart(int direction, int64_t shownPts, int64_t frameMicros, bool lastShown,
                                 uint64_t playback) {
  std::lock_guard<std::mutex> g(FLock);
  const bool pending = !lastShown && FPlayback == playback && FLastStart >= 0;
  const int64_t from = pending ? FLastStart : shownPts;
  if (from < 0 || frameMicros <= 0 || direction == 0) return -1;
  const int64_t to = direction > 0 ? from + frameMicros : from - frameMicros;
  // The first picture may start a little after 0: nothing lies a whole picture before it.
  return to < 0 ? -1 : to;
}

void TFrameStep::Note(int64_t pictureStart, int64_t generation, uint64_t playback) {
  std::lock_guard<std::mutex> g(FLock);
  FLastStart = pictureStart;
  FLastGeneration = generation;
  FPlayback = playback;
}

int64_t TFrameStep::LastGeneration() const {
  std::lock_guard<std::mutex> g(FLock);
  return FLastGeneration;
}

}  // namespace zv
