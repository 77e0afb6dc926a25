// Text subtitles and messages on the rendered output, headless: the output
// read back against the picture on screen (which never carries them) shows
// each line during its time only, also after seeks while paused, the ASS
// line where and in the colour its style says, and a message for its time.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "../../tools/fixture_list.h"
#include "video_test_util.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;
using namespace std::chrono_literals;
using test::CaptureOutput;
using test::MediaFile;
using test::WaitUntil;

// Pixels of the output that differ clearly from the picture on screen within
// a region: what was drawn over it.
struct TDrawn {
  int Count = 0, Left = -1, Top = -1;
  int Reddish = 0;
};

TDrawn DrawnOver(TFFPlayer& p, const TOutputPixels& out, int x0, int y0, int x1, int y1) {
  TDrawn d;
  TBitmap& bmp = p.CurrentFrame();
  if (bmp.Width() != out.Width || bmp.Height() != out.Height) return TDrawn{-1};
  for (int y = y0; y < y1; ++y) {
    const uint8_t* row = bmp.ScanLine(y);
    for (int x = x0; x < x1; ++x) {
      const uint32_t c = out.At(x, y);
      const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      const int pr = row[3 * x + 2], pg = row[3 * x + 1], pb = row[3 * x];
      if (std::abs(r - pr) + std::abs(g - pg) + std::abs(b - pb) < 90) continue;
      ++d.Count;
      if (d.Top < 0) d.Top = y;
      if (d.Left < 0 || x < d.Left) d.Left = x;
      if (r > 180 && g < 80 && b < 80) ++d.Reddish;
    }
  }
  return d;
}

// Seeks while paused and waits for the picture of the new place; its pts (µs).
int64_t SeekPaused(TFFPlayer& p, double seconds) {
  p.Seek(TSeekFlags{}, true, int64_t(seconds * 1e6));
  int64_t pts = -1;
  EXPECT_TRUE(WaitUntil([&] {
    p.CurrentFrame(pts);
    return pts >= 0 && std::abs(double(pts) - seconds * 1e6) < 0.25e6;
  })) << "no picture near " << seconds << " s";
  return pts;
}

// 1 shows, 0 does not, -1 within a frame of an edge.
int MustShow(const fx::TextLine& l, int64_t pts) {
  const double t = double(pts) / 1e6, frame = 1.0 / fx::kFps;
  if (t >= l.start_seconds + frame && t < l.end_seconds - frame) return 1;
  if (t < l.start_seconds - frame || t >= l.end_seconds + frame) return 0;
  return -1;
}

class TextSubtitlePlayback : public ::testing::Test {
protected:
  void SetUp() override {
    P = test::MakeVideoPlayer();
    ASSERT_TRUE(P);
    if (!P->TextOverlay().Available()) GTEST_SKIP() << "libass is not installed";
  }
  void TearDown() override {
    if (P) P->Stop(true);
  }
  // Waits until the output read back gives want (a drawing may still show the state before).
  bool OutputShows(const std::function<bool(const TOutputPixels&)>& want) {
    return WaitUntil([&] {
      TOutputPixels out;
      return CaptureOutput(*P, out) && want(out);
    }, 5s);
  }
  std::unique_ptr<TFFPlayer> P;
};

TEST_F(TextSubtitlePlayback, SubRipLinesShowOnlyWithinTheirTimesAfterPausedSeeks) {
  ASSERT_TRUE(P->Open(MediaFile(std::string(fx::kSubripMkv)), 0, true)) << P->LastErrMsg();
  const int w = fx::kSubtitleVideoWidth, h = fx::kSubtitleVideoHeight;
  for (double t : {0.4, 1.5, 2.9, 3.2, 1.2, 3.8, 2.3}) {
    SCOPED_TRACE("seek to " + std::to_string(t));
    const int64_t pts = SeekPaused(*P, t);
    int must = 0;
    for (const fx::TextLine& l : fx::kTextLines) must = std::max(must, MustShow(l, pts));
    if (must < 0) continue;
    EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) {
      const TDrawn d = DrawnOver(*P, out, 0, h / 2, w, h);
      return must ? d.Count > 40 : d.Count == 0;
    })) << "pts " << pts << (must ? ": no line" : ": a line outside its time");
  }
  // Hidden by the user, shown again.
  SeekPaused(*P, 1.5);
  P->TextOverlay().SetVisible(false);
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) { return DrawnOver(*P, out, 0, 0, w, h).Count == 0; }));
  P->TextOverlay().SetVisible(true);
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) { return DrawnOver(*P, out, 0, h / 2, w, h).Count > 40; }));
}

