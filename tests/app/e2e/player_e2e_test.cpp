// Starts a window manager, opens a test file in the real window and works its
// commands the way a user does, checking the screen.
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#include "app/control_box.h"
#include "app/debug_output.h"
#include "app/engine_player.h"
#include "app/player_window.h"
#include "app/x11_errors.h"
#include "e2e_support.h"
#include "window_rig.h"

namespace zvapp {
namespace {

using e2e::Grab;
using e2e::WaitFor;

double MeanLuma(const QImage& img, const QRect& r) {
  double sum = 0;
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); y += 2)
    for (int x = r.left(); x <= r.right(); x += 2, ++n) sum += qGray(img.pixel(x, y));
  return n ? sum / n : 0;
}

// The test picture: code blocks at the top left, a luma ramp rising to the right.
bool ShowsTestPicture(TfrmPlayer& w) {
  QRect panel(w.plPlayer->mapToGlobal(QPoint(0, 0)), w.plPlayer->size());
  panel.setHeight(panel.height() - w.ControlBar->height());
  QImage img = Grab(panel);
  if (img.isNull()) return false;
  const int W = img.width(), H = img.height();
  QRect left(W / 8, H / 2, W / 8, H / 4), right(W * 6 / 8, H / 2, W / 8, H / 4);
  double l = MeanLuma(img, left), r = MeanLuma(img, right);
  return l > 20 && r > l + 40;
}

// Through the window system's path, as a real pointer would arrive.
void Click(QWidget* w, Qt::MouseButton button, QPoint pos = QPoint(), bool dbl = false) {
  if (pos.isNull()) pos = w->rect().center();
  QWidget* native = w->windowHandle() ? w : w->nativeParentWidget();
  const QPoint at = w->mapTo(native, pos);
  if (dbl)
    QTest::mouseDClick(native->windowHandle(), button, {}, at);
  else
    QTest::mouseClick(native->windowHandle(), button, {}, at);
}

bool RegionIsBlack(const QImage& img) {
  for (int y = 0; y < img.height(); y += 3)
    for (int x = 0; x < img.width(); x += 3)
      if (qGray(img.pixel(x, y)) > 8) return false;
  return true;
}

class PlayerEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    const QString media = qEnvironmentVariable("ZELVO_MEDIA_DIR");
    // A minute long, so it still plays through every step.
    file = QDir(media).filePath("sync_60s_160x120.mkv");
    ASSERT_TRUE(QFile::exists(file)) << "write the test media first: " << file.toStdString();
    std::string error;
    ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
    SetDebugOutputSink([this](const std::string& l) {
      lines.push_back(l);
      std::fprintf(stderr, "%s\n", l.c_str());
    });
  }
  void TearDown() override { SetDebugOutputSink(nullptr); }
  bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

  QString file;
  std::vector<std::string> lines;
};

TEST_F(PlayerEndToEnd, PlaysAndObeysTheUser) {
  e2e::TWindowRig rig;
  std::string error;
  ASSERT_TRUE(rig.Show(error)) << error;
  TEnginePlayer& player = rig.player;
  std::unique_ptr<TfrmPlayer>& window = rig.window;
  const QStringList& messages = rig.messages;
  const WId panelId = window->plPlayer->winId();
  ASSERT_TRUE(X11WindowExists(panelId));
  const int xErrors = X11ErrorCount();

  ASSERT_TRUE(window->OpenFile(file)) << messages.join("; ").toStdString();
  EXPECT_EQ(player.ScreenHandle(), uint64_t(panelId));
  EXPECT_TRUE(WaitFor([&] { return Logged("Play"); }));
  EXPECT_TRUE(WaitFor([&] { return ShowsTestPicture(*window); })) << "the panel does not show the picture";
  EXPECT_TRUE(WaitFor([&] {
    QString t = window->lblDuration->text();
    return t.endsWith("/00:01:00") && t != "00:00:00/00:01:00";
  })) << window->lblDuration->text().toStdString();
  // While it plays, the bar hides after three idle seconds; a click on the picture brings it back.
  EXPECT_TRUE(WaitFor([&] { return window->ControlBar->isHidden(); }, 8000));
  Click(window->plPlayer, Qt::LeftButton, QPoint(50, 50));
  EXPECT_TRUE(WaitFor([&] {
    if (window->ControlBar->isHidden()) return false;
    // The bar lies over the picture's bottom in its own colour, the time text light at its right.
    QRect bar(window->ControlBar->mapToGlobal(QPoint(0, 0)), window->ControlBar->size());
    QImage img = Grab(bar);
    if (img.isNull() || QColor(img.pixel(img.width() / 2, img.height() - 3)) != QColor(0x0C, 0x0C, 0x0C))
      return false;
    for (int y = 15; y < img.height(); ++y)
      for (int x = img.width() - 60; x < img.width(); ++x)
        if (qGray(img.pixel(x, y)) > 200) return true;
    return false;
  }, 5000));

  // Pause and resume through the button.
  Click(window->btnPause, Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return Logged("Pause") && player.IsPaused(); }));
  Click(window->btnPause, Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return Logged("Resume") && !player.IsPaused(); }));

  // The pop-up menu over the playing picture.
  Click(window->plPlayer, Qt::RightButton, QPoint(100, 100));
  EXPECT_TRUE(WaitFor([&] { return window->PopPlayer->isVisible(); }, 5000));
  window->PopPlayer->close();
  EXPECT_TRUE(WaitFor([&] { return !window->PopPlayer->isVisible(); }, 5000));

  // Double click: full screen over the whole screen; Esc leaves it.
  const QRect normal = window->geometry();
  const QRect screen = window->screen()->geometry();
  Click(window->plPlayer, Qt::LeftButton, QPoint(100, 100), true);
  EXPECT_TRUE(WaitFor([&] { return window->frameGeometry() == screen && window->geometry() == screen; }))
      << "full screen is " << window->frameGeometry().width() << "x" << window->frameGeometry().height();
  // The bar sits at the bottom of the screen (the double click was activity).
  EXPECT_TRUE(WaitFor([&] {
    QImage all = Grab(screen);
    return QColor(all.pixel(all.width() / 2, all.height() - 3)) == QColor(0x0C, 0x0C, 0x0C);
  }, 2500));
  if (!WaitFor([&] { return ShowsTestPicture(*window); })) {
    const QString shot = QDir(QDir::tempPath()).filePath("zelvo_e2e_fullscreen.png");
    Grab(screen).save(shot);
    ADD_FAILURE() << "no picture in full screen; screen saved to " << shot.toStdString();
  }
  EXPECT_EQ(window->plPlayer->winId(), panelId);
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_TRUE(WaitFor([&] { return window->geometry().size() == normal.size() && window->frameGeometry() != screen; }));
  EXPECT_FALSE(window->mnuFullScreen->isChecked());
  EXPECT_TRUE(WaitFor([&] { return ShowsTestPicture(*window); }));
  EXPECT_EQ(window->plPlayer->winId(), panelId);

  // A snapshot in each format.
  QTemporaryDir dir;
  for (const char* name : {"shot.BMP", "shot.jpg"}) {
    const QString path = dir.filePath(name);
    window->RunSaveDialog = [&](const QString&) { return path; };
    Click(window->btnCapture, Qt::LeftButton);
    QImage shot(path);
    ASSERT_FALSE(shot.isNull()) << name;
    EXPECT_EQ(shot.size(), QSize(160, 120)) << name;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(2), QByteArray(name[5] == 'B' ? "BM" : "\xFF\xD8")) << name;
  }

  // Stop clears the picture; the time text stays.
  Click(window->btnStop, Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return Logged("Stop"); }));
  EXPECT_TRUE(WaitFor([&] {
    QRect panel(window->plPlayer->mapToGlobal(QPoint(0, 0)), window->plPlayer->size());
    panel.setHeight(panel.height() - window->ControlBar->height());
    return RegionIsBlack(Grab(panel));
  })) << "the panel keeps the last picture";
  EXPECT_FALSE(window->lblDuration->text().isEmpty());
  EXPECT_EQ(window->plPlayer->winId(), panelId);
  EXPECT_TRUE(X11WindowExists(panelId));
  EXPECT_EQ(X11ErrorCount(), xErrors);
  EXPECT_TRUE(messages.isEmpty()) << messages.join("; ").toStdString();

  window->close();
  window.reset();
}

