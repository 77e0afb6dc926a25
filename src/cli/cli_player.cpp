#include "cli/cli_player.h"

#include <cerrno>
#include <csignal>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "cli/numeric_option.h"
#include "engine/player.h"
#include "runtime/file_utils.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"
#include "runtime/safe_math.h"
#include "runtime/resume_store.h"

namespace zv::cli {

namespace {

struct TOptions {
  std::vector<std::string> Files;
  bool NoResume = false;
  std::string LibPath;
  bool NoDisplay = false, Positions = false, StartPaused = false, Mute = false, Stats = false;
  TLogLevel LogLevel = llQuiet;  // log lines are printed only when asked for
  std::optional<double> Seek, PlayFor, Speed;
  int64_t Chapter = 0;  // from 1; 0 none
  int Volume = MaxAudioVolume;
  std::string SubtitleFile;
  int SubtitleTrack = 0;  // counted from 1; 0 the player's choice
  int AudioTrack = 0;     // counted from 1 among the sound tracks; 0 the player's choice
  bool NoSubtitles = false;
  TAudioDriver AudioDriver = adDefault;
  TVideoDriver VideoDriver = vdDefault;
};

volatile std::sig_atomic_t gInterrupted = 0;
void OnSignal(int) { gInterrupted = 1; }

const auto gStart = std::chrono::steady_clock::now();
std::mutex gOutLock;

void PrintLine(const std::string& what) {
  double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
  std::lock_guard<std::mutex> g(gOutLock);
  std::printf("%10.3f %s\n", t, what.c_str());
  std::fflush(stdout);
}

bool ParseLogLevel(const std::string& name, TLogLevel& level) {
  for (int l = llQuiet; l <= llDebug; ++l)
    if (name == LogLevelName(TLogLevel(l))) return level = TLogLevel(l), true;
  return false;
}

// False (with a message) on a bad command line.
bool ParseOptions(int argc, char** argv, TOptions& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char*& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    const char* v = nullptr;
    std::string error;
    // The value, or null when the option came last.
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    auto number = [&](double min, double max, std::optional<double>& out) {
      double d = 0;
      if (!ParseNumberOption(a.c_str(), next(), min, max, d, error)) return false;
      out = d;
      return true;
    };
    if (a == "--no-display") o.NoDisplay = true;
    else if (a == "--positions") o.Positions = true;
    else if (a == "--start-paused") o.StartPaused = true;
    else if (a == "--mute") o.Mute = true;
    else if (a == "--stats") o.Stats = true;
    else if (a == "--no-resume") o.NoResume = true;
    else if (a == "--no-sub") o.NoSubtitles = true;
    else if (a == "--sub") {
      if (!value(v) || !*v) return std::fprintf(stderr, "bad --sub\n"), false;
      o.SubtitleFile = v;
    } else if (a == "--sid") {
      int64_t n = 0;
      if (!ParseWholeOption(a.c_str(), next(), 1, 999, n, error)) return std::fprintf(stderr, "%s\n", error.c_str()), false;
      o.SubtitleTrack = int(n);
    } else if (a == "--aid") {
      int64_t n = 0;
      if (!ParseWholeOption(a.c_str(), next(), 1, 999, n, error)) return std::fprintf(stderr, "%s\n", error.c_str()), false;
      o.AudioTrack = int(n);
    }
    else if (a == "--log-level") {
      if (!value(v) || !ParseLogLevel(v, o.LogLevel)) return std::fprintf(stderr, "bad --log-level\n"), false;
    } else if (a == "--seek") {
      if (!number(0, MaxOptionSeconds, o.Seek)) return std::fprintf(stderr, "%s\n", error.c_str()), false;
    } else if (a == "--play-for") {
      if (!number(0, MaxOptionSeconds, o.PlayFor)) return std::fprintf(stderr, "%s\n", error.c_str()), false;
    } else if (a == "--speed") {
      if (!number(MinSpeed, MaxSpeed, o.Speed)) return std::fprintf(stderr, "%s\n", error.c_str()), false;
    } else if (a == "--chapter") {
      if (!ParseWholeOption(a.c_str(), next(), 1, 1000000, o.Chapter, error))
        return std::fprintf(stderr, "%s\n", error.c_str()), false;
    } else if (a == "--volume") {
      int64_t volume = 0;
      if (!ParseWholeOption(a.c_str(), next(), 0, MaxAudioVolume, volume, error))
        return std::fprintf(stderr, "%s\n", error.c_str()), false;
      o.Volume = int(volume);
    } else if (a == "--audio-driver") {
      if (!value(v) || !AudioDriverFromName(v, o.AudioDriver)) return std::fprintf(stderr, "bad --audio-driver\n"), false;
    } else if (a == "--video-driver") {
      if (!value(v) || !VideoDriverFromName(v, o.VideoDriver)) return std::fprintf(stderr, "bad --video-driver\n"), false;
    } else if (a == "--lib-path") {
      if (!value(v)) return std::fprintf(stderr, "bad --lib-path\n"), false;
      o.LibPath = v;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return std::fprintf(stderr, "unknown option %s\n", a.c_str()), false;
    } else {
      o.Files.push_back(a);
    }
  }
  if (o.Files.empty()) return std::fprintf(stderr, "no file given\n"), false;
  if (o.Seek && o.Chapter) return std::fprintf(stderr, "--seek and --chapter exclude each other\n"), false;
  return true;
}

// Serves the engine's hand-offs to this (main) thread for a while.
// Hand-offs from the engine's threads wake the main thread's wait.
std::mutex gServeLock;
std::condition_variable gServeCond;
bool gHandOffQueued = false;  // guarded by gServeLock

void WakeServe() {
  {
    std::lock_guard<std::mutex> g(gServeLock);
    gHandOffQueued = true;
  }
  gServeCond.notify_one();
}

// Serves hand-offs until the time is up; sleeps in between.
void Serve(std::chrono::steady_clock::time_point until) {
  CheckSynchronize();
  std::unique_lock<std::mutex> l(gServeLock);
  while (gServeCond.wait_until(l, until, [] { return gHandOffQueued; })) {
    gHandOffQueued = false;
    l.unlock();
    CheckSynchronize();
    l.lock();
  }
}

// A deadline past the end of any media is "until the end", never a time that
// wrapped round into the past.
std::chrono::steady_clock::time_point Deadline(std::chrono::steady_clock::time_point from, double seconds) {
  using Clock = std::chrono::steady_clock;
  static_assert(std::is_same_v<Clock::period, std::nano>);
  int64_t ns = 0;
  if (!CheckedMul<int64_t>(SecondsToMicros(seconds), 1000, ns)) return Clock::time_point::max();
  return Clock::time_point(Clock::duration(SatAdd(from.time_since_epoch().count(), ns)));
}

}  // namespace

