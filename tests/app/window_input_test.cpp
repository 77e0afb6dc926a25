// The window's keyboard, drag and drop, thumb dragging and its narrowest bar.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <functional>

#include "app/control_box.h"
#include "app/playback_session.h"
#include "window_test_fixture.h"

namespace zvapp {
namespace {

class WindowInputTest : public PlayerWindowTest {
public:
  void SetUp() override {
    PlayerWindowTest::SetUp();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  // A drag of the position thumb from one fraction of the track to others.
  QPoint TrackPoint(double fraction) {
    TTrackBar* t = window->TrackPlay;
    return QPoint(int(5 + (t->width() - 11) * fraction), t->height() / 2);
  }
};

struct KeyCase {
  const char* name;
  int key;
  Qt::KeyboardModifiers mods;
  std::vector<std::string> calls;  // what the player is asked, in order
  std::function<void(WindowInputTest&)> before;
  std::function<void(WindowInputTest&)> check;
};

TEST_F(WindowInputTest, EveryShortcutDrivesThePlayerAsItsButtonDoes) {
  const KeyCase cases[] = {
      {"Space pauses", Qt::Key_Space, {}, {"Pause"}, nullptr, nullptr},
      {"Space resumes", Qt::Key_Space, {}, {"Resume"}, [](WindowInputTest& t) { t.player.paused = true; }, nullptr},
      {"Left", Qt::Key_Left, {}, {"Seek"}, nullptr,
       [](WindowInputTest& t) { EXPECT_EQ(t.player.lastSeekTarget, 25 * kSec); }},
      {"Right", Qt::Key_Right, {}, {"Seek"}, nullptr,
       [](WindowInputTest& t) {
         EXPECT_EQ(t.player.lastSeekTarget, 35 * kSec);
         EXPECT_EQ(t.window->lblDuration->text(), "00:00:35/00:01:00");
         EXPECT_TRUE(t.player.lastSeekFlags.contains(zv::sfExact)) << "on the picture at that time";
       }},
      {"Shift+Left stops at the start", Qt::Key_Left, Qt::ShiftModifier, {"Seek"}, nullptr,
       [](WindowInputTest& t) { EXPECT_EQ(t.player.lastSeekTarget, 0); }},
      {"Shift+Right stops at the end", Qt::Key_Right, Qt::ShiftModifier, {"Seek"}, nullptr,
       [](WindowInputTest& t) { EXPECT_EQ(t.player.lastSeekTarget, 60 * kSec); }},
      {"Up", Qt::Key_Up, {}, {}, [](WindowInputTest& t) { t.window->TrackVolume->SetValue(100); },
       [](WindowInputTest& t) {
         EXPECT_EQ(t.player.volume, 108);
         EXPECT_EQ(t.window->TrackVolume->Value(), 108);
       }},
      {"Up stops at 128", Qt::Key_Up, {}, {}, [](WindowInputTest& t) { t.window->TrackVolume->SetValue(125); },
       [](WindowInputTest& t) { EXPECT_EQ(t.player.volume, 128); }},
      {"Down", Qt::Key_Down, {}, {}, [](WindowInputTest& t) { t.window->TrackVolume->SetValue(100); },
       [](WindowInputTest& t) { EXPECT_EQ(t.player.volume, 92); }},
      {"M mutes", Qt::Key_M, {}, {}, nullptr,
       [](WindowInputTest& t) {
         EXPECT_TRUE(t.player.mute);
         EXPECT_TRUE(t.window->btnMute->isChecked());
       }},
      {"F enters full screen", Qt::Key_F, {}, {}, nullptr,
       [](WindowInputTest& t) {
         EXPECT_TRUE(t.window->PanelFillsClient());
         EXPECT_TRUE(t.window->mnuFullScreen->isChecked());
       }},
      {"F11 enters full screen", Qt::Key_F11, {}, {}, nullptr,
       [](WindowInputTest& t) { EXPECT_TRUE(t.window->PanelFillsClient()); }},
      {"F leaves full screen", Qt::Key_F, {}, {}, [](WindowInputTest& t) { t.window->mnuFullScreen->trigger(); },
       [](WindowInputTest& t) { EXPECT_FALSE(t.window->PanelFillsClient()); }},
      {"Esc leaves full screen", Qt::Key_Escape, {}, {},
       [](WindowInputTest& t) { t.window->mnuFullScreen->trigger(); },
       [](WindowInputTest& t) {
         EXPECT_FALSE(t.window->PanelFillsClient());
         EXPECT_FALSE(t.window->mnuFullScreen->isChecked());
       }},
      {"Ctrl+O opens", Qt::Key_O, Qt::ControlModifier, {"OpenDialog", "Open /media/b.mkv"},
       [](WindowInputTest& t) { t.openName = "/media/b.mkv"; }, nullptr},
      {"S takes a snapshot", Qt::Key_S, {}, {"SaveDialog"},
       [](WindowInputTest& t) {
         t.player.frame = QImage(4, 4, QImage::Format_RGB32);
         t.player.frame.fill(Qt::gray);
       },
       nullptr},
      {"] is 10 % faster", Qt::Key_BracketRight, {}, {"SetSpeed"}, nullptr,
       [](WindowInputTest& t) {
         EXPECT_EQ(t.player.speed, 1.1);
         EXPECT_EQ(t.player.messages.back(), "Speed: 1.10x");
       }},
      {"[ is 10 % slower, to hundredths", Qt::Key_BracketLeft, {}, {"SetSpeed"}, nullptr,
       [](WindowInputTest& t) { EXPECT_EQ(t.player.messages.back(), "Speed: 0.91x"); }},
      {"[ back from 1.1 is 1", Qt::Key_BracketLeft, {}, {"SetSpeed"}, [](WindowInputTest& t) { t.player.speed = 1.1; },
       [](WindowInputTest& t) { EXPECT_EQ(t.player.speed, 1.0); }},
      {"} doubles, up to 4", Qt::Key_BraceRight, {}, {"SetSpeed"}, [](WindowInputTest& t) { t.player.speed = 3; },
       [](WindowInputTest& t) {
         EXPECT_EQ(t.player.speed, 4.0);
         EXPECT_EQ(t.player.messages.back(), "Speed: 4.00x");
       }},
      {"{ halves, down to 0.25", Qt::Key_BraceLeft, {}, {"SetSpeed"}, [](WindowInputTest& t) { t.player.speed = 0.3; },
       [](WindowInputTest& t) { EXPECT_EQ(t.player.speed, 0.25); }},
      {"Backspace resets", Qt::Key_Backspace, {}, {"SetSpeed"}, [](WindowInputTest& t) { t.player.speed = 2.5; },
       [](WindowInputTest& t) {
         EXPECT_EQ(t.player.speed, 1.0);
         EXPECT_EQ(t.player.messages.back(), "Speed: 1.00x");
       }},
      {". steps to the next picture", Qt::Key_Period, {}, {"StepFrame 1"}, nullptr,
       [](WindowInputTest& t) { EXPECT_TRUE(t.player.paused); }},
      {", steps to the previous picture", Qt::Key_Comma, {}, {"StepFrame -1"}, nullptr, nullptr},
      {"L sets A, then B, then clears the loop", Qt::Key_L, {}, {"MarkLoopPoint"}, nullptr,
       [](WindowInputTest& t) {
         EXPECT_EQ(t.window->TrackPlay->LoopA(), float(t.player.loopAt));
         EXPECT_LT(t.window->TrackPlay->LoopB(), 0);
         t.player.loopAt = 32500000;
         QTest::keyClick(t.window.get(), Qt::Key_L);
         EXPECT_EQ(t.window->TrackPlay->LoopB(), 32500000.0f);
         QTest::keyClick(t.window.get(), Qt::Key_L);
         EXPECT_LT(t.window->TrackPlay->LoopA(), 0);
         ASSERT_GE(t.player.messages.size(), 3u);
         EXPECT_EQ(std::vector<std::string>(t.player.messages.end() - 3, t.player.messages.end()),
                   (std::vector<std::string>{"A-B loop: A at 00:00:00.0", "A-B loop: 00:00:00.0 - 00:00:32.5",
                                             "A-B loop: off"}));
       }},
      {"Ctrl+Q quits", Qt::Key_Q, Qt::ControlModifier, {"ClearHookEvents", "Stop wait"}, nullptr,
       [](WindowInputTest& t) { EXPECT_FALSE(t.window->isVisible()); }},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    player = FakePlayer();
    player.loaded = true;
    player.videoIndex = 0;
    SetUp();
    OpenFile(60 * kSec);
    window->FFPlayerPosition(30 * kSec);
    player.paused = false;
    if (c.before) c.before(*this);
    player.calls.clear();
    // To whatever has the focus, as a keyboard would.
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, Qt::Key(c.key), c.mods);
    EXPECT_EQ(player.calls, c.calls);
    if (c.check) c.check(*this);
  }
}

TEST_F(WindowInputTest, KeysWorkInFullScreenAndFromTheControlBox) {
  TfrmControlBox box(*window);
  window->SetControlBox(&box);
  OpenFile(60 * kSec);
  player.paused = false;
  QTest::keyClick(window.get(), Qt::Key_F11);
  ASSERT_TRUE(window->PanelFillsClient());
  QTest::keyClick(window.get(), Qt::Key_Space);
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Pause"}));

  // D toggles deinterlacing between automatic and off, as the menu item does.
  QTest::keyClick(window.get(), Qt::Key_D);
  EXPECT_FALSE(player.deinterlace);
  EXPECT_FALSE(window->mnuDeinterlace->isChecked());
  window->mnuDeinterlace->trigger();
  EXPECT_TRUE(player.deinterlace);
  EXPECT_TRUE(window->mnuDeinterlace->isChecked());

  // The control box keeps the keys its sliders use and passes on the rest.
  window->mnuControlBox->trigger();
  // As the window manager does when the box comes up.
  QApplication::setActiveWindow(&box);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &box; }, 2000));
  box.trbBrightness->setFocus();
  QTest::keyClick(box.trbBrightness, Qt::Key_Right);
  EXPECT_EQ(box.trbBrightness->value(), 1);
  EXPECT_EQ(player.Count("Seek"), 0);
  QTest::keyClick(box.trbBrightness, Qt::Key_Escape);
  EXPECT_FALSE(window->PanelFillsClient());
  QTest::keyClick(box.btnHue, Qt::Key_M);
  EXPECT_TRUE(player.mute);
  window->SetControlBox(nullptr);
}

