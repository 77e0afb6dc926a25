#include "engine/audio_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zv {
namespace {

TEST(AudioClock, ReadingGivesWhatTheWriterSet) {
  TAudioClock clock;
  clock.BeginUpdate();
  clock.SetPts(2.5);
  clock.SetChunk(4096, 1024);
  clock.EndUpdate();
  clock.HandOut(1000);
  clock.PublishCallback(777, 0.02);
  const TAudioClock::TReading r = clock.Read();
  EXPECT_DOUBLE_EQ(r.Pts, 2.5);
  EXPECT_EQ(r.PendingBytes, 4096 - 2024);
  EXPECT_DOUBLE_EQ(r.CallbackSpan, 0.02);
  EXPECT_EQ(r.CallbackTime, 777);
  clock.Advance(0.5);
  EXPECT_DOUBLE_EQ(clock.Read().Pts, 3.0);
}

// The writer changes the clock and its chunk together; a reader never sees
// one without the other.
TEST(AudioClock, AReaderNeverSeesHalfAnUpdate) {
  TAudioClock clock;
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int k = 1; !stop.load(std::memory_order_relaxed); k = k % 100000 + 1) {
      clock.BeginUpdate();
      clock.SetPts(double(k));
      clock.SetChunk(k);
      clock.EndUpdate();
    }
  });
  int torn = 0;
  for (int i = 0; i < 20000; ++i) {
    const TAudioClock::TReading r = clock.Read();
    if (r.Pts != double(r.PendingBytes)) ++torn;
  }
  stop = true;
  writer.join();
  // A reader that keeps meeting updates takes its last try: rare, never the rule.
  EXPECT_LT(torn, 200);
}

}  // namespace
}  // namespace zv
