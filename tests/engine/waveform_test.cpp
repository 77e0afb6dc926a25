#include "engine/waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zv {
namespace {

TEST(Waveform, SteadyToneStartsEveryFrameAtTheSamePhase) {
  const int rate = 44100, width = 640;
  const double freq = 1000;
  std::vector<int16_t> ring(SampleArraySize, 0);
  int64_t written = 0;
  auto play = [&](int n) {
    for (int i = 0; i < n; ++i, ++written)
      ring[written % SampleArraySize] = int16_t(std::lrint(10000 * std::sin(2 * M_PI * freq * written / rate)));
  };
  play(20000);
  double firstPhase = -1;
  for (int frame = 0; frame < 25; ++frame) {
    play(frame % 3 == 0 ? 882 : 1024 + frame);  // uneven callbacks between frames
    TWaveformClock c;
    c.WriteIndex = int(written % SampleArraySize);
    c.Channels = 1;
    c.SampleRate = rate;
    c.Width = width;
    int playIndex = WaveformPlayIndex(c);
    int start = WaveformTriggerIndex(ring.data(), playIndex, 1);
    int64_t back = (c.WriteIndex - start + SampleArraySize) % SampleArraySize;
    double phase = std::fmod((written - back) * freq / rate, 1.0);
    if (firstPhase < 0) firstPhase = phase;
    double d = std::fabs(phase - firstPhase);
    d = std::min(d, 1 - d);
    EXPECT_LT(d, 1.5 * freq / rate) << "frame " << frame;  // within a sample and a half
    EXPECT_LE(back, 2 * width + 1000) << "the start lies near what is heard now";
  }
}

TEST(Waveform, PlayIndexAccountsForUnplayedAndPlayedSound) {
  TWaveformClock c;
  c.WriteIndex = 5000;
  c.Channels = 2;
  c.SampleRate = 48000;
  c.Width = 100;
  c.PendingBytes = 4000;  // 1000 frames not yet handed out
  c.CallbackTime = 1'000'000;
  c.Now = 1'010'000;  // 480 frames played since
  EXPECT_EQ(WaveformPlayIndex(c), 5000 - (1000 - 480 + 200) * 2);
  c.Now = 2'000'000;  // long past: never less than one width back
  EXPECT_EQ(WaveformPlayIndex(c), 5000 - 100 * 2);
  c.WriteIndex = 10;
  EXPECT_EQ(WaveformPlayIndex(c), SampleArraySize + 10 - 200) << "wraps in the ring";
}

class WaveformRender : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(loader.Load("", SDLLibFileName)) << loader.LastErrMsg();
    const TSDLEntryPoints& s = loader.EntryPoints();
    ASSERT_EQ(s.SDL_Init(SDL_INIT_VIDEO), 0) << s.SDL_GetError();
    window = s.SDL_CreateWindow("w", 0, 0, W, H, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << s.SDL_GetError();
    renderer = s.SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    ASSERT_NE(renderer, nullptr) << s.SDL_GetError();
  }
  void TearDown() override {
    const TSDLEntryPoints& s = loader.EntryPoints();
    if (renderer) s.SDL_DestroyRenderer(renderer);
    if (window) s.SDL_DestroyWindow(window);
    if (s.SDL_Quit) s.SDL_Quit();
  }
  std::vector<uint32_t> ReadPixels() {
    std::vector<uint32_t> px(size_t(W) * H);
    EXPECT_EQ(loader.EntryPoints().SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, px.data(), W * 4), 0);
    return px;
  }
  static constexpr int W = 64, H = 120;
  TSDLLoader loader;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
};

TEST_F(WaveformRender, SixChannelsGiveSixBandsAndFiveSeparators) {
  const int channels = 6;
  std::vector<int16_t> ring(SampleArraySize, 0);
  // Channels 0..4 carry a value on even sample frames; channel 5 is silent.
  for (int frame = 0; frame < W; frame += 2)
    for (int ch = 0; ch < 5; ++ch) ring[frame * channels + ch] = int16_t(ch % 2 ? -20000 : 20000);
  TWaveformShapes shapes;
  SDL_Rect area{0, 0, W, H};
  WaveformShapes(ring.data(), 0, channels, area, shapes);
  DrawWaveform(loader.EntryPoints(), renderer, area, shapes);
  std::vector<uint32_t> px = ReadPixels();
  auto white = [&](int x, int y) { return (px[size_t(y) * W + x] & 0xFFFFFF) == 0xFFFFFF; };
  auto black = [&](int x, int y) { return (px[size_t(y) * W + x] & 0xFFFFFF) == 0; };

  int fullRows = 0;
  for (int y = 0; y < H; ++y) {
    bool full = true;
    for (int x = 0; x < W && full; ++x) full = white(x, y);
    if (full) {
      ++fullRows;
      EXPECT_EQ(y % 20, 0) << "separator at row " << y;
      EXPECT_NE(y, 0);
    }
  }
  EXPECT_EQ(fullRows, 5);
  // Band height 20, amplitude scale 9: a value of ±20000 draws 5 pixels from the centre.
  for (int ch = 0; ch < 5; ++ch) {
    int centre = ch * 20 + 10;
    int inside = ch % 2 ? centre - 3 : centre + 3;
    int outside = ch % 2 ? centre - 7 : centre + 7;
    EXPECT_TRUE(white(4, inside)) << "band " << ch;
    EXPECT_TRUE(black(5, inside)) << "band " << ch << ": silent column";
    EXPECT_TRUE(black(4, outside)) << "band " << ch;
  }
  for (int y = 101; y < H; ++y)
    for (int x = 0; x < W; ++x) ASSERT_TRUE(black(x, y)) << "silent band at " << x << "," << y;
}

}  // namespace
}  // namespace zv
