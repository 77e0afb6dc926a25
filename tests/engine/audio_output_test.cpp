#include "engine/audio_output.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/audio_test_support.h"
#include "engine/clocks.h"
#include "support/test_support.h"

namespace zv {
namespace {

class AudioOutputTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    if (!test::LoadPlayerLibraries(&err)) GTEST_FAIL() << err;
    ASSERT_TRUE(sdl.Load("", SDLLibFileName)) << sdl.LastErrMsg();
  }
  // A stereo S16 source whose samples are known: i-th value (i * 37) % 30000 - 15000.
  static std::vector<uint8_t> Source(int samples) {
    std::vector<uint8_t> d(size_t(samples) * 4);
    for (int i = 0; i < samples * 2; ++i) {
      int16_t v = Value(i);
      std::memcpy(&d[size_t(i) * 2], &v, 2);
    }
    return d;
  }
  static int16_t Value(int i) { return int16_t((i * 37) % 30000 - 15000); }
  TSDLLoader sdl;
};

TEST_F(AudioOutputTest, VolumeAndMuteShapeTheDeviceBuffer) {
  struct Case { int volume; bool mute; int divisor; } cases[] = {
      {128, false, 1}, {64, false, 2}, {0, false, 0}, {128, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "volume " << c.volume << " mute " << c.mute);
    test::AudioRig rig;
    std::string err;
    ASSERT_TRUE(rig.OpenPcm(AV_CODEC_ID_PCM_S16LE, 44100, 2, {Source(2048), Source(2048)}, &err)) << err;
    std::vector<uint8_t> device(4096 * 2, 0xAB);  // SDL2 leaves old bytes in it
    FillAudioBuffer(rig.playback, sdl.EntryPoints(), device.data(), int(device.size()), c.volume, c.mute);
    const int16_t* out = reinterpret_cast<const int16_t*>(device.data());
    for (int i = 0; i < 4096; ++i) {
      int expected = c.divisor ? Value(i % 4096) / c.divisor : 0;
      ASSERT_EQ(out[i], expected) << "sample " << i;
    }
    EXPECT_NEAR(GetAudioClock(rig.playback, false), 2048.0 / 44100, 1e-9) << "the clock runs whatever the volume";
    // Read as a line, the clock starts the span the device was just given.
    EXPECT_NEAR(rig.playback->AudioClock.Read().CallbackSpan, 2048.0 / 44100, 1e-9);
    EXPECT_LE(GetAudioClock(rig.playback), 2048.0 / 44100 + 1e-9);
  }
}

TEST_F(AudioOutputTest, NothingToDecodePlaysSilenceAndTheClockStays) {
  test::AudioRig rig;
  std::string err;
  ASSERT_TRUE(rig.OpenPcm(AV_CODEC_ID_PCM_S16LE, 44100, 2, {}, &err)) << err;
  rig.playback->AudioClock.SetPts(3.0);
  std::vector<uint8_t> device(4096, 0x55);
  FillAudioBuffer(rig.playback, sdl.EntryPoints(), device.data(), int(device.size()), 128, false);
  for (uint8_t b : device) ASSERT_EQ(b, 0);
  EXPECT_EQ(rig.playback->AudioClock.ChunkSize(), SilenceChunkBytes);
  EXPECT_DOUBLE_EQ(rig.playback->AudioClock.Pts(), 3.0);
}

TEST_F(AudioOutputTest, AbortedQueueEndsTheCallbackWithSilence) {
  test::AudioRig rig;
  std::string err;
  ASSERT_TRUE(rig.OpenPcm(AV_CODEC_ID_PCM_S16LE, 44100, 2, {Source(2048)}, &err)) << err;
  PacketQueueAbort(rig.playback->AudioQueue);
  std::vector<uint8_t> device(4096, 0x55);
  FillAudioBuffer(rig.playback, sdl.EntryPoints(), device.data(), int(device.size()), 128, false);
  for (uint8_t b : device) ASSERT_EQ(b, 0);
}

TEST_F(AudioOutputTest, WaveformRingGetsThePlayedSamplesWhenShown) {
  test::AudioRig rig;
  std::string err;
  ASSERT_TRUE(rig.OpenPcm(AV_CODEC_ID_PCM_S16LE, 44100, 2, {Source(256)}, &err)) << err;
  rig.playback->AudioOut.SetShowWaveform(true);
  std::vector<uint8_t> device(1024);
  FillAudioBuffer(rig.playback, sdl.EntryPoints(), device.data(), int(device.size()), 0, true);
  rig.playback->AudioOut.VisitRing([](const int16_t* ring, int writeIndex, int&) {
    EXPECT_EQ(writeIndex, 512);
    EXPECT_EQ(ring[511], Value(511)) << "muted output still feeds the display";
  });
}

TEST(SampleDisplay, RingWrapsAround) {
  auto out = std::make_unique<TAudioOutput>();
  std::vector<int16_t> before(SampleArraySize - 3, 0);
  out->PushSamples(before.data(), int(before.size() * sizeof(int16_t)));
  int16_t s[5] = {1, 2, 3, 4, 5};
  out->PushSamples(s, sizeof s + 1);  // an odd byte is not a sample
  out->VisitRing([](const int16_t* ring, int writeIndex, int&) {
    EXPECT_EQ(writeIndex, 2);
    EXPECT_EQ(ring[SampleArraySize - 1], 3);
    EXPECT_EQ(ring[0], 4);
    EXPECT_EQ(ring[1], 5);
  });
}

}  // namespace
}  // namespace zv
