#include "engine/yuv_conversion.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

// What a picture says, or its size when it says nothing, picks the matrix;
// SDL draws the three it has, the RGB upload the rest.
TEST(YuvConversion, MatrixRangeAndSdlModeFollowThePicture) {
  using M = TYuvMatrix;
  const auto none = std::optional<SDL_YUV_CONVERSION_MODE>();
  struct Case {
    AVColorSpace space;
    AVColorRange range;
    int w, h;
    M matrix;
    bool full;
    std::optional<SDL_YUV_CONVERSION_MODE> mode;
  } cases[] = {
      {AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED, 720, 576, M::Bt601, false, SDL_YUV_CONVERSION_BT601},
      {AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, 1280, 720, M::Bt709, false, SDL_YUV_CONVERSION_BT709},
      {AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, 1024, 578, M::Bt709, false, SDL_YUV_CONVERSION_BT709},
      {AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, 1279, 576, M::Bt601, false, SDL_YUV_CONVERSION_BT601},
      {AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_JPEG, 640, 480, M::Bt601, true, SDL_YUV_CONVERSION_JPEG},
      {AVCOL_SPC_SMPTE170M, AVCOL_RANGE_MPEG, 1920, 1080, M::Bt601, false, SDL_YUV_CONVERSION_BT601},
      {AVCOL_SPC_BT470BG, AVCOL_RANGE_JPEG, 1920, 1080, M::Bt601, true, SDL_YUV_CONVERSION_JPEG},
      {AVCOL_SPC_BT709, AVCOL_RANGE_MPEG, 320, 240, M::Bt709, false, SDL_YUV_CONVERSION_BT709},
      {AVCOL_SPC_BT709, AVCOL_RANGE_JPEG, 1920, 1080, M::Bt709, true, none},
      {AVCOL_SPC_BT2020_NCL, AVCOL_RANGE_MPEG, 3840, 2160, M::Bt2020, false, none},
      {AVCOL_SPC_SMPTE240M, AVCOL_RANGE_MPEG, 1920, 1080, M::Smpte240m, false, none},
      {AVCOL_SPC_YCGCO, AVCOL_RANGE_MPEG, 1920, 1080, M::YCgCo, false, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.space << " range " << c.range << " " << c.w << "x" << c.h);
    const TPictureColour colour = PictureColourOf(c.space, c.range, c.w, c.h);
    EXPECT_EQ(colour.Matrix, c.matrix);
    EXPECT_EQ(colour.FullRange, c.full);
    EXPECT_EQ(SdlYuvModeFor(colour), c.mode);
  }
}

}  // namespace
}  // namespace zv
