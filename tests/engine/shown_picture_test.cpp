// The copy of the picture on screen keeps odd-sized pictures' chroma in place.
#include "engine/shown_picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace zv {
namespace {

// A 9 x 7 picture: luma flat; the last chroma column (the picture's last
// pixel column) red, the last chroma row (its last pixel row) blue,
// everything else neutral. A copy that keeps w/2 x h/2 chroma loses both.
TEST(ShownPictureTest, OddSizesKeepTheirLastChromaColumnAndRow) {
  std::string err;
  ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  const int slotW = 10, slotH = 8, w = 9, h = 7;
  AVFrame* frame = ff::av_frame_alloc();
  ASSERT_TRUE(frame);
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = w;
  frame->height = h;
  ASSERT_GE(ff::av_frame_get_buffer(frame, 0), 0);
  for (int p = 0; p < 3; ++p)
    for (int r = 0; r < (p ? (h + 1) / 2 : h); ++r)
      std::memset(frame->data[p] + size_t(r) * frame->linesize[p], 128, size_t(frame->linesize[p]));
  uint8_t* u = frame->data[1];
  uint8_t* v = frame->data[2];
  const int pitchC = frame->linesize[1];
  const int lastC = (w + 1) / 2 - 1, lastR = (h + 1) / 2 - 1;
  for (int r = 0; r <= lastR; ++r) {
    u[size_t(r) * pitchC + lastC] = 90;
    v[size_t(r) * pitchC + lastC] = 240;
  }
  for (int c = 0; c < lastC; ++c) {
    u[size_t(lastR) * pitchC + c] = 240;
    v[size_t(lastR) * pitchC + c] = 110;
  }

  TShownPicture shown;
  shown.Open(slotW, slotH);
  shown.Store(frame, 40000);
  ff::av_frame_free(&frame);  // the copy keeps its own reference
  TFormatConverter conv;
  int64_t pts = -1;
  TBitmap& bmp = shown.Copy(conv, pts);
  EXPECT_EQ(pts, 40000);
  ASSERT_EQ(bmp.Width(), w);
  ASSERT_EQ(bmp.Height(), h);
  auto bgr = [&](int x, int row) { return bmp.ScanLine(row) + 3 * x; };
  // Scaling blends neighbouring samples: compare red and blue, not exact values.
  const uint8_t* topRight = bgr(w - 1, 0);
  EXPECT_GT(int(topRight[2]), int(topRight[0]) + 60) << "red at the last column";
  const uint8_t* bottomLeft = bgr(0, h - 1);
  EXPECT_GT(int(bottomLeft[0]), int(bottomLeft[2]) + 60) << "blue at the last row";
  const uint8_t* topLeft = bgr(0, 0);
  EXPECT_NEAR(topLeft[0], topLeft[2], 6) << "neutral elsewhere";
  shown.Close();
}

}  // namespace
}  // namespace zv
