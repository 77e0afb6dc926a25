#pragma once
// What each reported play state does to the window.
#include <cstdint>

namespace zvapp {

// Ordinals of the engine's play states.
enum class TAppPlayState : int { psPlay = 0, psPause, psResume, psStep, psStop, psEnd };

// "Play", "Pause", "Resume", "Step", "Stop", "End"; "" for an unknown ordinal.
const char* PlayStateName(int ordinal);

enum class TTopMostChange { Keep, Set, Clear };

struct TPlayStateEffect {
  bool timerEnabled = false;
  bool showControls = false;   // ShowControls(true)
  TTopMostChange topMost = TTopMostChange::Keep;
  bool clearPanel = false;     // repaint the panel black
  bool rewindAndPause = false; // Seek(any, 0) then Pause
};

TPlayStateEffect PlayStateEffect(int ordinal, bool stayOnTopChecked);

}  // namespace zvapp
