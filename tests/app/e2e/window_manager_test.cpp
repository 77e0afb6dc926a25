// The window under a real window manager: the control box's place in the
// stacking order, keys in full screen, the rewind at the end of a short file,
// the narrow bar and the sound device's failure as the user sees them.
#include <QDir>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

#include "../../../tools/fixture_list.h"
#include "app/control_box.h"
#include "app/debug_output.h"
#include "app/engine_player.h"
#include "app/player_window.h"
#include "app/time_text.h"
#include "app/x11_errors.h"
#include "runtime/file_utils.h"
#include "e2e_support.h"
#include "x11_desktop.h"

namespace zvapp {
namespace {

namespace fx = zv::fixtures;
using namespace e2e;

// Frame number of a coded test picture from its luma as the engine holds it.
int FrameNumberOf(const QImage& picture) {
  if (picture.isNull()) return -1;
  const QImage img = picture.convertToFormat(QImage::Format_RGB32);
  std::vector<uint8_t> luma(size_t(img.width()) * img.height());
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) luma[size_t(y) * img.width() + x] = uint8_t(qGray(img.pixel(x, y)));
  return fx::ReadFrameNumber(luma.data(), img.width(), img.width(), img.height());
}

// The frame number as drawn on the screen: the picture keeps its shape,
// centred in the panel above the bar's native window.
int ScreenFrameNumber(TfrmPlayer& w, QSize picture) {
  const QRect panel(w.plPlayer->mapToGlobal(QPoint(0, 0)), w.plPlayer->size());
  const QSize shown = picture.scaled(panel.size(), Qt::KeepAspectRatio);
  const QPoint origin((panel.width() - shown.width()) / 2, (panel.height() - shown.height()) / 2);
  return FrameNumberIn(Grab(panel), QRect(origin, shown), picture.width(), picture.height());
}

class WindowManagerEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    std::string error;
    ASSERT_TRUE(EnsureWindowManager(error)) << error;
    media = QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR"));
    SetDebugOutputSink([this](const std::string& l) { lines.push_back(l); });
    // The media libraries are the process's, loaded by an earlier test; this
    // player still needs SDL of its own, which the window's open would skip.
    if (player.LibrariesLoaded()) {
      ASSERT_TRUE(player.LoadLibraries(zv::ApplicationPath() + "LibAV", true));
    }
    window = std::make_unique<TfrmPlayer>(player);
    window->ShowMessage = [this](const QString& t) { messages << t; };
    defaultNotice = window->ShowNotice;
    window->ShowNotice = [this](const QString& t) { notices << t; };
    window->show();
    ASSERT_TRUE(WaitFor([&] { return window->isVisible() && window->frameGeometry() != window->geometry(); }))
        << "no frame";
    ASSERT_TRUE(WaitFor([&] { return window->windowHandle()->isExposed(); }));
  }
  void TearDown() override {
    if (box) {
      window->SetControlBox(nullptr);
      box.reset();
    }
    if (window) {
      window->close();
      window.reset();
    }
    SetDebugOutputSink(nullptr);
  }
  bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  QString File(std::string_view name) const { return media.filePath(QString::fromUtf8(name.data(), int(name.size()))); }
  // With ZELVO_E2E_SHOT_DIR set, the screen goes there as NAME.png.
  void Shot(const char* name) {
    const QString dir = qEnvironmentVariable("ZELVO_E2E_SHOT_DIR");
    if (!dir.isEmpty()) Grab(window->screen()->geometry()).save(QDir(dir).filePath(name + QString(".png")));
  }

  QDir media;
  TEnginePlayer player;
  std::unique_ptr<TfrmPlayer> window;
  std::unique_ptr<TfrmControlBox> box;
  std::vector<std::string> lines;
  QStringList messages, notices;
  std::function<void(const QString&)> defaultNotice;
};

