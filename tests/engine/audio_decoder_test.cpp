#include "engine/audio_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../../tools/fixture_list.h"
#include "engine/audio_test_support.h"
#include "support/test_support.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;

class AudioDecoderTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    if (!test::LoadPlayerLibraries(&err)) GTEST_FAIL() << err;
  }
};

// Power of one channel at a frequency (Goertzel).
double ChannelPower(const std::vector<int16_t>& s, int channels, int channel, double freq, int rate) {
  double k = 2 * std::cos(2 * M_PI * freq / rate), s1 = 0, s2 = 0;
  for (size_t i = channel; i < s.size(); i += channels) {
    double s0 = s[i] / 32768.0 + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - k * s1 * s2;
}

TEST_F(AudioDecoderTest, LosslessFilesGiveTheirExactSamples) {
  for (std::string_view name : {fx::kAudioWav, fx::kAudioFlac}) {
    SCOPED_TRACE(std::string(name));
    test::AudioRig rig;
    std::string err;
    ASSERT_TRUE(rig.OpenFile(test::MediaFile(std::string(name)), &err)) << err;
    int maxChunk = 0;
    std::vector<int16_t> out = rig.DecodeAll(&maxChunk);
    const int rate = 44100;
    ASSERT_EQ(rig.playback->AudioOut.Channels(), 2);
    ASSERT_EQ(out.size(), size_t(4 * rate * 2));
    size_t mismatches = 0;
    for (size_t i = 0; i < out.size(); ++i)
      if (out[i] != fx::ToneSampleS16(int(i % 2), int64_t(i / 2), rate) && mismatches++ < 5)
        ADD_FAILURE() << "sample " << i << ": " << out[i];
    EXPECT_EQ(mismatches, 0u);
    EXPECT_LE(maxChunk, AudioBufSizeBytes);
    EXPECT_NEAR(rig.playback->AudioClock.Pts(), 4.0, 0.001) << "the clock ends at the last chunk's end";
  }
}

TEST_F(AudioDecoderTest, SurroundIsMixedDownToStereo) {
  test::AudioRig rig;
  std::string err;
  ASSERT_TRUE(rig.OpenFile(test::MediaFile(std::string(fx::kAudioAac51)), &err)) << err;
  ASSERT_EQ(rig.ctx->ch_layout.nb_channels, 6);
  EXPECT_EQ(rig.playback->AudioOut.Channels(), 2);
  std::vector<int16_t> out = rig.DecodeAll();
  const int rate = 48000;
  EXPECT_NEAR(double(out.size()) / 2 / rate, 4.0, 0.05);
  // Front left (440 Hz) only on the left, front right (660 Hz) only on the right.
  double l440 = ChannelPower(out, 2, 0, 440, rate), l660 = ChannelPower(out, 2, 0, 660, rate);
  double r440 = ChannelPower(out, 2, 1, 440, rate), r660 = ChannelPower(out, 2, 1, 660, rate);
  EXPECT_GT(l440, 100 * l660);
  EXPECT_GT(r660, 100 * r440);
  // The centre (880 Hz) reaches both sides.
  EXPECT_GT(ChannelPower(out, 2, 0, 880, rate), l660 * 100);
  EXPECT_GT(ChannelPower(out, 2, 1, 880, rate), r440 * 100);
}

// One packet far larger than an audio buffer: handed out in pieces that fit,
// in order, with nothing lost. Covers the copy path (S16) and the converter
// path (float input).
TEST_F(AudioDecoderTest, LargeFramesAreSplitIntoChunksThatFit) {
  const int samples = 100000, rate = 44100;
  struct Case { AVCodecID codec; int bytesPerSample; } cases[] = {{AV_CODEC_ID_PCM_S16LE, 2}, {AV_CODEC_ID_PCM_F32LE, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codec);
    std::vector<uint8_t> data(size_t(samples) * 2 * c.bytesPerSample);
    for (int i = 0; i < samples * 2; ++i) {
      int16_t v = int16_t((i * 7) % 20000 - 10000);
      if (c.bytesPerSample == 2) {
        std::memcpy(&data[size_t(i) * 2], &v, 2);
      } else {
        float f = v / 32768.0f;
        std::memcpy(&data[size_t(i) * 4], &f, 4);
      }
    }
    test::AudioRig rig;
    std::string err;
    ASSERT_TRUE(rig.OpenPcm(c.codec, rate, 2, {data}, &err)) << err;
    int maxChunk = 0;
    std::vector<int16_t> out = rig.DecodeAll(&maxChunk);
    ASSERT_EQ(out.size(), size_t(samples) * 2);
    EXPECT_EQ(maxChunk, AudioBufSizeBytes);
    for (int i = 0; i < samples * 2; ++i)
      ASSERT_EQ(out[i], int16_t((i * 7) % 20000 - 10000)) << "sample " << i;
    EXPECT_NEAR(rig.playback->AudioClock.Pts(), double(samples) / rate, 1e-6);
  }
}

TEST_F(AudioDecoderTest, PacketPtsSetsTheClockAndPauseStopsDecoding) {
  test::AudioRig rig;
  std::string err;
  ASSERT_TRUE(rig.OpenFile(test::MediaFile(std::string(fx::kAudioWav)), &err)) << err;
  ASSERT_GT(AudioDecodeFrame(rig.playback), 0);
  double after = rig.playback->AudioClock.Pts();
  EXPECT_GT(after, 0.0);
  rig.playback->Paused = 1;
  EXPECT_EQ(AudioDecodeFrame(rig.playback), -1);
  EXPECT_DOUBLE_EQ(rig.playback->AudioClock.Pts(), after) << "paused: the clock stays";
  rig.playback->Paused = 0;
  EXPECT_GT(AudioDecodeFrame(rig.playback), 0);
}

TEST(AudioChannels, MoreThanTwoBecomeStereo) {
  EXPECT_EQ(WantedAudioChannels(1), 1);
  EXPECT_EQ(WantedAudioChannels(2), 2);
  EXPECT_EQ(WantedAudioChannels(6), 2);
}

}  // namespace
}  // namespace zv
