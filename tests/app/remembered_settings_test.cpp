// Settings kept from one run to the next, and files that are not settings.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/playback_session.h"
#include "app/remembered_settings.h"
#include "window_test_fixture.h"

namespace zvapp {
namespace {

class RememberedSettingsTest : public PlayerWindowTest {
protected:
  QString FileName() { return dir.filePath("zelvo-player/settings.ini"); }
  QTemporaryDir dir;
};

TEST_F(RememberedSettingsTest, ComeBackInTheNextRun) {
  qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
  EXPECT_EQ(SettingsFileName(), FileName());
  window->TrackVolume->SetValue(40);
  window->btnMute->click();
  window->setGeometry(100, 80, 640, 400);
  window->mnuStayOnTop->setChecked(true);
  window->Session->SetResumeEnabled(false);
  window->Session->SetRepeat(TRepeat::All);
  window->Session->SetShuffle(true);
  SaveSettings(*window, *OpenSettings());
  qunsetenv("XDG_CONFIG_HOME");
  // One window at a time (the engine's logger is one).
  window.reset();

  FakePlayer other;
  TfrmPlayer next(other);
  LoadSettings(next, *OpenSettings(FileName()));
  EXPECT_EQ(next.TrackVolume->Value(), 40);
  EXPECT_EQ(other.volume, 40);
  EXPECT_TRUE(next.btnMute->isChecked());
  EXPECT_TRUE(other.mute);
  EXPECT_EQ(next.geometry().size(), QSize(640, 400));
  EXPECT_TRUE(next.mnuStayOnTop->isChecked());
  EXPECT_FALSE(next.Session->mnuResume->isChecked());
  EXPECT_EQ(next.Session->Playlist().Repeat(), TRepeat::All);
  EXPECT_TRUE(next.Session->Playlist().Shuffle());
}

TEST_F(RememberedSettingsTest, WhatIsNotSettingsGivesTheDefaults) {
  struct Case {
    const char* what;
    std::function<void()> write;
  } cases[] = {
      {"missing", [] {}},
      {"empty", [&] { QFile f(FileName()); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); }},
      {"binary", [&] {
         QFile f(FileName());
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(QByteArray("\x00\xff[\x01\nvolume=\x02", 14));
       }},
      {"huge", [&] {
         QFile f(FileName());
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write("volume=10\n");
         f.write(QByteArray(2 << 20, 'x'));
       }},
      {"a folder", [&] { ASSERT_TRUE(QDir().mkpath(FileName())); }},
      {"out of range", [&] {
         QFile f(FileName());
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write("volume=900\nmute=perhaps\nrepeat=7\nwindow/x=0\nwindow/y=0\nwindow/width=5\nwindow/height=5\n");
       }},
  };
  window.reset();
  for (const Case& c : cases) {
    QDir(dir.filePath("zelvo-player")).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir.filePath("zelvo-player")));
    c.write();
    FakePlayer other;
    TfrmPlayer next(other);
    const QSize size = next.size();
    auto settings = OpenSettings(FileName());
    LoadSettings(next, *settings);
    EXPECT_EQ(next.TrackVolume->Value(), 128) << c.what;
    EXPECT_FALSE(next.btnMute->isChecked()) << c.what;
    EXPECT_EQ(next.size(), size) << c.what;
    EXPECT_EQ(next.Session->Playlist().Repeat(), TRepeat::Off) << c.what;
    EXPECT_TRUE(next.Session->mnuResume->isChecked()) << c.what;
    // Saving over it does no harm either.
    SaveSettings(next, *settings);
  }
}

}  // namespace
}  // namespace zvapp
