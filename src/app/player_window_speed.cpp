// The playback speed from the keyboard and the desktop's media service.
#include <cmath>

#include "app/player_window.h"
#include "engine/playback_speed.h"

namespace zvapp {

void TfrmPlayer::ChangeSpeedBy(double factor) {
  // Hundredths: steps up and back down land where they started.
  SetSpeed(std::round(FFPlayer.Speed() * factor * 100) / 100);
}

void TfrmPlayer::SetSpeed(double speed) {
  if (!FFileOpen) return;
  const double before = FFPlayer.Speed();
  const double taken = FFPlayer.SetSpeed(speed);
  ShowOsdMessage(zv::SpeedMessage(taken));
  if (taken != before) emit SpeedChanged(taken);
}

}  // namespace zvapp
