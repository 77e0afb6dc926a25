#pragma once
// The small queue of state and position notices between the threads that detect
// them and the event thread that delivers them. A burst of positions (or of
// pause/resume states) collapses to the latest; when more than RingSize - 1 are
// pending, the oldest of those is lost. psPlay, psStop and psEnd are never
// collapsed or lost.
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "engine/manual_event.h"

namespace zv {

enum TNoticeKind : int32_t { nkNone = 0, nkPosition = 1, nkState = 2, nkEndOfDelivery = 3 };

struct TPlayerEvent {
  int32_t Kind = nkNone;
  int32_t State = 0;     // a TPlayState ordinal
  int64_t Position = 0;  // microseconds
};

class TNoticeQueue {
public:
  static constexpr int RingSize = 10;  // so at most 9 pending, lifecycle states aside

  void Post(const TPlayerEvent& n);
  // Kind nkNone when empty. A notice taken is in flight until Done.
  TPlayerEvent Take();
  void Done();
  // Nothing queued and nothing in flight (now, or within the time).
  bool Idle();
  bool WaitIdleFor(std::chrono::milliseconds timeout);
  // True when something is queued within the time.
  bool WaitFor(std::chrono::milliseconds timeout) { return FSignal.WaitFor(timeout); }
  int Pending();

private:
  std::mutex FLock;
  std::deque<TPlayerEvent> FQueue;  // guarded by FLock
  bool FInFlight = false;            // guarded by FLock
  std::condition_variable FIdle;     // notified when a notice is done
  TManualEvent FSignal{false};   // set while the ring holds something
};

}  // namespace zv