TEST_F(WindowManagerEndToEnd, ControlBoxStaysAbovePlayerAndEscLeavesFullScreenWhileItIsShown) {
  box = std::make_unique<TfrmControlBox>(*window);
  window->SetControlBox(box.get());
  ASSERT_TRUE(window->OpenFile(File(fx::kSync60s))) << messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("Play"); }));
  const WId player = window->winId();

  window->mnuControlBox->trigger();
  ASSERT_TRUE(WaitFor([&] { return WindowViewable(box->winId()) && StackedAbove(box->winId(), player); }))
      << "the control box did not come up above the player";
  EXPECT_EQ(TransientOwner(box->winId()), player) << "the box belongs to another window";

  // A click on the picture raises the player, but not over its box.
  ClickAt(window->plPlayer->mapToGlobal(QPoint(60, 60)));
  ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); })) << "the click did not reach the player";
  EXPECT_TRUE(StackedAbove(box->winId(), player));

  // Stay on top while playing: the player goes into the upper band, the box with it.
  window->mnuStayOnTop->trigger();
  ASSERT_TRUE(WaitFor([&] { return HasWmState(player, "_NET_WM_STATE_ABOVE"); }));
  ClickAt(window->plPlayer->mapToGlobal(QPoint(80, 80)));
  QTest::qWait(0);
  EXPECT_TRUE(WaitFor([&] { return StackedAbove(box->winId(), player); }, 3000)) << "Stay on top hides the box";

  // Full screen: the box stays visible above the picture.
  PressKey(XK_F11);
  const QRect screen = window->screen()->geometry();
  ASSERT_TRUE(WaitFor([&] { return window->frameGeometry() == screen; })) << "not full screen";
  EXPECT_TRUE(WaitFor([&] { return WindowViewable(box->winId()) && StackedAbove(box->winId(), player); }, 5000))
      << "the box is hidden behind the full-screen player";
  Shot("fault1_box_above_fullscreen");

  // With the box holding the keyboard, Esc still leaves full screen.
  ClickAt(box->lblBrightness->mapToGlobal(box->lblBrightness->rect().center()));
  ASSERT_TRUE(WaitFor([&] { return box->isActiveWindow() && FocusedWindow() == box->winId(); }))
      << "the box did not take the keyboard";
  PressKey(XK_Escape);
  EXPECT_TRUE(WaitFor([&] { return !window->PanelFillsClient() && window->frameGeometry() != screen; }))
      << "Esc in the box did not leave full screen";
  EXPECT_FALSE(window->mnuFullScreen->isChecked());
}

TEST_F(WindowManagerEndToEnd, ShortFileEndsRewoundToItsFirstPicture) {
  ASSERT_TRUE(window->OpenFile(File(fx::kAvH264AacMkv))) << messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("End"); }, 20000)) << "the file did not end";
  auto rewound = [&] {
    // The thumb at the first picture, which Matroska may stamp a little after 0.
    return window->lblDuration->text() == "00:00:00/00:00:04" && window->TrackPlay->Value() < 40000 &&
           player.IsPaused() && FrameNumberOf(player.CurrentFrame()) == 0 &&
           ScreenFrameNumber(*window, QSize(320, 240)) == 0;
  };
  EXPECT_TRUE(WaitFor(rewound, 10000))
      << "time text " << window->lblDuration->text().toStdString() << ", thumb " << window->TrackPlay->Value()
      << ", paused " << player.IsPaused() << ", picture "
      << FrameNumberOf(player.CurrentFrame()) << ", on screen " << ScreenFrameNumber(*window, QSize(320, 240));
  // And it stays there: nothing left over from the end pulls it back.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < until) {
    ASSERT_TRUE(rewound()) << "moved to " << window->lblDuration->text().toStdString();
    QTest::qWait(50);
  }
  Shot("fault4_rewound_at_end");
}

