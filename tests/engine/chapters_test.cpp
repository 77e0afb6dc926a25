// The chapter keys' rule, headless: a position and a chapter list give where
// Page Up / Page Down land.
#include "engine/chapters.h"

#include <gtest/gtest.h>

#include "engine_test_util.h"

namespace zv {
namespace {

constexpr int64_t S = 1000000;

TEST(Chapters, PreviousAndNextTargets) {
  const std::vector<TChapter> three = {{"One", 0}, {"Two", 10 * S}, {"Three", 30 * S}};
  const std::vector<TChapter> lateFirst = {{"A", 5 * S}, {"B", 20 * S}};
  struct Case {
    const char* name;
    const std::vector<TChapter>* chapters;
    int64_t position;
    int direction;
    int64_t target;
  };
  const std::vector<TChapter> none;
  const Case cases[] = {
      {"next from the start", &three, 0, 1, 10 * S},
      {"next from inside the first", &three, 9 * S, 1, 10 * S},
      {"next exactly at a start", &three, 10 * S, 1, 30 * S},
      {"next from the last", &three, 40 * S, 1, -1},
      {"previous, far into a chapter: its start", &three, 15 * S, -1, 10 * S},
      {"previous, just over the gap: its start", &three, 12 * S + 1, -1, 10 * S},
      {"previous, at the gap: the one before", &three, 12 * S, -1, 0},
      {"previous, early in a chapter: the one before", &three, 31 * S, -1, 10 * S},
      {"previous in the first: its start", &three, 1 * S, -1, 0},
      {"previous at 0", &three, 0, -1, 0},
      {"before the first chapter: next is the first", &lateFirst, 2 * S, 1, 5 * S},
      {"before the first chapter: no previous", &lateFirst, 2 * S, -1, -1},
      {"unknown position counts as 0", &three, -5, 1, 10 * S},
      {"no chapters", &none, 5 * S, 1, -1},
      {"no chapters, previous", &none, 5 * S, -1, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChapterTarget(c.position, *c.chapters, c.direction), c.target) << c.name;
}

TEST(Chapters, ListBelongsToItsPlayback) {
  TChapterList list;
  int a = 0, b = 0;
  list.Set(&a, {{"One", 0}, {"Two", 5 * S}});
  EXPECT_EQ(list.Get(&a).size(), 2u);
  EXPECT_TRUE(list.Get(&b).empty()) << "another playback sees none";
  EXPECT_TRUE(list.Get(nullptr).empty()) << "nothing open, none";
  list.Clear(&b);  // a late close of another playback leaves them
  EXPECT_EQ(list.Get(&a).size(), 2u);
  list.Clear(&a);
  EXPECT_TRUE(list.Get(&a).empty());
}

// The player hands the open file's chapters over, and none once it is closed.
TEST(Chapters, PlayerGivesTheOpenFilesChapters) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  p->SetDisableDisplay(true);
  EXPECT_TRUE(p->Chapters().empty()) << "nothing open";
  ASSERT_TRUE(p->Open(test::MediaFile("chapters_metadata.mkv"), 0, true)) << p->LastErrMsg();
  const std::vector<TChapter> c = p->Chapters();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].Title, "Chapter One");
  EXPECT_EQ(c[1].Title, "Chapter Two");
  EXPECT_EQ(c[2].Title, "Chapter Three");
  EXPECT_EQ(c[0].Start, 0);
  EXPECT_EQ(c[1].Start, 3 * S / 2);
  EXPECT_EQ(c[2].Start, 3 * S);
  p->Stop(true);
  EXPECT_TRUE(p->Chapters().empty()) << "closed";
  ASSERT_TRUE(p->Open(test::MediaFile("audio_flac.flac"), 0, true)) << p->LastErrMsg();
  EXPECT_TRUE(p->Chapters().empty()) << "a file without chapters";
  p->Stop(true);
}

}  // namespace
}  // namespace zv
