// The text layer rendered by libass, headless: lines within their times,
// sized by the output, placed and coloured as their style says; messages
// shown and gone on an injected clock.
#include <gtest/gtest.h>

#include "engine/text_overlay.h"

namespace zv {
namespace {

// Rows holding any visible pixel, and the topmost/bottommost of them.
struct TInk {
  int Pixels = 0, Top = -1, Bottom = -1, Left = -1;
  uint32_t Brightest = 0;
};
TInk InkOf(const TOverlayLayer& l) {
  TInk ink;
  for (int y = l.BoxY; y < l.BoxY + l.BoxHeight; ++y)
    for (int x = l.BoxX; x < l.BoxX + l.BoxWidth; ++x) {
      const uint32_t p = l.Argb[size_t(y) * l.Width + x];
      if ((p >> 24) < 200) continue;
      ++ink.Pixels;
      if (ink.Top < 0) ink.Top = y;
      ink.Bottom = y;
      if (ink.Left < 0 || x < ink.Left) ink.Left = x;
      if ((p & 0xFFFFFF) > (ink.Brightest & 0xFFFFFF)) ink.Brightest = p;
    }
  return ink;
}

TOverlayGeometry Full(int w, int h) { return TOverlayGeometry{w, h, 0, 0, w, h, w, h}; }

class TextOverlay : public ::testing::Test {
protected:
  void SetUp() override {
    if (!Overlay.Available()) GTEST_SKIP() << "libass is not installed";
  }
  double Now = 100;
  TTextOverlay Overlay{[this] { return Now; }};
};

TEST_F(TextOverlay, LineShowsOnlyWithinItsTimes) {
  ASSERT_TRUE(Overlay.OpenTrack(""));
  Overlay.AddEvent("0,0,Default,,0,0,0,,Hello there", 1000, 1500);
  struct {
    double t;
    bool shows;
  } cases[] = {{0.5, false}, {0.999, false}, {1.0, true}, {2.0, true}, {2.499, true}, {2.5, false}, {9, false}};
  for (const auto& c : cases) {
    Overlay.Render(Full(640, 360), c.t);
    EXPECT_EQ(InkOf(Overlay.Layer()).Pixels > 0, c.shows) << "at " << c.t;
  }
  // Nothing new to draw: the layer is not composited again.
  EXPECT_TRUE(Overlay.Render(Full(640, 360), 1.5));
  EXPECT_FALSE(Overlay.Render(Full(640, 360), 1.6));
  // A delay moves the line later.
  Overlay.SetDelayMs(1000);
  Overlay.Render(Full(640, 360), 1.5);
  EXPECT_EQ(InkOf(Overlay.Layer()).Pixels, 0);
  Overlay.Render(Full(640, 360), 3.0);
  EXPECT_GT(InkOf(Overlay.Layer()).Pixels, 0);
  Overlay.SetVisible(false);
  Overlay.Render(Full(640, 360), 3.0);
  EXPECT_EQ(InkOf(Overlay.Layer()).Pixels, 0);
  // A seek flushes: the line is gone until the decoder sends it again.
  Overlay.SetVisible(true);
  Overlay.FlushEvents();
  Overlay.Render(Full(640, 360), 3.0);
  EXPECT_EQ(InkOf(Overlay.Layer()).Pixels, 0);
}

TEST_F(TextOverlay, TextHeightFollowsTheOutputSize) {
  ASSERT_TRUE(Overlay.OpenTrack(""));
  Overlay.AddEvent("0,0,Default,,0,0,0,,Hg", 0, 10000);
  Overlay.Render(Full(480, 270), 1);
  const TInk small = InkOf(Overlay.Layer());
  Overlay.Render(Full(1920, 1080), 1);
  const TInk large = InkOf(Overlay.Layer());
  ASSERT_GT(small.Pixels, 0);
  const double ratio = double(large.Bottom - large.Top) / double(small.Bottom - small.Top);
  EXPECT_NEAR(ratio, 4.0, 0.6);
  // At the bottom of the picture, in its letterboxed place.
  EXPECT_GT(large.Top, 1080 * 3 / 4);
  Overlay.Render(TOverlayGeometry{1920, 1080, 240, 0, 1440, 1080, 1440, 1080}, 1);
  const TInk boxed = InkOf(Overlay.Layer());
  EXPECT_GT(boxed.Pixels, 0);
  EXPECT_GE(Overlay.Layer().BoxX, 240);
}

// Lines far apart are separate parts: only they are converted, uploaded and
// blended. The parts do not overlap, and nothing is drawn outside them, also
// after the lines move.
TEST_F(TextOverlay, PartsHoldEveryPixelAndLinesFarApartStaySeparate) {
  ASSERT_TRUE(Overlay.OpenTrack(""));
  Overlay.AddEvent("0,0,Default,,0,0,0,,{\\an7\\pos(5,5)}Top", 0, 1000);
  Overlay.AddEvent("1,0,Default,,0,0,0,,Bottom line", 0, 2000);
  Overlay.AddEvent("2,0,Default,,0,0,0,,{\\an9\\pos(380,60)}Moved", 1000, 1000);
  for (double t : {0.5, 1.5, 2.5}) {
    SCOPED_TRACE("at " + std::to_string(t));
    Overlay.Render(Full(1920, 1080), t);
    const TOverlayLayer& l = Overlay.Layer();
    EXPECT_EQ(l.Parts.size(), t < 2 ? 2u : 0u);
    auto inPart = [&](int x, int y) {
      int n = 0;
      for (const TOverlayRect& r : l.Parts) n += x >= r.X && x < r.X + r.Width && y >= r.Y && y < r.Y + r.Height;
      return n;
    };
    int outside = 0, doubled = 0, area = 0;
    for (int y = 0; y < l.Height; ++y)
      for (int x = 0; x < l.Width; ++x) {
        const int n = inPart(x, y);
        area += n > 0;
        doubled += n > 1;
        outside += n == 0 && l.Argb[size_t(y) * l.Width + x] != 0;
      }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_LT(area, l.BoxWidth * l.BoxHeight / 4 + 1) << "the space between the lines is not a part";
  }
}

TEST_F(TextOverlay, BottomLinesKeepAboveTheWindowsControls) {
  ASSERT_TRUE(Overlay.OpenTrack(""));
  Overlay.AddEvent("0,0,Default,,0,0,0,,Hg", 0, 10000);
  Overlay.Render(Full(640, 480), 1);
  const TInk plain = InkOf(Overlay.Layer());
  ASSERT_GT(plain.Pixels, 0);
  Overlay.SetBottomReserve(100);
  EXPECT_TRUE(Overlay.TakeRedraw());
  EXPECT_TRUE(Overlay.Render(Full(640, 480), 1));
  const TInk lifted = InkOf(Overlay.Layer());
  EXPECT_LT(lifted.Bottom, 480 - 100) << "above the controls";
  EXPECT_NEAR(lifted.Bottom - lifted.Top, plain.Bottom - plain.Top, 2) << "same size";
  // A letterboxed picture that ends above the controls keeps its line where it was.
  const TOverlayGeometry boxed{640, 480, 0, 60, 640, 300, 640, 300};
  Overlay.Render(boxed, 1);
  const TInk inBox = InkOf(Overlay.Layer());
  Overlay.SetBottomReserve(0);
  Overlay.Render(boxed, 1);
  EXPECT_EQ(InkOf(Overlay.Layer()).Bottom, inBox.Bottom);
}

TEST_F(TextOverlay, AssStyleGivesPlaceAndColour) {
  const std::string header =
      "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n[V4+ Styles]\n"
      "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
      "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
      "MarginR, MarginV, Encoding\n"
      "Style: Red,DejaVu Sans,24,&H000000FF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,0,0,7,0,0,0,1\n\n"
      "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
  ASSERT_TRUE(Overlay.OpenTrack(header));
  Overlay.AddEvent("0,0,Red,,0,0,0,,{\\pos(40,30)}WWWW", 0, 5000);
  Overlay.Render(Full(640, 480), 1);
  const TInk ink = InkOf(Overlay.Layer());
  ASSERT_GT(ink.Pixels, 0);
  // Top-left alignment at (40,30) of a 320x240 script: (80,60) on a 640x480 output.
  EXPECT_NEAR(ink.Left, 80, 8);
  EXPECT_NEAR(ink.Top, 60, 16);
  const uint32_t c = ink.Brightest;
  EXPECT_GT((c >> 16) & 0xFF, 200u);
  EXPECT_LT((c >> 8) & 0xFF, 60u);
  EXPECT_LT(c & 0xFF, 60u);
}

TEST_F(TextOverlay, MessageShowsForItsDurationOnTheClock) {
  EXPECT_FALSE(Overlay.TakeRedraw());
  Overlay.ShowMessage("Volume 75%", 1500);
  EXPECT_EQ(Overlay.Message(), "Volume 75%");
  EXPECT_TRUE(Overlay.TakeRedraw());
  EXPECT_EQ(Overlay.MsUntilChange(), 1500);
  Overlay.Render(Full(640, 360), 0);
  const TInk ink = InkOf(Overlay.Layer());
  EXPECT_GT(ink.Pixels, 0);
  EXPECT_LT(ink.Top, 360 / 4);  // top of the output
  Now += 1.4;
  EXPECT_FALSE(Overlay.TakeRedraw());
  Now += 0.2;
  EXPECT_TRUE(Overlay.TakeRedraw());
  EXPECT_EQ(Overlay.Message(), "");
  EXPECT_TRUE(Overlay.Render(Full(640, 360), 0));
  EXPECT_TRUE(Overlay.Layer().Empty());
  // Markup in a message is shown as text, not applied.
  Overlay.ShowMessage("{\\alpha&HFF&}x\\N{", 1000);
  Overlay.Render(Full(640, 360), 0);
  EXPECT_GT(InkOf(Overlay.Layer()).Pixels, 0);
}

TEST(TextOverlayMessages, Texts) {
  EXPECT_EQ(SeekMessage(754000, 5400000), "00:12:34 / 01:30:00");
  EXPECT_EQ(SeekMessage(-5, 0), "00:00:00");
  EXPECT_EQ(VolumeMessage(96, 128), "Volume 75%");
  EXPECT_EQ(VolumeMessage(200, 128), "Volume 100%");
}

}  // namespace
}  // namespace zv
