#include "app/play_state.h"

namespace zvapp {

const char* PlayStateName(int ordinal) {
  static const char* const kNames[] = {"Play", "Pause", "Resume", "Step", "Stop", "End"};
  return ordinal >= 0 && ordinal < 6 ? kNames[ordinal] : "";
}

TPlayStateEffect PlayStateEffect(int ordinal, bool stayOnTopChecked) {
  TPlayStateEffect e;
  switch (TAppPlayState(ordinal)) {
    case TAppPlayState::psPlay:
    case TAppPlayState::psResume:
      e.timerEnabled = true;
      e.topMost = stayOnTopChecked ? TTopMostChange::Set : TTopMostChange::Keep;
      break;
    case TAppPlayState::psPause:
    case TAppPlayState::psStep:
      e.showControls = true;
      e.topMost = TTopMostChange::Clear;
      break;
    case TAppPlayState::psStop:
      e.showControls = true;
      e.topMost = TTopMostChange::Clear;
      e.clearPanel = true;
      break;
    case TAppPlayState::psEnd:
      e.showControls = true;
      e.rewindAndPause = true;
      break;
  }
  return e;
}

}  // namespace zvapp
