#pragma once
// The window phases of playback_bench: the player drawing the 1080p clip into
// a window of its own on an X display, once per drawing path.
#include <string>

namespace zv::bench {

// In a phase process: runs the phase when it is a window phase and returns
// its exit code; -1 when it is not one.
int RunWindowPhase(const std::string& phase, const std::string& file, double playSeconds);
// In the main process: runs the window phases (in processes of self), on the
// display there is or on an Xvfb started for them, and prints their figures
// against the decoder's CPU per media second. Prints why when it skips.
// False when a phase failed.
bool RunWindowPhases(const std::string& self, double decodePerMedia);

}  // namespace zv::bench
