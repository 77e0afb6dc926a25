// Streams whose headers say odd things: rates no device plays, pictures one
// pixel wide or high, and odd picture sizes in the frame copy.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/audio_rate.h"
#include "video_test_util.h"

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::WaitUntil;

std::string TempName(const std::string& name) {
  return (fs::temp_directory_path() / ("zelvo_odd_" + std::to_string(::getpid()) + "_" + name)).string();
}

void Put16(std::ofstream& o, uint16_t v) { o.put(char(v & 0xFF)).put(char(v >> 8)); }
void Put32(std::ofstream& o, uint32_t v) { Put16(o, uint16_t(v & 0xFFFF)), Put16(o, uint16_t(v >> 16)); }

// 16-bit mono PCM whose header gives rate Hz.
std::string WriteWav(const std::string& path, uint32_t rate, uint32_t samples) {
  std::ofstream o(path, std::ios::binary | std::ios::trunc);
  o.write("RIFF", 4);
  Put32(o, 36 + samples * 2);
  o.write("WAVEfmt ", 8);
  Put32(o, 16);
  Put16(o, 1);
  Put16(o, 1);
  Put32(o, rate);
  Put32(o, rate * 2);
  Put16(o, 2);
  Put16(o, 16);
  o.write("data", 4);
  Put32(o, samples * 2);
  for (uint32_t i = 0; i < samples; ++i) Put16(o, uint16_t((i * 997) & 0x3FFF));
  return path;
}

// YUV 4:2:0 frames of w x h: luma 200, chroma neutral.
std::string WriteY4m(const std::string& path, int w, int h, int frames) {
  std::ofstream o(path, std::ios::binary | std::ios::trunc);
  o << "YUV4MPEG2 W" << w << " H" << h << " F25:1 Ip A1:1 C420jpeg\n";
  const size_t luma = size_t(w) * h, chroma = size_t((w + 1) / 2) * ((h + 1) / 2);
  for (int f = 0; f < frames; ++f) {
    o << "FRAME\n";
    o << std::string(luma, char(200)) << std::string(2 * chroma, char(128));
  }
  return path;
}

TEST(DeviceRate, OnlySaneRatesReachTheDevice) {
  const std::pair<int, int> cases[] = {{44100, 44100}, {8000, 8000},   {192000, 192000}, {7999, 48000},
                                       {7, 48000},     {1, 48000},     {0, 48000},       {-44100, 48000},
                                       {192001, 48000}, {INT32_MAX, 48000}};
  for (auto [file, device] : cases) EXPECT_EQ(DeviceRateFor(file), device) << file;
}

// A header that says 7 Hz (or 1 Hz) must neither open the device at that rate
// nor keep Stop from finishing.
TEST(OddStreams, AbsurdSampleRatesPlayAndStopAtOnce) {
  for (uint32_t rate : {7u, 1u, 400000u}) {
    SCOPED_TRACE(rate);
    const std::string wav = WriteWav(TempName("rate.wav"), rate, 4000);
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    test::UsePacedAudio(*p);
    ASSERT_TRUE(p->Open(wav, 0, false)) << p->LastErrMsg();
    ASSERT_NE(p->CurStream(), nullptr);
    EXPECT_EQ(p->CurStream()->AudioOut.Rate(), FallbackDeviceRate);
    EXPECT_TRUE(WaitUntil([&] { return p->CurStream() && p->CurStream()->AudioClock.Pts() > 0; }));
    const auto start = std::chrono::steady_clock::now();
    p->Stop(true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    fs::remove(wav);
  }
}

// A slot rounded down to even would be 0 pixels: the playback would end.
TEST(OddStreams, PicturesOnePixelWideOrHighPlay) {
  for (auto [w, h] : {std::pair{1, 16}, std::pair{16, 1}, std::pair{1, 1}, std::pair{7, 5}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const std::string y4m = WriteY4m(TempName("thin.y4m"), w, h, 50);
    auto p = test::MakeVideoPlayer();
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->Open(y4m, 0, false)) << p->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 3; })) << "pictures are shown";
    int64_t pts = -1;
    TBitmap& copy = p->CurrentFrame(pts);
    EXPECT_GE(pts, 0);
    ASSERT_EQ(copy.Width(), w);
    ASSERT_EQ(copy.Height(), h);
    const uint8_t* px = copy.ScanLine(h - 1) + 3 * (w - 1);
    // Light grey (luma 200, neutral chroma) at the picture's last pixel.
    EXPECT_NEAR(px[1], 207, 12);
    EXPECT_NEAR(px[0], px[1], 3);
    EXPECT_NEAR(px[2], px[1], 3);
    p->Stop(true);
    fs::remove(y4m);
  }
}

}  // namespace
}  // namespace zv
