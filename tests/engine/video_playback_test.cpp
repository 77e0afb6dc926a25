// Playing video files: pictures on screen match the reported position, after
// seeks too; pictures from before a seek never show; opening paused.
#include <chrono>
#include <cmath>

#include "engine/clocks.h"
#include "video_test_util.h"

namespace zv {
namespace {

using test::FrameAt;
using test::FrameNumberOf;
using test::MediaFile;
using test::WaitUntil;
using namespace std::chrono_literals;

struct FixtureCase {
  const char* name;
  int decoderWidth, decoderHeight;
  int width, height;  // of the copies: the picture's own (its slot is rounded up to even)
};

// The picture on screen is the one the position says, within a frame or so.
void ExpectCopyMatchesPosition(TFFPlayer& p, test::TRecorder& rec) {
  // Paused, the clock stands at the picture on screen; wait until its position was reported.
  int64_t pts = -1;
  ASSERT_TRUE(WaitUntil([&] {
    p.CurrentFrame(pts);
    return pts >= 0 && std::llabs(rec.LastPosition() - pts) <= 15000;
  })) << "pts " << pts << " position " << rec.LastPosition();
  TBitmap& bmp = p.CurrentFrame(pts);
  const int n = FrameNumberOf(bmp);
  EXPECT_NEAR(double(n), FrameAt(rec.LastPosition()), 1.5) << "position " << rec.LastPosition();
  EXPECT_NEAR(double(n), FrameAt(pts), 1.0) << "pts " << pts;
}

TEST(VideoPlayback, FixturesPlayAndTheirCopiesMatchThePosition) {
  const FixtureCase cases[] = {
      {"av_h264_aac.mp4", 320, 240, 320, 240},
      {"av_h264_aac.mkv", 320, 240, 320, 240},
      {"av_mpeg4_mp3.avi", 320, 240, 320, 240},
      {"av_vp8_vorbis.webm", 320, 240, 320, 240},
      {"video_only_h264.mp4", 320, 240, 320, 240},
      {"odd_size_641x361.mkv", 641, 361, 641, 361},
      {"sar_16_15_720x576.mkv", 720, 576, 720, 576},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = test::MakeVideoPlayer();
    ASSERT_TRUE(p);
    test::TRecorder rec;
    rec.Attach(*p);
    int frameW = 0, frameH = 0;
    p->SetOnFileOpen([&](TFFBaseComponent*, int64_t, int w, int h, int&, int&) {
      frameW = w;
      frameH = h;
    });
    ASSERT_TRUE(p->Open(MediaFile(c.name), 0, false)) << p->LastErrMsg();
    EXPECT_GE(p->VideoStreamIndex(), 0);
    EXPECT_FALSE(p->CurStream()->AudioOut.ShowsWaveform());
    EXPECT_EQ(frameW, c.decoderWidth);
    EXPECT_EQ(frameH, c.decoderHeight);

    // Playing: a copy shows the picture whose time it reports.
    ASSERT_TRUE(WaitUntil([&] { return rec.LastPosition() >= 400000; })) << rec.LastPosition();
    int64_t pts = -1;
    TBitmap& bmp = p->CurrentFrame(pts);
    EXPECT_EQ(bmp.Width(), c.width);
    EXPECT_EQ(bmp.Height(), c.height);
    EXPECT_NEAR(double(FrameNumberOf(bmp)), FrameAt(pts), 1.0) << "pts " << pts;

    p->Pause();
    ExpectCopyMatchesPosition(*p, rec);

    // A seek while paused brings up the picture at the new position.
    p->Seek({}, true, 1500000);
    ASSERT_TRUE(WaitUntil([&] {
      p->CurrentFrame(pts);
      return pts >= 900000;
    })) << pts;
    ExpectCopyMatchesPosition(*p, rec);
    EXPECT_LE(rec.LastPosition(), 1600000);

    p->Resume();
    ASSERT_TRUE(WaitUntil([&] { return rec.LastPosition() >= 1700000; })) << rec.LastPosition();
    p->Stop(true);
    EXPECT_TRUE(WaitUntil([&] { return rec.Count(psStop) == 1; }));
    TVideoStats s = p->VideoStats();
    EXPECT_GT(s.Shown, 10);
    EXPECT_GE(s.Decoded, s.Shown);
  }
}

TEST(VideoPlayback, CurrentFrameWithNothingOpenIsEmpty) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  int64_t pts = 123;
  TBitmap& bmp = p->CurrentFrame(pts);
  EXPECT_EQ(bmp.Width(), 0);
  EXPECT_EQ(bmp.Height(), 0);
  EXPECT_EQ(pts, -1);
  // Also after a playback has ended.
  ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown > 0; }));
  p->Stop(true);
  pts = 123;
  EXPECT_EQ(p->CurrentFrame(pts).Width(), 0);
  EXPECT_EQ(pts, -1);
}

// Waits until the picture queued after the one on screen is due, so that a
// refresh after that would have shown it.
void WaitUntilQueuedPictureIsDue(TMediaState* playback) {
  ASSERT_EQ(playback->Pictures.Count(), 1);
  TPictureQueue::THead head;
  ASSERT_TRUE(playback->Pictures.Peek(head));
  const double target = head.TargetClock;
  ASSERT_TRUE(WaitUntil([&] { return ClockSeconds() > target + 0.02; }));
}

