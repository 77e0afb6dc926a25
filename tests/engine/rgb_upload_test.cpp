#include "engine/rgb_upload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine_test_util.h"
#include "runtime/entry_points.h"

namespace zv {
namespace {

// A software renderer on a hidden window, as the player gets from the dummy
// video driver.
class RgbUpload : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
    ASSERT_TRUE(loader.Load("", SDLLibFileName)) << loader.LastErrMsg();
    ASSERT_EQ(sdl().SDL_Init(SDL_INIT_VIDEO), 0) << sdl().SDL_GetError();
    window = sdl().SDL_CreateWindow("w", 0, 0, W, H, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << sdl().SDL_GetError();
    renderer = sdl().SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    ASSERT_NE(renderer, nullptr) << sdl().SDL_GetError();
  }
  void TearDown() override {
    if (renderer) sdl().SDL_DestroyRenderer(renderer);
    if (window) sdl().SDL_DestroyWindow(window);
    if (sdl().SDL_Quit) sdl().SDL_Quit();
  }
  const TSDLEntryPoints& sdl() const { return loader.EntryPoints(); }

  // Draws the frame at the top left through the texture format given and
  // reads back its w x h pixels as 0xAARRGGBB; empty on failure.
  std::vector<uint32_t> Draw(const AVFrame* f, Uint32 format) {
    const int w = f->width, h = f->height;
    TRgbUpload upload;
    const bool rgb = format != SDL_PIXELFORMAT_IYUV;
    SDL_Texture* t = sdl().SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING,
                                             rgb ? RgbTextureWidth(w) : w, h);
    if (!t) return {};
    sdl().SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
    bool ok = rgb ? upload.Prepare(format, w, h) && upload.Upload(sdl(), t, f)
                  : sdl().SDL_UpdateYUVTexture(t, nullptr, f->data[0], f->linesize[0], f->data[1], f->linesize[1],
                                               f->data[2], f->linesize[2]) == 0;
    std::vector<uint32_t> px(size_t(w) * h);
    const SDL_Rect r{0, 0, w, h};
    ok = ok && sdl().SDL_RenderClear(renderer) == 0 && sdl().SDL_RenderCopy(renderer, t, &r, &r) == 0 &&
         sdl().SDL_RenderReadPixels(renderer, &r, SDL_PIXELFORMAT_ARGB8888, px.data(), w * 4) == 0;
    sdl().SDL_DestroyTexture(t);
    return ok ? px : std::vector<uint32_t>{};
  }

  static constexpr int W = 1280, H = 720;
  TSDLLoader loader;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
};

// A YUV 4:2:0 frame of w x h: sharp luma ramps, so a pixel out of place
// shows, and smooth colour waves (or grey).
AVFramePtr PatternFrame(int w, int h, bool grey = false) {
  AVFramePtr f(ff::av_frame_alloc());
  f->format = AV_PIX_FMT_YUV420P;
  f->width = w;
  f->height = h;
  if (ff::av_frame_get_buffer(f.get(), 0) < 0) return nullptr;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t(16 + (x * 7 + y * 3) % 220);
  for (int y = 0; y < (h + 1) / 2; ++y)
    for (int x = 0; x < (w + 1) / 2; ++x) {
      f->data[1][y * f->linesize[1] + x] = grey ? 128 : uint8_t(std::lrint(128 + 80 * std::sin(x / 23.0 + y / 41.0)));
      f->data[2][y * f->linesize[2] + x] = grey ? 128 : uint8_t(std::lrint(128 + 80 * std::cos(x / 29.0 - y / 31.0)));
    }
  return f;
}

int WorstChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int w, int h, int stride) {
  int worst = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int shift : {0, 8, 16}) {
        const int ca = int(a[size_t(y) * w + x] >> shift & 0xFF);
        const int cb = int(b[size_t(y) * stride + x] >> shift & 0xFF);
        worst = std::max(worst, std::abs(ca - cb));
      }
  return worst;
}

TEST_F(RgbUpload, SoftwareRendererGetsAnRgbFormatTheUploadWrites) {
  const Uint32 format = PictureTextureFormat(sdl(), renderer, window);
  EXPECT_NE(format, Uint32(SDL_PIXELFORMAT_IYUV));
  TRgbUpload upload;
  EXPECT_TRUE(upload.Prepare(format, 320, 240));
  EXPECT_FALSE(upload.Prepare(SDL_PIXELFORMAT_RGB565, 320, 240)) << "a format it cannot write";
  EXPECT_FALSE(upload.Prepare(format, 0, 240));
}

