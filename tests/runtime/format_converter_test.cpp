#include "runtime/format_converter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace zv {
namespace {

struct FrameDeleter {
  void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

FramePtr MakeFrame(int w, int h, AVPixelFormat fmt, int align = 0) {
  AVFrame* f = ff::av_frame_alloc();
  f->width = w;
  f->height = h;
  f->format = fmt;
  if (ff::av_frame_get_buffer(f, align) < 0) ff::av_frame_free(&f);
  return FramePtr(f);
}

TAVPicture PictureOf(AVFrame* f) {
  TAVPicture p;
  for (int i = 0; i < 4; ++i) {
    p.data[i] = f->data[i];
    p.linesize[i] = f->linesize[i];
  }
  return p;
}

// BGR24 picture whose colour depends on the column only (red ramp) and, in the top half, on the row (green).
void PaintBgr(AVFrame* f) {
  for (int y = 0; y < f->height; ++y)
    for (int x = 0; x < f->width; ++x) {
      uint8_t* p = f->data[0] + y * f->linesize[0] + x * 3;
      p[0] = 40;
      p[1] = y < f->height / 2 ? 200 : 20;
      p[2] = uint8_t(x % 256);
    }
}

bool Near(int a, int b, int tolerance = 3) { return std::abs(a - b) <= tolerance; }

class FormatConverterTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  }
  TFormatConverter conv;
};

TEST_F(FormatConverterTest, Yuv420PictureShowsUprightInTheBitmap) {
  FramePtr f = MakeFrame(640, 480, AV_PIX_FMT_YUV420P);
  ASSERT_TRUE(f);
  for (int y = 0; y < 480; ++y) memset(f->data[0] + y * f->linesize[0], y < 240 ? 235 : 16, 640);
  for (int y = 0; y < 240; ++y) {
    memset(f->data[1] + y * f->linesize[1], 128, 320);
    memset(f->data[2] + y * f->linesize[2], 128, 320);
  }
  ASSERT_TRUE(conv.ToRGB(PictureOf(f.get()), AV_PIX_FMT_YUV420P, 640, 480, true)) << conv.LastErrMsg();
  TBitmap& bmp = conv.Bitmap();
  EXPECT_EQ(bmp.Width(), 640);
  EXPECT_EQ(bmp.Height(), 480);
  EXPECT_GT(bmp.Canvas().Pixel(10, 5) & 0xFF, 240u) << "top row white";
  EXPECT_LT(bmp.Canvas().Pixel(10, 475) & 0xFF, 15u) << "bottom row black";
  // Stored bottom-up: the first stored row is the picture's last.
  EXPECT_EQ(bmp.Bits(), bmp.ScanLine(479));
}

TEST_F(FormatConverterTest, PaddedBitmapRowsAreCopiedWithoutShear) {
  // 642 pixels: 1926 bytes of picture row against a bitmap scan line of 1928.
  FramePtr f = MakeFrame(642, 480, AV_PIX_FMT_BGR24, 1);
  ASSERT_TRUE(f);
  ASSERT_EQ(f->linesize[0], 1926);
  PaintBgr(f.get());
  ASSERT_TRUE(conv.ToRGB(PictureOf(f.get()), AV_PIX_FMT_BGR24, 642, 480, true)) << conv.LastErrMsg();
  EXPECT_EQ(conv.Bitmap().BytesPerScanLine(), 1928);
  EXPECT_NE(conv.Current()->data[0], f->data[0]) << "rows of different sizes go through the scaler";
  for (int y : {0, 100, 300, 479})
    for (int x : {0, 1, 255, 300, 641}) {
      uint32_t c = conv.Bitmap().Canvas().Pixel(x, y);
      EXPECT_TRUE(Near(int(c & 0xFF), x % 256)) << x << "," << y << " red " << (c & 0xFF);
      EXPECT_TRUE(Near(int((c >> 8) & 0xFF), y < 240 ? 200 : 20)) << x << "," << y;
    }
}

