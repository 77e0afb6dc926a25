#include "engine/frame_scheduler.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/clocks.h"
#include "runtime/av_headers.h"

namespace zv {
namespace {

int64_t gFakeNow = 0;
int64_t FakeNow() { return gFakeNow; }

// The scheduler alone, against a sound clock and a video clock the test sets.
class FrameSchedulerTest : public ::testing::Test {
protected:
  void SetUp() override {
    gFakeNow = 100'000'000;  // 100 s
    SetClockSource(FakeNow);
    scheduler.SetClocks([this] { return master; }, [this] { return video; });
  }
  void TearDown() override { SetClockSource(nullptr); }
  TFrameScheduler scheduler;
  double master = NAN;  // no sound
  double video = 0;
};

TEST_F(FrameSchedulerTest, WithoutSoundPicturesKeepTheirDistances) {
  scheduler.Restart(100.0, 1.0, 0.04);
  struct Step { double pts, expectedTimer, expectedLastDelay; } steps[] = {
      {1.04, 100.04, 0.04},
      {1.10, 100.10, 0.06},
      {1.10, 100.16, 0.06},   // not increasing: the last delay
      {20.0, 100.22, 0.06},   // jump of 10 s or more: the last delay
      {20.05, 100.27, 0.05},
  };
  for (const auto& s : steps) {
    EXPECT_NEAR(scheduler.DueTime(s.pts), s.expectedTimer, 1e-9) << s.pts;
    EXPECT_NEAR(scheduler.LastDelay(), s.expectedLastDelay, 1e-9) << s.pts;
    EXPECT_DOUBLE_EQ(scheduler.LastPts(), s.pts);
  }
}

TEST_F(FrameSchedulerTest, FirstPictureAfterARestartIsDueAtOnce) {
  scheduler.Restart(100.0, double(AV_NOPTS_VALUE), 0);
  EXPECT_NEAR(scheduler.DueTime(3.0), 100.0, 1e-9);
  EXPECT_NEAR(scheduler.DueTime(3.04), 100.04, 1e-9);
}

TEST_F(FrameSchedulerTest, PicturesAreTimedTowardsTheSound) {
  // The last picture (pts = video) was due now; the next one is ptsStep later.
  struct Case { double video, audio, lastDelay, ptsStep, expectedDelay; const char* why; } cases[] = {
      {5.00, 5.00, 0.04, 0.04, 0.04, "in sync"},
      {5.00, 5.10, 0.04, 0.04, 0.0, "video behind: at once"},
      {5.10, 5.00, 0.04, 0.04, 0.08, "video ahead: twice the delay"},
      {5.00, 5.03, 0.04, 0.04, 0.01, "within the delay: when the audio reaches its pts"},
      {5.00, 4.98, 0.04, 0.04, 0.06, "within the delay, ahead: later by as much"},
      {5.00, 4.995, 0.005, 0.005, 0.01, "threshold never below 0.01 s; the aim is bounded by twice the delay"},
      {5.00, 5.015, 0.005, 0.005, 0.0, "beyond 0.01 s behind"},
      {5.00, 15.5, 0.04, 0.04, 0.04, "10 s or more apart: a timestamp error, left alone"},
  };
  for (const auto& c : cases) {
    master = c.audio;
    video = c.video;
    scheduler.Restart(ClockSeconds(), c.video, c.lastDelay);
    EXPECT_NEAR(scheduler.DueTime(c.video + c.ptsStep), ClockSeconds() + c.expectedDelay, 1e-9) << c.why;
  }
}

TEST_F(FrameSchedulerTest, PicturesWithoutPtsContinueTheClock) {
  EXPECT_DOUBLE_EQ(scheduler.StampPts(2.0, 0.04, 0), 2.0);
  EXPECT_NEAR(scheduler.StampPts(NAN, 0.04, 0), 2.04, 1e-9);
  EXPECT_NEAR(scheduler.StampPts(NAN, 0.04, 1), 2.08, 1e-9) << "a repeated field lengthens the picture by half";
  EXPECT_NEAR(scheduler.StampPts(NAN, 0.04, 0), 2.14, 1e-9);
  EXPECT_DOUBLE_EQ(scheduler.StampPts(7.0, 0.04, 0), 7.0) << "a pts of its own wins";
}

TEST_F(FrameSchedulerTest, PauseShiftMovesTheScheduleFromAnyThread) {
  scheduler.Restart(98.0, 5.0, 0.04);
  scheduler.ShiftBy(3.0);
  EXPECT_NEAR(scheduler.Timer(), 101.0, 1e-9);
  EXPECT_NEAR(scheduler.DueTime(5.04), 101.04, 1e-9);
}

TEST_F(FrameSchedulerTest, SkipRatioFollowsLateDropsAndAFullQueue) {
  scheduler.OnFullQueue();
  scheduler.OnFullQueue();
  EXPECT_FLOAT_EQ(scheduler.SkipRatio(), 0.95f) << "floor";
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(scheduler.PassPicture()) << "below 1 every picture passes";

  scheduler.Restart(100.0, double(AV_NOPTS_VALUE), 0);
  EXPECT_FLOAT_EQ(scheduler.SkipRatio(), 1.0f) << "a restart passes every picture again";
  for (int i = 0; i < 15; ++i) scheduler.NoteLateDrop();  // 1.05^15 ≈ 2.08
  int shown = 0;
  for (int i = 0; i < 100; ++i) shown += scheduler.PassPicture();
  EXPECT_GE(shown, 47);
  EXPECT_LE(shown, 49);

  for (int i = 0; i < 15; ++i) scheduler.NoteLateDrop();
  scheduler.Restart(100.0, double(AV_NOPTS_VALUE), 0);
  EXPECT_TRUE(scheduler.PassPicture()) << "late drops of the old position are forgotten";
  EXPECT_FLOAT_EQ(scheduler.SkipRatio(), 1.0f);
}

}  // namespace
}  // namespace zv
