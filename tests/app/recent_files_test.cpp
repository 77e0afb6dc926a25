// The recent files menu and the desktop's shared recently-used list.
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/playback_session.h"
#include "app/recent_files.h"
#include "window_test_fixture.h"

namespace zvapp {
namespace {

QByteArray Read(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(RecentlyUsedTest, AddsTheFileAndKeepsOtherProgramsEntries) {
  QTemporaryDir dir;
  const QString list = dir.filePath("share/recently-used.xbel");
  const QString film = dir.filePath("my film & \"more\".mkv");
  QString error;
  ASSERT_TRUE(AddToRecentlyUsed(list, film, &error)) << error.toStdString();
  QByteArray xml = Read(list);
  EXPECT_TRUE(xml.contains(QUrl::fromLocalFile(film).toEncoded().replace("&", "&amp;"))) << xml.constData();
  EXPECT_TRUE(xml.contains("name=\"ZELVO Player\"")) << xml.constData();
  EXPECT_TRUE(xml.contains("video/x-matroska")) << xml.constData();

  // Another program's entry stays; a second add of ours counts up.
  QFile other(list);
  const QByteArray withOther = QByteArray(xml).replace(
      "</xbel>",
      "<bookmark href=\"file:///tmp/letter.odt\" added=\"2024-01-01T00:00:00Z\" modified=\"2024-01-01T00:00:00Z\" "
      "visited=\"2024-01-01T00:00:00Z\"><info><metadata owner=\"http://freedesktop.org\">"
      "<mime:mime-type type=\"application/vnd.oasis.opendocument.text\"/><bookmark:applications>"
      "<bookmark:application name=\"Writer\" exec=\"writer %u\" modified=\"2024-01-01T00:00:00Z\" count=\"1\"/>"
      "</bookmark:applications></metadata></info></bookmark>\n</xbel>");
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write(withOther);
  other.close();
  ASSERT_TRUE(AddToRecentlyUsed(list, film, &error)) << error.toStdString();
  xml = Read(list);
  EXPECT_TRUE(xml.contains("file:///tmp/letter.odt")) << xml.constData();
  EXPECT_TRUE(xml.contains("count=\"2\"")) << xml.constData();

  // A damaged list is not written over.
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("<xbel version=\"1.0\"><bookmark href=");
  other.close();
  EXPECT_FALSE(AddToRecentlyUsed(list, film, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(Read(list), "<xbel version=\"1.0\"><bookmark href=");
}

class RecentFilesTest : public PlayerWindowTest {};

TEST_F(RecentFilesTest, TheMenuListsTheLastTenNewestFirst) {
  TRecentFiles& recent = *window->Session->Recent;
  EXPECT_FALSE(recent.mnuOpenRecent->isEnabled());
  for (int i = 1; i <= 12; ++i) recent.Add(QString("/media/ep%1.mkv").arg(i));
  recent.Add("/media/ep5.mkv");
  const QList<QAction*> items = recent.mnuOpenRecent->actions();
  ASSERT_EQ(items.size(), 10);
  EXPECT_EQ(items[0]->text(), "ep5.mkv");
  EXPECT_EQ(items[1]->text(), "ep12.mkv");
  EXPECT_EQ(items[9]->text(), "ep3.mkv");
  player.loaded = true;
  items[1]->trigger();
  EXPECT_EQ(player.Count("Open /media/ep12.mkv"), 1);
}

}  // namespace
}  // namespace zvapp
