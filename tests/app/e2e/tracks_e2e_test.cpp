// A file with two sound tracks in the real window: the picture's menu lists
// them with the one playing checked, choosing the other (or #) switches while
// the position goes on; a file's subtitle stream is listed with Off.
#include <QDir>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include "app/debug_output.h"
#include "app/player_window.h"
#include "e2e_support.h"
#include "window_rig.h"

namespace zvapp {
namespace {

using e2e::WaitFor;

class TracksEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    file = QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR")).filePath("two_sound_tracks.mkv");
    ASSERT_TRUE(QFile::exists(file)) << "write the test media first: " << file.toStdString();
    std::string error;
    ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
    SetDebugOutputSink([this](const std::string& l) { lines.push_back(l); });
  }
  void TearDown() override { SetDebugOutputSink(nullptr); }
  bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

  QString file;
  std::vector<std::string> lines;
};

// The items' texts, the checked one marked with "*".
QStringList Items(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isChecked() ? "*" : "") + a->text();
  return out;
}

TEST_F(TracksEndToEnd, MenuListsSoundTracksAndChoosingOneSwitchesAsPlaybackGoesOn) {
  e2e::TWindowRig rig;
  std::string error;
  ASSERT_TRUE(rig.Show(error)) << error;
  TfrmPlayer& w = *rig.window;
  EXPECT_FALSE(w.mnuAudioTracks->isEnabled()) << "no file, no tracks";
  EXPECT_FALSE(w.mnuSubtitleTracks->isEnabled());
  int64_t last = -1;
  QObject::connect(&w, &TfrmPlayer::PositionChanged, &w, [&](int64_t us) { last = us; });

  ASSERT_TRUE(w.OpenFile(file)) << rig.messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("Play") && last > 300000; }));
  // The menu as the user opens it, over the picture.
  auto openMenu = [&] {
    w.PopPlayer->popup(w.plPlayer->mapToGlobal(w.plPlayer->rect().center()));
    return WaitFor([&] { return w.PopPlayer->isVisible(); });
  };
  ASSERT_TRUE(openMenu());
  EXPECT_TRUE(w.mnuAudioTracks->isEnabled());
  EXPECT_EQ(Items(w.mnuAudioTracks), (QStringList{"*1: eng (aac, 2 ch)", "2: fre - Commentary (aac, 2 ch)"}));
  EXPECT_FALSE(w.mnuSubtitleTracks->isEnabled()) << "the file has no subtitles";
  const int64_t before = last;
  w.mnuAudioTracks->actions().at(1)->trigger();
  w.PopPlayer->close();
  ASSERT_TRUE(WaitFor([&] { return !w.PopPlayer->isVisible(); }));
  ASSERT_TRUE(openMenu());
  EXPECT_EQ(Items(w.mnuAudioTracks), (QStringList{"1: eng (aac, 2 ch)", "*2: fre - Commentary (aac, 2 ch)"}));
  w.PopPlayer->close();
  // Playback goes on from where it was: no restart, no leap.
  EXPECT_TRUE(WaitFor([&] { return last > before + 500000; }, 5000)) << "position " << last;
  EXPECT_LT(last, before + 3000000);

  ASSERT_TRUE(w.TriggerShortcut(QKeySequence(Qt::Key_NumberSign)));
  ASSERT_TRUE(WaitFor([&] { return !w.PopPlayer->isVisible(); }));
  ASSERT_TRUE(openMenu());
  EXPECT_EQ(Items(w.mnuAudioTracks), (QStringList{"*1: eng (aac, 2 ch)", "2: fre - Commentary (aac, 2 ch)"}));
  w.PopPlayer->close();
  w.btnStopClick();
  EXPECT_TRUE(WaitFor([&] { return !w.mnuAudioTracks->isEnabled(); }));
}

TEST_F(TracksEndToEnd, SubtitleMenuListsTheStreamAndOffAndChoosingOffTurnsItOff) {
  e2e::TWindowRig rig;
  std::string error;
  ASSERT_TRUE(rig.Show(error)) << error;
  TfrmPlayer& w = *rig.window;
  ASSERT_TRUE(w.OpenFile(QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR")).filePath("subrip_video.mkv")))
      << rig.messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("Play"); }));
  auto openMenu = [&] {
    w.PopPlayer->popup(w.plPlayer->mapToGlobal(w.plPlayer->rect().center()));
    return WaitFor([&] { return w.PopPlayer->isVisible(); });
  };
  ASSERT_TRUE(openMenu());
  EXPECT_FALSE(w.mnuAudioTracks->isEnabled()) << "no sound track";
  ASSERT_TRUE(w.mnuSubtitleTracks->isEnabled());
  EXPECT_EQ(Items(w.mnuSubtitleTracks), (QStringList{"*1: eng (subrip)", "Off"}));
  w.mnuSubtitleTracks->actions().at(1)->trigger();
  w.PopPlayer->close();
  ASSERT_TRUE(WaitFor([&] { return !w.PopPlayer->isVisible(); }));
  ASSERT_TRUE(openMenu());
  EXPECT_EQ(Items(w.mnuSubtitleTracks), (QStringList{"1: eng (subrip)", "*Off"}));
  w.PopPlayer->close();
  w.btnStopClick();
  EXPECT_TRUE(WaitFor([&] { return !w.mnuSubtitleTracks->isEnabled(); }));
}

}  // namespace
}  // namespace zvapp
