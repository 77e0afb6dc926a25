#include "window_phase.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "../tools/fixture_list.h"
#include "bench_support.h"
#include "engine/player.h"
#include "runtime/main_thread.h"

extern char** environ;

namespace zv::bench {

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// An Xvfb of our own, for as long as the phases run.
class TOwnXvfb {
public:
  ~TOwnXvfb() {
    if (FPid <= 0) return;
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
  }
  // The display name, empty with the reason in why.
  std::string Start(std::string& why) {
    std::string xvfb;
    for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
      if (Exists(std::string(dir) + "Xvfb")) xvfb = std::string(dir) + "Xvfb";
    if (xvfb.empty()) {
      why = "no DISPLAY and no Xvfb";
      return {};
    }
    int n = 90;
    while (n < 200 && (Exists("/tmp/.X11-unix/X" + std::to_string(n)) || Exists("/tmp/.X" + std::to_string(n) + "-lock")))
      ++n;
    const std::string name = ":" + std::to_string(n);
    std::vector<std::string> args{xvfb, name, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&FPid, xvfb.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
      FPid = -1;
      why = "Xvfb did not start";
      return {};
    }
    if (!WaitServing([&] { return Exists("/tmp/.X11-unix/X" + std::to_string(n)); }, 10)) {
      why = "Xvfb did not come up within 10 s";
      return {};
    }
    return name;
  }

private:
  pid_t FPid = -1;
};

struct TWindowPhase {
  const char* path;  // ZELVO_DRAW
  int width, height;
  const char* suffix;  // of the figures' names
};
constexpr TWindowPhase kPhases[] = {
    {"software", 1920, 1080, "software"},
    {"software", 1280, 720, "software_1280x720"},
    {"texture", 1920, 1080, "texture"},
};

std::string PhaseName(const TWindowPhase& p) {
  return "window_" + std::string(p.path) + "_" + std::to_string(p.width) + "x" + std::to_string(p.height);
}

}  // namespace

int RunWindowPhase(const std::string& phase, const std::string& file, double playSeconds) {
  const TWindowPhase* found = nullptr;
  for (const auto& p : kPhases)
    if (PhaseName(p) == phase) found = &p;
  if (!found) return -1;
  setenv("ZELVO_DRAW", found->path, 1);
  TFFPlayer player;
  if (!player.LoadLibraries("", true)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return 1;
  }
  player.SetTriggerEventInMainThread(false);
  player.SetAudioDriver(adDummy);
  player.SetVideoDriver(vdX11);
  player.SetScreenWidth(found->width);
  player.SetScreenHeight(found->height);
  std::atomic<bool> ended{false};
  player.SetOnState([&](TFFBaseComponent*, TPlayState ps) {
    if (ps == psEnd) ended = true;
  });
  const double cpu0 = CpuSeconds();
  const auto start = Clock::now();
  if (!player.Open(file, 0, false)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return 1;
  }
  WaitServing([&] {
    return ended.load() || std::chrono::duration<double>(Clock::now() - start).count() >= playSeconds;
  }, playSeconds * 3);
  const TVideoStats s = player.VideoStats();
  const double cpu = CpuSeconds() - cpu0;
  const double media = s.RecentPts.empty() ? 0 : s.RecentPts.back() + 1.0 / fixtures::kFps;
  player.Stop(true);
  if (media <= 0) return 1;
  std::printf("cpu %.6f\nmedia %.6f\nrss %.3f\nsync99 %.6f\nshown %lld\ndue %lld\n", cpu, media, PeakRssMb(),
              s.SyncAbsP99, (long long)s.Shown, (long long)s.Due);
  return 0;
}

bool RunWindowPhases(const std::string& self, double decodePerMedia) {
  TOwnXvfb xvfb;
  std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  if (display.empty()) {
    std::string why;
    display = xvfb.Start(why);
    if (display.empty()) {
      std::printf("window phases skipped: %s\n", why.c_str());
      return true;
    }
  }
  bool ok = true;
  for (const auto& p : kPhases) {
    const std::string command = "DISPLAY='" + display + "' '" + self + "' --phase " + PhaseName(p);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    double cpu = 0, media = 0, rss = 0, sync99 = 0, shown = 0, due = 0, value;
    char line[256], key[64];
    while (std::fgets(line, sizeof line, pipe)) {
      if (std::sscanf(line, "%63s %lf", key, &value) != 2) continue;
      const std::string k = key;
      if (k == "cpu") cpu = value;
      if (k == "media") media = value;
      if (k == "rss") rss = value;
      if (k == "sync99") sync99 = value;
      if (k == "shown") shown = value;
      if (k == "due") due = value;
    }
    if (pclose(pipe) != 0 || media <= 0) {
      std::fprintf(stderr, "the %s phase failed\n", PhaseName(p).c_str());
      ok = false;
      continue;
    }
    std::printf("%s window %dx%d on %s: %.3f CPU s per media s (%.2f CPU s over %.2f media s), %.0f of %.0f due "
                "pictures shown\n",
                p.path, p.width, p.height, display.c_str(), cpu / media, cpu, media, shown, due);
    std::printf("window_cpu_ratio_%s: %.2f\n", p.suffix, cpu / media / decodePerMedia);
    if (p.width == 1920) {
      std::printf("window_peak_rss_mb_%s: %.0f\n", p.suffix, rss);
      std::printf("window_sync_p99_ms_%s: %.1f\n", p.suffix, sync99 * 1e3);
    }
    std::fflush(stdout);
  }
  return ok;
}

}  // namespace zv::bench
