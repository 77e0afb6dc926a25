// Choosing tracks while a file plays: the sound SDL's disk driver wrote before
// and after a switch (its tone and how soon it came), the pictures around it,
// and the subtitle tracks (embedded, a file beside the video, none) on the
// rendered output.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../tools/fixture_list.h"
#include "engine/reread_filter.h"
#include "engine/track_list.h"
#include "video_test_util.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::MediaFile;
using test::WaitUntil;

std::vector<int16_t> ReadSamples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> out(bytes.size() / 2);
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

// Power of frequency hz in count samples of channel `channel` (of `channels`) from `first`.
double ToneEnergy(const std::vector<int16_t>& s, size_t first, size_t count, int channel, int channels, int rate,
                  double hz) {
  const double w = 2 * M_PI * hz / rate;
  double re = 0, im = 0;
  for (size_t i = 0; i < count; ++i) {
    const double v = s[(first + i) * channels + channel];
    re += v * std::cos(w * double(i));
    im += v * std::sin(w * double(i));
  }
  return re * re + im * im;
}

// The frame index of the first sample louder than the silence around the tone.
int64_t FirstSound(const std::vector<int16_t>& s, int channels) {
  for (size_t i = 0; i < s.size(); ++i)
    if (std::abs(s[i]) > 2000) return int64_t(i) / channels;
  return -1;
}

// 440 or 880 Hz: which of the two fixture tones dominates a window.
double DominantTone(const std::vector<int16_t>& s, size_t first, size_t count, int channels, int rate) {
  const double a = ToneEnergy(s, first, count, 0, channels, rate, 440);
  const double b = ToneEnergy(s, first, count, 0, channels, rate, 880);
  return a > 10 * b ? 440 : b > 10 * a ? 880 : 0;
}

// Under the thread checker decoding runs several times slower: the switch is
// still checked for races there, its timing with more room.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZV_THREAD_CHECKER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) || defined(ZV_THREAD_CHECKER)
constexpr double kHeardWithin = 1.5;
#else
constexpr double kHeardWithin = 0.5;
#endif

TEST(TrackSwitch, SoundTrackSwitchKeepsThePositionAndThePictures) {
  const std::string before = ::testing::TempDir() + "zelvo_tracks_before_" + std::to_string(getpid()) + ".raw";
  const std::string after = ::testing::TempDir() + "zelvo_tracks_after_" + std::to_string(getpid()) + ".raw";
  std::remove(after.c_str());
  // Paced output; every device open writes the file the variable names then.
  setenv("SDL_DISKAUDIOFILE", before.c_str(), 1);
  unsetenv("SDL_DISKAUDIODELAY");
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  p->SetAudioDriver(adDisk);
  ASSERT_TRUE(p->Open(MediaFile(std::string(fx::kTwoSoundTracksMkv)), 0, false)) << p->LastErrMsg();

  const std::vector<TTrack> tracks = p->AudioTracks();
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks[0].Name, "1: eng (aac, 2 ch)");
  EXPECT_EQ(tracks[1].Name, "2: fre - Commentary (aac, 2 ch)");
  EXPECT_TRUE(tracks[0].Current && !tracks[1].Current);

  // Pictures as they are shown: (pts µs, frame number coded in them).
  std::vector<std::pair<int64_t, int>> shown;
  auto sample = [&] {
    int64_t pts = -1;
    TBitmap& bmp = p->CurrentFrame(pts);
    if (pts >= 0 && (shown.empty() || shown.back().first != pts)) shown.emplace_back(pts, test::FrameNumberOf(bmp));
    return pts;
  };
  ASSERT_TRUE(WaitUntil([&] { return sample() >= 1500000; }, 10s));
  setenv("SDL_DISKAUDIOFILE", after.c_str(), 1);
  const int64_t switchedAt = shown.back().first;
  const auto asked = std::chrono::steady_clock::now();
  ASSERT_TRUE(p->SelectAudioTrack(2));
  EXPECT_TRUE(p->AudioTracks()[1].Current);
  EXPECT_FALSE(p->SelectAudioTrack(3));
  EXPECT_FALSE(p->SelectAudioTrack(0));
  // Heard once the new device has written sound.
  ASSERT_TRUE(WaitUntil([&] {
    sample();
    std::error_code ec;
    return fs::file_size(after, ec) > 0 && !ec && FirstSound(ReadSamples(after), 2) >= 0;
  }, 5s)) << "no sound after the switch";
  const double gap = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
  EXPECT_LE(gap, kHeardWithin) << "the new track is heard " << gap << " s after the switch";
  std::printf("sound of the new track %.3f s after the switch\n", gap);
  ASSERT_TRUE(WaitUntil([&] { return sample() >= switchedAt + 1500000; }, 10s));
  p->Stop(true);
  setenv("SDL_AUDIODRIVER", "dummy", 1);

  // The old track's tone up to the switch, the new one's after it.
  const std::vector<int16_t> a = ReadSamples(before), b = ReadSamples(after);
  const size_t window = 4800;
  ASSERT_GT(a.size() / 2, 3 * window);
  EXPECT_EQ(DominantTone(a, a.size() / 2 - 2 * window, window, 2, 48000), 440);
  const int64_t start = FirstSound(b, 2);
  ASSERT_GE(start, 0);
  ASSERT_GT(int64_t(b.size() / 2), start + 4800 + int64_t(window));
  EXPECT_EQ(DominantTone(b, size_t(start) + 4800, window, 2, 48000), 880);

  // Each picture is the one of its time, and from the switch on they go on
  // without going back or leaping (a late picture or two may be dropped):
  // the file neither restarted nor skipped the queued part. (The sound's
  // encoder delay shifts every time by the same amount.)
  ASSERT_GT(shown.size(), 20u);
  const double offset = shown[0].second - test::FrameAt(shown[0].first);
  for (size_t i = 1; i < shown.size(); ++i) {
    SCOPED_TRACE("picture at " + std::to_string(shown[i].first) + " µs");
    EXPECT_NEAR(shown[i].second - test::FrameAt(shown[i].first), offset, 0.5);
    EXPECT_GT(shown[i].first, shown[i - 1].first);
    if (shown[i - 1].first >= switchedAt) {
      EXPECT_LE(shown[i].first - shown[i - 1].first, 500000) << "a jump of the picture";
    }
  }
  std::remove(before.c_str());
  std::remove(after.c_str());
}

