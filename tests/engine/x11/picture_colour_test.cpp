// Colour bars tagged (or not) with their matrix and range come out on screen,
// and in the frame copy, in the colours they were made from: through textures
// (SDL's OpenGL renderer in an X11 window; the RGB upload behind SDL's
// software renderer) and straight into the window's surface.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>

#include "engine/video_test_util.h"
#include "runtime/entry_points.h"
#include "../tools/fixture_list.h"

namespace zv {
namespace {

using test::MediaFile;
using test::WaitUntil;

constexpr int kTolerance = 4;

// How the output is drawn: ZELVO_DRAW and the video driver.
struct TDrawing {
  const char* draw;
  bool x11;
  const char* name;
};
constexpr TDrawing kDrawings[] = {
    {"texture", true, "X11Texture"}, {"texture", false, "SoftwareTexture"}, {"software", true, "X11Surface"}};

class PictureColour : public ::testing::TestWithParam<std::tuple<fixtures::BarsFile, TDrawing>> {
protected:
  void TearDown() override { unsetenv("ZELVO_DRAW"); }
};

// Mean of a patch in the middle of each bar, as R, G, B.
struct TRgb {
  int r, g, b;
};
template <typename PixelAt>
TRgb BarMean(int bar, int w, int h, PixelAt at) {
  const int x0 = (2 * bar + 1) * w / (2 * fixtures::kBarCount) - 4, y0 = h / 2 - 4;
  int r = 0, g = 0, b = 0;
  for (int y = y0; y < y0 + 8; ++y)
    for (int x = x0; x < x0 + 8; ++x) {
      const uint32_t c = at(x, y);
      r += int(c >> 16 & 0xFF);
      g += int(c >> 8 & 0xFF);
      b += int(c & 0xFF);
    }
  return {(r + 32) / 64, (g + 32) / 64, (b + 32) / 64};
}

std::string Describe(const TRgb& c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

void ExpectBars(const char* where, int w, int h, const std::function<uint32_t(int, int)>& at) {
  std::string table;
  for (int bar = 0; bar < fixtures::kBarCount; ++bar) {
    const TRgb got = BarMean(bar, w, h, at);
    const uint8_t* want = fixtures::kBarColours[bar];
    table += " " + Describe(got);
    EXPECT_NEAR(got.r, want[0], kTolerance) << where << " bar " << bar;
    EXPECT_NEAR(got.g, want[1], kTolerance) << where << " bar " << bar;
    EXPECT_NEAR(got.b, want[2], kTolerance) << where << " bar " << bar;
  }
  std::printf("%-12s%s\n", where, table.c_str());
}

TEST_P(PictureColour, BarsShowTheirOwnColours) {
  const auto& [file, drawing] = GetParam();
  if (drawing.x11 && !std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
  setenv("ZELVO_DRAW", drawing.draw, 1);
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  p->SetVideoDriver(drawing.x11 ? vdX11 : vdDummy);
  ASSERT_TRUE(p->Open(MediaFile(std::string(file.name)), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 1; }));
  SDL_RendererInfo info{};
  ASSERT_EQ(p->SDL().SDL_GetRendererInfo(p->Renderer(), &info), 0);
  const bool gl = std::string(drawing.draw) == "texture" && drawing.x11;
  if (gl && (info.flags & SDL_RENDERER_SOFTWARE)) GTEST_SKIP() << "no OpenGL renderer on this display";
  std::printf("%s on %s\n", std::string(file.name).c_str(), info.name);
  TOutputPixels out;
  ASSERT_TRUE(test::CaptureOutput(*p, out));
  // The window takes the picture's size: drawn unscaled.
  ASSERT_EQ(out.Width, file.width);
  ASSERT_EQ(out.Height, file.height);
  ExpectBars("screen", out.Width, out.Height, [&](int x, int y) { return out.At(x, y); });
  const TBitmap& copy = p->CurrentFrame();
  ASSERT_EQ(copy.Width(), file.width);
  ExpectBars("frame copy", copy.Width(), copy.Height(), [&](int x, int y) {
    const uint8_t* px = copy.ScanLine(y) + 3 * x;  // B, G, R
    return uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
  });
  p->Stop(true);
}

INSTANTIATE_TEST_SUITE_P(Bars, PictureColour,
                         ::testing::Combine(::testing::ValuesIn(fixtures::kBarsFiles), ::testing::ValuesIn(kDrawings)),
                         [](const auto& info) {
                           std::string n(std::get<0>(info.param).name);
                           n = n.substr(0, n.find('.'));
                           return n + "_" + std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace zv