// The pictures match what SDL shows for the same pattern through a YUV
// texture, up to the rounding of the two converters, at every size and up to
// the last column and row. SDL's own conversion is the reference at one size
// only: it goes wrong on pictures a few pixels wide.
TEST_F(RgbUpload, ShowsWhatTheYuvTextureShows) {
  const Uint32 format = PictureTextureFormat(sdl(), renderer, window);
  AVFramePtr reference = PatternFrame(W, H), greyReference = PatternFrame(W, H, true);
  ASSERT_TRUE(reference && greyReference);
  // SDL's default matrix, said outright: an untagged picture this size is HD.
  reference->colorspace = greyReference->colorspace = AVCOL_SPC_BT470BG;
  const std::vector<uint32_t> want = Draw(reference.get(), SDL_PIXELFORMAT_IYUV);
  const std::vector<uint32_t> wantGrey = Draw(greyReference.get(), SDL_PIXELFORMAT_IYUV);
  ASSERT_FALSE(want.empty() || wantGrey.empty());
  // Grey shows every pixel's place exactly. An odd width leaves swscale's
  // direct path: its scaler takes the colour of odd columns from the next
  // colour sample, half a pixel over, where SDL repeats the one before.
  struct Case {
    int w, h, colourTolerance;
  } cases[] = {{W, H, 4}, {320, 240, 4}, {641, 361, 16}, {33, 7, 16}, {2, 2, 4}, {319, 1, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    AVFramePtr frame = PatternFrame(c.w, c.h), grey = PatternFrame(c.w, c.h, true);
    ASSERT_TRUE(frame && grey);
    frame->colorspace = grey->colorspace = AVCOL_SPC_BT470BG;
    const std::vector<uint32_t> got = Draw(frame.get(), format), gotGrey = Draw(grey.get(), format);
    ASSERT_FALSE(got.empty() || gotGrey.empty());
    EXPECT_LE(WorstChannelDifference(gotGrey, wantGrey, c.w, c.h, W), 3);
    EXPECT_LE(WorstChannelDifference(got, want, c.w, c.h, W), c.colourTolerance);
  }
  // A picture that names its matrix is shown in it; an HD one that does not
  // is BT.709.
  reference->colorspace = AVCOL_SPC_BT709;
  const std::vector<uint32_t> hd = Draw(reference.get(), format);
  ASSERT_FALSE(hd.empty());
  EXPECT_GT(WorstChannelDifference(hd, want, W, H, W), 20);
  reference->colorspace = AVCOL_SPC_UNSPECIFIED;
  const std::vector<uint32_t> untagged = Draw(reference.get(), format);
  ASSERT_FALSE(untagged.empty());
  EXPECT_EQ(WorstChannelDifference(untagged, hd, W, H, W), 0);
}

TEST_F(RgbUpload, FullRangePicturesKeepTheirBlackAndWhite) {
  const Uint32 format = PictureTextureFormat(sdl(), renderer, window);
  AVFramePtr f = PatternFrame(64, 16);
  ASSERT_TRUE(f);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 64; ++x) f->data[0][y * f->linesize[0] + x] = x < 32 ? 0 : 255;
  for (int p : {1, 2})
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 32; ++x) f->data[p][y * f->linesize[p] + x] = 128;
  f->color_range = AVCOL_RANGE_JPEG;
  std::vector<uint32_t> px = Draw(f.get(), format);
  ASSERT_FALSE(px.empty());
  EXPECT_EQ(px[5] & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(px[40] & 0xFFFFFF, 0xFFFFFFu);
  // The same values in video range are clipped at both ends too, through a
  // matrix that maps 16..235 onto 0..255: a limited frame of 16 is black.
  f->color_range = AVCOL_RANGE_MPEG;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) f->data[0][y * f->linesize[0] + x] = 16;
  px = Draw(f.get(), format);
  ASSERT_FALSE(px.empty());
  EXPECT_EQ(px[5] & 0xFFFFFF, 0x000000u);
  // ... while a full-range 16 stays a dark grey.
  f->color_range = AVCOL_RANGE_JPEG;
  px = Draw(f.get(), format);
  ASSERT_FALSE(px.empty());
  EXPECT_NEAR(int(px[5] & 0xFF), 16, 2);
}

}  // namespace
}  // namespace zv

namespace zv {
namespace {

// YCgCo (which swscale has no table for) comes out in its own colours, in
// both ranges: solid 16x16 patches of known RGB, coded as an encoder does.
TEST_F(RgbUpload, YCgCoPicturesShowTheirOwnColours) {
  const Uint32 format = PictureTextureFormat(sdl(), renderer, window);
  const uint8_t colours[][3] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                                {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {230, 120, 40}};
  const int n = int(std::size(colours)), side = 16;
  for (const bool full : {false, true}) {
    SCOPED_TRACE(full ? "full range" : "limited range");
    AVFramePtr f(ff::av_frame_alloc());
    f->format = AV_PIX_FMT_YUV420P;
    f->width = n * side;
    f->height = side;
    f->colorspace = AVCOL_SPC_YCGCO;
    f->color_range = full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    ASSERT_GE(ff::av_frame_get_buffer(f.get(), 0), 0);
    auto code = [&](double v, bool chroma) {
      const double s = full ? 1.0 : chroma ? 224.0 / 255 : 219.0 / 255;
      return uint8_t(std::lrint(std::clamp((chroma ? 128 : full ? 0 : 16) + v * s, 0.0, 255.0)));
    };
    for (int i = 0; i < n; ++i) {
      const double r = colours[i][0], g = colours[i][1], b = colours[i][2];
      const uint8_t Y = code(r / 4 + g / 2 + b / 4, false), Cg = code(-r / 4 + g / 2 - b / 4, true),
                    Co = code(r / 2 - b / 2, true);
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) f->data[0][y * f->linesize[0] + i * side + x] = Y;
      for (int y = 0; y < side / 2; ++y)
        for (int x = 0; x < side / 2; ++x) {
          f->data[1][y * f->linesize[1] + i * side / 2 + x] = Cg;
          f->data[2][y * f->linesize[2] + i * side / 2 + x] = Co;
        }
    }
    const std::vector<uint32_t> px = Draw(f.get(), format);
    ASSERT_FALSE(px.empty());
    for (int i = 0; i < n; ++i) {
      const uint32_t p = px[size_t(side / 2) * f->width + i * side + side / 2];
      EXPECT_NEAR(int(p >> 16 & 0xFF), colours[i][0], 3) << "patch " << i;
      EXPECT_NEAR(int(p >> 8 & 0xFF), colours[i][1], 3) << "patch " << i;
      EXPECT_NEAR(int(p & 0xFF), colours[i][2], 3) << "patch " << i;
    }
  }
}

}  // namespace
}  // namespace zv
