#include "engine/notice_queue.h"

namespace zv {

void TNoticeQueue::Post(const TPlayerEvent& n) {
  std::lock_guard<std::mutex> g(FLock);
  int newest = (FWrite + RingSize - 1) % RingSize;
  if (FRead != FWrite && FRing[newest].Kind == n.Kind) {
    FRing[newest] = n;
  } else {
    FWrite = (FWrite + 1) % RingSize;
    if (FWrite == FRead) FRead = (FRead + 1) % RingSize;
    FRing[(FWrite + RingSize - 1) % RingSize] = n;
  }
  FSignal.Set();
}

TPlayerEvent TNoticeQueue::Take() {
  std::lock_guard<std::mutex> g(FLock);
  if (FRead == FWrite) return {};
  TPlayerEvent n = FRing[FRead];
  FRead = (FRead + 1) % RingSize;
  if (FRead == FWrite) FSignal.Reset();
  return n;
}

int TNoticeQueue::Pending() {
  std::lock_guard<std::mutex> g(FLock);
  return (FWrite - FRead + RingSize) % RingSize;
}

}  // namespace zv