TEST_F(FormatConverterTest, MatchingBgrPictureIsUsedInPlaceOddSizesAreConverted) {
  FramePtr even = MakeFrame(640, 480, AV_PIX_FMT_BGR24, 1);
  ASSERT_TRUE(even);
  ASSERT_EQ(even->linesize[0], 1920);
  PaintBgr(even.get());
  ASSERT_TRUE(conv.ToRGB(PictureOf(even.get()), AV_PIX_FMT_BGR24, 640, 480, true));
  EXPECT_EQ(conv.Current()->data[0], even->data[0]);
  EXPECT_EQ(conv.BufferSize(), 0) << "nothing allocated";
  EXPECT_EQ(conv.Bitmap().Canvas().Pixel(7, 3), 0x28C807u);

  FramePtr odd = MakeFrame(640, 479, AV_PIX_FMT_BGR24, 1);
  ASSERT_TRUE(odd);
  PaintBgr(odd.get());
  ASSERT_TRUE(conv.ToRGB(PictureOf(odd.get()), AV_PIX_FMT_BGR24, 640, 479, true));
  EXPECT_NE(conv.Current()->data[0], odd->data[0]);
  EXPECT_EQ(conv.Bitmap().Height(), 479);
}

TEST_F(FormatConverterTest, BufferGrowsButNeverShrinks) {
  FramePtr small = MakeFrame(320, 240, AV_PIX_FMT_YUV420P);
  FramePtr big = MakeFrame(640, 480, AV_PIX_FMT_YUV420P);
  ASSERT_TRUE(small && big);
  int line = 0, smallSize = 0, bigSize = 0;
  ASSERT_TRUE(TFormatConverter::RGBLayout(320, 240, line, smallSize));
  ASSERT_TRUE(TFormatConverter::RGBLayout(640, 480, line, bigSize));
  ASSERT_TRUE(conv.ToRGB(PictureOf(small.get()), AV_PIX_FMT_YUV420P, 320, 240, false));
  EXPECT_EQ(conv.BufferSize(), smallSize);
  ASSERT_TRUE(conv.ToRGB(PictureOf(big.get()), AV_PIX_FMT_YUV420P, 640, 480, false));
  EXPECT_EQ(conv.BufferSize(), bigSize);
  ASSERT_TRUE(conv.ToRGB(PictureOf(small.get()), AV_PIX_FMT_YUV420P, 320, 240, false));
  EXPECT_EQ(conv.BufferSize(), bigSize);
  EXPECT_EQ(conv.Bitmap().Width(), 320);
}

// The scaler's fast paths write whole groups of 8 pixels per row: every row
// must hold them, and the last row needs room after it.
TEST(FormatConverterLayout, RowsHoldWholePixelGroupsAndTheBufferHasSlack) {
  for (int w = 1; w <= 2048; ++w) {
    int line = 0, size = 0;
    ASSERT_TRUE(TFormatConverter::RGBLayout(w, 3, line, size)) << w;
    EXPECT_GE(line, (w + 15) / 16 * 16 * 3) << w;
    EXPECT_EQ(line % TFormatConverter::LineAlign, 0) << w;
    EXPECT_GE(size, line * 3 + line) << w;
  }
  int line = 0, size = 0;
  EXPECT_FALSE(TFormatConverter::RGBLayout(0, 10, line, size));
  EXPECT_FALSE(TFormatConverter::RGBLayout(100000, 100000, line, size)) << "beyond 2 GB is refused, not wrapped";
  EXPECT_EQ(size, -1);
}

