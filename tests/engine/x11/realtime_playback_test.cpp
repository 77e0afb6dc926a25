// The play loop keeps pace with the stream: a picture goes on screen when it
// falls due, in SDL's own window and in a foreign X11 window (the case where
// SDL's own event wait is not woken by other threads).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/engine_test_util.h"
#include "engine/x11/x11_test_window.h"
#include "../tools/fixture_list.h"

namespace zv {
namespace {

using test::MediaFile;
using test::WaitUntil;

class RealtimePlayback : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";

    if (GetParam()) {
      panel = std::make_unique<test::TX11TestWindow>(320, 240);
      ASSERT_NE(panel->Id(), 0u) << "no X display";
      window = panel->Id();
    }
  }
  std::unique_ptr<test::TX11TestWindow> panel;
  uint64_t window = 0;
};

TEST_P(RealtimePlayback, PicturesAreShownWhenDueAndKeepPace) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  p->SetAudioDriver(adDummy);
  p->SetVideoDriver(vdX11);
  p->SetTriggerEventInMainThread(false);
  ASSERT_TRUE(p->Open(MediaFile(std::string(fixtures::kSync60s)), window, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().PlayedSeconds >= 3.0; }, std::chrono::seconds(20)));
  const TVideoStats s = p->VideoStats();
  p->Stop(true);
  ASSERT_GT(s.Due, 60);
  // A loop that sleeps out a slice per wake-up shows a fraction of them, each
  // tens of ms late.
  EXPECT_GE(double(s.Shown + s.DroppedLate), 0.9 * double(s.Due)) << s.Shown << " shown of " << s.Due;
  EXPECT_LE(s.LatenessP50, 0.010) << "half the pictures came later than this after their time";
  EXPECT_LE(s.SyncAbsP50, 0.020) << "|pts - master| median";
}

// At 2x the sound's clock runs twice as fast; pictures keep in step with it.
TEST_P(RealtimePlayback, AtTwiceTheSpeedPicturesKeepInStepWithTheSound) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  p->SetAudioDriver(adDummy);
  p->SetVideoDriver(vdX11);
  p->SetTriggerEventInMainThread(false);
  ASSERT_TRUE(p->Open(MediaFile(std::string(fixtures::kSync60s)), window, true)) << p->LastErrMsg();
  p->SetSpeed(2.0);
  p->Resume();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().PlayedSeconds >= 3.0; }, std::chrono::seconds(20)));
  const TVideoStats s = p->VideoStats();
  p->Stop(true);
  ASSERT_GT(s.Due, 60);
  ASSERT_GE(s.RecentPts.size(), 2u);
  std::fprintf(stderr, "2x: %lld shown, %lld dropped late of %lld due; sync p50 %.4f s; lateness p50 %.4f s\n",
               (long long)s.Shown, (long long)s.DroppedLate, (long long)(2 * s.Due), s.SyncAbsP50, s.LatenessP50);
  // Due counts the stream's rate in wall time: twice as many come at 2x.
  EXPECT_GE(double(s.Shown + s.DroppedLate), 0.9 * 2 * double(s.Due)) << s.Shown << " shown of " << 2 * s.Due;
  EXPECT_NEAR((s.RecentPts.back() - s.RecentPts.front()) / s.PlayedSeconds, 2.0, 0.1) << "media s per wall s";
  EXPECT_LE(s.LatenessP50, 0.010) << "half the pictures came later than this after their time";
  EXPECT_LE(s.SyncAbsP50, 0.020) << "|pts - master| median";
}

INSTANTIATE_TEST_SUITE_P(Windows, RealtimePlayback, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ForeignX11Window" : "OwnWindow"; });

}  // namespace
}  // namespace zv
