// Playback speed through the whole player: the sound the disk driver wrote
// keeps its pitch and lasts the media's duration over the speed; the position
// runs at the speed, across seeks and a pause; a new file starts at 1x.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "../../tools/fixture_list.h"
#include "engine/engine_test_util.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;
using Clock = std::chrono::steady_clock;

constexpr int kWavRate = 44100;  // the lossless fixture's

std::vector<int16_t> ReadS16(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<int16_t> s;
  int16_t v;
  while (in.read(reinterpret_cast<char*>(&v), sizeof v)) s.push_back(v);
  return s;
}

// The left channel's frequency: the median distance between rising zero
// crossings (placed between samples), so the second's silent starts and a
// silence chunk of an underrun do not count.
double LeftFrequency(const std::vector<int16_t>& stereo, int rate) {
  std::vector<double> periods;
  double last = -1;
  for (size_t i = 2; i + 1 < stereo.size(); i += 2) {
    const double a = stereo[i - 2], b = stereo[i];
    if (a < 0 && b >= 0 && b - a > 200) {  // a crossing of the tone, not of noise
      const double at = double(i / 2 - 1) + (-a) / (b - a);
      if (last >= 0) periods.push_back(at - last);
      last = at;
    } else if (a == 0 && b == 0) {
      last = -1;
    }
  }
  if (periods.size() < 100) return 0;
  std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
  return rate / periods[periods.size() / 2];
}

// Seconds of sound in 2.5 ms blocks at least half as loud as the tone.
double SoundingSeconds(const std::vector<int16_t>& stereo, int rate) {
  const size_t block = size_t(rate) / 400;
  const double floor = 0.5 * fx::kToneAmplitude * 32767 / std::sqrt(2.0);
  size_t loud = 0;
  for (size_t at = 0; at + 2 * block <= stereo.size(); at += 2 * block) {
    double sum = 0;
    for (size_t i = 0; i < block; ++i) sum += double(stereo[at + 2 * i]) * stereo[at + 2 * i];
    if (std::sqrt(sum / block) > floor) ++loud;
  }
  return double(loud * block) / rate;
}

TEST(PlaybackSpeed, SoundKeepsItsPitchAndLastsTheMediaOverTheSpeed) {
  const double tone = fx::kToneFrequencies[0];
  // Each media second sounds for all but its silent start.
  const double sounding = 4 * (1 - fx::kToneGapSeconds);
  for (double speed : {0.5, 2.0}) {
    SCOPED_TRACE(speed);
    const std::string out = ::testing::TempDir() + "zelvo_speed_" + std::to_string(getpid()) + "_disk.raw";
    {
      auto player = test::MakePlayer();
      ASSERT_NE(player, nullptr);
      test::TRecorder rec;
      rec.Attach(*player);
      setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
      setenv("SDL_DISKAUDIODELAY", "0", 1);
      player->SetAudioDriver(adDisk);
      player->SetVideoDriver(vdDummy);
      player->SetTriggerEventInMainThread(false);
      player->SetDisableDisplay(true);
      // Paused, the device plays silence until the speed is set.
      ASSERT_TRUE(player->Open(test::MediaFile(std::string(fx::kAudioWav)), 0, true)) << player->LastErrMsg();
      EXPECT_EQ(player->SetSpeed(speed), speed);
      player->Resume();
      EXPECT_TRUE(test::WaitUntil([&] { return rec.Count(psEnd) == 1; }, std::chrono::seconds(30)));
      player->Stop(true);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::vector<int16_t> sound = ReadS16(out);
    std::remove(out.c_str());
    const double frequency = LeftFrequency(sound, kWavRate), media = SoundingSeconds(sound, kWavRate) * speed;
    std::fprintf(stderr, "at %.2fx: %.1f Hz, %.3f media s sounding\n", speed, frequency, media);
    EXPECT_NEAR(frequency, tone, 0.02 * tone) << "the pitch is kept";
    EXPECT_NEAR(media, sounding, 0.05 * sounding) << "media seconds per second of sound";
  }
}

// Media seconds the position moves per wall second, over about `seconds`.
double PositionRate(test::TRecorder& rec, double seconds) {
  const int64_t p0 = rec.LastPosition();
  const auto t0 = Clock::now();
  test::WaitUntil([&] { return Clock::now() - t0 >= std::chrono::duration<double>(seconds); },
                  std::chrono::seconds(10));
  const int64_t p1 = rec.LastPosition();
  const double rate = double(p1 - p0) / 1e6 / std::chrono::duration<double>(Clock::now() - t0).count();
  std::fprintf(stderr, "position rate %.3f\n", rate);
  return rate;
}

// Paced: the suite's thread-checker run leaves out "*RealtimePlayback*".
TEST(RealtimePlaybackSpeed, PositionRunsAtTheSpeedAcrossSeekAndPauseAndANewFileStartsAt1x) {
  auto p = test::MakePlayer();
  ASSERT_NE(p, nullptr);
  test::TRecorder rec;
  rec.Attach(*p);
  test::UsePacedAudio(*p);
  p->SetTriggerEventInMainThread(false);
  ASSERT_TRUE(p->Open(test::MediaFile(std::string(fx::kSync60s)), 0, true)) << p->LastErrMsg();
  EXPECT_EQ(p->Speed(), 1.0);
  p->SetSpeed(2.0);
  // At once: before the first picture is shown.
  p->Resume();
  ASSERT_TRUE(test::WaitUntil([&] { return rec.LastPosition() > 500000; }, std::chrono::seconds(10)))
      << rec.LastPosition() << " paused " << p->IsPaused();
  // Position events come every picture (25 a media second): a tenth of the rate.
  EXPECT_NEAR(PositionRate(rec, 1.5), 2.0, 0.2) << "playing";

  p->Seek({}, true, 30 * 1000000LL);
  ASSERT_TRUE(test::WaitUntil([&] { return rec.LastPosition() > 30500000; }, std::chrono::seconds(10)));
  EXPECT_EQ(p->Speed(), 2.0);
  EXPECT_NEAR(PositionRate(rec, 1.5), 2.0, 0.2) << "after a seek";

  p->Pause();
  EXPECT_EQ(p->Speed(), 2.0);
  EXPECT_NEAR(PositionRate(rec, 0.3), 0.0, 0.05) << "paused";
  p->Resume();
  const int64_t resumedAt = rec.LastPosition();
  ASSERT_TRUE(test::WaitUntil([&] { return rec.LastPosition() > resumedAt + 300000; }, std::chrono::seconds(10)));
  EXPECT_NEAR(PositionRate(rec, 1.0), 2.0, 0.2) << "after a pause";

  p->SetSpeed(9.0);
  EXPECT_EQ(p->Speed(), MaxSpeed) << "clamped";
  // Without sound the pictures' own clock runs at the speed.
  ASSERT_TRUE(p->Open(test::MediaFile(std::string(fx::kVideoOnlyMp4)), 0, false)) << p->LastErrMsg();
  EXPECT_EQ(p->Speed(), 1.0) << "a new file";
  p->SetSpeed(2.0);
  // The 4 s file's positions, not the last file's.
  ASSERT_TRUE(test::WaitUntil([&] { return rec.LastPosition() > 500000 && rec.LastPosition() < 2000000; },
                              std::chrono::seconds(10)));
  EXPECT_NEAR(PositionRate(rec, 0.8), 2.0, 0.2) << "no sound";
  p->Stop(true);
}

}  // namespace
}  // namespace zv