TEST_F(WindowManagerEndToEnd, NarrowWindowBarButtonsTakeRealClicks) {
  // Before any file: the product's name where the time goes.
  EXPECT_EQ(window->lblDuration->text(), "ZELVO Player");
  Shot("fault5_product_name_before_open");
  window->resize(400, 300);
  ASSERT_TRUE(WaitFor([&] { return window->width() == 400 && window->height() == 300; }));
  ASSERT_TRUE(window->OpenFile(File(fx::kSync60s))) << messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("Play"); }));
  ClickAt(window->btnPause->mapToGlobal(window->btnPause->rect().center()));
  EXPECT_TRUE(WaitFor([&] { return player.IsPaused(); }));
  ClickAt(window->btnMute->mapToGlobal(window->btnMute->rect().center()));
  EXPECT_TRUE(WaitFor([&] { return window->btnMute->isChecked(); }));
  Shot("fault2_bar_at_400px");
}

TEST_F(WindowManagerEndToEnd, DraggedThumbCarriesTheTimeTextWithOnePause) {
  ASSERT_TRUE(window->OpenFile(File(fx::kSync60s))) << messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("Play"); }));
  TTrackBar* t = window->TrackPlay;
  auto at = [&](double f) { return t->mapToGlobal(QPoint(int(5 + (t->width() - 11) * f), t->height() / 2)); };
  const auto count = [&](const char* state) { return std::count(lines.begin(), lines.end(), std::string(state)); };
  PressAt(at(0.25));
  ASSERT_TRUE(WaitFor([&] { return t->IsDragging(); }, 5000));
  for (double f : {0.3, 0.4, 0.5}) {
    MovePointerTo(at(f));
    const QString want = QString::fromStdString(
        TimeText(int64_t(std::llround(f * 60)) * 1000000, 60 * 1000000LL));
    EXPECT_TRUE(WaitFor([&] { return window->lblDuration->text() == want; }, 5000))
        << window->lblDuration->text().toStdString() << " instead of " << want.toStdString();
  }
  Shot("fault3_thumb_dragged_to_30s");
  // While it is held the engine's positions do not pull the text back.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (std::chrono::steady_clock::now() < until) {
    ASSERT_EQ(window->lblDuration->text(), "00:00:30/00:01:00");
    QTest::qWait(50);
  }
  ReleaseButton();
  EXPECT_TRUE(WaitFor([&] { return count("Resume") == 1 && !player.IsPaused(); }));
  EXPECT_EQ(count("Pause"), 1) << "one pause for the whole drag";
}

TEST_F(WindowManagerEndToEnd, MissingSoundDeviceIsNamedToTheUser) {
  // A sound output that cannot open: the disk driver into a folder that does not exist.
  qputenv("SDL_AUDIODRIVER", "disk");
  qputenv("SDL_DISKAUDIOFILE", "/nonexistent-zelvo-dir/out.raw");
  window->ShowNotice = defaultNotice;  // the real one: a box that leaves playback alone
  const bool audioOnly = window->OpenFile(File(fx::kAudioWav));
  const bool video = window->OpenFile(File(fx::kAvH264AacMkv));
  qputenv("SDL_AUDIODRIVER", "dummy");
  qunsetenv("SDL_DISKAUDIOFILE");
  EXPECT_FALSE(audioOnly);
  ASSERT_EQ(messages.size(), 1) << messages.join("; ").toStdString();
  EXPECT_TRUE(messages[0].contains("could not open codecs, no stream to play.")) << messages[0].toStdString();
  EXPECT_TRUE(messages[0].contains("\nno sound device: ")) << messages[0].toStdString();
  // The video plays without sound and says why in a box that does not stop it.
  EXPECT_TRUE(video);
  QMessageBox* note = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (QMessageBox* b : window->findChildren<QMessageBox*>())
      if (b->isVisible() && b->text().startsWith("no sound device: ")) note = b;
    return note != nullptr;
  }, 5000)) << "no notice shown";
  EXPECT_FALSE(note->isModal());
  EXPECT_TRUE(WaitFor([&] { return Logged("Play") && !player.IsPaused(); }));
  Shot("fault6_no_sound_device_notice");
  note->close();
}

}  // namespace
}  // namespace zvapp