// Luma ramps across the row and chroma changes per column pair and row, so a
// right edge left unwritten or a chroma row read from the wrong place shows.
void PaintYuv(AVFrame* f) {
  for (int y = 0; y < f->height; ++y)
    for (int x = 0; x < f->width; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t(16 + (x * 7 + y) % 220);
  for (int y = 0; y < (f->height + 1) / 2; ++y)
    for (int x = 0; x < (f->width + 1) / 2; ++x) {
      f->data[1][y * f->linesize[1] + x] = uint8_t(60 + (x * 3) % 120);
      f->data[2][y * f->linesize[2] + x] = uint8_t(70 + (y * 5) % 110);
    }
}

TEST_F(FormatConverterTest, EveryWidthAndOddHeightMatchesAPaddedReference) {
  const int widths[] = {426, 640, 641, 642, 650, 852, 854, 1366};
  const int heights[] = {240, 241, 3, 1};
  for (int w : widths)
    for (int h : heights) {
      SCOPED_TRACE(testing::Message() << w << "x" << h);
      FramePtr src = MakeFrame(w, h, AV_PIX_FMT_YUV420P, 64);
      ASSERT_TRUE(src);
      PaintYuv(src.get());
      // The reference: the same conversion into a generously padded picture.
      FramePtr ref = MakeFrame(w + 64, h + 2, AV_PIX_FMT_BGR24, 64);
      ASSERT_TRUE(ref);
      SwsContext* sws = ff::sws_getContext(w, h, AV_PIX_FMT_YUV420P, w, h, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr,
                                           nullptr, nullptr);
      ASSERT_NE(sws, nullptr);
      ff::sws_scale(sws, src->data, src->linesize, 0, h, ref->data, ref->linesize);
      ff::sws_freeContext(sws);

      TFormatConverter c;
      ASSERT_TRUE(c.ToRGB(PictureOf(src.get()), AV_PIX_FMT_YUV420P, w, h, true)) << c.LastErrMsg();
      const TBitmap& bmp = c.Bitmap();
      ASSERT_EQ(bmp.Width(), w);
      ASSERT_EQ(bmp.Height(), h);
      int bad = 0;
      for (int y = 0; y < h && bad < 5; ++y)
        if (std::memcmp(bmp.ScanLine(y), ref->data[0] + y * ref->linesize[0], size_t(w) * 3) != 0) {
          ++bad;
          ADD_FAILURE() << "row " << y << " differs from the reference";
        }

      // And back into the picture, as the reference does it from its own copy.
      FramePtr back = MakeFrame(w, h, AV_PIX_FMT_YUV420P, 64);
      FramePtr refBack = MakeFrame(w, h, AV_PIX_FMT_YUV420P, 64);
      ASSERT_TRUE(back && refBack);
      ASSERT_TRUE(c.FromRGB(PictureOf(back.get()), AV_PIX_FMT_YUV420P, w, h)) << c.LastErrMsg();
      sws = ff::sws_getContext(w, h, AV_PIX_FMT_BGR24, w, h, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr,
                               nullptr);
      ASSERT_NE(sws, nullptr);
      ff::sws_scale(sws, ref->data, ref->linesize, 0, h, refBack->data, refBack->linesize);
      ff::sws_freeContext(sws);
      for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(back->data[0] + y * back->linesize[0], refBack->data[0] + y * refBack->linesize[0],
                              size_t(w)),
                  0)
            << "luma row " << y;
    }
}

TEST_F(FormatConverterTest, DrawingRoundTripsIntoTheFrame) {
  FramePtr f = MakeFrame(320, 240, AV_PIX_FMT_YUV420P);
  ASSERT_TRUE(f);
  for (int y = 0; y < 240; ++y) memset(f->data[0] + y * f->linesize[0], 120, 320);
  for (int y = 0; y < 120; ++y) {
    memset(f->data[1] + y * f->linesize[1], 128, 160);
    memset(f->data[2] + y * f->linesize[2], 128, 160);
  }
  ASSERT_TRUE(conv.ToRGB(PictureOf(f.get()), AV_PIX_FMT_YUV420P, 320, 240, true));
  TBitmapCanvas& canvas = conv.Bitmap().Canvas();
  canvas.Lock();
  canvas.FillRect(100, 50, 200, 150, 0x0000FF);  // red
  canvas.Unlock();
  conv.CopyFromBitmap();
  ASSERT_TRUE(conv.FromRGB(PictureOf(f.get()), AV_PIX_FMT_YUV420P, 320, 240)) << conv.LastErrMsg();
  EXPECT_GT(f->data[2][50 * f->linesize[2] + 75], 200) << "red shows as high V inside the rectangle";
  EXPECT_TRUE(Near(f->data[2][10 * f->linesize[2] + 10], 128)) << "untouched outside";

  TFormatConverter back;
  ASSERT_TRUE(back.ToRGB(PictureOf(f.get()), AV_PIX_FMT_YUV420P, 320, 240, true));
  uint32_t c = back.Bitmap().Canvas().Pixel(150, 100);
  EXPECT_GT(int(c & 0xFF), 220);
  EXPECT_LT(int((c >> 16) & 0xFF), 40);
  EXPECT_TRUE(Near(int(back.Bitmap().Canvas().Pixel(20, 20) & 0xFF), int(conv.Bitmap().Canvas().Pixel(20, 20) & 0xFF), 6))
      << std::hex << back.Bitmap().Canvas().Pixel(20, 20) << " " << conv.Bitmap().Canvas().Pixel(20, 20);
}

