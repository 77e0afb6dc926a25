// A playback's life as a calling program drives it: Stop and Open from
// handlers, handlers that throw, seeks that wait while the playback closes,
// quick successions of opens, and what one playback leaves to the next.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>

#include "engine/packet_queue.h"
#include "engine_test_util.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"

namespace zv {
namespace {

using test::MediaFile;
using test::UseFastDiskAudio;
using test::UsePacedAudio;
using test::WaitUntil;
using namespace std::chrono_literals;

// Polls pred until it holds or the deadline passes; serves nothing, as a main
// thread busy elsewhere would not.
bool WaitWithoutServing(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Stop called while Open still opens (the window's Stop button or a close
// served by Open's waits): Open gives up cleanly, and the player plays the
// next file as if nothing had happened.
TEST(PlayerLifecycle, StopDuringOpenCancelsTheOpen) {
  enum Stage { BeforeStreamInfo, FileOpen };
  struct Case {
    const char* name;
    Stage stage;
    bool wait;
  };
  const Case cases[] = {
      {"Stop(true) while the file is probed", BeforeStreamInfo, true},
      {"Stop(false) while the file is probed", BeforeStreamInfo, false},
      {"Stop(true) in OnFileOpen", FileOpen, true},
      {"Stop(false) in OnFileOpen", FileOpen, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UsePacedAudio(*p);
    test::TRecorder rec;
    rec.Attach(*p);
    TFFPlayer* player = p.get();
    if (c.stage == BeforeStreamInfo)
      // The reader hands the call to the main thread, which Open serves.
      p->SetOnBeforeFindStreamInfo([&](TFFBaseComponent*, void*) {
        CallInMainThread([&] { player->Stop(c.wait); });
      });
    else
      p->SetOnFileOpen([&](TFFBaseComponent*, int64_t, int, int, int&, int&) { player->Stop(c.wait); });
    EXPECT_FALSE(p->Open(MediaFile("av_h264_aac.mp4"), 0, false));
    EXPECT_FALSE(p->LastErrMsg().empty());
    EXPECT_EQ(p->CurStream(), nullptr);

    p->SetOnBeforeFindStreamInfo(nullptr);
    p->SetOnFileOpen(nullptr);
    ASSERT_TRUE(p->Open(MediaFile("av_h264_aac.mp4"), 0, false)) << p->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psPlay) == 1; }));
    p->Stop(true);
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psStop) == 1; }));
    // Nothing was reported for the open that gave up.
    EXPECT_EQ(rec.StatesCopy(), (std::vector<TPlayState>{psPlay, psStop}));
  }
}

// "Play the next file" from the end notice, delivered on the main thread or
// on the event thread.
TEST(PlayerLifecycle, OpenFromTheEndNoticeOpensTheNextFile) {
  for (bool inMainThread : {true, false}) {
    SCOPED_TRACE(inMainThread ? "main thread" : "event thread");
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UseFastDiskAudio(*p, "lifecycle");
    p->SetTriggerEventInMainThread(inMainThread);
    std::mutex lock;
    std::vector<TPlayState> states;  // guarded by lock
    std::atomic<int> opened{0};
    TFFPlayer* player = p.get();
    p->SetOnState([&](TFFBaseComponent*, TPlayState s) {
      {
        std::lock_guard<std::mutex> g(lock);
        states.push_back(s);
      }
      if (s == psEnd && opened.load() == 0 && player->Open(MediaFile("audio_pcm_s16.wav"), 0, false)) ++opened;
    });
    auto count = [&](TPlayState s) {
      std::lock_guard<std::mutex> g(lock);
      return std::count(states.begin(), states.end(), s);
    };
    ASSERT_TRUE(p->Open(MediaFile("audio_pcm_s16.wav"), 0, false)) << p->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return count(psEnd) == 2; }, 30s)) << p->LastErrMsg();
    EXPECT_EQ(opened.load(), 1);
    p->Stop(true);
    ASSERT_TRUE(WaitUntil([&] { return count(psStop) == 2; }));
    std::lock_guard<std::mutex> g(lock);
    EXPECT_EQ(states, (std::vector<TPlayState>{psPlay, psEnd, psStop, psPlay, psEnd, psStop}));
  }
}

