// Pictures pass the player's filter string: scaling before the equalizer, the
// application's registered picture values read for every picture, and a
// string the pipeline refuses.
#include <atomic>
#include <string>

#include "engine/clocks.h"
#include "filters/eq_filter.h"
#include "filters/picture_values.h"
#include "video_test_util.h"

namespace zv {
namespace {

using test::MediaFile;
using test::WaitUntil;

// Mean luma of the ramp below the frame-number blocks.
double RampLuma(const TBitmap& bmp) {
  auto luma = test::BitmapLuma(bmp, 0, bmp.Height() * 3 / 4, bmp.Width(), bmp.Height() / 4);
  double sum = 0;
  for (uint8_t v : luma) sum += v;
  return luma.empty() ? 0 : sum / double(luma.size());
}

// The first picture of a file opened paused, through filters.
bool FirstPicture(const std::string& filters, int& w, int& h, double& ramp) {
  auto p = test::MakeVideoPlayer();
  if (!p) return false;
  p->SetVideoFilters(filters);
  if (!p->Open(MediaFile("sar_16_15_720x576.mkv"), 0, true)) return false;
  if (!WaitUntil([&] { return p->VideoStats().Shown == 1; })) return false;
  TBitmap& bmp = p->CurrentFrame();
  w = bmp.Width();
  h = bmp.Height();
  ramp = RampLuma(bmp);
  p->Stop(true);
  return true;
}

TEST(VideoFilters, ScaleThenEqualizerInTheOrderWritten) {
  ASSERT_TRUE(test::LoadPlayerLibraries());
  RegisterEqFilter();
  int w = 0, h = 0;
  double plain = 0, eq = 0;
  ASSERT_TRUE(FirstPicture("scale=320:240", w, h, plain));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  ASSERT_TRUE(FirstPicture("scale=320:240, nativeeq=20:-30", w, h, eq));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  // Brightness 20 with contrast -30 lifts the dark ramp of the fixture.
  EXPECT_GT(eq - plain, 10.0) << plain << " -> " << eq;
}

TEST(VideoFilters, ARegisteredValueChangedWhilePlayingChangesTheNextPictures) {
  ASSERT_TRUE(test::LoadPlayerLibraries());
  RegisterEqFilter();
  static std::atomic<int32_t> brightness{0}, contrast{0};
  RegisterPictureValue(&brightness);
  RegisterPictureValue(&contrast);
  brightness = 0;
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  p->SetVideoFilters("nativeeq=0:0:" + std::to_string(reinterpret_cast<uintptr_t>(&brightness)) + ":" +
                     std::to_string(reinterpret_cast<uintptr_t>(&contrast)));
  ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 3; }));
  const double before = RampLuma(p->CurrentFrame());
  const int64_t opens = p->VideoStats().SurfaceOpens;
  brightness = 60;
  double after = before;
  EXPECT_TRUE(WaitUntil([&] {
    after = RampLuma(p->CurrentFrame());
    return after > before + 30;
  })) << before << " -> " << after;
  EXPECT_EQ(p->VideoStats().SurfaceOpens, opens);  // nothing was reopened
  p->Stop(true);
  brightness = 0;
}

TEST(VideoFilters, AnUnregisteredAddressEndsTheVideoWithItsErrorLine) {
  ASSERT_TRUE(test::LoadPlayerLibraries());
  RegisterEqFilter();
  std::atomic<int32_t> unregistered{0};
  test::TLogCapture log;
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  p->SetVideoFilters("nativeeq=0:0:" + std::to_string(reinterpret_cast<uintptr_t>(&unregistered)));
  ASSERT_TRUE(p->Open(MediaFile("av_h264_aac.mp4"), 0, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return log.Contains("Cannot initialize the nativeeq filter"); }));
  // The sound plays on; no picture ever shows.
  ASSERT_TRUE(WaitUntil([&] { return GetAudioClock(p->CurStream()) >= 0.3; }));
  EXPECT_EQ(p->VideoStats().Shown, 0);
  EXPECT_EQ(unregistered.load(), 0);
  p->Stop(true);
}

}  // namespace
}  // namespace zv
