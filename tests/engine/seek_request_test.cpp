#include "engine/seek_request.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(SeekRequest, OneAtATimeAndTheReaderTakesItWhole) {
  TSeekRequest seek;
  TSeekRequest::TTarget taken;
  EXPECT_FALSE(seek.Take(taken));
  EXPECT_EQ(seek.Post({5000000, -1, 2, 1}, false), 1);
  EXPECT_EQ(seek.Post({9000000, 1, 0, 2}, false), 1) << "refused while one is pending: the pending one's generation";
  ASSERT_TRUE(seek.Take(taken));
  EXPECT_EQ(taken.Pos, 5000000);
  EXPECT_EQ(taken.Rel, -1);
  EXPECT_EQ(taken.Flags, 2);
  EXPECT_TRUE(seek.Pending()) << "taking it is not carrying it out";
  seek.Done();
  EXPECT_FALSE(seek.Pending());
  EXPECT_EQ(seek.Post({9000000, 1, 0, 2}, false), 2);
  EXPECT_EQ(seek.Last().Pos, 9000000);
}

TEST(SeekRequest, APictureOfAnOlderSeekLeavesTheNewerOnesMarkInPause) {
  TSeekRequest seek;
  seek.Post({1, 0, 0, 1}, true);
  seek.Done();
  seek.Post({2, 0, 0, 2}, true);
  ASSERT_TRUE(seek.PictureAwaitedInPause());
  seek.PictureCame(1);
  EXPECT_TRUE(seek.PictureAwaitedInPause()) << "the first seek's picture says nothing of the second";
  seek.PictureCame(2);
  EXPECT_FALSE(seek.PictureAwaitedInPause());
  seek.Done();
  seek.Post({3, 0, 0, 3}, false);
  EXPECT_FALSE(seek.PictureAwaitedInPause()) << "asked while playing: nothing awaited";
}

}  // namespace
}  // namespace zv
