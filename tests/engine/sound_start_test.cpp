// The sound of a file with pictures starts with its first picture: from the
// first second on, each picture appears when the sound is at its time. The
// disk driver paces itself as a sound card does. (Named for the pace checks:
// left out of the thread checker's slowed-down run.)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "engine/engine_test_util.h"
#include "../tools/fixture_list.h"

namespace zv {
namespace {

namespace fx = fixtures;

class RealtimePlaybackStart : public ::testing::Test {
protected:
  void SetUp() override {
    out_ = ::testing::TempDir() + "zelvo_start_" + std::to_string(getpid()) + ".raw";
    setenv("SDL_DISKAUDIOFILE", out_.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");  // paced: one buffer's time per buffer
  }
  void TearDown() override {
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    std::remove(out_.c_str());
  }
  std::string out_;
};

TEST_F(RealtimePlaybackStart, TheFirstSecondsPicturesMeetTheSound) {
  for (std::string_view file : {fx::kAvH264AacMkv, fx::kSync60s}) {
    SCOPED_TRACE(std::string(file));
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    p->SetAudioDriver(adDisk);
    p->SetVideoDriver(vdDummy);
    p->SetTriggerEventInMainThread(false);
    // A first picture as slow as a large one on a busy machine: the sound
    // must not run on meanwhile.
    std::atomic<int> pictures{0};
    p->SetOnVideoHook([&](TFFBaseComponent*, TBitmap*, int64_t, bool& update) {
      update = false;
      if (pictures.fetch_add(1) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    p->SetVideoHook(true);
    ASSERT_TRUE(p->Open(test::MediaFile(std::string(file)), 0, false)) << p->LastErrMsg();
    ASSERT_TRUE(test::WaitUntil([&] { return p->VideoStats().PlayedSeconds >= 1.2; }, std::chrono::seconds(20)));
    const TVideoStats s = p->VideoStats();
    p->Stop(true);
    ASSERT_FALSE(s.RecentPts.empty());
    const double first = s.RecentPts.front();
    std::vector<double> offsets;
    for (size_t i = 0; i < s.RecentPts.size(); ++i)
      if (s.RecentPts[i] < first + 1.0 && std::isfinite(s.RecentSync[i])) offsets.push_back(std::fabs(s.RecentSync[i]));
    ASSERT_GE(offsets.size(), 10u);
    std::sort(offsets.begin(), offsets.end());
    // Under load a picture can come a few ms late now and then; a sound
    // that started before the pictures leaves the first ones far off.
    const double firstOffset = s.RecentSync.front();
    const double median = offsets[offsets.size() / 2];
    EXPECT_LE(std::fabs(firstOffset), 0.025) << "the first picture, ms: " << firstOffset * 1e3;
    EXPECT_LE(median, 0.010) << "worst ms: " << offsets.back() * 1e3;
  }
}

}  // namespace
}  // namespace zv
