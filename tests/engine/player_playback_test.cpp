// Playing audio files end to end: states, positions, pause, seek, stop.
#include <chrono>
#include <cstdlib>

#include "engine_test_util.h"

namespace zv {
namespace {

using test::MediaFile;
using test::UseFastDiskAudio;
using test::UsePacedAudio;
using test::WaitUntil;
using namespace std::chrono_literals;

TEST(PlayerPlayback, AudioFixturesPlayToTheEndAndStop) {
  for (const char* name : {"audio_mp3.mp3", "audio_flac.flac", "audio_pcm_s16.wav", "audio_vorbis.ogg",
                           "audio_aac_5_1.m4a"}) {
    SCOPED_TRACE(name);
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UseFastDiskAudio(*p, "playback");
    test::TRecorder rec;
    rec.Attach(*p);
    int64_t duration = 0;
    int frameW = 0;
    p->SetOnFileOpen([&](TFFBaseComponent*, int64_t d, int w, int, int&, int&) {
      duration = d;
      frameW = w;
    });
    ASSERT_TRUE(p->Open(MediaFile(name), 0, false)) << p->LastErrMsg();
    EXPECT_NEAR(double(duration), 4e6, 0.1e6);
    EXPECT_EQ(frameW, -1);
    EXPECT_TRUE(p->CurStream()->AudioOut.ShowsWaveform());
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psEnd) == 1; }, 20s));
    EXPECT_NEAR(double(rec.LastPosition()), double(duration), 0.1e6);
    p->Stop(true);
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psStop) == 1; }));
    EXPECT_EQ(rec.StatesCopy(), (std::vector<TPlayState>{psPlay, psEnd, psStop}));
    EXPECT_EQ(p->CurStream(), nullptr);
  }
}

TEST(PlayerPlayback, PositionsFollowTheClockInRealTime) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  test::TRecorder rec;
  rec.Attach(*p);
  ASSERT_TRUE(p->Open(MediaFile("audio_flac.flac"), 0, false)) << p->LastErrMsg();
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitUntil([&] { return rec.LastPosition() >= 1000000; }));
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(elapsed, 0.7);  // not faster than real time
  EXPECT_LT(elapsed, 3.0);
  p->Stop(true);
}

TEST(PlayerPlayback, PauseTwiceReportsOnceResumeWithoutPauseDoesNothing) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  test::TRecorder rec;
  rec.Attach(*p);
  ASSERT_TRUE(p->Open(MediaFile("audio_flac.flac"), 0, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psPlay) == 1; }));
  EXPECT_FALSE(p->IsPaused());
  p->Resume();
  p->Pause();
  p->Pause();
  EXPECT_TRUE(p->IsPaused());
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psPause) == 1; }));
  p->Resume();
  EXPECT_FALSE(p->IsPaused());
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psResume) == 1; }));
  p->Stop(true);
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psStop) == 1; }));
  EXPECT_EQ(rec.StatesCopy(), (std::vector<TPlayState>{psPlay, psPause, psResume, psStop}));
}

TEST(PlayerSeek, RequestWhileOneIsPendingIsDropped) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  ASSERT_TRUE(p->Open(MediaFile("audio_flac.flac"), 0, true)) << p->LastErrMsg();
  TMediaState* playback = p->CurStream();
  p->Seek({}, false, 1000000);
  if (!playback->Seek.Pending()) GTEST_SKIP() << "the reader carried out the first seek at once";
  // Dropped, also when asked to wait: it returns at once without waiting.
  p->Seek({}, true, 3000000);
  EXPECT_EQ(playback->Seek.Last().Pos, 1000000);
  ASSERT_TRUE(WaitUntil([&] { return !playback->Seek.Pending(); }));
  p->Seek({}, true, 2000000);
  EXPECT_EQ(playback->Seek.Last().Pos, 2000000);
  EXPECT_EQ(playback->Seek.Pending(), false) << "carried out before the wait returned";
  p->Stop(true);
}

TEST(PlayerSeek, TargetsOnAFileWithAStartTime) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  test::TLogCapture log;
  ASSERT_TRUE(p->Open(MediaFile("ts_start_1_4_two_programs.ts"), 0, true)) << p->LastErrMsg();
  TMediaState* playback = p->CurStream();
  const int64_t start = playback->FormatContext->start_time;
  const int64_t duration = playback->FormatContext->duration;
  ASSERT_NEAR(double(start), 1.4e6, 0.05e6);
  struct Case {
    int64_t target, pos, rel;
  };
  const Case cases[] = {
      {0, start, 1},                 // the first seek call refuses it, the fall-back succeeds
      {1000000, start + 1000000, 0},
      {100000000, start + duration, 0},  // beyond the end: the duration
  };
  for (const Case& c : cases) {
    p->Seek({}, true, c.target);
    EXPECT_EQ(playback->Seek.Last().Pos, c.pos) << c.target;
    EXPECT_EQ(playback->Seek.Last().Rel, c.rel) << c.target;
    EXPECT_EQ(playback->Seek.Pending(), false) << c.target;
  }
  EXPECT_FALSE(log.Contains("error while seeking"));
  p->Stop(true);
}

TEST(PlayerPlayback, EndOfAnAudioFileIsReportedOnceUntilASeek) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UseFastDiskAudio(*p, "playback");
  test::TRecorder rec;
  rec.Attach(*p);
  ASSERT_TRUE(p->Open(MediaFile("audio_pcm_s16.wav"), 0, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psEnd) == 1; }, 20s));
  // Seeking back to the end plays on and ends again: exactly one more psEnd.
  p->Seek({}, true, 3500000);
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psEnd) >= 2; }, 20s));
  p->Stop(true);
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psStop) == 1; }));
  EXPECT_EQ(rec.Count(psEnd), 2);
}

// Late pictures are judged against the sound of the current seek only: the
// sound clock must take up each seek's generation once its sound plays.
TEST(PlayerSeek, TheSoundClockTakesUpEachSeek) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  ASSERT_TRUE(p->Open(MediaFile("av_h264_aac.mp4"), 0, false)) << p->LastErrMsg();
  TMediaState* playback = p->CurStream();
  for (int64_t target : {2000000, 500000, 3000000}) {
    p->Seek({}, true, target);
    const int64_t generation = playback->Seek.Last().Generation;
    ASSERT_GT(generation, 0);
    ASSERT_TRUE(WaitUntil([&] { return playback->AudioClock.Generation() == generation; }))
        << "seek to " << target << ": the sound clock stays at generation " << playback->AudioClock.Generation();
  }
  p->Stop(true);
}

TEST(PlayerPlayback, DestroyingAPlayingPlayerStopsItWithoutOnState) {
  test::TRecorder rec;
  {
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UsePacedAudio(*p);
    rec.Attach(*p);
    ASSERT_TRUE(p->Open(MediaFile("audio_flac.flac"), 0, false)) << p->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psPlay) == 1; }));
  }
  EXPECT_EQ(rec.StatesCopy(), std::vector<TPlayState>{psPlay});
  // Its SDL was let go: another player can load and play at once.
  auto q = test::MakePlayer();
  ASSERT_TRUE(q);
  UsePacedAudio(*q);
  EXPECT_TRUE(q->Open(MediaFile("audio_flac.flac"), 0, true)) << q->LastErrMsg();
}

}  // namespace
}  // namespace zv
