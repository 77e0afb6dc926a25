// The window going through a list of files, remembering where each was left,
// against the recording player double.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/playback_session.h"
#include "app/playlist_panel.h"
#include "window_test_fixture.h"

namespace zvapp {
namespace {

class PlaybackSessionTest : public PlayerWindowTest {
protected:
  void SetUp() override {
    PlayerWindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    player.loaded = true;
    window->ShowNotice = [this](const QString& t) { notices << t; };
    for (const char* name : {"ep1.mkv", "ep2.mkv", "ep10.mkv"}) {
      QFile f(dir.filePath(name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("not really a film");
    }
    session = window->Session;
  }
  QString File(const char* name) { return dir.filePath(name); }
  std::string Open(const char* name) { return "Open " + File(name).toStdString(); }
  // The engine's side of a successful open, as it reports it.
  void Opened(int64_t duration) {
    int sw = 0, sh = 0;
    window->FFPlayerFileOpen(duration, 320, 240, sw, sh);
    window->FFPlayerState(zv::psPlay);
  }

  QTemporaryDir dir;
  QStringList notices;
  TPlaybackSession* session = nullptr;
};

TEST_F(PlaybackSessionTest, AFolderPlaysInNaturalOrderAndTheListGoesOnAtTheEnd) {
  ASSERT_TRUE(session->OpenPaths({dir.path()}, TPlaybackSession::TAdd::Replace));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.Count(Open("ep1.mkv")) == 1; }, 5000));
  ASSERT_EQ(session->Playlist().Count(), 3);
  EXPECT_EQ(session->Playlist().Item(2).path, File("ep10.mkv"));
  Opened(60 * kSec);
  EXPECT_EQ(window->windowTitle(), "ep1.mkv - ZELVO Player FREE");
  EXPECT_FALSE(session->CanGoPrevious());
  EXPECT_TRUE(session->CanGoNext());

  window->FFPlayerState(zv::psEnd);
  EXPECT_EQ(player.Count("Pause"), 0) << "no rewind while the list goes on";
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.Count(Open("ep2.mkv")) == 1; }, 2000));
  Opened(60 * kSec);

  // N and P as keys.
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::Key_N)));
  EXPECT_EQ(player.Count(Open("ep10.mkv")), 1);
  Opened(60 * kSec);
  EXPECT_FALSE(session->CanGoNext());
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::Key_P)));
  EXPECT_EQ(player.Count(Open("ep2.mkv")), 2);
  Opened(60 * kSec);
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::Key_N)));
  Opened(60 * kSec);

  // The end of the last item: rewind and wait paused, as with one file.
  player.calls.clear();
  window->FFPlayerState(zv::psEnd);
  EXPECT_EQ(player.Count("Pause"), 1);
  EXPECT_EQ(player.lastSeekTarget, 0);
  // Repeat one plays it again; repeat all goes round to the first.
  session->SetRepeat(TRepeat::One);
  window->FFPlayerState(zv::psEnd);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.Count(Open("ep10.mkv")) == 1; }, 2000));
  Opened(60 * kSec);
  window->mnuStayOnTop->setChecked(false);
  session->mnuRepeatAll->trigger();
  EXPECT_EQ(session->Playlist().Repeat(), TRepeat::All);
  window->FFPlayerState(zv::psEnd);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.Count(Open("ep1.mkv")) == 1; }, 2000));
  EXPECT_TRUE(notices.isEmpty()) << notices.join("; ").toStdString();
}

