#include "runtime/log_ring.h"

#include <algorithm>

namespace zv {

bool TLogRing::Push(TLogLine line) {
  std::lock_guard<std::mutex> lock(FLock);
  if (FLines.size() >= FCapacity) {
    FLines.pop_front();
    ++FDropped;
  }
  FLines.push_back(std::move(line));
  if (FDeliveryAsked) return false;
  FDeliveryAsked = true;
  return true;
}

bool TLogRing::Pop(TLogLine& line, uint64_t& droppedBefore, bool endDelivery) {
  std::lock_guard<std::mutex> lock(FLock);
  if (FLines.empty()) {
    if (endDelivery) FDeliveryAsked = false;
    droppedBefore = 0;
    return false;
  }
  line = std::move(FLines.front());
  FLines.pop_front();
  droppedBefore = FDropped;
  FDropped = 0;
  return true;
}

void TLogRing::Forget(const TFFLogger* logger) {
  std::lock_guard<std::mutex> lock(FLock);
  std::erase_if(FLines, [&](const TLogLine& l) { return l.Logger == logger; });
  // What was dropped belonged to lines nobody will see now.
  if (FLines.empty()) FDropped = 0;
}

size_t TLogRing::Size() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FLines.size();
}

}  // namespace zv
