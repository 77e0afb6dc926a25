// The play loop keeps pace with the stream: a picture goes on screen when it
// falls due, in SDL's own window and in a foreign X11 window (the case where
// SDL's own event wait is not woken by other threads).
#include <gtest/gtest.h>

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

INSTANTIATE_TEST_SUITE_P(Windows, RealtimePlayback, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ForeignX11Window" : "OwnWindow"; });

}  // namespace
}  // namespace zv