// A paused picture takes a new brightness at once; Play after Stop plays the
// file again; a file that is no media says so in words and resets the time.
TEST_F(PlayerEndToEnd, PausedRefilterPlayAfterStopAndFailedOpen) {
  e2e::TWindowRig rig;
  std::string error;
  ASSERT_TRUE(rig.Show(error)) << error;
  TfrmPlayer& w = *rig.window;
  auto panelImage = [&] {
    QRect panel(w.plPlayer->mapToGlobal(QPoint(0, 0)), w.plPlayer->size());
    panel.setHeight(panel.height() - w.ControlBar->height());
    return Grab(panel);
  };
  auto shot = [&](const char* name) {
    if (const QString dir = qEnvironmentVariable("ZELVO_SHOT_DIR"); !dir.isEmpty())
      Grab(w.frameGeometry()).save(QDir(dir).filePath(name));
  };
  ASSERT_TRUE(w.OpenFile(file)) << rig.messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return ShowsTestPicture(w); }));
  w.btnPauseClick();
  ASSERT_TRUE(WaitFor([&] { return Logged("Pause") && rig.player.IsPaused(); }));
  QImage before = panelImage();
  const QRect middle(before.width() / 3, before.height() / 3, before.width() / 3, before.height() / 3);
  const double dark = MeanLuma(before, middle);
  rig.box->trbBrightness->setValue(80);
  EXPECT_EQ(rig.box->lblBrightnessValue->text(), "80");
  EXPECT_TRUE(WaitFor([&] { return MeanLuma(panelImage(), middle) > dark + 25; }, 5000))
      << "the paused picture keeps its old brightness";
  EXPECT_TRUE(rig.player.IsPaused());
  shot("paused_brightness.png");
  rig.box->trbBrightness->setValue(0);

  // Stop, then Play: the same file from its start.
  w.btnStopClick();
  EXPECT_TRUE(WaitFor([&] { return Logged("Stop") && !w.FileIsOpen(); }));
  lines.clear();
  w.btnPauseClick();
  EXPECT_TRUE(WaitFor([&] { return Logged("Play") && w.FileIsOpen() && ShowsTestPicture(w); }));
  EXPECT_TRUE(WaitFor([&] { return w.lblDuration->text() != "00:00:00/00:01:00"; }));
  EXPECT_LT(w.LastPosition(), 10 * 1000000LL);
  shot("play_after_stop.png");

  // Not a media file: a warning in words, the time text reset.
  rig.messages.clear();
  const QString garbage = QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR")).filePath("garbage.mp4");
  EXPECT_FALSE(w.OpenFile(garbage));
  ASSERT_EQ(rig.messages.size(), 1);
  EXPECT_TRUE(rig.messages[0].startsWith("garbage.mp4\n\nThe file could not be played: its data is damaged or it "
                                         "is not a media file.\n\nDetails: "))
      << rig.messages[0].toStdString();
  EXPECT_EQ(w.lblDuration->text(), "ZELVO Player");
  EXPECT_EQ(w.TrackPlay->Value(), 0);
}

}  // namespace
}  // namespace zvapp