// A handler that throws is the application's fault; the notices after it still come.
TEST(PlayerLifecycle, HandlerExceptionsAreLoggedAndDeliveryGoesOn) {
  for (bool inMainThread : {true, false}) {
    SCOPED_TRACE(inMainThread ? "main thread" : "event thread");
    test::TLogCapture log;
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UseFastDiskAudio(*p, "lifecycle");
    p->SetTriggerEventInMainThread(inMainThread);
    std::atomic<int> stops{0}, ends{0}, positions{0};
    p->SetOnState([&](TFFBaseComponent*, TPlayState s) {
      if (s == psStop) ++stops;
      if (s == psEnd) ++ends;
      throw std::runtime_error("state handler failed");
    });
    p->SetOnPosition([&](TFFBaseComponent*, int64_t) {
      ++positions;
      throw 42;
    });
    ASSERT_TRUE(p->Open(MediaFile("audio_pcm_s16.wav"), 0, false)) << p->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return ends.load() == 1; }, 20s));
    p->Stop(true);
    ASSERT_TRUE(WaitUntil([&] { return stops.load() == 1; }));
    EXPECT_GE(positions.load(), 1);
    EXPECT_TRUE(log.Contains("Error occurs OnState: state handler failed"));
    EXPECT_TRUE(log.Contains("Error occurs OnPosition: unknown exception"));
  }
}

// A filter string the filter library refuses (a second player in a process
// that never registered the window's filters) ends the video: the sound plays
// on to the end, or, without sound, the playback ends.
TEST(PlayerLifecycle, RefusedFilterStringEndsOnlyTheVideo) {
  for (const char* name : {"av_h264_aac.mp4", "video_only_h264.mp4"}) {
    SCOPED_TRACE(name);
    test::TLogCapture log;
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UseFastDiskAudio(*p, "lifecycle");
    test::TRecorder rec;
    rec.Attach(*p);
    p->SetVideoFilters("zelvo_no_such_filter=1");
    ASSERT_TRUE(p->Open(MediaFile(name), 0, false)) << p->LastErrMsg();
    const bool sound = std::string(name) == "av_h264_aac.mp4";
    if (sound) {
      ASSERT_TRUE(WaitUntil([&] { return rec.Count(psEnd) == 1; }, 20s));
      EXPECT_NEAR(double(rec.LastPosition()), 4e6, 0.2e6);
      p->Stop(true);
    }
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psStop) == 1; }));
    EXPECT_TRUE(log.Contains("zelvo_no_such_filter"));
    EXPECT_EQ(p->VideoStats().Shown, 0);
  }
}

