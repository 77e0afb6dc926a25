#include "phase_play.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "bench_support.h"
#include "engine/player.h"
#include "runtime/main_thread.h"

namespace zv::bench {

namespace {
using Clock = std::chrono::steady_clock;

}  // namespace

TPhasePlay PlayStretch(const std::string& file, double seconds, const std::function<void(TFFPlayer&)>& prepare,
                       const std::function<bool(TFFPlayer&)>& ready) {
  TPhasePlay r;
  TFFPlayer player;
  if (!player.LoadLibraries("", true)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return r;
  }
  player.SetTriggerEventInMainThread(false);
  player.SetAudioDriver(adDummy);
  player.SetVideoDriver(vdDummy);
  if (prepare) prepare(player);
  std::atomic<bool> ended{false};
  player.SetOnState([&](TFFBaseComponent*, TPlayState ps) {
    if (ps == psEnd) ended = true;
  });
  const double cpu0 = CpuSeconds();
  const auto start = Clock::now();
  if (!player.Open(file, 0, false)) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return r;
  }
  if (!WaitServing([&] { return player.VideoStats().Shown > 0; }, 10, std::chrono::milliseconds(1)) ||
      (ready && !WaitServing([&] { return ready(player); }, 10, std::chrono::milliseconds(5)))) {
    std::fprintf(stderr, "no picture, or not ready, within 10 s\n");
    player.Stop(true);
    return r;
  }
  WaitServing([&] { return ended.load() || std::chrono::duration<double>(Clock::now() - start).count() >= seconds; },
       seconds * 3, std::chrono::milliseconds(20));
  const TVideoStats s = player.VideoStats();
  r.Cpu = CpuSeconds() - cpu0;
  r.Media = s.RecentPts.empty() ? 0 : s.RecentPts.back() + (s.FrameRate > 0 ? 1.0 / s.FrameRate : 0.0);
  r.Shown = s.Shown;
  r.Decoded = s.Decoded;
  r.DroppedLate = s.DroppedLate;
  r.Due = s.Due;
  r.DisplayMicros = s.DisplayMicros;
  player.Stop(true);
  r.Ok = r.Media > 0;
  return r;
}

void PrintPhasePlay(const TPhasePlay& r) {
  std::printf("cpu %.6f\nmedia %.6f\nshown %lld\ndecoded %lld\ndropped %lld\ndue %lld\ndisplay_us %.0f\n", r.Cpu,
              r.Media, (long long)r.Shown, (long long)r.Decoded, (long long)r.DroppedLate, (long long)r.Due,
              r.DisplayMicros);
}

}  // namespace zv::bench
