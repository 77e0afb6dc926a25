#include "engine/clocks.h"

#include <gtest/gtest.h>

#include <memory>

namespace zv {
namespace {

int64_t gFakeNow = 0;
int64_t FakeNow() { return gFakeNow; }

struct StateDeleter {
  void operator()(TMediaState* s) const { FreeMediaState(s); }
};
using StatePtr = std::unique_ptr<TMediaState, StateDeleter>;

class ClocksTest : public ::testing::Test {
protected:
  void SetUp() override {
    gFakeNow = 100'000'000;  // 100 s
    SetClockSource(FakeNow);
    playback.reset(NewMediaState());
    ASSERT_NE(playback, nullptr);
  }
  void TearDown() override { SetClockSource(nullptr); }
  void GiveAudio(int rate, int channels) {
    playback->AudioStream = &audioStream;
    SDL_AudioSpec granted{};
    granted.freq = rate;
    granted.channels = static_cast<Uint8>(channels);
    playback->AudioOut.Attach(0, granted);
  }
  // Video clock reads v at the fake now.
  void SetVideoClock(double v) {
    playback->VideoCurrentPts = v;
    playback->VideoCurrentPtsDrift = v - ClockSeconds();
  }
  StatePtr playback;
  AVStream audioStream{};
};

TEST_F(ClocksTest, AudioClockSubtractsWhatTheCurrentChunkStillHolds) {
  struct Case { bool audio; int size, index; double expected; } cases[] = {
      {true, 17640, 0, 9.9},        // 0.1 s of 44.1 kHz stereo still waiting
      {true, 17640, 8820, 9.95},
      {true, 17640, 17640, 10.0},   // chunk used up
      {false, 17640, 0, 10.0},      // no audio stream: the plain value
  };
  for (const auto& c : cases) {
    playback->AudioStream = nullptr;
    if (c.audio) GiveAudio(44100, 2);
    playback->AudioClock.SetPts(10.0);
    playback->AudioClock.SetChunk(c.size, c.index);
    EXPECT_NEAR(GetAudioClock(playback.get()), c.expected, 1e-9) << c.size << "/" << c.index;
  }
}

// Between the device's callbacks the clock moves on with the monotonic time
// over the span the last callback played, and stops at its end.
TEST_F(ClocksTest, AudioClockIsALineThroughTheCallbacks) {
  GiveAudio(48000, 2);
  playback->AudioClock.SetPts(10.0);
  const int64_t callbackTime = gFakeNow;
  playback->AudioClock.PublishCallback(callbackTime, 0.02);
  struct Case { int64_t afterMicros; double expected; } cases[] = {
      {0, 9.98}, {5000, 9.985}, {20000, 10.0}, {45000, 10.0}};
  for (const auto& c : cases) {
    gFakeNow = callbackTime + c.afterMicros;
    EXPECT_NEAR(GetAudioClock(playback.get()), c.expected, 1e-9) << c.afterMicros;
    EXPECT_NEAR(GetAudioClock(playback.get(), false), 10.0, 1e-9) << "the steps themselves";
  }
  playback->Paused = 1;
  gFakeNow = callbackTime;
  EXPECT_NEAR(GetAudioClock(playback.get()), 10.0, 1e-9) << "paused: the clock stands where the sound stopped";
  playback->Paused = 0;
  playback->AudioClock.PublishCallback(callbackTime, 0);
  EXPECT_NEAR(GetAudioClock(playback.get()), 10.0, 1e-9) << "a callback that played silence moves nothing";
}

TEST_F(ClocksTest, VideoClockFollowsTheShownPictureAndItsDrift) {
  playback->StartTime = 1'400'000;
  EXPECT_DOUBLE_EQ(GetVideoClock(playback.get()), 1.4) << "nothing shown yet: the start time";
  SetVideoClock(3.0);
  gFakeNow += 500'000;
  EXPECT_NEAR(GetVideoClock(playback.get()), 3.5, 1e-9) << "runs on with the monotonic time";
  playback->Paused = 1;
  EXPECT_DOUBLE_EQ(GetVideoClock(playback.get()), 3.0) << "paused: the picture on screen";
}

TEST_F(ClocksTest, MasterIsAudioWhenThereIsAudio) {
  SetVideoClock(7.0);
  playback->AudioClock.SetPts(2.0);
  EXPECT_NEAR(GetMasterClock(playback.get()), 7.0, 1e-9);
  GiveAudio(48000, 2);
  EXPECT_NEAR(GetMasterClock(playback.get()), 2.0, 1e-9);
}

TEST_F(ClocksTest, ResumeMovesThePicturesScheduleByThePause) {
  // Picture with pts 5 shown at 97 s, paused since, resumed at 100 s.
  playback->Paused = 1;
  playback->VideoCurrentPts = 5.0;
  playback->VideoCurrentPtsDrift = 5.0 - 97.0;
  playback->Schedule.Restart(98.0, 5.0, 0.04);
  TogglePauseWith(playback.get(), {});
  EXPECT_EQ(playback->Paused, 0);
  EXPECT_NEAR(playback->Schedule.Timer(), 101.0, 1e-9);
  EXPECT_NEAR(playback->VideoCurrentPts, 8.0, 1e-9);
  EXPECT_NEAR(playback->VideoCurrentPtsDrift, 8.0 - 100.0, 1e-9);

  // An input that cannot pause keeps the picture's pts.
  playback->Paused = 1;
  playback->ReadPauseReturn = AVERROR(ENOSYS);
  playback->VideoCurrentPts = 5.0;
  playback->VideoCurrentPtsDrift = 5.0 - 97.0;
  TogglePauseWith(playback.get(), {});
  EXPECT_NEAR(playback->VideoCurrentPts, 5.0, 1e-9);
  EXPECT_NEAR(playback->VideoCurrentPtsDrift, 5.0 - 100.0, 1e-9);
}

TEST_F(ClocksTest, PauseWaitsForAPictureOnlyWithVideoAndStopsWhenTheFileClosed) {
  int seekWaits = 0, pictureWaits = 0;
  bool open = true;
  TPauseWaits waits{[&] { ++seekWaits; }, [&] { ++pictureWaits; open = false; }, [&] { return open; }};
  playback->VideoStreamIndex = -1;
  TogglePauseWith(playback.get(), waits);
  EXPECT_EQ(playback->Paused, 1);
  EXPECT_EQ(seekWaits, 1);
  EXPECT_EQ(pictureWaits, 0);

  playback->Paused = 0;
  playback->VideoStreamIndex = 0;
  TogglePauseWith(playback.get(), waits);
  EXPECT_EQ(pictureWaits, 1);
  EXPECT_EQ(playback->Paused, 0) << "the file closed while waiting: nothing changes";
}

}  // namespace
}  // namespace zv
