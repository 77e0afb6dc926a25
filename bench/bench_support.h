#pragma once
#include <chrono>
#include <string>
#include <thread>

#include "runtime/main_thread.h"

namespace zv::bench {

// Loads the player's media libraries from the system once per process; false
// (after printing the loader's text) when they cannot be loaded.
bool LoadPlayerLibraries();
// A generated test file, from ZELVO_MEDIA_DIR (default "media").
std::string MediaFile(const std::string& name);
// CPU time of this process, in seconds.
double CpuSeconds();
// Peak resident set of this process, in MB.
double PeakRssMb();

// Waits, serving the main thread, until done() or the deadline; polls at the
// given period.
template <class F>
bool WaitServing(F done, double seconds, std::chrono::microseconds period = std::chrono::milliseconds(20)) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::microseconds(int64_t(seconds * 1e6));
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    ServeMainThread();
    std::this_thread::sleep_for(period);
  }
  return true;
}

}  // namespace zv::bench
