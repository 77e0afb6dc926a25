// The playlist panel beside the picture.
#include <QTest>
#include <gtest/gtest.h>

#include "app/playback_session.h"
#include "app/playlist_panel.h"
#include "window_test_fixture.h"

namespace zvapp {
namespace {

class PlaylistPanelTest : public PlayerWindowTest {};

TEST_F(PlaylistPanelTest, ShowsTheListBesideThePictureAndWorksIt) {
  player.loaded = true;
  TPlaylistPanel* panel = window->Session->Panel;
  EXPECT_TRUE(panel->isHidden());
  window->Session->OpenPaths({"/media/a.mkv", "/media/b.mkv", "/media/c.mkv"}, TPlaybackSession::TAdd::Replace);
  int sw = 0, sh = 0;
  window->FFPlayerFileOpen(125 * kSec, 320, 240, sw, sh);

  const int full = window->plPlayer->width();
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::CTRL | Qt::Key_L)));
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(window->Session->Panel->mnuPlaylist->isChecked());
  EXPECT_EQ(window->plPlayer->width(), full - TPlaylistPanel::kWidth);
  EXPECT_EQ(panel->geometry().left(), window->plPlayer->geometry().right() + 1);
  ASSERT_EQ(panel->count(), 3);
  EXPECT_EQ(panel->item(0)->text(), QString::fromUtf8("\u25B6 a.mkv  (2:05)"));
  EXPECT_EQ(panel->item(1)->text(), "   b.mkv");

  // Double-click plays an item; Delete removes one.
  emit panel->itemDoubleClicked(panel->item(2));
  EXPECT_EQ(player.Count("Open /media/c.mkv"), 1);
  EXPECT_TRUE(panel->item(2)->text().startsWith(QString::fromUtf8("\u25B6")));
  panel->setCurrentRow(1);
  QTest::keyClick(panel, Qt::Key_Delete);
  ASSERT_EQ(panel->count(), 2);
  EXPECT_EQ(window->Session->Playlist().Item(1).path, "/media/c.mkv");

  // Full screen hides it; leaving brings it back with the picture beside it.
  window->mnuFullScreen->setChecked(true);
  window->mnuFullScreenClick();
  EXPECT_TRUE(panel->isHidden());
  EXPECT_EQ(window->plPlayer->geometry(), window->rect());
  window->EscapePressed();
  EXPECT_TRUE(QTest::qWaitFor([&] { return panel->isVisible(); }, 2000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->plPlayer->width() == window->width() - TPlaylistPanel::kWidth; }, 2000))
      << window->plPlayer->width() << " of " << window->width();
  // Ctrl+L again hides it.
  EXPECT_TRUE(window->TriggerShortcut(QKeySequence(Qt::CTRL | Qt::Key_L)));
  EXPECT_TRUE(panel->isHidden());
  EXPECT_EQ(window->plPlayer->width(), window->width());
}

}  // namespace
}  // namespace zvapp
