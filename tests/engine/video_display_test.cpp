// Where pictures land on the output (aspect-ratio cases, read back from the
// rendered output), re-opening on a new ratio, the video hook, and frame
// copies of the picture on screen.
#include <atomic>
#include <chrono>

#include "video_test_util.h"

namespace zv {
namespace {

using test::CaptureOutput;
using test::MediaFile;
using test::NonBlackBounds;
using test::WaitUntil;

bool SameRect(const SDL_Rect& a, const SDL_Rect& b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }

std::string Text(const SDL_Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

TEST(VideoDisplayRect, AspectRatioCases) {
  struct Case {
    float aspect;
    int sw, sh, pw, ph;
    AVRational sar;
    SDL_Rect want;
  } cases[] = {
      {0, 800, 600, 720, 576, {16, 15}, {0, 0, 800, 600}},     // own shape: 4:3 exactly
      {-1, 800, 450, 320, 240, {0, 1}, {0, 0, 800, 450}},      // fill the surface
      {16.0f / 9, 800, 600, 320, 240, {0, 1}, {0, 75, 800, 450}},
      {0, 800, 600, 640, 360, {0, 1}, {0, 75, 800, 450}},      // no pixel aspect: square pixels
      {0, 800, 450, 320, 240, {1, 1}, {100, 0, 600, 450}},     // narrower than the surface
      {0, 800, 600, 720, 576, {-4, 3}, {25, 0, 750, 600}},    // a negative pixel aspect counts as square
      {4.0f / 3, 801, 601, 10, 10, {0, 1}, {0, 0, 800, 601}},  // widths stay even
      {0, 800, 600, 320, 0, {0, 1}, {0, 0, 800, 600}},         // a picture without a shape fills
  };
  for (const auto& c : cases) {
    SDL_Rect r = DisplayRect(c.aspect, c.sw, c.sh, c.pw, c.ph, c.sar);
    EXPECT_TRUE(SameRect(r, c.want)) << c.aspect << " " << c.pw << "x" << c.ph << " into " << c.sw << "x" << c.sh
                                     << ": " << Text(r) << " want " << Text(c.want);
  }
}

// Waits until the output shows the picture exactly over want.
void ExpectPictureAt(TFFPlayer& p, const SDL_Rect& want) {
  SDL_Rect got{};
  bool ok = WaitUntil([&] {
    TOutputPixels out;
    if (!CaptureOutput(p, out)) return false;
    got = NonBlackBounds(out);
    return SameRect(got, want);
  });
  EXPECT_TRUE(ok) << "picture at " << Text(got) << ", want " << Text(want);
}

TEST(VideoDisplay, RectanglesReadBackFromTheOutput) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  test::TRecorder rec;
  rec.Attach(*p);
  p->SetScreenWidth(800);
  p->SetScreenHeight(600);
  ASSERT_TRUE(p->Open(MediaFile("sar_16_15_720x576.mkv"), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psPause) == 1 && p->VideoStats().Shown == 1; }));
  ExpectPictureAt(*p, {0, 0, 800, 600});  // 720 x 576 at 16:15 is 4:3

  const int64_t opens = p->VideoStats().SurfaceOpens;
  p->SetAspectRatio(16.0f / 9);
  ExpectPictureAt(*p, {0, 75, 800, 450});
  p->SetAspectRatio(-1);
  ExpectPictureAt(*p, {0, 0, 800, 600});
  p->SetAspectRatio(1.0f);
  ExpectPictureAt(*p, {100, 0, 600, 600});
  EXPECT_EQ(p->VideoStats().SurfaceOpens, opens + 3);
  p->Stop(true);
}

TEST(VideoDisplay, TheSameRatioTwiceReopensOnce) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  p->SetScreenWidth(800);
  p->SetScreenHeight(600);
  ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown == 1; }));
  const int64_t opens = p->VideoStats().SurfaceOpens;
  p->SetAspectRatio(2.0f);
  p->SetAspectRatio(2.0f);
  p->SetAspectRatio(1.0f);  // reopens are handled in order: this one comes last
  ExpectPictureAt(*p, {100, 0, 600, 600});
  // Two changes: two reopens, or one when the loop takes both at one wake-up.
  EXPECT_GE(p->VideoStats().SurfaceOpens, opens + 1);
  EXPECT_LE(p->VideoStats().SurfaceOpens, opens + 2);
  p->Stop(true);
  // Without a playback the setter only stores the value.
  p->SetAspectRatio(1.5f);
  EXPECT_FLOAT_EQ(p->AspectRatio(), 1.5f);
}

bool IsRed(uint32_t argb) {
  return ((argb >> 16) & 0xFF) > 200 && ((argb >> 8) & 0xFF) < 70 && (argb & 0xFF) < 70;
}

