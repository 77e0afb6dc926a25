#include "correction_phases.h"

#include <algorithm>
#include <cstdio>

#include "../tools/fixture_list.h"
#include "bench_support.h"
#include "engine/player.h"
#include "phase_play.h"

namespace zv::bench {

namespace {

namespace fx = zv::fixtures;
constexpr double kSeconds = fx::kHdVariantSeconds;

struct TPhase {
  const char* name;
  std::string_view file;
  bool deinterlace;
};
// The rotated clip has the plain clip's pictures; the interlaced one is
// measured against itself with deinterlacing off.
constexpr TPhase kPhases[] = {
    {"turn_plain", fx::kHd1080pMkv, true},
    {"turn_90", fx::kHd1080pRotate90Mp4, true},
    {"deint_off", fx::kHd1080iMkv, false},
    {"deint_on", fx::kHd1080iMkv, true},
};

}  // namespace

int RunCorrectionPhase(const std::string& phase) {
  for (const TPhase& p : kPhases) {
    if (phase != p.name) continue;
    const TPhasePlay r = PlayStretch(MediaFile(std::string(p.file)), kSeconds,
                                     [&](TFFPlayer& player) { player.SetDeinterlace(p.deinterlace); });
    PrintPhasePlay(r);
    return r.Ok ? 0 : 1;
  }
  return -1;
}

bool ReportCorrectionPhases(const TRunPhase& runPhase) {
  auto get = [](const std::vector<std::pair<std::string, double>>& v, const char* key) {
    for (const auto& [k, x] : v)
      if (k == key) return x;
    return 0.0;
  };
  std::vector<std::vector<std::pair<std::string, double>>> r;
  for (const TPhase& p : kPhases) {
    r.push_back(runPhase(p.name));
    if (r.back().empty()) return false;
  }
  auto line = [&](const char* what, size_t base, size_t with, const char* key) {
    const double perPicture = (get(r[with], "cpu") - get(r[base], "cpu")) / std::max(1.0, get(r[with], "shown"));
    std::printf("%s: %.3f CPU s per media s against %.3f without, %.0f shown of %.0f due, %.0f dropped late; "
                "%.2f CPU ms more per picture\n",
                what, get(r[with], "cpu") / get(r[with], "media"), get(r[base], "cpu") / get(r[base], "media"),
                get(r[with], "shown"), get(r[with], "due"), get(r[with], "dropped"), perPicture * 1000);
    std::printf("%s_ms_per_picture: %.2f\n", key, perPicture * 1000);
    std::printf("%s_cpu_ratio: %.2f\n", key, (get(r[with], "cpu") / get(r[with], "media")) /
                                                 (get(r[base], "cpu") / get(r[base], "media")));
  };
  line("1080p turned 90 degrees (libavfilter transpose before the upload)", 0, 1, "turn_90");
  line("1080i deinterlaced (bwdif, one picture per picture)", 2, 3, "deinterlace");
  return true;
}

}  // namespace zv::bench