TEST_F(WindowInputTest, DroppedFilesJoinTheListAndTheFirstLocalOnePlays) {
  player.loaded = true;
  QMimeData mime;
  mime.setUrls({QUrl("https://example.com/x.mkv"), QUrl::fromLocalFile("/media/first one.mkv"),
                QUrl::fromLocalFile("/media/second.mkv")});
  ASSERT_TRUE(mime.hasFormat("text/uri-list"));
  const QPoint at = window->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
  QApplication::sendEvent(window.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_TRUE(QTest::qWaitFor([&] { return player.Count("Open /media/first one.mkv") == 1; }, 2000));
  EXPECT_EQ(player.Count("Open /media/second.mkv"), 0);
  ASSERT_EQ(window->Session->Playlist().Count(), 2);
  EXPECT_EQ(window->Session->Playlist().Item(1).path, "/media/second.mkv");

  // Nothing local in it: refused.
  QMimeData remote;
  remote.setUrls({QUrl("https://example.com/x.mkv")});
  QDragEnterEvent refused(at, Qt::CopyAction, &remote, Qt::LeftButton, {});
  QApplication::sendEvent(window.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST_F(WindowInputTest, TimeTextFollowsADraggedThumbWithOnePauseAndOneResume) {
  // With nothing open a click only moves the thumb.
  QTest::mouseClick(window->TrackPlay, Qt::LeftButton, {}, TrackPoint(0.5));
  EXPECT_EQ(window->lblDuration->text(), "ZELVO Player");
  OpenFile(60 * kSec);
  window->FFPlayerPosition(10 * kSec);
  player.paused = false;
  TTrackBar* t = window->TrackPlay;
  QTest::mousePress(t, Qt::LeftButton, {}, TrackPoint(0.25));
  EXPECT_EQ(window->lblDuration->text(), "00:00:15/00:01:00");
  QTest::mouseMove(t, TrackPoint(0.5));
  EXPECT_EQ(window->lblDuration->text(), "00:00:30/00:01:00");
  // A position from the engine does not pull the text back while the thumb is held.
  window->FFPlayerPosition(16 * kSec);
  EXPECT_EQ(window->lblDuration->text(), "00:00:30/00:01:00");
  QTest::mouseMove(t, TrackPoint(0.75));
  EXPECT_EQ(window->lblDuration->text(), "00:00:45/00:01:00");
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Pause", "Seek", "Seek", "Seek"}));
  EXPECT_EQ(player.lastSeekFlags.bits, 0) << "key-picture seeks while dragging";
  QTest::mouseRelease(t, Qt::LeftButton, {}, TrackPoint(0.75));
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Pause", "Seek", "Seek", "Seek", "Seek", "Resume"}));
  EXPECT_NEAR(double(player.lastSeekTarget), 45.0 * kSec, 0.02 * 60 * kSec);
  EXPECT_TRUE(player.lastSeekFlags.contains(zv::sfExact)) << "the release lands exactly";

  // With an unknown length the text follows too; the seek waits for the release.
  OpenFile(-1);
  window->TrackPlay->SetMax(100 * kSec);
  QTest::mousePress(t, Qt::LeftButton, {}, TrackPoint(0.1));
  player.calls.clear();
  QTest::mouseMove(t, TrackPoint(0.6));
  EXPECT_EQ(window->lblDuration->text(), "00:01:00/00:00:00");
  EXPECT_TRUE(player.calls.empty());
  QTest::mouseRelease(t, Qt::LeftButton, {}, TrackPoint(0.6));
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Pause", "Seek", "Resume"}));
}

// The wheel: 5 % of the volume a notch over the picture and the volume track,
// 5 s a notch over the position track; hovering the track tells the time there.
TEST_F(WindowInputTest, WheelAndHover) {
  OpenFile(60 * kSec);
  window->FFPlayerPosition(30 * kSec);
  auto wheel = [](QWidget* w, int delta) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
  };
  window->TrackVolume->SetValue(64);
  wheel(window->plPlayer, -120);
  EXPECT_FLOAT_EQ(window->TrackVolume->Value(), 57.6f);
  wheel(window->TrackVolume, 240);
  EXPECT_FLOAT_EQ(window->TrackVolume->Value(), 70.4f);
  wheel(window->btnStop, 60);  // half a notch goes to the picture and waits for its other half
  EXPECT_FLOAT_EQ(window->TrackVolume->Value(), 70.4f);
  player.calls.clear();
  wheel(window->TrackPlay, 120);
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Seek"}));
  EXPECT_EQ(player.lastSeekTarget, 35 * kSec);
  wheel(window->TrackPlay, -240);
  EXPECT_EQ(player.lastSeekTarget, 25 * kSec);

  QTest::mouseMove(window->TrackPlay, TrackPoint(0.5));
  EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 2000));
  EXPECT_EQ(QToolTip::text(), "00:00:30");
  QToolTip::hideText();
}

