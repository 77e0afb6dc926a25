#pragma once
// playback_bench's phases for the picture corrections: what turning a 1080p
// picture by 90 degrees and deinterlacing 1080i cost against plain playback.
#include "subtitle_phases.h"

namespace zv::bench {

// As RunSubtitlePhase: 0 done, > 0 failed, -1 not one of these phases.
int RunCorrectionPhase(const std::string& phase);
bool ReportCorrectionPhases(const TRunPhase& runPhase);

}  // namespace zv::bench