TEST_F(FormatConverterTest, FailuresAreReported) {
  FramePtr f = MakeFrame(64, 48, AV_PIX_FMT_YUV420P);
  ASSERT_TRUE(f);
  EXPECT_FALSE(conv.ToRGB(PictureOf(f.get()), AV_PIX_FMT_NONE, 64, 48, false));
  EXPECT_EQ(conv.LastErrMsg(), "Cannot initialize the toRGB conversion context");
  EXPECT_EQ(conv.Current(), nullptr);
  EXPECT_FALSE(conv.ToRGB(PictureOf(f.get()), AV_PIX_FMT_YUV420P, 0, 48, false));

  ASSERT_TRUE(conv.ToRGB(PictureOf(f.get()), AV_PIX_FMT_YUV420P, 64, 48, false));
  EXPECT_FALSE(conv.FromRGB(PictureOf(f.get()), AV_PIX_FMT_NONE, 64, 48));
  EXPECT_EQ(conv.LastErrMsg(), "Cannot initialize the fromRGB conversion context");
  // Current holds 64x48: a larger conversion would read past it.
  FramePtr big = MakeFrame(128, 96, AV_PIX_FMT_YUV420P);
  EXPECT_FALSE(conv.FromRGB(PictureOf(big.get()), AV_PIX_FMT_YUV420P, 128, 96));
}

// Copies before a successful ToRGB are programming errors, checked in every build.
TEST(FormatConverterDeathTest, CopiesNeedAPictureFromToRGB) {
  EXPECT_DEATH(TFormatConverter().CopyToBitmap(), "ToRGB must succeed first");
  EXPECT_DEATH(TFormatConverter().CopyFromBitmap(), "ToRGB must succeed first");
  // The hook can go on without its picture: a failure, not a stop.
  TFormatConverter c;
  TAVPicture none;
  EXPECT_FALSE(c.FromRGB(none, AV_PIX_FMT_YUV420P, 8, 8));
  EXPECT_EQ(c.LastErrMsg(), "Cannot initialize the fromRGB conversion context");
}

TEST(Bitmap, KeepsPixelsAcrossResizeAndClipsDrawing) {
  TBitmap bmp;
  bmp.SetSize(5, 3);
  EXPECT_EQ(bmp.BytesPerScanLine(), 16);
  bmp.Canvas().SetPixel(1, 1, 0x123456);
  bmp.Canvas().FillRect(-10, -10, 100, 1, 0xABCDEF);
  bmp.SetSize(7, 4);
  EXPECT_EQ(bmp.Canvas().Pixel(1, 1), 0x123456u);
  EXPECT_EQ(bmp.Canvas().Pixel(4, 0), 0xABCDEFu);
  EXPECT_EQ(bmp.Canvas().Pixel(6, 0), 0u);
  EXPECT_EQ(bmp.Canvas().Pixel(9, 0), 0u);
  EXPECT_EQ(bmp.ScanLine(4), nullptr);
  bmp.SetSize(-1, 2);
  EXPECT_EQ(bmp.Width(), 0);
}

}  // namespace
}  // namespace zv