// Seek(…, AWait = true) returns in every situation, the picture after the
// seek existing by then unless the playback closed meanwhile.
TEST(PlayerLifecycle, WaitingSeekAlwaysReturns) {
  struct Case {
    const char* name;
    const char* file;
    bool paused;
    bool stopFirst;
    int seeks;
    int64_t target;
  };
  const Case cases[] = {
      {"paused video, two waiting seeks in a row", "video_only_h264.mp4", true, false, 2, 3000000},
      {"playing video, to just before the end", "av_h264_aac.mp4", false, false, 1, 3900000},
      {"after Stop(false)", "av_h264_aac.mp4", false, true, 1, 2000000},
      {"paused, after Stop(false)", "video_only_h264.mp4", true, true, 1, 1000000},
      {"audio only, paused", "audio_flac.flac", true, false, 2, 3000000},
      {"a picture one pixel high", "one_pixel_high_320x1.mkv", false, false, 2, 1000000},
      {"a picture one pixel high, paused", "one_pixel_high_320x1.mkv", true, false, 1, 1000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UsePacedAudio(*p);
    ASSERT_TRUE(p->Open(MediaFile(c.file), 0, c.paused)) << p->LastErrMsg();
    if (c.stopFirst) p->Stop(false);
    for (int i = 0; i < c.seeks; ++i) {
      const auto start = std::chrono::steady_clock::now();
      p->Seek(TSeekFlags{}, true, c.target - i * 1000000);  // key pictures every second
      EXPECT_LT(Seconds(start), 5.0) << "seek " << i;
    }
    if (c.paused && !c.stopFirst && p->VideoStreamIndex() >= 0) {
      // The picture of the last seek target comes on screen while paused.
      const double target = (c.target - (c.seeks - 1) * 1000000) / 1e6;
      int64_t pts = -1;
      EXPECT_TRUE(WaitUntil([&] {
        p->CurrentFrame(pts);
        return pts >= 0 && std::fabs(pts / 1e6 - target) < 0.5;
      }, 3s)) << "on screen: " << pts;
    }
    p->Stop(true);
  }
}

// Notices of quickly succeeding opens: one psPlay per successful open, one
// psStop per playback, in order.
TEST(PlayerLifecycle, QuickOpensReportEveryPlaybackInOrder) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  test::TRecorder rec;
  rec.Attach(*p);
  int opened = 0;
  for (int i = 0; i < 12; ++i) {
    if (p->Open(MediaFile(i % 2 ? "audio_flac.flac" : "av_h264_aac.mp4"), 0, i % 3 == 0)) ++opened;
    if (i % 4 == 3) p->Stop(false);
  }
  p->Stop(true);
  ASSERT_EQ(opened, 12);
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psStop) == opened; }));
  std::vector<TPlayState> lifecycle;
  for (TPlayState s : rec.StatesCopy())
    if (s == psPlay || s == psStop) lifecycle.push_back(s);
  ASSERT_EQ(lifecycle.size(), size_t(2 * opened));
  for (size_t i = 0; i < lifecycle.size(); ++i) EXPECT_EQ(lifecycle[i], i % 2 ? psStop : psPlay) << i;
}

// What one playback chose stays with it: the drivers of an earlier Open and
// the size SDL's own window took for it.
TEST(PlayerLifecycle, DefaultsAreNotInheritedFromTheLastPlayback) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UseFastDiskAudio(*p, "lifecycle");
  ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, false)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->VideoStats().Shown > 0; }));
  p->Stop(true);
  // SDL's own window was sized for the picture by the engine: no choice of the application.
  EXPECT_EQ(p->ScreenWidth(), 0);
  EXPECT_EQ(p->ScreenHeight(), 0);

  p->SetAudioDriver(adDefault);
  p->SetVideoDriver(vdDefault);
  ASSERT_TRUE(p->Open(MediaFile("audio_flac.flac"), 0, true)) << p->LastErrMsg();
  const char* audio = getenv("SDL_AUDIODRIVER");
  EXPECT_TRUE(audio == nullptr || std::string(audio) != "disk") << audio;
  p->Stop(true);
}

// The window's rewind at the end of a short file: seek to 0, then pause. The
// reader reaches the end again at once; the first picture and position 0
// must come up all the same, and stay.
TEST(PlayerLifecycle, RewoundAtTheEndTheFirstPictureAndPositionComeUp) {
  for (const char* name : {"av_h264_aac.mp4", "video_only_h264.mp4", "audio_flac.flac"}) {
    SCOPED_TRACE(name);
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UsePacedAudio(*p);
    test::TRecorder rec;
    rec.Attach(*p);
    ASSERT_TRUE(p->Open(MediaFile(name), 0, false)) << p->LastErrMsg();
    p->Seek(TSeekFlags{}, true, 3500000);
    ASSERT_TRUE(WaitUntil([&] { return rec.Count(psEnd) == 1; }, 20s));
    p->Seek(TSeekFlags{sfAny}, false, 0);
    p->Pause();
    const bool video = p->VideoStreamIndex() >= 0;
    auto rewound = [&] {
      int64_t pts = -1;
      if (video) p->CurrentFrame(pts);
      return rec.LastPosition() >= 0 && rec.LastPosition() < 100000 && (!video || (pts >= 0 && pts < 100000));
    };
    ASSERT_TRUE(WaitUntil(rewound, 5s)) << "position " << rec.LastPosition();
    // Bounded observation: nothing left over from the end pulls it back.
    EXPECT_FALSE(WaitUntil([&] { return !rewound(); }, 500ms)) << "moved to " << rec.LastPosition();
    p->Stop(true);
  }
}

