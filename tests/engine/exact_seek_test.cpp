// Exact seeks: the picture and the sound at the asked time, not at the key
// picture before it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include "../../tools/fixture_list.h"
#include "engine/exact_seek.h"
#include "video_test_util.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;
using namespace std::chrono_literals;
using test::FrameNumberOf;
using test::MediaFile;
using test::WaitUntil;

TEST(ExactSeek, PicturesAndSamplesBeforeTheTargetAreDropped) {
  struct Case {
    double pts, duration, target;
    bool over;
  } pictures[] = {
      {1.00, 0.04, 1.05, true},    // over at 1.04
      {1.00, 0.04, 1.04, true},    // the next one starts at the target
      {1.00, 0.04, 1.039, false},  // on screen at the target
      {1.00, 0.04, 1.00, false},
      {1.00, 0.0, 1.00, false},  // no duration known: only those before
      {0.99, 0.0, 1.00, true},
      {NAN, 0.04, 1.00, false},  // no time: kept
      {1.00, 0.04, NAN, false},  // no target
  };
  for (const Case& c : pictures)
    EXPECT_EQ(PictureEndsBefore(c.pts, c.duration, c.target), c.over) << c.pts << " " << c.duration << " " << c.target;

  struct Samples {
    double start;
    int rate, count;
    double target;
    int drop;
  } samples[] = {
      {1.0, 48000, 1024, 1.01, 480}, {1.0, 48000, 1024, 1.5, 1024}, {1.0, 48000, 1024, 0.5, 0},
      {1.0, 48000, 1024, 1.0, 0},    {1.0, 0, 1024, 1.5, 0},        {1.0, 48000, 1024, NAN, 0},
  };
  for (const Samples& c : samples)
    EXPECT_EQ(SamplesBefore(c.start, c.rate, c.count, c.target), c.drop) << c.start << " " << c.target;
}

// The first picture's time, which the container may put a little after 0.
double FirstPictureSeconds(TFFPlayer& p) {
  int64_t pts = -1;
  EXPECT_TRUE(WaitUntil([&] { return p.CurrentFrame(pts), pts >= 0; }));
  return pts / 1e6;
}

// The number of the picture on screen once it is `frame` (or, after 5 s, whatever it is then).
int PictureOnScreen(TFFPlayer& p, int frame) {
  int number = -1;
  WaitUntil([&] { return (number = FrameNumberOf(p.CurrentFrame())) == frame; }, 5s);
  return number;
}

TEST(ExactSeek, LandsOnThePictureAtTheTarget) {
  // Key pictures every 12 (0.48 s) in this file.
  struct Case {
    const char* name;
    int frame;
    bool paused;
  } cases[] = {
      {"just after a key picture", 13, true},   {"just before the next", 23, true},
      {"a key picture", 24, true},              {"far in", 1000, true},
      {"back again", 107, true},                {"playing", 611, false},
  };
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  ASSERT_TRUE(p->Open(MediaFile(std::string(fx::kSync60s)), 0, true)) << p->LastErrMsg();
  const double first = FirstPictureSeconds(*p);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.paused) p->Pause(); else p->Resume();
    // Inside the picture's time on screen.
    const double target = first + (c.frame + 0.5) / fx::kFps;
    p->Seek(TSeekFlags{sfExact}, true, std::llround(target * 1e6));
    if (c.paused) {
      EXPECT_EQ(PictureOnScreen(*p, c.frame), c.frame);
    } else {
      // Playing on, the pictures after the target follow; never one before it.
      int64_t pts = -1;
      int n = -1;
      ASSERT_TRUE(WaitUntil([&] {
        n = FrameNumberOf(p->CurrentFrame(pts));
        return pts >= 0 && std::fabs(pts / 1e6 - target) < 1.0;
      }, 5s));
      EXPECT_GE(n, c.frame);
      EXPECT_LE(n, c.frame + 25);
    }
  }
  p->Stop(true);
}

TEST(ExactSeek, TheSoundStartsAtTheTargetSample) {
  const std::string out = ::testing::TempDir() + "zelvo_exact_" + std::to_string(getpid()) + ".raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  const int rate = 44100;
  // 1.5 s and a bit: inside a compressed frame, which a key-picture seek would start with.
  const int64_t targetSample = 66150 + 37;
  {
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    test::TRecorder rec;
    rec.Attach(*p);
    p->SetTriggerEventInMainThread(false);
    p->SetDisableDisplay(true);
    ASSERT_TRUE(p->Open(MediaFile(std::string(fx::kAudioFlac)), 0, true)) << p->LastErrMsg();
    p->Seek(TSeekFlags{sfExact}, true, targetSample * 1000000 / rate + 1);
    p->Resume();
    EXPECT_TRUE(WaitUntil([&] { return rec.Count(psEnd) == 1; }, 20s));
    p->Stop(true);
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::ifstream in(out, std::ios::binary);
  ASSERT_TRUE(in);
  // Silence while paused, then the sound from the target sample on.
  int16_t s[2] = {0, 0};
  while (s[0] == 0 && s[1] == 0 && in.read(reinterpret_cast<char*>(s), sizeof s)) {
  }
  int64_t k = targetSample;
  // Lossless: every sample as written, for 0.1 s.
  int mismatches = 0;
  for (int i = 0; i < rate / 10 && in; ++i, ++k) {
    if (s[0] != fx::ToneSampleS16(0, k, rate) || s[1] != fx::ToneSampleS16(1, k, rate)) ++mismatches;
    in.read(reinterpret_cast<char*>(s), sizeof s);
  }
  EXPECT_EQ(mismatches, 0);
  std::remove(out.c_str());
}

}  // namespace
}  // namespace zv
