// Text subtitles in the real window under a window manager, read from the
// screen: a SubRip file beside the video shows each line only within its
// time (the frame code of the same screen grab says which picture is up),
// the text grows with the picture from a small window to full screen, and an
// ASS line sits where and in the colour its style says.
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

#include "../../../tools/fixture_list.h"
#include "app/debug_output.h"
#include "app/engine_player.h"
#include "app/player_window.h"
#include "e2e_support.h"
#include "window_rig.h"

namespace zvapp {
namespace {

namespace fx = zv::fixtures;
using e2e::Grab;
using e2e::WaitFor;

constexpr int kW = 320, kH = 240;  // both videos' picture size

// Where the picture is drawn on screen: its shape kept, centred in the panel
// (the control bar, while it shows, lies over the panel's bottom).
QRect PictureOnScreen(TfrmPlayer& w) {
  const QRect panel(w.plPlayer->mapToGlobal(QPoint(0, 0)), w.plPlayer->size());
  const QSize shown = QSize(kW, kH).scaled(panel.size(), Qt::KeepAspectRatio);
  return QRect(panel.topLeft() + QPoint((panel.width() - shown.width()) / 2, (panel.height() - shown.height()) / 2),
               shown);
}

// Pixels of a kind inside r of img (img's own coordinates), with the rows they span.
struct TInk {
  int Count = 0, Left = -1, Top = -1, Bottom = -1;
  int Rows() const { return Count ? Bottom - Top + 1 : 0; }
};
template <class Pred>
TInk InkIn(const QImage& img, const QRect& r, Pred is) {
  TInk ink;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      if (!img.valid(x, y) || !is(QColor(img.pixel(x, y)))) continue;
      ++ink.Count;
      if (ink.Top < 0) ink.Top = y;
      ink.Bottom = y;
      if (ink.Left < 0 || x < ink.Left) ink.Left = x;
    }
  return ink;
}
// The test picture's ramp never gets all three components this high: white is text.
bool White(const QColor& c) { return std::min({c.red(), c.green(), c.blue()}) > 225; }
bool Red(const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }

// One screen grab: the picture's frame number and the white text in the picture's lower half.
struct TSample {
  int Frame = -1;
  TInk Text;
};
TSample Sample(TfrmPlayer& w) {
  const QRect pic = PictureOnScreen(w);
  const QImage img = Grab(pic);
  TSample s;
  s.Frame = e2e::FrameNumberIn(img, QRect(QPoint(0, 0), pic.size()), kW, kH);
  // Above the bar, whose icons and time text are white too.
  const int barTop = w.ControlBar->isVisible() ? w.ControlBar->mapToGlobal(QPoint(0, 0)).y() - pic.y() : pic.height();
  s.Text = InkIn(img, QRect(0, pic.height() / 2, pic.width(), std::min(pic.height(), barTop) - pic.height() / 2), White);
  return s;
}

// 1 the line must show on picture n, 0 it must not, -1 within a picture of an edge.
int MustShow(int frame) {
  const double t = double(frame) / fx::kFps, one = 1.0 / fx::kFps;
  int must = 0;
  for (const fx::TextLine& l : fx::kTextLines) {
    if (t >= l.start_seconds + one && t < l.end_seconds - one) return 1;
    if (t >= l.start_seconds - one && t < l.end_seconds + one) must = -1;
  }
  return must;
}

class SubtitlesEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    std::string error;
    ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
    media = QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR"));
    SetDebugOutputSink([this](const std::string& l) { lines.push_back(l); });
    ASSERT_TRUE(rig.Show(error)) << error;
    if (!rig.player.Engine().TextOverlay().Available()) GTEST_SKIP() << "libass is not installed";
  }
  void TearDown() override { SetDebugOutputSink(nullptr); }
  bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  // With ZELVO_E2E_SHOT_DIR set, the screen goes there as NAME.png.
  void Shot(const char* name) {
    const QString dir = qEnvironmentVariable("ZELVO_E2E_SHOT_DIR");
    if (!dir.isEmpty()) Grab(rig.window->screen()->geometry()).save(QDir(dir).filePath(name + QString(".png")));
  }
  // Pauses and seeks to `seconds`; waits for a picture of the line's time on screen.
  bool PausedAt(double seconds) {
    if (!rig.player.IsPaused()) rig.player.Pause();
    rig.player.Seek(zv::TSeekFlags{}, true, int64_t(seconds * 1e6));
    return WaitFor([&] { return MustShow(Sample(*rig.window).Frame) == 1; }, 10000);
  }

  e2e::TWindowRig rig;
  QDir media;
  std::vector<std::string> lines;
};

