#include "filters/hue_filter.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "filters/picture_values.h"
#include "filter_test_support.h"

namespace zv {
namespace {

using test::FilterLibTest;
using test::LogCapture;
using UV = std::pair<int, int>;

constexpr std::array<UV, 6> kInputs = {UV{128, 128}, UV{0, 0}, UV{255, 255}, UV{100, 200}, UV{200, 100}, UV{16, 240}};

struct ChromaCase {
  int hue, saturation;
  std::array<UV, 6> out;
};

TEST(ProcessChroma, MatchesTheTable) {
  const ChromaCase cases[] = {
      {0, 0, {UV{128, 128}, {0, 0}, {255, 255}, {100, 200}, {200, 100}, {16, 240}}},
      {0, -100, {UV{128, 128}, {128, 128}, {128, 128}, {128, 128}, {128, 128}, {128, 128}}},
      {0, 100, {UV{128, 128}, {0, 0}, {255, 255}, {72, 255}, {255, 72}, {0, 255}}},
      {50, 0, {UV{128, 128}, {255, 0}, {1, 255}, {56, 100}, {156, 200}, {16, 16}}},
      {-50, 0, {UV{128, 128}, {0, 255}, {255, 1}, {200, 156}, {100, 56}, {240, 240}}},
      {100, 0, {UV{128, 128}, {255, 255}, {1, 1}, {156, 56}, {56, 156}, {240, 16}}},
      {-100, 0, {UV{128, 128}, {255, 255}, {1, 1}, {156, 56}, {56, 156}, {240, 16}}},
      {25, 0, {UV{128, 128}, {128, 0}, {128, 255}, {57, 159}, {199, 159}, {0, 128}}},
      {10, 20, {UV{128, 128}, {29, 0}, {226, 255}, {69, 200}, {221, 123}, {0, 214}}},
  };
  for (const auto& c : cases) {
    // Two rows 8 bytes apart; bytes 6 and 7 of each row are outside the width.
    std::array<uint8_t, 16> u{}, v{};
    u.fill(9);
    v.fill(9);
    for (size_t i = 0; i < 6; ++i) {
      u[i] = u[8 + i] = uint8_t(kInputs[i].first);
      v[i] = v[8 + i] = uint8_t(kInputs[i].second);
    }
    ProcessChroma(u.data(), v.data(), 8, 6, 2, c.hue, c.saturation);
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ((UV{u[i], v[i]}), c.out[i]) << c.hue << "," << c.saturation << " input " << kInputs[i].first << ","
                                             << kInputs[i].second;
      EXPECT_EQ((UV{u[8 + i], v[8 + i]}), c.out[i]);
    }
    EXPECT_EQ(u[6], 9);
    EXPECT_EQ(v[7], 9);
  }
}

// Every pair of chroma bytes for settings across the range (extremes, the
// half turns, full saturation), in place and into other buffers, against the
// rotation written out plainly with its bit 8/9 clamp.
TEST(ProcessChroma, EveryInputPairMatchesTheFormula) {
  const std::pair<int, int> settings[] = {{100, 100}, {-100, 100}, {50, 100},  {-50, -50}, {0, 100},
                                          {25, 0},    {10, 20},    {-37, 73},  {99, -99},  {1, 0}};
  std::vector<uint8_t> u(65536), v(65536), pu, pv, ou(65536), ov(65536);
  for (int i = 0; i < 65536; ++i) {
    u[i] = uint8_t(i & 0xFF);
    v[i] = uint8_t(i >> 8);
  }
  for (const auto& [hue, saturation] : settings) {
    const long double angle = hue * std::numbers::pi_v<long double> / 100;
    const long double k = (saturation + 100) / 100.0L;
    const int s = int(std::floor(std::sin(angle) * 65536 * k + 0.5L));
    const int c = int(std::floor(std::cos(angle) * 65536 * k + 0.5L));
    pu = u;
    pv = v;
    // 256 rows of 256 in place; one long row into other buffers.
    ProcessChroma(pu.data(), pv.data(), 256, 256, 256, hue, saturation);
    RotateChroma(u.data(), 65536, v.data(), 65536, ou.data(), 65536, ov.data(), 65536, 65536, 1,
                 MakeChromaRotation(hue, saturation));
    for (int i = 0; i < 65536; ++i) {
      int a = (c * (u[i] - 128) - s * (v[i] - 128) + 8421376) >> 16;
      int b = (s * (u[i] - 128) + c * (v[i] - 128) + 8421376) >> 16;
      if (a & 0x300) a = a < 0 ? 0 : 255;
      if (b & 0x300) b = b < 0 ? 0 : 255;
      ASSERT_EQ((UV{pu[i], pv[i]}), (UV{a, b}))
          << "in place " << hue << "," << saturation << " input " << int(u[i]) << "," << int(v[i]);
      ASSERT_EQ((UV{ou[i], ov[i]}), (UV{a, b}))
          << "into others " << hue << "," << saturation << " input " << int(u[i]) << "," << int(v[i]);
    }
  }
}

class HueFilterTest : public FilterLibTest {};

TEST_F(HueFilterTest, ParsesClampsAndReportsLikeTheEqualizer) {
  LogCapture log;
  TNativeFilterContext* ctx = CreateNativeFilter(&HueFilter(), "-101:250", nullptr);
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(log.Texts(ctx, "nativehue"),
            (std::vector<std::string>{"Invalid hue value -101, force to -100",
                                      "Invalid saturation value 250, force to 100", "hue:-100, saturation 100"}));
  FreeNativeFilter(ctx);
}

TEST_F(HueFilterTest, OddSizesKeepTheLastChromaRowAndColumn) {
  test::FramePtr f(test::MakeFrame(9, 481, AV_PIX_FMT_YUV420P));
  ASSERT_TRUE(f);
  const int cw = (9 + 1) / 2, ch = (481 + 1) / 2;
  for (int p = 1; p < 3; ++p)
    for (int y = 0; y < ch; ++y)
      for (int x = 0; x < cw; ++x) f->data[p][y * f->linesize[p] + x] = 40;
  TNativeFilterContext* ctx = CreateNativeFilter(&HueFilter(), "30:-100", nullptr);
  ASSERT_NE(ctx, nullptr);
  ASSERT_EQ(ctx->filter->config_input(ctx, AV_PIX_FMT_YUV420P, 9, 481), 0);
  ProcessNativeFilter(ctx, f.get());
  for (int p = 1; p < 3; ++p) {
    EXPECT_EQ(f->data[p][0], 128);
    EXPECT_EQ(f->data[p][239 * f->linesize[p] + 3], 128);
    EXPECT_EQ(f->data[p][240 * f->linesize[p] + 0], 40) << "last chroma row of 481 rows";
    EXPECT_EQ(f->data[p][10 * f->linesize[p] + 4], 40) << "last chroma column of 9 columns";
  }
  FreeNativeFilter(ctx);
}

TEST_F(HueFilterTest, ChromaShiftsFollowThePixelFormat) {
  const struct {
    AVPixelFormat fmt;
    int hsub, vsub;
  } cases[] = {{AV_PIX_FMT_YUV420P, 1, 1}, {AV_PIX_FMT_YUV422P, 1, 0},  {AV_PIX_FMT_YUV444P, 0, 0},
               {AV_PIX_FMT_YUV410P, 2, 2}, {AV_PIX_FMT_YUV411P, 2, 0},  {AV_PIX_FMT_YUV440P, 0, 1},
               {AV_PIX_FMT_YUVJ420P, 1, 1}, {AV_PIX_FMT_YUVJ440P, 0, 1}};
  TNativeFilterContext* ctx = CreateNativeFilter(&HueFilter(), nullptr, nullptr);
  ASSERT_NE(ctx, nullptr);
  for (const auto& c : cases) {
    ASSERT_EQ(ctx->filter->config_input(ctx, c.fmt, 64, 64), 0);
    auto* h = static_cast<HueContext*>(ctx->priv);
    EXPECT_EQ(h->hsub, c.hsub) << c.fmt;
    EXPECT_EQ(h->vsub, c.vsub) << c.fmt;
  }
  EXPECT_LT(ctx->filter->config_input(ctx, AV_PIX_FMT_RGB24, 64, 64), 0);
  FreeNativeFilter(ctx);
}

TEST_F(HueFilterTest, ChromaPlanesWithDifferentRowStepsAreEachWalkedWithTheirOwn) {
  // Hand-made planes: V rows are closer together than U rows.
  std::array<uint8_t, 4 * 16> u{}, v{};
  u.fill(0);
  v.fill(0);
  AVFrame frame{};
  frame.width = 8;
  frame.height = 8;
  frame.format = AV_PIX_FMT_YUV420P;
  std::array<uint8_t, 64> y{};
  frame.data[0] = y.data();
  frame.linesize[0] = 8;
  frame.data[1] = u.data();
  frame.linesize[1] = 16;
  frame.data[2] = v.data();
  frame.linesize[2] = 4;
  TNativeFilterContext* ctx = CreateNativeFilter(&HueFilter(), "0:-100", nullptr);
  ASSERT_NE(ctx, nullptr);
  ASSERT_EQ(ctx->filter->config_input(ctx, AV_PIX_FMT_YUV420P, 8, 8), 0);
  ProcessNativeFilter(ctx, &frame);
  for (int r = 0; r < 4; ++r)
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(u[r * 16 + i], 128);
      EXPECT_EQ(v[r * 4 + i], 128);
    }
  for (size_t i = 16; i < v.size(); ++i) EXPECT_EQ(v[i], 0) << "beyond the V plane, byte " << i;
  FreeNativeFilter(ctx);
}

}  // namespace
}  // namespace zv
