// The speed stage keeps the pitch: a 1 kHz tone stays 1 kHz at every speed,
// and the amount of sound is the media time divided by the speed.
#include "filters/tempo_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "filter_test_support.h"

namespace zv {
namespace {

using test::FilterLibTest;

constexpr int kRate = 48000;
constexpr int kChannels = 2;

// Frequency from rising zero crossings of the left channel, inner 80 %.
double ToneFrequency(const std::vector<int16_t>& s) {
  const size_t frames = s.size() / kChannels, from = frames / 10, to = frames - frames / 10;
  size_t first = 0, last = 0;
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i)
    if (s[(i - 1) * kChannels] < 0 && s[i * kChannels] >= 0) {
      if (!crossings) first = i;
      last = i;
      ++crossings;
    }
  return crossings > 1 ? double(crossings - 1) * kRate / double(last - first) : 0;
}

TEST_F(FilterLibTest, TempoStageKeepsThePitchAndScalesTheAmount) {
  const int inputFrames = 4 * kRate;
  std::vector<int16_t> tone(size_t(inputFrames) * kChannels);
  for (int i = 0; i < inputFrames; ++i)
    for (int c = 0; c < kChannels; ++c)
      tone[size_t(i) * kChannels + c] = int16_t(std::lround(12000 * std::sin(2 * M_PI * 1000.0 * i / kRate)));
  for (double speed : {0.25, 0.5, 1.0, 1.1, 2.0, 4.0}) {
    SCOPED_TRACE(speed);
    TTempoStage stage;
    ASSERT_TRUE(stage.Configure(kRate, kChannels, speed)) << stage.LastErrMsg();
    std::vector<int16_t> out;
    // In the device's period-sized pieces.
    for (int at = 0; at < inputFrames; at += 1024)
      ASSERT_TRUE(stage.Process(&tone[size_t(at) * kChannels], std::min(1024, inputFrames - at), out));
    EXPECT_NEAR(ToneFrequency(out), 1000.0, 20.0);
    // Media time out = sound out x speed; what the stage still holds is under
    // a tenth of a second of media.
    EXPECT_NEAR(double(out.size() / kChannels) * speed, double(inputFrames), 0.1 * kRate) << "frames out";
    // Drained, the stage gives out what it held: the whole input's worth.
    ASSERT_TRUE(stage.Drain(out)) << stage.LastErrMsg();
    EXPECT_NEAR(double(out.size() / kChannels) * speed, double(inputFrames), 0.02 * kRate) << "frames drained";
  }
}

TEST(TempoStage, SpeedsOutsideTheRangeAreClamped) {
  const struct {
    double in, out;
  } cases[] = {{0.1, 0.25}, {0.25, 0.25}, {1.5, 1.5}, {4.0, 4.0}, {9.0, 4.0}, {-1, 0.25}, {NAN, 1.0}, {INFINITY, 4.0}};
  for (const auto& c : cases) EXPECT_EQ(ClampSpeed(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace zv
