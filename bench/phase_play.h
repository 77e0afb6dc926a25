#pragma once
// One playback of a file as playback_bench's phases measure it: SDL's dummy
// drivers, the player's own window, for a fixed stretch of media time.
#include <cstdint>
#include <functional>
#include <string>

namespace zv {
class TFFPlayer;
}

namespace zv::bench {

struct TPhasePlay {
  bool Ok = false;
  double Cpu = 0;    // CPU s of the whole process from Open to the end of the stretch
  double Media = 0;  // media s played
  int64_t Shown = 0, Decoded = 0, DroppedLate = 0, Due = 0;
  double DisplayMicros = 0;  // summed upload, draw and keep time of the pictures shown
};

// Plays `seconds` of file (less when it ends first). prepare runs after the
// player is set up and before Open; ready (optional) must hold before the
// stretch counts (e.g. a subtitle file loaded), checked after the first picture.
TPhasePlay PlayStretch(const std::string& file, double seconds, const std::function<void(TFFPlayer&)>& prepare = {},
                       const std::function<bool(TFFPlayer&)>& ready = {});

// Prints the result as "key value" lines for the phase runner.
void PrintPhasePlay(const TPhasePlay& r);

}  // namespace zv::bench