TEST_F(TextSubtitlePlayback, AssLineIsPlacedAndColouredByItsStyle) {
  ASSERT_TRUE(P->Open(MediaFile(std::string(fx::kAssMkv)), 0, true)) << P->LastErrMsg();
  SeekPaused(*P, 1.5);
  TDrawn d;
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) {
    d = DrawnOver(*P, out, 0, 0, out.Width, out.Height);
    return d.Count > 40;
  }));
  // The output is the picture's size here: script pixels are output pixels.
  EXPECT_NEAR(d.Left, fx::kAssLineX, 4);
  EXPECT_NEAR(d.Top, fx::kAssLineY, 10);
  EXPECT_GT(d.Reddish, d.Count / 2);
}

TEST_F(TextSubtitlePlayback, MessageShowsOverThePictureForItsTimeAndNeverInIt) {
  ASSERT_TRUE(P->Open(MediaFile(std::string(fx::kSubripMkv)), 0, true)) << P->LastErrMsg();
  SeekPaused(*P, 0.4);
  const auto shown = std::chrono::steady_clock::now();
  P->ShowMessage("Volume 75%", 1500);
  // Paused: the message comes up without a new picture, in the top part.
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) {
    return DrawnOver(*P, out, 0, 0, out.Width, out.Height / 3).Count > 40;
  }));
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) {
    return DrawnOver(*P, out, 0, 0, out.Width, out.Height).Count == 0;
  }));
  EXPECT_GE(std::chrono::steady_clock::now() - shown, 1400ms);
}

// A CP1252 file beside a video without subtitles of its own is loaded and
// shown when the video opens; a UTF-16 one picked by hand replaces it.
TEST_F(TextSubtitlePlayback, FilesBesideAndPickedByHandAreShown) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / "zv_external_subs";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path video = dir / "clip.mp4";
  fs::copy_file(MediaFile(std::string(fx::kVideoOnlyMp4)), video);
  // "Café" in Windows-1252, from 1 s to 2.5 s.
  std::ofstream(dir / "clip.srt", std::ios::binary) << "1\r\n00:00:01,000 --> 00:00:02,500\r\nCaf\xE9 d\xE9j\xE0\r\n";
  ASSERT_TRUE(P->Open(video.string(), 0, true)) << P->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return P->SubtitleFiles().Idle() && P->TextOverlay().HasTrack(); }));
  EXPECT_EQ(P->TextOverlay().TrackName(P->TextOverlay().Selected()), "clip.srt");
  const int w = 320, h = 240;
  SeekPaused(*P, 2.0);  // keyframes every second
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) { return DrawnOver(*P, out, 0, h / 2, w, h).Count > 40; }));
  SeekPaused(*P, 3.0);
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) { return DrawnOver(*P, out, 0, 0, w, h).Count == 0; }));
  // UTF-16 with its mark, 2.5 s to 3.5 s: shown at once, where the video is.
  const std::u16string text = u"1\n00:00:02,500 --> 00:00:03,500\nÜber\n";
  std::ofstream f(dir / "by_hand.srt", std::ios::binary);
  f << "\xFF\xFE";
  for (char16_t c : text) f << char(c & 0xFF) << char(c >> 8);
  f.close();
  P->LoadSubtitleFile((dir / "by_hand.srt").string());
  EXPECT_TRUE(OutputShows([&](const TOutputPixels& out) { return DrawnOver(*P, out, 0, h / 2, w, h).Count > 40; }));
  EXPECT_EQ(P->TextOverlay().TrackName(P->TextOverlay().Selected()), "by_hand.srt");
  P->Stop(true);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zv
