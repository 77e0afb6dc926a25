#include "engine/notice_queue.h"

#include "engine/player.h"

namespace zv {

namespace {

// psPlay, psStop and psEnd mark a playback's life: the application counts on
// each of them, in order. Positions and pause/resume only report the latest.
bool Lifecycle(const TPlayerEvent& n) {
  return n.Kind == nkEndOfDelivery ||
         (n.Kind == nkState && n.State != int32_t(psPause) && n.State != int32_t(psResume));
}

bool Collapses(const TPlayerEvent& older, const TPlayerEvent& newer) {
  return older.Kind == newer.Kind && !Lifecycle(older) && !Lifecycle(newer);
}

}  // namespace

void TNoticeQueue::Post(const TPlayerEvent& n) {
  std::lock_guard<std::mutex> g(FLock);
  if (!FQueue.empty() && Collapses(FQueue.back(), n)) {
    FQueue.back() = n;
  } else {
    FQueue.push_back(n);
    if (FQueue.size() > size_t(RingSize - 1)) {
      for (auto it = FQueue.begin(); it != FQueue.end(); ++it)
        if (!Lifecycle(*it)) {
          FQueue.erase(it);
          break;
        }
    }
  }
  FSignal.Set();
}

TPlayerEvent TNoticeQueue::Take() {
  std::lock_guard<std::mutex> g(FLock);
  if (FQueue.empty()) return {};
  TPlayerEvent n = FQueue.front();
  FQueue.pop_front();
  FInFlight = true;
  if (FQueue.empty()) FSignal.Reset();
  return n;
}

void TNoticeQueue::Done() {
  {
    std::lock_guard<std::mutex> g(FLock);
    FInFlight = false;
  }
  FIdle.notify_all();
}

bool TNoticeQueue::WaitIdleFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> l(FLock);
  return FIdle.wait_for(l, timeout, [this] { return FQueue.empty() && !FInFlight; });
}

bool TNoticeQueue::Idle() {
  std::lock_guard<std::mutex> g(FLock);
  return FQueue.empty() && !FInFlight;
}

int TNoticeQueue::Pending() {
  std::lock_guard<std::mutex> g(FLock);
  return int(FQueue.size());
}

}  // namespace zv
