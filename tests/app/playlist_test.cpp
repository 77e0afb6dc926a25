// The playlist's pure logic: natural order, what the command line hands over,
// and the way through the list.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

#include "app/media_arguments.h"
#include "app/natural_order.h"
#include "app/playlist.h"

namespace zvapp {
namespace {

TEST(NaturalOrderTest, SortsAsFileManagersDo) {
  struct Case {
    QStringList in, out;
  } cases[] = {
      {{"ep10.mkv", "ep2.mkv", "ep1.mkv"}, {"ep1.mkv", "ep2.mkv", "ep10.mkv"}},
      {{"b.mp3", "A.mp3", "a.mp3", "B.mp3"}, {"A.mp3", "a.mp3", "B.mp3", "b.mp3"}},
      {{"x 007", "x 7", "x 06"}, {"x 06", "x 7", "x 007"}},
      {{"s2e10", "s10e1", "s2e9"}, {"s2e9", "s2e10", "s10e1"}},
      // Longer than any integer type.
      {{"n123456789012345678901234567890", "n99999999999999999999999999999"},
       {"n99999999999999999999999999999", "n123456789012345678901234567890"}},
      {{"track", "track 1", "Track"}, {"Track", "track", "track 1"}},
      {{"é2", "e10", "é1"}, {"e10", "é1", "é2"}},
  };
  for (const Case& c : cases) {
    QStringList names = c.in;
    NaturalSort(names);
    EXPECT_EQ(names, c.out) << names.join(" | ").toStdString();
  }
  EXPECT_EQ(NaturalCompare("a1", "a1"), 0);
  EXPECT_NE(NaturalCompare("a01", "a1"), 0);
  EXPECT_EQ(NaturalCompare("a01", "a1"), -NaturalCompare("a1", "a01"));
}

TEST(MediaArgumentsTest, DecodesUrisAndMakesPathsAbsolute) {
  struct Case {
    const char* arg;
    QString path;
  } cases[] = {
      {"file:///home/u/My%20Films/ep%231.mkv", "/home/u/My Films/ep#1.mkv"},
      {"file://localhost/tmp/a%27b%22c.mp3", "/tmp/a'b\"c.mp3"},
      {"file:///tmp/new%0Aline.ogg", "/tmp/new\nline.ogg"},
      {"file:///tmp/caf%C3%A9.wav", QString::fromUtf8("/tmp/café.wav")},
      {"file://otherhost/tmp/a.mkv", ""},
      {"http://example.invalid/a.mkv", "/work/http:/example.invalid/a.mkv"},
      {"clip one.mkv", "/work/clip one.mkv"},
      {"../up/./x.mkv", "/up/x.mkv"},
      {"/abs/file://x.mkv", "/abs/file:/x.mkv"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ArgumentToPath(QString::fromUtf8(c.arg), "/work"), c.path) << c.arg;
}

TEST(MediaArgumentsTest, FoldersGiveTheirMediaFilesInNaturalOrder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QDir d(dir.path());
  ASSERT_TRUE(d.mkpath("show/sub"));
  for (const char* name : {"show/ep10.MKV", "show/ep2.mkv", "show/ep1.mp3", "show/notes.txt", "show/sub/ep3.mkv",
                           "show/.hidden.mkv", "single.ogg"}) {
    QFile f(d.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const QStringList got =
      ExpandMediaPaths({"single.ogg", "show", "missing.mkv", "file://" + d.filePath("show/ep2.mkv")}, dir.path());
  const QStringList want = {d.filePath("single.ogg"),   d.filePath("show/ep1.mp3"), d.filePath("show/ep2.mkv"),
                            d.filePath("show/ep10.MKV"), d.filePath("missing.mkv"), d.filePath("show/ep2.mkv")};
  EXPECT_EQ(got, want) << got.join("\n").toStdString();
  EXPECT_TRUE(HasFolder({d.filePath("single.ogg"), d.filePath("show")}));
  EXPECT_FALSE(HasFolder({d.filePath("single.ogg"), d.filePath("missing")}));
}

QStringList Paths(const TPlaylist& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) out << list.Item(i).path;
  return out;
}

TEST(PlaylistTest, NextAndPreviousWithRepeat) {
  struct Case {
    TRepeat repeat;
    int current;
    bool atEnd;
    int next, previous;
  } cases[] = {
      {TRepeat::Off, 0, true, 1, -1},  {TRepeat::Off, 2, true, -1, 1}, {TRepeat::Off, 2, false, -1, 1},
      {TRepeat::One, 1, true, 1, 0},   {TRepeat::One, 1, false, 2, 0}, {TRepeat::One, 2, false, -1, 1},
      {TRepeat::All, 2, true, 0, 1},   {TRepeat::All, 0, false, 1, 2}, {TRepeat::Off, -1, false, 0, 2},
  };
  for (const Case& c : cases) {
    TPlaylist list(1);
    list.Append({"a", "b", "c"});
    list.SetCurrent(c.current);
    list.SetRepeat(c.repeat);
    EXPECT_EQ(list.NextIndex(c.atEnd), c.next) << RepeatName(c.repeat) << " at " << c.current;
    EXPECT_EQ(list.PreviousIndex(), c.previous) << RepeatName(c.repeat) << " at " << c.current;
  }
  TPlaylist one(1);
  one.Append({"a"});
  one.SetCurrent(0);
  EXPECT_EQ(one.NextIndex(true), -1);
  one.SetRepeat(TRepeat::All);
  EXPECT_EQ(one.NextIndex(true), 0) << "repeating a list of one plays it again";
}

TEST(PlaylistTest, FailedItemsAreSkippedAndEditsKeepTheCurrentItem) {
  TPlaylist list(1);
  list.Append({"a", "b", "c", "d"});
  list.SetCurrent(0);
  list.MarkFailed(1);
  list.MarkFailed(2);
  EXPECT_EQ(list.NextIndex(true), 3);
  list.SetCurrent(3);
  EXPECT_EQ(list.PreviousIndex(), 0);
  list.MarkFailed(0);
  list.SetRepeat(TRepeat::All);
  EXPECT_EQ(list.NextIndex(false), 3) << "all others failed: only the current one is left";

  TPlaylist edit(1);
  edit.Append({"a", "b", "c"});
  edit.SetCurrent(1);
  edit.InsertAfterCurrent({"x", "y"});
  EXPECT_EQ(Paths(edit), QStringList({"a", "b", "x", "y", "c"}));
  EXPECT_EQ(edit.NextIndex(false), 2);
  edit.Move(1, 4);
  EXPECT_EQ(Paths(edit), QStringList({"a", "x", "y", "c", "b"}));
  EXPECT_EQ(edit.Current(), 4);
  edit.Remove(0);
  EXPECT_EQ(edit.Current(), 3);
  edit.Remove(3);
  EXPECT_EQ(edit.Current(), -1);
  EXPECT_EQ(edit.NextIndex(false), 0);
}

TEST(PlaylistTest, ShuffleVisitsEveryItemOnceFromTheCurrentOne) {
  TPlaylist list(7);
  QStringList names;
  for (int i = 0; i < 20; ++i) names << QString::number(i);
  list.Append(names);
  list.SetCurrent(5);
  list.SetShuffle(true);
  std::set<int> seen{5};
  std::vector<int> order;
  for (int k = 0; k < 19; ++k) {
    const int next = list.NextIndex(false);
    ASSERT_GE(next, 0);
    EXPECT_TRUE(seen.insert(next).second) << "played twice: " << next;
    order.push_back(next);
    list.SetCurrent(next);
  }
  EXPECT_EQ(list.NextIndex(false), -1) << "without repeat the shuffled list ends";
  EXPECT_NE(order, std::vector<int>({6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
  list.SetCurrent(order[3]);
  EXPECT_EQ(list.PreviousIndex(), order[2]);
  list.SetShuffle(false);
  EXPECT_EQ(list.NextIndex(false), order[3] + 1 < 20 ? order[3] + 1 : -1);
}

}  // namespace
}  // namespace zvapp
