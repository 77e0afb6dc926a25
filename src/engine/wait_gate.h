#pragma once
// Where an engine thread waits for a condition on atomics (the decoding
// threads while paused, the reader while the queues are full). Whoever
// changes what it waits on notifies, so waiting costs no CPU; the bound only
// limits a missed notice.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zv {

class TWaitGate {
public:
  void Notify() {
    // Taking the lock orders the notice after the waiter's last look.
    { std::lock_guard<std::mutex> g(FMutex); }
    FCond.notify_all();
  }
  // Returns once go() holds; go() reads only atomics.
  template <class Pred>
  void WaitUntil(Pred go) {
    std::unique_lock<std::mutex> l(FMutex);
    while (!go()) FCond.wait_for(l, SafetyBound);
  }

private:
  static constexpr std::chrono::milliseconds SafetyBound{250};
  std::mutex FMutex;              // orders Notify against a waiter's check
  std::condition_variable FCond;  // notified under no lock
};

}  // namespace zv