TEST(VideoPlayback, OpeningPausedDecodesTwoShowsTheFirstAndReportsPause) {
  for (const char* name : {"av_h264_aac.mp4", "video_only_h264.mp4"}) {
    SCOPED_TRACE(name);
    auto p = test::MakeVideoPlayer();
    ASSERT_TRUE(p);
    test::TRecorder rec;
    rec.Attach(*p);
    ASSERT_TRUE(p->Open(MediaFile(name), 0, true)) << p->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psPause) == 1; }));
    EXPECT_EQ(rec.StatesCopy(), (std::vector<TPlayState>{psPlay, psPause}));
    ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown == 1; }));
    WaitUntilQueuedPictureIsDue(p->CurStream());
    TOutputPixels out;
    ASSERT_TRUE(test::CaptureOutput(*p, out));  // a refresh after the second picture was due

    TVideoStats s = p->VideoStats();
    EXPECT_EQ(s.Decoded, 2);
    EXPECT_EQ(s.Shown, 1);
    int64_t pts = -1;
    EXPECT_EQ(FrameNumberOf(p->CurrentFrame(pts)), 0);
    EXPECT_NEAR(double(pts), 0, 30000);
    EXPECT_EQ(test::FrameNumberOf(out, SDL_Rect{0, 0, 320, 240}), 0);  // the window takes the picture's size

    // Resuming goes on with the second picture.
    p->Resume();
    ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 3; }));
    s = p->VideoStats();
    ASSERT_GE(s.RecentPts.size(), 2u);
    EXPECT_NEAR(s.RecentPts[1] - s.RecentPts[0], 0.04, 0.001);
    p->Stop(true);
  }
}

TEST(VideoPlayback, PicturesQueuedBeforeASeekAreNeverShown) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  test::TRecorder rec;
  rec.Attach(*p);
  // Paused at the start: picture 0 on screen, picture 1 waiting in the queue.
  ASSERT_TRUE(p->Open(MediaFile("av_h264_aac.mkv"), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psPause) == 1 && p->VideoStats().Shown == 1; }));
  WaitUntilQueuedPictureIsDue(p->CurStream());
  p->Seek({}, true, 3000000);
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown >= 2; }));
  TVideoStats s = p->VideoStats();
  ASSERT_EQ(s.RecentPts.size(), 2u);
  EXPECT_LT(s.RecentPts[0], 0.03);
  EXPECT_GE(s.RecentPts[1], 2.0);  // the keyframe at or before 3 s
  EXPECT_GE(s.DiscardedAfterSeek, 1);
  ExpectCopyMatchesPosition(*p, rec);

  // Playing: once a picture of the new position is up, none of the old one follows.
  p->Resume();
  ASSERT_TRUE(WaitUntil([&] { return rec.LastPosition() >= 3300000; }));
  p->Seek({}, true, 1000000);
  ASSERT_TRUE(WaitUntil([&] {
    auto pts = p->VideoStats().RecentPts;
    return !pts.empty() && pts.back() < 1.2 && pts.back() > 0.4;
  }));
  ASSERT_TRUE(WaitUntil([&] { return rec.LastPosition() >= 1300000 && rec.LastPosition() < 2000000; }));
  s = p->VideoStats();
  size_t firstNew = s.RecentPts.size();
  for (size_t i = 2; i < s.RecentPts.size(); ++i)
    if (s.RecentPts[i] < 1.2) {
      firstNew = i;
      break;
    }
  ASSERT_LT(firstNew, s.RecentPts.size());
  for (size_t i = firstNew + 1; i < s.RecentPts.size(); ++i)
    EXPECT_GT(s.RecentPts[i], s.RecentPts[i - 1]) << "picture " << i << " went back in time";
  p->Stop(true);
}

TEST(VideoPlayback, DecoderThreadsPropertyReachesTheDecoder) {
  for (int threads : {1, 0}) {
    SCOPED_TRACE(threads);
    auto p = test::MakeVideoPlayer();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->DecoderThreads(), 0);  // automatic by default
    p->SetDecoderThreads(threads);
    ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, false)) << p->LastErrMsg();
    int expected = threads == 1 ? 1 : int(std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(p->CurStream()->VideoCodec->thread_count, expected);
    ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown > 5; }));
    int64_t pts = -1;
    TBitmap& bmp = p->CurrentFrame(pts);
    EXPECT_NEAR(double(FrameNumberOf(bmp)), FrameAt(pts), 1.0);
    p->Stop(true);
  }
}

}  // namespace
}  // namespace zv

namespace zv {
namespace {

TEST(VideoPlayback, TheEndIsReportedAfterTheLastPictureWasShown) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  test::TRecorder rec;
  rec.Attach(*p);
  ASSERT_TRUE(p->Open(MediaFile("odd_size_641x361.mkv"), 0, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psEnd) == 1; }));
  TVideoStats s = p->VideoStats();
  EXPECT_EQ(s.Decoded, 50);  // 2 s at 25 pictures a second, the decoder drained
  EXPECT_EQ(s.Shown, 50);
  EXPECT_EQ(FrameNumberOf(p->CurrentFrame()), 49);
  EXPECT_GE(rec.LastPosition(), 1900000);  // the last picture's time
  p->Stop(true);
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psStop) == 1; }));
  EXPECT_EQ(rec.StatesCopy(), (std::vector<TPlayState>{psPlay, psEnd, psStop}));
}

}  // namespace
}  // namespace zv