// Paused at the end of the file, the reader does not keep queuing end packets.
TEST(PlayerLifecycle, PausedAtTheEndNothingPilesUp) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  test::TRecorder rec;
  rec.Attach(*p);
  ASSERT_TRUE(p->Open(MediaFile("video_only_h264.mp4"), 0, false)) << p->LastErrMsg();
  p->Seek(TSeekFlags{}, true, 3500000);
  ASSERT_TRUE(WaitUntil([&] { return rec.Count(psEnd) == 1; }));
  p->Pause();
  TMediaState* playback = p->CurStream();
  ASSERT_NE(playback, nullptr);
  // Bounded observation: a queue growing every 10 ms would pass 5 well within it.
  EXPECT_FALSE(WaitUntil([&] { return PacketQueueCount(playback->VideoQueue) > 5; }, 600ms));
  p->Stop(true);
}

// The file's description is made once, while the reader alone owns the file.
TEST(PlayerLifecycle, FileDescriptionLivesWithThePlayback) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  EXPECT_EQ(p->FileInfoText(), "");
  ASSERT_TRUE(p->Open(MediaFile("av_h264_aac.mp4"), 0, true)) << p->LastErrMsg();
  const std::string text = p->FileInfoText();
  EXPECT_NE(text.find("h264"), std::string::npos) << text;
  p->Stop(true);
  EXPECT_EQ(p->FileInfoText(), "");
}

// The codec's frame rate matches the container's in every fixture: no note.
TEST(PlayerLifecycle, NoFrameRateNoteForConsistentStreams) {
  test::TLogCapture log;
  for (const char* name : {"video_only_h264.mp4", "av_h264_aac.mkv", "av_mpeg4_mp3.avi"}) {
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    UsePacedAudio(*p);
    ASSERT_TRUE(p->Open(MediaFile(name), 0, true)) << p->LastErrMsg();
    p->Stop(true);
  }
  EXPECT_FALSE(log.Contains("Seems stream"));
}

// The playback's threads log while it is closed and the main thread serves no
// hand-off: no thread waits for the main thread to take a log line, so the
// close joins them all in time; the lines reach the main thread afterwards.
TEST(PlayerLifecycle, CloseFinishesWhileAThreadLogsAndTheMainThreadServesNothing) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  UsePacedAudio(*p);
  p->SetTriggerEventInMainThread(false);  // the notices need no main thread either
  TFFLogger& logger = DefaultLogger();
  logger.SetTriggerEventInMainThread(true);
  const uint32_t mainThread = CurrentThreadId();
  std::atomic<int> logged{0}, delivered{0}, deliveredElsewhere{0};
  logger.SetOnLog([&](TFFBaseComponent*, uint32_t, TLogLevel, const std::string& msg) {
    if (msg.rfind("picture ", 0) != 0) return;
    ++delivered;
    if (CurrentThreadId() != mainThread) ++deliveredElsewhere;
  });
  p->SetVideoHook(true);
  p->SetOnVideoHook([&](TFFBaseComponent*, TBitmap*, int64_t pts, bool& update) {
    update = false;
    DefaultLogger().LogFmt(nullptr, llInfo, "picture %d", {pts});
    ++logged;
  });
  ASSERT_TRUE(p->Open(MediaFile("av_h264_aac.mp4"), 0, false)) << p->LastErrMsg();

  // The video thread logs on, the main thread serving nothing meanwhile.
  EXPECT_TRUE(WaitWithoutServing([&] { return logged.load() >= 5; }, 10s));
  auto close = std::async(std::launch::async, [&] { p->Stop(true); });
  const bool closed = close.wait_for(10s) == std::future_status::ready;
  EXPECT_TRUE(closed) << "the close waited for the main thread";
  if (!closed) {
    EXPECT_TRUE(WaitUntil([&] { return close.wait_for(0s) == std::future_status::ready; }, 60s));
  }
  close.get();

  EXPECT_TRUE(WaitUntil([&] { return delivered.load() == logged.load(); }));
  EXPECT_EQ(deliveredElsewhere.load(), 0);
  p->SetOnVideoHook(nullptr);
  logger.SetOnLog(nullptr);
  CheckSynchronize();
}

}  // namespace
}  // namespace zv