void PrintPlayerUsage() {
  std::fprintf(stderr,
               "       zelvo-cli FILE... [--no-display] [--positions] [--log-level LEVEL] [--start-paused]\n"
               "                      [--seek SECONDS | --chapter N] [--play-for SECONDS] [--volume 0..128] [--mute]\n"
               "                      [--speed 0.25..4]\n"
               "                      [--audio-driver NAME] [--video-driver NAME] [--lib-path DIR] [--stats]\n"
               "                      [--no-resume] [--sub SUBTITLE_FILE] [--sid N] [--no-sub] [--aid N]\n"
               "         LEVEL: quiet panic fatal error warning info verbose debug\n"
               "         audio drivers: dummy disk pulseaudio pipewire alsa; video drivers: dummy x11 wayland\n");
}

int RunPlayer(int argc, char** argv) {
  TOptions o;
  if (!ParseOptions(argc, argv, o)) {
    PrintPlayerUsage();
    return 2;
  }
  InitMainThread();
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  TFFLogger& logger = DefaultLogger();
  logger.SetLogLevel(o.LogLevel);
  logger.SetOnLog([&o](TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& msg) {
    if (level != llQuiet && level <= o.LogLevel) PrintLine(std::string("log ") + LogLevelName(level) + " " + msg);
  });

  std::string libPath = o.LibPath;
  if (libPath.empty() && FileExists(ApplicationPath() + "LibAV/" + SDLLibFileName)) libPath = ApplicationPath() + "LibAV";
  TFFPlayer player;
  if (!player.LoadLibraries(libPath, true)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return 1;
  }
  logger.SetupLogCallback();

  std::atomic<bool> stopped{false}, ended{false};
  std::atomic<int64_t> duration{-1}, lastPosition{0};
  player.SetAudioDriver(o.AudioDriver);
  player.SetVideoDriver(o.VideoDriver);
  player.SetDisableDisplay(o.NoDisplay);
  player.SetAudioVolume(o.Volume);
  player.SetMute(o.Mute);
  if (o.NoSubtitles) {
    player.SetAutoLoadSubtitleFiles(false);
    player.TextOverlay().SetVisible(false);
  }
  player.SetOnFileOpen([&duration](TFFBaseComponent*, int64_t d, int w, int h, int&, int&) {
    duration = d;
    char text[128];
    std::snprintf(text, sizeof text, "open duration %.6f frame %dx%d", d < 0 ? -1.0 : d / 1e6, w, h);
    PrintLine(text);
  });
  player.SetOnState([&](TFFBaseComponent*, TPlayState s) {
    PrintLine(std::string("state ") + PlayStateName(s));
    if (s == psEnd) ended = true;
    if (s == psStop) stopped = true;
  });
  player.SetOnPosition([&o, &lastPosition](TFFBaseComponent*, int64_t pos) {
    if (pos >= 0) lastPosition = pos;
    if (!o.Positions) return;
    char text[64];
    std::snprintf(text, sizeof text, "position %.6f", pos / 1e6);
    PrintLine(text);
  });

  std::optional<TResumeStore> store;
  if (!o.NoResume) {
    store.emplace(DefaultResumeDir());
    store->OnLog = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  }
  SetMainThreadWakeHook(WakeServe);
  int rc = 0;
  for (const std::string& file : o.Files) {
    if (gInterrupted) break;
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(file, ec).lexically_normal().string();
    stopped = ended = false;
    duration = -1;
    lastPosition = 0;
    if (o.Files.size() > 1) PrintLine("file " + file);
    if (!player.Open(file, 0, o.StartPaused)) {
      std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
      rc = 1;
      continue;
    }
    // Each file opens at 1x.
    if (o.Speed) player.SetSpeed(*o.Speed);
    if (o.AudioTrack > 0) {
      const std::vector<TTrack> tracks = player.AudioTracks();
      if (o.AudioTrack > int(tracks.size())) {
        if (tracks.empty())
          std::fprintf(stderr, "--aid %d: the file has no sound track\n", o.AudioTrack);
        else
          std::fprintf(stderr, "--aid %d: out of range 1..%zu (the file's sound tracks)\n", o.AudioTrack, tracks.size());
        player.Stop(true);
        rc = 2;
        continue;
      }
      PrintLine("audio track " + tracks[size_t(o.AudioTrack - 1)].Name);
      player.SelectAudioTrack(o.AudioTrack);
    }
    if (!o.NoSubtitles && !o.SubtitleFile.empty()) player.LoadSubtitleFile(o.SubtitleFile);
    if (!o.NoSubtitles && o.SubtitleTrack > 0) {
      // The files load off this thread: the count is known once they have.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!player.SubtitleFiles().Idle() && std::chrono::steady_clock::now() < deadline)
        Serve(std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
      if (!player.SelectSubtitleTrack(o.SubtitleTrack))
        std::fprintf(stderr, "no subtitle track %d\n", o.SubtitleTrack);
    }
    // An explicit --seek or --chapter wins over the remembered place.
    std::optional<int64_t> resumeAt = store && !o.Seek && !o.Chapter ? store->Find(absolute) : std::nullopt;
    if (o.Chapter) {
      const std::vector<TChapter> chapters = player.Chapters();
      if (o.Chapter > int64_t(chapters.size())) {
        std::fprintf(stderr, "--chapter %lld: the file has %zu chapters\n", (long long)o.Chapter, chapters.size());
        player.Stop(true);
        rc = 1;
        continue;
      }
      const TChapter& c = chapters[size_t(o.Chapter - 1)];
      char text[96];
      std::snprintf(text, sizeof text, "chapter %lld at %.6f ", (long long)o.Chapter, c.Start / 1e6);
      PrintLine(text + c.Title);
      player.Seek({}, true, c.Start);
    } else if (resumeAt) {
      char text[64];
      std::snprintf(text, sizeof text, "resume %.6f", *resumeAt / 1e6);
      PrintLine(text);
      player.Seek({}, true, *resumeAt);
      lastPosition = *resumeAt;
    } else if (o.Seek) {
      player.Seek({zv::sfExact}, true, SecondsToMicros(*o.Seek));
    }
    // Without --play-for, never: the end of the file stops it.
    const auto playUntil = o.PlayFor ? Deadline(std::chrono::steady_clock::now(), *o.PlayFor)
                                     : std::chrono::steady_clock::time_point::max();
    bool stopRequested = false;
    while (!stopped) {
      // A signal cannot wake the wait: it is seen within a slice.
      auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
      if (!stopRequested && playUntil < until) until = playUntil;
      Serve(until);
      const bool timeUp = std::chrono::steady_clock::now() >= playUntil;
      if (!stopRequested && (gInterrupted || timeUp || ended)) {
        if (store) store->Leave(absolute, ended ? duration.load() : lastPosition.load(), duration);
        player.Stop(false);
        stopRequested = true;
      }
    }
    player.Stop(true);
  }
  SetMainThreadWakeHook(nullptr);
  CheckSynchronize();  // log lines the playback's threads left for this thread
  if (o.Stats) {
    TVideoStats s = player.VideoStats();
    char text[512];
    std::snprintf(text, sizeof text,
                  "stats pictures decoded %lld shown %lld due %lld dropped-late %lld skipped-by-decoder %lld "
                  "discarded-after-seek %lld; played %.3f s at %.3f fps; "
                  "pts-master ms mean %.1f mean-abs %.1f min %.1f max %.1f over %lld; "
                  "|pts-master| ms p50 %.2f p95 %.2f p99 %.2f; shown after due ms p50 %.2f p99 %.2f",
                  (long long)s.Decoded, (long long)s.Shown, (long long)s.Due, (long long)s.DroppedLate,
                  (long long)s.SkippedByDecoder, (long long)s.DiscardedAfterSeek, s.PlayedSeconds, s.FrameRate,
                  s.SyncMean * 1e3, s.SyncMeanAbs * 1e3, s.SyncMin * 1e3, s.SyncMax * 1e3, (long long)s.SyncCount,
                  s.SyncAbsP50 * 1e3, s.SyncAbsP95 * 1e3, s.SyncAbsP99 * 1e3, s.LatenessP50 * 1e3,
                  s.LatenessP99 * 1e3);
    PrintLine(text);
  }
  return rc;
}

}  // namespace zv::cli
