#include "runtime/base_component.h"

#include <gtest/gtest.h>

#include "runtime/av_headers.h"

namespace zv {
namespace {

TEST(SeekFlagsTest, EachMemberIsTheLibraryFlagOfItsPosition) {
  EXPECT_EQ(SeekFlagsToInt(TSeekFlags{}), 0);
  EXPECT_EQ(SeekFlagsToInt({sfBackward}), AVSEEK_FLAG_BACKWARD);
  EXPECT_EQ(SeekFlagsToInt({sfByte}), AVSEEK_FLAG_BYTE);
  EXPECT_EQ(SeekFlagsToInt({sfAny}), AVSEEK_FLAG_ANY);
  EXPECT_EQ(SeekFlagsToInt({sfFrame}), AVSEEK_FLAG_FRAME);
  EXPECT_EQ(SeekFlagsToInt({sfBackward, sfAny}), AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
  EXPECT_EQ(SeekFlagsToInt({sfBackward, sfByte, sfAny, sfFrame}), 15);
}

TEST(SeekFlagsTest, BitsAboveTheFourMembersAreIgnored) {
  TSeekFlags flags;
  flags.bits = 0xF5;
  EXPECT_EQ(SeekFlagsToInt(flags), 5);
  EXPECT_TRUE(flags.contains(sfAny));
  EXPECT_FALSE(flags.contains(sfByte));
}

class Probe : public TFFBaseComponent {
public:
  Probe() { FVersion = "3.0"; }
};

TEST(BaseComponentTest, StringsStartEmptyAndDescendantsSetTheVersion) {
  TFFBaseComponent base;
  EXPECT_EQ(base.About(), "");
  EXPECT_EQ(base.Version(), "");
  Probe probe;
  EXPECT_EQ(probe.Version(), "3.0");
  probe.SetAbout("about text");
  EXPECT_EQ(probe.About(), "about text");
}

}  // namespace
}  // namespace zv
