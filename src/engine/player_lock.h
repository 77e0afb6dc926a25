#pragma once
// The lock between the play loop and the application's operations on the
// playback it runs. Taken on the main thread it keeps serving hand-offs while
// it waits: the holder may be closing a playback, which takes a while.
// Recursive: a handler served by a waiting main thread may call back into the
// player. A plain mutex and condition (no timed mutex).
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "runtime/main_thread.h"

namespace zv {

class TPlayerLock {
public:
  void lock() {
    const bool serve = IsMainThread();
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> l(FMutex);
    if (FDepth > 0 && FOwner == self) {
      ++FDepth;
      return;
    }
    while (FDepth > 0) {
      if (!serve) {
        FFree.wait(l);
        continue;
      }
      l.unlock();
      const bool ran = CheckSynchronize();
      l.lock();
      if (!ran && FDepth > 0) FFree.wait_for(l, std::chrono::milliseconds(10));
    }
    FOwner = self;
    FDepth = 1;
  }
  bool try_lock() {
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard<std::mutex> g(FMutex);
    if (FDepth > 0 && FOwner != self) return false;
    FOwner = self;
    ++FDepth;
    return true;
  }
  void unlock() {
    {
      std::lock_guard<std::mutex> g(FMutex);
      if (--FDepth > 0) return;
      FOwner = std::thread::id();
    }
    FFree.notify_all();
  }

private:
  std::mutex FMutex;
  std::condition_variable FFree;
  std::thread::id FOwner;  // guarded by FMutex
  int FDepth = 0;          // guarded by FMutex
};

}  // namespace zv
