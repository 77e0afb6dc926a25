// Interlaced pictures are deinterlaced unless the player is told not to;
// progressive ones pass untouched either way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "video_test_util.h"

namespace zv {
namespace {

using test::MediaFile;
using test::WaitUntil;

// Energy of the differences between neighbouring rows in the frame copy of
// the picture at the keyframe by 1 s: zero for a clean vertical edge, large for a combed one.
double CombingAt1s(std::string_view name, bool deinterlace) {
  auto p = test::MakeVideoPlayer();
  if (!p) return -1;
  p->SetDeinterlace(deinterlace);
  EXPECT_TRUE(p->Open(MediaFile(std::string(name)), 0, true)) << p->LastErrMsg();
  EXPECT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 1; }));
  p->Seek(TSeekFlags{}, true, 1000000);
  int64_t pts = -1;
  EXPECT_TRUE(WaitUntil([&] {
    p->CurrentFrame(pts);
    return pts >= 900000;  // the keyframe at or before 1 s
  }));
  const TBitmap& copy = p->CurrentFrame();
  const std::vector<uint8_t> luma = test::BitmapLuma(copy);
  const int w = copy.Width(), h = copy.Height();
  // The edge is in the picture: white on its left, black on its right.
  EXPECT_GT(luma[size_t(h / 2) * w + 8], 200);
  EXPECT_LT(luma[size_t(h / 2) * w + w - 8], 40);
  double energy = 0;
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double d = double(luma[size_t(y) * w + x]) - luma[size_t(y + 1) * w + x];
      energy += d * d;
    }
  p->Stop(true);
  return energy / (double(w) * h);
}

TEST(Deinterlace, CombingFallsOnInterlacedPicturesOnly) {
  const double combed = CombingAt1s(fixtures::kInterlacedEdge, false);
  const double deinterlaced = CombingAt1s(fixtures::kInterlacedEdge, true);
  std::printf("interlaced: combing %.2f off, %.2f on\n", combed, deinterlaced);
  EXPECT_GT(combed, 5 * deinterlaced);
  EXPECT_GT(combed, 10.0) << "the fixture shows no combing";
  const double progressiveOff = CombingAt1s(fixtures::kProgressiveEdge, false);
  const double progressiveOn = CombingAt1s(fixtures::kProgressiveEdge, true);
  std::printf("progressive: combing %.2f off, %.2f on\n", progressiveOff, progressiveOn);
  EXPECT_DOUBLE_EQ(progressiveOff, progressiveOn);
}

}  // namespace
}  // namespace zv