// The filter that keeps packets read a second time out of their queues.
TEST(TrackSwitch, RereadLeavesOutWhatIsQueuedAndTheNewSoundBeforeThePosition) {
  auto packet = [](int stream, int64_t dts, int64_t pos, int64_t duration = 0) {
    AVPacket p{};
    p.stream_index = stream;
    p.pts = p.dts = dts;
    p.pos = pos;
    p.duration = duration;
    return p;
  };
  TRereadFilter f;
  for (int64_t t : {0, 40, 80}) {
    AVPacket v = packet(0, t, t * 10);
    f.Note(&v);
  }
  AVPacket noDts = packet(2, AV_NOPTS_VALUE, 900);
  f.Note(&noDts);
  f.Begin(TStreamReread{true, 0, {1}, 1, 100});
  EXPECT_TRUE(f.CatchingUp(0));
  struct Case {
    AVPacket pkt;
    bool skipped;
  } cases[] = {
      {packet(1, 50, 5, 40), true},    // new sound ending before the position
      {packet(1, 90, 6, 40), false},   // reaching it: kept, and all after it
      {packet(1, 20, 7, 10), false},
      {packet(0, 40, 400), true},      // pictures already queued
      {packet(0, 80, 800), true},
      {packet(0, 120, 1200), false},   // the first new one, and all after it
      {packet(0, 80, 800), false},
      {packet(2, AV_NOPTS_VALUE, 850), true},  // no times: by file position
      {packet(2, AV_NOPTS_VALUE, 950), false},
      {packet(3, 10, 10), false},      // a stream never queued
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("stream " + std::to_string(c.pkt.stream_index) + " dts " + std::to_string(c.pkt.dts));
    EXPECT_EQ(f.Skip(&c.pkt), c.skipped);
  }
  EXPECT_FALSE(f.CatchingUp(0)) << "past the last picture queued";
  // A seek empties the queues: nothing is left out.
  f.Reset();
  AVPacket v = packet(0, 40, 400);
  EXPECT_FALSE(f.Skip(&v));
}

