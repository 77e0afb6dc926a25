// Both ways of drawing show the same picture in an application's window: the
// picture at its rectangle (black around it), the picture the position says,
// at the window's own size, odd sizes and a one-row picture included, and
// again after the window is resized. Read from what the X server shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "engine/slot_copy.h"
#include "engine/video_test_util.h"
#include "engine/x11/x11_test_window.h"
#include "../tools/fixture_list.h"

namespace zv {
namespace {

using test::MediaFile;
using test::WaitUntil;

struct TDrawCase {
  const char* file;
  int pictureWidth, pictureHeight;
  int panelWidth, panelHeight;
  bool codes;  // the frame number is drawn in the picture
};

constexpr TDrawCase kCases[] = {
    {"av_h264_aac.mkv", 320, 240, 320, 240, true},        // unscaled
    {"av_h264_aac.mkv", 320, 240, 333, 251, true},        // scaled into an odd panel
    {"odd_size_641x361.mkv", 641, 361, 641, 361, true},   // odd picture
    {"odd_size_641x361.mkv", 641, 361, 500, 377, true},   // odd picture scaled down
    {"one_pixel_high_320x1.mkv", 320, 1, 320, 240, false},
};

bool IsBlack(uint32_t c) { return ((c >> 16) & 0xFF) <= 8 && ((c >> 8) & 0xFF) <= 8 && (c & 0xFF) <= 8; }

// Black outside the rectangle, something inside; the frame number inside
// when there is one. Empty when so, else what is wrong.
std::string Check(const TOutputPixels& out, const SDL_Rect& r, int pictureWidth, int pictureHeight, int frameNumber) {
  bool inside = false;
  for (int y = 0; y < out.Height; ++y)
    for (int x = 0; x < out.Width; ++x) {
      const bool in = x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
      if (!in && !IsBlack(out.At(x, y)))
        return "not black outside the picture at " + std::to_string(x) + "," + std::to_string(y);
      inside = inside || (in && !IsBlack(out.At(x, y)));
    }
  if (!inside) return "nothing drawn";
  if (frameNumber >= 0) {
    // Read at the picture's own size (the code's blocks are sized by it).
    TOutputPixels picture;
    picture.Width = pictureWidth;
    picture.Height = pictureHeight;
    picture.Argb.resize(size_t(pictureWidth) * pictureHeight);
    for (int y = 0; y < pictureHeight; ++y)
      for (int x = 0; x < pictureWidth; ++x)
        picture.Argb[size_t(y) * pictureWidth + x] =
            out.At(r.x + int((x + 0.5) * r.w / pictureWidth), r.y + int((y + 0.5) * r.h / pictureHeight));
    const int n = test::FrameNumberOf(picture, SDL_Rect{0, 0, pictureWidth, pictureHeight});
    if (n != frameNumber) return "frame " + std::to_string(n) + " on screen, " + std::to_string(frameNumber) + " in the copy";
  }
  return {};
}

class DrawingPaths : public ::testing::TestWithParam<std::tuple<const char*, TDrawCase>> {
protected:
  // Xvfb starts over whenever its last client leaves, and refuses
  // connections meanwhile: one stays for the whole suite.
  static void SetUpTestSuite() {
    if (std::getenv("DISPLAY")) keeper_ = new test::TX11TestWindow(1, 1);
  }
  static void TearDownTestSuite() {
    delete keeper_;
    keeper_ = nullptr;
  }
  static inline test::TX11TestWindow* keeper_ = nullptr;
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    setenv("ZELVO_DRAW", std::get<0>(GetParam()), 1);
  }
  void TearDown() override { unsetenv("ZELVO_DRAW"); }
};

TEST_P(DrawingPaths, SamePictureAtTheSameRectangleAfterSeeksAndResizes) {
  const TDrawCase& c = std::get<1>(GetParam());
  test::TX11TestWindow panel(c.panelWidth, c.panelHeight);
  ASSERT_NE(panel.Id(), 0u);
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  p->SetVideoDriver(vdX11);
  ASSERT_TRUE(p->Open(MediaFile(c.file), panel.Id(), true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 1; }));

  auto expectShown = [&](int w, int h, const char* when) {
    const SDL_Rect r =
        DisplayRect(0, w, h, SlotSizeFor(c.pictureWidth), SlotSizeFor(c.pictureHeight), AVRational{1, 1});
    std::string why;
    TOutputPixels out;
    const bool ok = WaitUntil([&] {
      const int frame = c.codes ? test::FrameNumberOf(p->CurrentFrame()) : -1;
      why = panel.Grab(out) ? Check(out, r, c.pictureWidth, c.pictureHeight, frame) : "no image of the window";
      return why.empty() && out.Width == w && out.Height == h;
    });
    EXPECT_TRUE(ok) << when << ": " << why << " (window " << out.Width << "x" << out.Height << ", picture at "
                    << r.x << "," << r.y << " " << r.w << "x" << r.h << ")";
  };
  expectShown(c.panelWidth, c.panelHeight, "opened");
  p->Seek({}, true, 1500000);  // lands on the keyframe at 1 s
  ASSERT_TRUE(WaitUntil([&] {
    int64_t pts = -1;
    p->CurrentFrame(pts);
    return pts >= 900000;
  }));
  expectShown(c.panelWidth, c.panelHeight, "after a seek");
  panel.Resize(c.panelWidth + 101, c.panelHeight + 37);
  expectShown(c.panelWidth + 101, c.panelHeight + 37, "resized");
  p->Stop(true);
}

INSTANTIATE_TEST_SUITE_P(PathsAndSizes, DrawingPaths,
                         ::testing::Combine(::testing::Values("software", "texture"), ::testing::ValuesIn(kCases)),
                         [](const auto& info) {
                           const TDrawCase& c = std::get<1>(info.param);
                           std::string n(c.file);
                           n = n.substr(0, n.find('.'));
                           return std::string(std::get<0>(info.param)) + "_" + n + "_" + std::to_string(c.panelWidth) +
                                  "x" + std::to_string(c.panelHeight);
                         });

}  // namespace
}  // namespace zv
