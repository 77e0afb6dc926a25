#include "runtime/orientation.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

// Display matrices as the demuxer gives them (16.16 fixed point; a display
// pixel is (a x + c y, b x + d y)), with the turn, the filters and the text.
TEST(Orientation, MatrixGivesTurnFilterAndText) {
  constexpr int32_t one = 1 << 16;
  struct Case {
    int32_t a, b, c, d;
    int rotation;
    bool hflip;
    const char* filter;
    const char* text;
  } cases[] = {
      {one, 0, 0, one, 0, false, "", ""},
      {0, one, -one, 0, 90, false, "transpose=clock", "90\xC2\xB0"},
      {-one, 0, 0, -one, 180, false, "hflip,vflip", "180\xC2\xB0"},
      {0, -one, one, 0, 270, false, "transpose=cclock", "270\xC2\xB0"},
      {-one, 0, 0, one, 0, true, "hflip", "0\xC2\xB0 flipped"},
      {0, one, one, 0, 90, true, "transpose=cclock_flip", "90\xC2\xB0 flipped"},
      {one, 0, 0, -one, 180, true, "vflip", "180\xC2\xB0 flipped"},
      {0, -one, -one, 0, 270, true, "transpose=clock_flip", "270\xC2\xB0 flipped"},
      // Not quite a quarter turn: the nearest one.
      {3000, one - 10, -one + 10, 3000, 90, false, "transpose=clock", "90\xC2\xB0"},
      {0, 0, 0, 0, 0, false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b << " " << c.c << " " << c.d);
    const int32_t m[9] = {c.a, c.b, 0, c.c, c.d, 0, 0, 0, 1 << 30};
    const TOrientation o = OrientationOf(m);
    EXPECT_EQ(o.Rotation, c.rotation);
    EXPECT_EQ(o.HFlip, c.hflip);
    EXPECT_EQ(OrientationFilter(o), c.filter);
    EXPECT_EQ(OrientationText(o), c.text);
  }
  EXPECT_EQ(OrientationOf(nullptr), TOrientation{});
}

}  // namespace
}  // namespace zv
