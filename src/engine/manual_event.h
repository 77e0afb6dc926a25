#pragma once
// A manual-reset event: stays signalled until reset; waits are always bounded.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zv {

class TManualEvent {
public:
  explicit TManualEvent(bool signalled) : FSignalled(signalled) {}
  void Set() {
    {
      std::lock_guard<std::mutex> g(FMutex);
      FSignalled = true;
    }
    FCond.notify_all();
  }
  void Reset() {
    std::lock_guard<std::mutex> g(FMutex);
    FSignalled = false;
  }
  bool IsSet() {
    std::lock_guard<std::mutex> g(FMutex);
    return FSignalled;
  }
  // True when signalled within the time.
  bool WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> l(FMutex);
    return FCond.wait_for(l, timeout, [this] { return FSignalled; });
  }

private:
  std::mutex FMutex;
  std::condition_variable FCond;
  bool FSignalled;  // guarded by FMutex
};

}  // namespace zv
