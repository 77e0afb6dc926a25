// Pictures with a display matrix stand upright on screen and in the frame
// copy, and the output takes the turned size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "video_test_util.h"
#include <functional>
#include "../tools/fixture_list.h"

namespace zv {
namespace {

using test::MediaFile;
using test::WaitUntil;

// Where the recorded picture's pixel shows: the luma of the recorded picture
// (w x h) rebuilt from a shown one, undoing the flip and then the turn.
std::vector<uint8_t> Recorded(const std::function<uint8_t(int, int)>& shownLuma, int w, int h, int rotation,
                              bool hflip) {
  const bool swap = rotation == 90 || rotation == 270;
  const int sw = swap ? h : w;
  std::vector<uint8_t> luma(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int X, Y;  // shown before the flip
      switch (rotation) {
        case 90: X = h - 1 - y, Y = x; break;
        case 180: X = w - 1 - x, Y = h - 1 - y; break;
        case 270: X = y, Y = w - 1 - x; break;
        default: X = x, Y = y; break;
      }
      if (hflip) X = sw - 1 - X;
      luma[size_t(y) * w + x] = shownLuma(X, Y);
    }
  return luma;
}

class PictureOrientation : public ::testing::TestWithParam<fixtures::RotatedFile> {};

TEST_P(PictureOrientation, ShownUprightAtTheTurnedSize) {
  const fixtures::RotatedFile& file = GetParam();
  const int w = fixtures::kRotatedWidth, h = fixtures::kRotatedHeight;
  const bool swap = file.rotation == 90 || file.rotation == 270;
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  ASSERT_TRUE(p->Open(MediaFile(std::string(file.name)), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 1; }));
  // Picture 25 codes bits 0, 3 and 4: no turn or flip reads the same.
  p->Seek(TSeekFlags{}, true, 1000000);
  int64_t pts = -1;
  ASSERT_TRUE(WaitUntil([&] {
    p->CurrentFrame(pts);
    return pts >= 1000000 - 20000;
  }));
  TOutputPixels out;
  ASSERT_TRUE(test::CaptureOutput(*p, out));
  EXPECT_EQ(out.Width, swap ? h : w);
  EXPECT_EQ(out.Height, swap ? w : h);
  const int want = int(test::FrameAt(pts) + 0.5);
  EXPECT_EQ(want, 25);
  auto screen = Recorded(
      [&](int x, int y) {
        const uint32_t c = out.At(x, y);
        return test::LumaOf(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c));
      },
      w, h, file.rotation, file.hflip);
  EXPECT_EQ(fixtures::ReadFrameNumber(screen.data(), w, w, h), want) << "screen";
  const TBitmap& copy = p->CurrentFrame();
  ASSERT_EQ(copy.Width(), swap ? h : w);
  ASSERT_EQ(copy.Height(), swap ? w : h);
  auto copied = Recorded(
      [&](int x, int y) {
        const uint8_t* px = copy.ScanLine(y) + 3 * x;
        return test::LumaOf(px[2], px[1], px[0]);
      },
      w, h, file.rotation, file.hflip);
  EXPECT_EQ(fixtures::ReadFrameNumber(copied.data(), w, w, h), want) << "frame copy";
  p->Stop(true);
}

INSTANTIATE_TEST_SUITE_P(Rotated, PictureOrientation, ::testing::ValuesIn(fixtures::kRotatedFiles),
                         [](const auto& info) {
                           std::string n(info.param.name);
                           return n.substr(0, n.find('.'));
                         });

}  // namespace
}  // namespace zv