// Clicks and drags on the track keep a paused file paused.
TEST_F(WindowInputTest, TrackSeeksWhilePausedKeepThePause) {
  OpenFile(60 * kSec);
  player.paused = true;
  TTrackBar* t = window->TrackPlay;
  QTest::mouseClick(t, Qt::LeftButton, {}, TrackPoint(0.5));
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Seek", "Seek"}));
  EXPECT_NEAR(double(player.lastSeekTarget), 30.0 * kSec, 0.02 * 60 * kSec);
  EXPECT_TRUE(player.lastSeekFlags.contains(zv::sfExact));
  player.calls.clear();
  QTest::mousePress(t, Qt::LeftButton, {}, TrackPoint(0.25));
  QTest::mouseMove(t, TrackPoint(0.75));
  QTest::mouseRelease(t, Qt::LeftButton, {}, TrackPoint(0.75));
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Seek", "Seek", "Seek"}));
  EXPECT_TRUE(player.paused);
}

TEST_F(WindowInputTest, EveryBarControlTakesItsClickAtTheSmallestSize) {
  window->resize(400, 300);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->width() == 400; }, 2000));
  OpenFile(5400 * kSec);
  window->FFPlayerPosition(3725 * kSec);  // the widest usual text
  for (QWidget* w : std::initializer_list<QWidget*>{window->btnOpen, window->btnPause, window->btnStop,
                                                    window->TrackVolume, window->btnMute, window->btnCapture}) {
    const QPoint centre = w->mapTo(window.get(), w->rect().center());
    EXPECT_EQ(window->childAt(centre), w) << w->objectName().toStdString();
    // Each stays inside the bar, left of the time text.
    EXPECT_LE(w->geometry().right(), window->lblDuration->geometry().left()) << w->objectName().toStdString();
  }
  // The time text still has room for all of itself.
  const QFontMetrics fm(window->lblDuration->font());
  EXPECT_GE(window->lblDuration->width(), fm.horizontalAdvance(window->lblDuration->text()));
  EXPECT_LE(window->lblDuration->geometry().right(), window->ControlBar->width());
  // A real click on mute through the window reaches the button.
  const QPoint mute = window->btnMute->mapTo(window.get(), window->btnMute->rect().center());
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, mute);
  EXPECT_TRUE(player.mute);
}

}  // namespace
}  // namespace zvapp