// Pixels of the output's lower half (where lines go; messages show at the
// top) that differ clearly from the picture on screen.
int DrawnOver(TFFPlayer& p, const TOutputPixels& out) {
  TBitmap& bmp = p.CurrentFrame();
  if (bmp.Width() != out.Width || bmp.Height() != out.Height) return -1;
  int n = 0;
  for (int y = out.Height / 2; y < out.Height; ++y) {
    const uint8_t* row = bmp.ScanLine(y);
    for (int x = 0; x < out.Width; ++x) {
      const uint32_t c = out.At(x, y);
      n += std::abs(int((c >> 16) & 0xFF) - row[3 * x + 2]) + std::abs(int((c >> 8) & 0xFF) - row[3 * x + 1]) +
               std::abs(int(c & 0xFF) - row[3 * x]) >=
           90;
    }
  }
  return n;
}

TEST(TrackSwitch, SubtitleTracksListEmbeddedFilesAndOffAndSwitchWherePaused) {
  auto p = test::MakeVideoPlayer();
  ASSERT_TRUE(p);
  if (!p->TextOverlay().Available()) GTEST_SKIP() << "libass is not installed";
  const fs::path dir = fs::path(::testing::TempDir()) / ("zv_tracks_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path video = dir / "clip.mkv";
  fs::copy_file(MediaFile(std::string(fx::kSubripMkv)), video);
  // Where the embedded lines (1-2.5 s, 3-3.5 s) are not, and not at 1.5 s.
  std::ofstream(dir / "clip.srt", std::ios::binary) << "1\n00:00:02,700 --> 00:00:04,000\nFrom the file\n";
  ASSERT_TRUE(p->Open(video.string(), 0, true)) << p->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return p->SubtitleFiles().Idle(); }));
  auto names = [&] {
    std::vector<std::string> out;
    for (const TTrack& t : p->SubtitleTracks()) out.push_back((t.Current ? "*" : "") + t.Name);
    return out;
  };
  auto seekPaused = [&](double s) {
    p->Seek(TSeekFlags{}, true, int64_t(s * 1e6));
    int64_t pts = -1;
    return WaitUntil([&] {
      p->CurrentFrame(pts);
      return std::abs(double(pts) - s * 1e6) < 0.25e6;  // keyframes every 0.2 s
    });
  };
  auto shows = [&](bool text) {
    return WaitUntil([&] {
      TOutputPixels out;
      if (!test::CaptureOutput(*p, out)) return false;
      const int n = DrawnOver(*p, out);
      return text ? n > 40 : n == 0;
    }, 5s);
  };

  ASSERT_TRUE(p->SelectSubtitleTrack(1));
  EXPECT_EQ(names(), (std::vector<std::string>{"*1: eng (subrip)", "2: clip.srt"}));
  ASSERT_TRUE(seekPaused(1.5));
  EXPECT_TRUE(shows(true)) << "the embedded line";
  ASSERT_TRUE(p->SelectSubtitleTrack(0));
  EXPECT_EQ(names(), (std::vector<std::string>{"1: eng (subrip)", "2: clip.srt"}));
  EXPECT_TRUE(shows(false)) << "off";
  // Opened again where the picture stands, its line (begun at 1 s) comes back.
  ASSERT_TRUE(p->SelectSubtitleTrack(1));
  EXPECT_TRUE(shows(true)) << "the embedded line after it was opened again";
  ASSERT_TRUE(p->SelectSubtitleTrack(2));
  EXPECT_EQ(names(), (std::vector<std::string>{"1: eng (subrip)", "*2: clip.srt"}));
  EXPECT_TRUE(shows(false)) << "the file has no line at 1.5 s";
  ASSERT_TRUE(seekPaused(2.8));
  EXPECT_TRUE(shows(true)) << "the file's line";
  EXPECT_FALSE(p->SelectSubtitleTrack(3));
  // J: after the last, none; then the first again.
  p->CycleSubtitleTrack();
  EXPECT_EQ(names(), (std::vector<std::string>{"1: eng (subrip)", "2: clip.srt"}));
  EXPECT_TRUE(shows(false));
  p->CycleSubtitleTrack();
  EXPECT_EQ(names(), (std::vector<std::string>{"*1: eng (subrip)", "2: clip.srt"}));
  p->Stop(true);
  EXPECT_TRUE(p->SubtitleTracks().empty());
  EXPECT_TRUE(p->AudioTracks().empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zv