TEST(VideoDisplay, VideoHookSeesEveryPictureAndItsDrawingShowsUnlessAUpdateIsFalse) {
  for (bool update : {false, true}) {
    SCOPED_TRACE(update);
    auto p = test::MakeVideoPlayer();
    ASSERT_TRUE(p);
    std::atomic<int> calls{0};
    std::atomic<int64_t> firstPts{-2};
    std::atomic<bool> sizeOk{true};
    p->SetVideoHook(true);
    p->SetOnVideoHook([&](TFFBaseComponent* sender, TBitmap* bmp, int64_t pts, bool& AUpdate) {
      if (sender != p.get() || bmp->Width() != 320 || bmp->Height() != 240) sizeOk = false;
      if (calls++ == 0) firstPts = pts;
      bmp->Canvas().FillRect(160, 120, 240, 180, 0x000000FF);  // red (0x00BBGGRR)
      AUpdate = update;
    });
    ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, true)) << p->LastErrMsg();
    // The first picture may be shown before the second has been decoded.
    ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown == 1 && calls.load() >= 2; }));
    EXPECT_EQ(calls.load(), 2);  // both pictures decoded while opening paused, and no more
    EXPECT_TRUE(sizeOk.load());
    EXPECT_NEAR(double(firstPts.load()), 0, 1000);

    TOutputPixels out;
    ASSERT_TRUE(CaptureOutput(*p, out));
    ASSERT_EQ(out.Width, 320);  // our own window takes the picture's size
    EXPECT_EQ(IsRed(out.At(200, 150)), update);
    EXPECT_FALSE(IsRed(out.At(100, 150)));
    EXPECT_EQ(test::FrameNumberOf(out, SDL_Rect{0, 0, 320, 240}), 0);
    TBitmap& copy = p->CurrentFrame();
    uint8_t* px = copy.ScanLine(150) + 3 * 200;
    EXPECT_EQ(px[2] > 200 && px[1] < 70 && px[0] < 70, update);
    p->Stop(true);
  }
}

TEST(VideoDisplay, AHookThatThrowsIsLoggedAndThePictureStays) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  test::TLogCapture log;
  p->SetVideoHook(true);
  p->SetOnVideoHook([&](TFFBaseComponent*, TBitmap* bmp, int64_t, bool&) {
    bmp->Canvas().FillRect(0, 0, 320, 240, 0x000000FF);
    throw std::runtime_error("hook failed");
  });
  ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown == 1; }));
  EXPECT_TRUE(log.Contains("Error occurs OnVideoHook: hook failed"));
  EXPECT_EQ(test::FrameNumberOf(p->CurrentFrame()), 0);
  p->Stop(true);
  TBitmapCanvas& canvas = p->HookConverter().Bitmap().Canvas();
  EXPECT_TRUE(canvas.TryLock()) << "the canvas stayed locked";
  canvas.Unlock();
}

// Shown pictures are referenced, not copied: a frame copy must still be the
// picture on screen while later ones wait in the queue, and a hook's drawing
// on one picture must stay on that picture (the decoder keeps referring to
// the buffers it decoded into).
TEST(VideoDisplay, CopiesAndTheHookSeeThePictureOnScreenOnly) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  std::atomic<int> calls{0}, redSeenLater{0};
  p->SetVideoHook(true);
  p->SetOnVideoHook([&](TFFBaseComponent*, TBitmap* bmp, int64_t, bool& AUpdate) {
    const uint8_t* px = bmp->ScanLine(150) + 3 * 200;
    if (calls++ == 0) {
      bmp->Canvas().FillRect(160, 120, 240, 180, 0x000000FF);  // red (0x00BBGGRR), on the first picture only
      AUpdate = true;
    } else {
      if (px[2] > 200 && px[1] < 70 && px[0] < 70) ++redSeenLater;
      AUpdate = false;
    }
  });
  auto copyIsRed = [&] {
    const uint8_t* px = p->CurrentFrame().ScanLine(150) + 3 * 200;
    return px[2] > 200 && px[1] < 70 && px[0] < 70;
  };
  // Paused at the start: picture 0 on screen, picture 1 decoded and queued.
  ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown == 1 && calls.load() >= 2; }));
  int64_t pts = -1;
  EXPECT_EQ(test::FrameNumberOf(p->CurrentFrame(pts)), 0);
  EXPECT_NEAR(double(pts), 0, 1000);
  EXPECT_TRUE(copyIsRed());
  TOutputPixels out;
  ASSERT_TRUE(CaptureOutput(*p, out));
  EXPECT_EQ(test::FrameNumberOf(out, SDL_Rect{0, 0, 320, 240}), 0);

  // Playing on: the drawing stays on picture 0, later pictures and their
  // copies are the decoded ones.
  p->Resume();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 8; }));
  p->Pause();
  ASSERT_TRUE(CaptureOutput(*p, out));
  const int onScreen = test::FrameNumberOf(out, SDL_Rect{0, 0, 320, 240});
  EXPECT_GE(onScreen, 1);
  EXPECT_EQ(test::FrameNumberOf(p->CurrentFrame(pts)), onScreen);
  EXPECT_NEAR(test::FrameAt(pts), onScreen, 0.01);
  EXPECT_FALSE(copyIsRed());
  EXPECT_EQ(redSeenLater.load(), 0);
  p->Stop(true);
}

}  // namespace
}  // namespace zv