TEST_F(SubtitlesEndToEnd, SubRipBesideTheVideoShowsInItsTimeAndGrowsWithTheWindow) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString video = QDir(dir.path()).filePath("clip.mp4");
  ASSERT_TRUE(QFile::copy(media.filePath(QString::fromUtf8(fx::kVideoOnlyMp4.data(), int(fx::kVideoOnlyMp4.size()))),
                          video));
  {
    std::ofstream srt(QDir(dir.path()).filePath("clip.srt").toStdString(), std::ios::binary);
    int n = 0;
    for (const fx::TextLine& l : fx::kTextLines) {
      auto clock = [](double s) {
        char buf[32];
        const int ms = int(s * 1000 + 0.5);
        snprintf(buf, sizeof buf, "00:00:%02d,%03d", ms / 1000, ms % 1000);
        return std::string(buf);
      };
      srt << ++n << "\r\n" << clock(l.start_seconds) << " --> " << clock(l.end_seconds) << "\r\n" << l.text << "\r\n\r\n";
    }
  }
  TfrmPlayer& w = *rig.window;
  w.resize(480, 420);
  ASSERT_TRUE(WaitFor([&] { return w.width() == 480; }));
  ASSERT_TRUE(w.OpenFile(video)) << rig.messages.join("; ").toStdString();

  // Played through: every grab whose picture can be read is checked against the line times.
  int shown = 0, clear = 0;
  std::vector<std::string> wrong;
  WaitFor([&] {
    const TSample s = Sample(w);
    const int must = s.Frame >= 0 ? MustShow(s.Frame) : -1;
    if (must == 1 && s.Text.Count > 20) ++shown;
    else if (must == 1) wrong.push_back("no text on picture " + std::to_string(s.Frame));
    if (must == 0 && s.Text.Count == 0) ++clear;
    else if (must == 0) wrong.push_back(std::to_string(s.Text.Count) + " text pixels on picture " + std::to_string(s.Frame));
    return Logged("End");
  }, 20000);
  ASSERT_TRUE(Logged("End")) << "the video did not play to its end";
  EXPECT_TRUE(wrong.empty()) << wrong.front() << " (" << wrong.size() << " wrong grabs)";
  EXPECT_GE(shown, 3) << "too few grabs inside a line";
  EXPECT_GE(clear, 3) << "too few grabs outside the lines";

  // Paused on the first line in a small window, then full screen: the text
  // keeps its size relative to the picture.
  ASSERT_TRUE(PausedAt(2.0)) << "no picture of the line's time after a paused seek";  // a keyframe
  TSample small;
  ASSERT_TRUE(WaitFor([&] { return (small = Sample(w)).Text.Count > 20; }, 5000)) << "no line after the paused seek";
  const int smallPicture = PictureOnScreen(w).height();
  Shot("subtitles_small_window");
  w.mnuFullScreen->trigger();
  const QRect screen = w.screen()->geometry();
  ASSERT_TRUE(WaitFor([&] { return w.frameGeometry() == screen && w.PanelFillsClient(); })) << "not full screen";
  const int fullPicture = PictureOnScreen(w).height();
  TSample full;
  const double want = double(fullPicture) / smallPicture;
  EXPECT_TRUE(WaitFor([&] {
    full = Sample(w);
    const double got = full.Text.Count > 0 && small.Text.Rows() > 0 ? double(full.Text.Rows()) / small.Text.Rows() : 0;
    return got > want * 0.8 && got < want * 1.25;
  }, 5000)) << "text " << small.Text.Rows() << " rows high in a picture of " << smallPicture << ", "
            << full.Text.Rows() << " in one of " << fullPicture;
  Shot("subtitles_full_screen");
  w.mnuFullScreen->trigger();
  EXPECT_TRUE(WaitFor([&] { return w.frameGeometry() != screen; }));
}

TEST_F(SubtitlesEndToEnd, AssLineIsWhereAndInTheColourItsStyleSays) {
  TfrmPlayer& w = *rig.window;
  w.resize(700, 600);
  ASSERT_TRUE(WaitFor([&] { return w.width() == 700; }));
  ASSERT_TRUE(w.OpenFile(media.filePath(QString::fromUtf8(fx::kAssMkv.data(), int(fx::kAssMkv.size())))))
      << rig.messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("Play"); }));
  ASSERT_TRUE(PausedAt(1.5)) << "no picture of the line's time after a paused seek";
  const QRect pic = PictureOnScreen(w);
  const double scale = double(pic.height()) / kH;
  // The top half, where the line is placed (the ramp turns reddish near the bottom left).
  const QRect top(0, 0, pic.width(), pic.height() / 2);
  TInk red;
  EXPECT_TRUE(WaitFor([&] { return (red = InkIn(Grab(pic), top, Red)).Count > 40; }, 5000))
      << "no red line on screen";
  Shot("subtitles_ass_line");
  // \pos with top-left alignment: the text's corner at the script's point, scaled with the picture.
  EXPECT_NEAR(red.Left, fx::kAssLineX * scale, 4 * scale);
  EXPECT_NEAR(red.Top, fx::kAssLineY * scale, 10 * scale);
  // Outside its time it is gone.
  rig.player.Seek(zv::TSeekFlags{}, true, 3'800'000);
  EXPECT_TRUE(WaitFor([&] {
    const int frame = e2e::FrameNumberIn(Grab(pic), QRect(QPoint(0, 0), pic.size()), kW, kH);
    return frame >= 0 && MustShow(frame) == 0 && InkIn(Grab(pic), top, Red).Count == 0;
  }, 10000)) << "the line stays after its end";
  Shot("subtitles_ass_after_end");
}

}  // namespace
}  // namespace zvapp
