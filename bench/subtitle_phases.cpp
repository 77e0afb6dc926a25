#include "subtitle_phases.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/player.h"
#include "engine/subtitle_file_loader.h"
#include "engine/text_overlay.h"
#include "phase_play.h"

namespace zv::bench {

namespace {

constexpr double kSeconds = 20;

// "0:00:01.50"
std::string AssTime(double s) {
  const int cs = int(s * 100 + 0.5);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d.%02d", cs / 360000, cs / 6000 % 60, cs / 100 % 60, cs % 100);
  return buf;
}

// A styled track over the whole clip: a new line every `every` s, each
// lasting `lasts` s; the dense one also moves and recolours its lines.
std::string AssTrack(double every, double lasts, bool busy) {
  std::string s =
      "[Script Info]\nScriptType: v4.00+\nPlayResX: 1920\nPlayResY: 1080\n\n[V4+ Styles]\n"
      "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
      "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
      "MarginR, MarginV, Encoding\n"
      "Style: Default,DejaVu Sans,54,&H00FFFFFF,&H000000FF,&H00000000,&H80000000,0,0,0,0,100,100,0,0,1,2.5,1.5,2,60,"
      "60,50,1\n"
      "Style: Sign,DejaVu Sans,44,&H0000E0FF,&H000000FF,&H00302030,&H80000000,1,0,0,0,100,100,0,0,1,2,0,8,60,60,40,1"
      "\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
  int i = 0;
  for (double t = 0; t < kSeconds + 2; t += every, ++i) {
    std::string text = "Line " + std::to_string(i) + ": {\\i1}the quick brown fox{\\i0} jumps over {\\b1}the lazy dog{\\b0}";
    const char* style = "Default";
    if (busy) {
      if (i % 2) {
        style = "Sign";
        text = "{\\pos(" + std::to_string(300 + (i * 37) % 1300) + "," + std::to_string(120 + (i * 53) % 300) +
               ")\\c&H" + (i % 4 == 1 ? "40FF40" : "FF8040") + "&}Sign " + std::to_string(i);
      }
    }
    s += "Dialogue: 0," + AssTime(t) + "," + AssTime(t + lasts) + "," + style + ",,0,0,0,," + text + "\n";
  }
  return s;
}

struct TTrackKind {
  const char* phase;
  const char* description;
  double every, lasts;
  bool busy;
};
constexpr TTrackKind kKinds[] = {
    {"subs_paced", "a new line every 0.5 s, two on screen", 0.5, 1.0, false},
    {"subs_dense", "a new line every picture, two on screen, half of them placed and recoloured signs", 0.04, 0.08,
     true},
};

}  // namespace

int RunSubtitlePhase(const std::string& phase, const std::string& clip) {
  if (phase == "subs_none") {
    const TPhasePlay r = PlayStretch(clip, kSeconds);
    PrintPhasePlay(r);
    return r.Ok ? 0 : 1;
  }
  for (const TTrackKind& k : kKinds) {
    if (phase != k.phase) continue;
    namespace fs = std::filesystem;
    char dirName[] = "/tmp/zelvo_subs_bench_XXXXXX";
    if (!mkdtemp(dirName)) return 1;
    const fs::path dir = dirName;
    std::error_code ec;
    fs::create_symlink(fs::absolute(clip), dir / "clip.mkv", ec);
    std::ofstream(dir / "clip.ass", std::ios::binary) << AssTrack(k.every, k.lasts, k.busy);
    if (ec) return 1;
    // Counts only once the file beside the clip is loaded and selected.
    const TPhasePlay r = PlayStretch((dir / "clip.mkv").string(), kSeconds, {}, [](TFFPlayer& p) {
      return p.SubtitleFiles().Idle() && p.TextOverlay().HasTrack();
    });
    fs::remove_all(dir, ec);
    PrintPhasePlay(r);
    return r.Ok ? 0 : 1;
  }
  return -1;
}

bool ReportSubtitlePhases(const TRunPhase& runPhase) {
  auto get = [](const std::vector<std::pair<std::string, double>>& v, const char* key) {
    for (const auto& [k, x] : v)
      if (k == key) return x;
    return 0.0;
  };
  const auto none = runPhase("subs_none");
  if (none.empty()) return false;
  const double base = get(none, "cpu") / get(none, "media");
  std::printf("text subtitles: the 1080p clip without subtitles: %.3f CPU s per media s, %.0f shown of %.0f due, "
              "drawing %.0f µs per picture\n",
              base, get(none, "shown"), get(none, "due"), get(none, "display_us") / std::max(1.0, get(none, "shown")));
  bool ok = true;
  for (const TTrackKind& k : kKinds) {
    const auto r = runPhase(k.phase);
    if (r.empty()) {
      ok = false;
      continue;
    }
    const double per = get(r, "cpu") / get(r, "media");
    std::printf("text subtitles: with an ASS file beside it (%s): %.3f CPU s per media s, %.0f shown of %.0f due, "
                "%.0f dropped late, drawing %.0f µs per picture\n",
                k.description, per, get(r, "shown"), get(r, "due"), get(r, "dropped"),
                get(r, "display_us") / std::max(1.0, get(r, "shown")));
    std::printf("%s_cpu_ratio: %.2f\n", k.phase, per / base);
  }
  return ok;
}

}  // namespace zv::bench
