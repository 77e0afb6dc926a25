#include "cli/cli_player.h"

#include <cerrno>
#include <csignal>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/player.h"
#include "runtime/file_utils.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"

namespace zv::cli {

namespace {

struct TOptions {
  std::string File;
  std::string LibPath;
  bool NoDisplay = false, Positions = false, StartPaused = false, Mute = false, Stats = false;
  TLogLevel LogLevel = llQuiet;  // log lines are printed only when asked for
  std::optional<double> Seek, PlayFor;
  int Volume = MaxAudioVolume;
  std::string SubtitleFile;
  int SubtitleTrack = 0;  // counted from 1; 0 the player's choice
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

bool ParseNumber(const char* text, double& v) {
  char* end = nullptr;
  v = std::strtod(text, &end);
  return end && end != text && *end == 0;
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
    double d = 0;
    if (a == "--no-display") o.NoDisplay = true;
    else if (a == "--positions") o.Positions = true;
    else if (a == "--start-paused") o.StartPaused = true;
    else if (a == "--mute") o.Mute = true;
    else if (a == "--stats") o.Stats = true;
    else if (a == "--no-sub") o.NoSubtitles = true;
    else if (a == "--sub") {
      if (!value(v) || !*v) return std::fprintf(stderr, "bad --sub\n"), false;
      o.SubtitleFile = v;
    } else if (a == "--sid") {
      char* end = nullptr;
      errno = 0;
      const long n = value(v) ? std::strtol(v, &end, 10) : 0;
      if (!end || end == v || *end || errno || n < 1 || n > 999) return std::fprintf(stderr, "bad --sid (1..999)\n"), false;
      o.SubtitleTrack = int(n);
    }
    else if (a == "--log-level") {
      if (!value(v) || !ParseLogLevel(v, o.LogLevel)) return std::fprintf(stderr, "bad --log-level\n"), false;
    } else if (a == "--seek") {
      if (!value(v) || !ParseNumber(v, d) || d < 0) return std::fprintf(stderr, "bad --seek\n"), false;
      o.Seek = d;
    } else if (a == "--play-for") {
      if (!value(v) || !ParseNumber(v, d) || d < 0) return std::fprintf(stderr, "bad --play-for\n"), false;
      o.PlayFor = d;
    } else if (a == "--volume") {
      if (!value(v) || !ParseNumber(v, d) || d < 0 || d > MaxAudioVolume)
        return std::fprintf(stderr, "bad --volume (0..128)\n"), false;
      o.Volume = int(d);
    } else if (a == "--audio-driver") {
      if (!value(v) || !AudioDriverFromName(v, o.AudioDriver)) return std::fprintf(stderr, "bad --audio-driver\n"), false;
    } else if (a == "--video-driver") {
      if (!value(v) || !VideoDriverFromName(v, o.VideoDriver)) return std::fprintf(stderr, "bad --video-driver\n"), false;
    } else if (a == "--lib-path") {
      if (!value(v)) return std::fprintf(stderr, "bad --lib-path\n"), false;
      o.LibPath = v;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return std::fprintf(stderr, "unknown option %s\n", a.c_str()), false;
    } else if (o.File.empty()) {
      o.File = a;
    } else {
      return std::fprintf(stderr, "more than one file given\n"), false;
    }
  }
  if (o.File.empty()) return std::fprintf(stderr, "no file given\n"), false;
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

}  // namespace

void PrintPlayerUsage() {
  std::fprintf(stderr,
               "       zelvo-cli FILE [--no-display] [--positions] [--log-level LEVEL] [--start-paused]\n"
               "                      [--seek SECONDS] [--play-for SECONDS] [--volume 0..128] [--mute]\n"
               "                      [--audio-driver NAME] [--video-driver NAME] [--lib-path DIR] [--stats]\n"
               "                      [--sub SUBTITLE_FILE] [--sid N] [--no-sub]\n"
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
  player.SetAudioDriver(o.AudioDriver);
  player.SetVideoDriver(o.VideoDriver);
  player.SetDisableDisplay(o.NoDisplay);
  player.SetAudioVolume(o.Volume);
  player.SetMute(o.Mute);
  if (o.NoSubtitles) {
    player.SetAutoLoadSubtitleFiles(false);
    player.TextOverlay().SetVisible(false);
  }
  player.SetOnFileOpen([](TFFBaseComponent*, int64_t duration, int w, int h, int&, int&) {
    char text[128];
    std::snprintf(text, sizeof text, "open duration %.6f frame %dx%d", duration < 0 ? -1.0 : duration / 1e6, w, h);
    PrintLine(text);
  });
  player.SetOnState([&](TFFBaseComponent*, TPlayState s) {
    PrintLine(std::string("state ") + PlayStateName(s));
    if (s == psEnd) ended = true;
    if (s == psStop) stopped = true;
  });
  if (o.Positions)
    player.SetOnPosition([](TFFBaseComponent*, int64_t pos) {
      char text[64];
      std::snprintf(text, sizeof text, "position %.6f", pos / 1e6);
      PrintLine(text);
    });

  if (!player.Open(o.File, 0, o.StartPaused)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return 1;
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
  if (o.Seek) player.Seek({}, true, int64_t(*o.Seek * 1e6));
  // Without --play-for, never.
  const auto playUntil = o.PlayFor ? std::chrono::steady_clock::now() + std::chrono::microseconds(int64_t(*o.PlayFor * 1e6))
                                   : std::chrono::steady_clock::time_point::max();
  bool stopRequested = false;
  SetMainThreadWakeHook(WakeServe);
  while (!stopped) {
    // A signal cannot wake the wait: it is seen within a slice.
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    if (!stopRequested && playUntil < until) until = playUntil;
    Serve(until);
    const bool timeUp = std::chrono::steady_clock::now() >= playUntil;
    if (!stopRequested && (gInterrupted || timeUp || (ended && !o.PlayFor))) {
      player.Stop(false);
      stopRequested = true;
    }
  }
  player.Stop(true);
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
  return 0;
}

}  // namespace zv::cli
