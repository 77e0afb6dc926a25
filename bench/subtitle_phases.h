#pragma once
// playback_bench's phases for text subtitles: the 1080p clip played with an
// ASS file beside it against the same playback without one.
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zv::bench {

// Runs the phase in this process when it is one of these: prints "key value"
// lines and gives 0 when it worked; -1 when the phase is not one of these.
int RunSubtitlePhase(const std::string& phase, const std::string& clip);

// Runs the phases through runPhase (a fresh process each; its "key value"
// pairs, empty on failure) and prints the figures; false when one failed.
using TRunPhase = std::function<std::vector<std::pair<std::string, double>>(const std::string&)>;
bool ReportSubtitlePhases(const TRunPhase& runPhase);

}  // namespace zv::bench
