#include "engine/play_wakeup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace zv {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

TEST(PlayWakeup, ReasonsAccumulateUntilTakenOnce) {
  TPlayWakeup w;
  w.Signal(wrRefresh);
  w.Signal(wrQuit);
  EXPECT_EQ(w.Wait(1000, -1), uint32_t(wrRefresh | wrQuit));
  EXPECT_EQ(w.Take(), 0u);
  const auto start = Clock::now();
  EXPECT_EQ(w.Wait(30, -1), 0u) << "nothing signalled: the time-out";
  EXPECT_GE(MsSince(start), 25.0);
}

// A signal from another thread ends the wait at once, not at its time-out.
TEST(PlayWakeup, SignalFromAnotherThreadWakesTheWait) {
  TPlayWakeup w;
  std::vector<double> latencies;
  for (int i = 0; i < 20; ++i) {
    std::atomic<int64_t> signalledAt{0};
    std::thread t([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
      signalledAt.store(Clock::now().time_since_epoch().count());
      w.Signal(wrRefresh);
    });
    const uint32_t r = w.Wait(2000, -1);
    const auto woke = Clock::now().time_since_epoch().count();
    t.join();
    EXPECT_EQ(r, uint32_t(wrRefresh));
    latencies.push_back(double(woke - signalledAt.load()) / 1e6);
  }
  std::sort(latencies.begin(), latencies.end());
  // The median holds on a busy machine; a wait that missed the signal would sit out 2 s.
  EXPECT_LT(latencies[latencies.size() / 2], 10.0);
  EXPECT_LT(latencies.back(), 500.0);
}

// Input on the window system's connection ends the wait without a signal.
TEST(PlayWakeup, InputOnTheExtraDescriptorWakesTheWait) {
  TPlayWakeup w;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::thread t([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    ASSERT_EQ(write(fds[1], "x", 1), 1);
  });
  const auto start = Clock::now();
  EXPECT_EQ(w.Wait(2000, fds[0]), 0u);
  EXPECT_LT(MsSince(start), 1000.0);
  t.join();
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
}  // namespace zv