TEST_F(PlaybackSessionTest, AFolderOfTenThousandFilesIsListedOffTheWindowsThread) {
  QDir big(dir.filePath("big"));
  ASSERT_TRUE(big.mkpath("."));
  for (int i = 10000; i >= 1; --i) {
    QFile f(big.filePath(QString("part %1.mp3").arg(i)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  session->Panel->SetWanted(true);
  // The call returns before the listing is done; the window goes on serving events meanwhile.
  ASSERT_TRUE(session->OpenPaths({big.path()}, TPlaybackSession::TAdd::Replace));
  EXPECT_EQ(session->Playlist().Count(), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return session->Playlist().Count() == 10000; }, 20000));
  EXPECT_EQ(session->Playlist().Item(0).path, big.filePath("part 1.mp3"));
  EXPECT_EQ(session->Playlist().Item(9999).path, big.filePath("part 10000.mp3"));
  EXPECT_EQ(player.Count(Open("big/part 1.mp3")), 1);
  EXPECT_EQ(session->Panel->count(), 10000);
}

TEST_F(PlaybackSessionTest, AFileThatFailsIsMarkedReportedOnceAndSkipped) {
  player.failingFiles = {File("ep2.mkv").toStdString(), File("gone.mkv").toStdString()};
  ASSERT_TRUE(session->OpenPaths({File("ep1.mkv"), File("gone.mkv"), File("ep2.mkv"), File("ep10.mkv")},
                                 TPlaybackSession::TAdd::Replace));
  Opened(60 * kSec);
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::Key_N)));
  EXPECT_EQ(player.Count(Open("gone.mkv")), 1);
  EXPECT_EQ(player.Count(Open("ep2.mkv")), 1);
  EXPECT_EQ(player.Count(Open("ep10.mkv")), 1);
  EXPECT_EQ(session->Playlist().Current(), 3);
  EXPECT_TRUE(session->Playlist().Item(1).failed);
  EXPECT_TRUE(session->Playlist().Item(2).failed);
  EXPECT_EQ(notices.size(), 2) << notices.join("; ").toStdString();
  EXPECT_TRUE(messages.isEmpty()) << "no message box stops the list";
  Opened(60 * kSec);
  // Going back skips them too, without saying it again.
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::Key_P)));
  EXPECT_EQ(player.Count(Open("ep1.mkv")), 2);
  EXPECT_EQ(player.Count(Open("ep2.mkv")), 1);
  EXPECT_EQ(notices.size(), 2);
  // A single file that fails says so as it always did.
  player.calls.clear();
  session->OpenPaths({File("gone.mkv")}, TPlaybackSession::TAdd::Replace);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains("gone.mkv") && messages[0].contains("no such file")) << messages[0].toStdString();
}

TEST_F(PlaybackSessionTest, ResumesWhereTheFileWasLeft) {
  QTemporaryDir state;
  session->SetResumeStore(std::make_unique<zv::TResumeStore>(state.filePath("zelvo-player").toStdString()));
  struct Case {
    int64_t leftAt;
    bool resumes;
  } cases[] = {{20 * kSec, true}, {4 * kSec, false}, {55 * kSec, false}, {754 * kSec / 20, true}};
  for (const Case& c : cases) {
    session->OpenPaths({File("ep1.mkv")}, TPlaybackSession::TAdd::Replace);
    Opened(60 * kSec);
    QTest::qWait(1);
    window->FFPlayerPosition(c.leftAt);
    window->btnStopClick();
    window->FFPlayerState(zv::psStop);
    EXPECT_EQ(window->windowTitle(), "ZELVO Player FREE");
    player.lastSeekTarget = -1;
    session->OpenPaths({File("ep1.mkv")}, TPlaybackSession::TAdd::Replace);
    Opened(60 * kSec);
    if (c.resumes) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return player.lastSeekTarget == c.leftAt; }, 2000)) << c.leftAt;
      EXPECT_EQ(window->LastPosition(), c.leftAt);
    } else {
      QTest::qWait(20);
      EXPECT_EQ(player.lastSeekTarget, -1) << c.leftAt;
    }
    window->btnStopClick();
    window->FFPlayerState(zv::psStop);
  }
  EXPECT_EQ(session->LastAnnouncement(), "Resumed at 00:00:38 (Home: start over)");

  // Left for another file, then back; Home starts over.
  player.lastSeekTarget = -1;
  session->OpenPaths({File("ep1.mkv"), File("ep2.mkv")}, TPlaybackSession::TAdd::Replace);
  Opened(60 * kSec);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.lastSeekTarget == 754 * kSec / 20; }, 2000));
  window->FFPlayerPosition(30 * kSec);
  session->Next();
  Opened(60 * kSec);
  player.lastSeekTarget = -1;
  session->Previous();
  Opened(60 * kSec);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.lastSeekTarget == 30 * kSec; }, 2000));
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::Key_Home)));
  EXPECT_EQ(player.lastSeekTarget, 0);

  // Resuming turned off in the menu: the place is neither used nor kept.
  window->FFPlayerPosition(40 * kSec);
  session->mnuResume->trigger();
  EXPECT_FALSE(session->ResumeEnabled());
  session->Next();
  Opened(60 * kSec);
  player.lastSeekTarget = -1;
  session->Previous();
  Opened(60 * kSec);
  QTest::qWait(20);
  EXPECT_EQ(player.lastSeekTarget, -1);
}

}  // namespace
}  // namespace zvapp
