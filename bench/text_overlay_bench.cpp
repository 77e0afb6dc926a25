// The text layer's cost per picture at 1080p with a dense ASS track (a new
// line every 0.5 s, two on screen): pictures at 25 fps, most of them with
// nothing new to draw. Compare with the same pictures and no track.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/text_overlay.h"

namespace {

void BM_OverlayPerPicture(benchmark::State& state) {
  const bool withTrack = state.range(0) != 0;
  zv::TTextOverlay overlay([] { return 0.0; });
  if (!overlay.Available()) return state.SkipWithError("libass not installed");
  if (withTrack) {
    overlay.OpenTrack("");
    for (int i = 0; i < 2400; ++i)
      overlay.AddEvent(std::to_string(i) + ",0,Default,,0,0,0,,{\\b1}Line " + std::to_string(i) +
                           " of the dense track, {\\i1}two on screen{\\i0}",
                       int64_t(i) * 500, 1000);
  }
  const zv::TOverlayGeometry g{1920, 1080, 0, 0, 1920, 1080, 1920, 1080};
  double t = 0;
  int64_t changes = 0;
  for (auto _ : state) {
    changes += overlay.Render(g, t) ? 1 : 0;
    t += 0.04;
    if (t > 1200) t = 0;
  }
  state.counters["changed_share"] = double(changes) / double(state.iterations());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OverlayPerPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
