// The player's subtitle operations: each shows what it did on screen.
#include "engine/player.h"

namespace zv {

void TCustomPlayer::SetSubtitlesVisible(bool AVisible) {
  FTextOverlay.SetVisible(AVisible);
  ShowMessage(AVisible ? "Subtitles on" : "Subtitles off");
}

void TCustomPlayer::ToggleSubtitles() { SetSubtitlesVisible(!FTextOverlay.Visible()); }

void TCustomPlayer::ShiftSubtitleDelay(int AMilliseconds) {
  const int64_t delay = FTextOverlay.DelayMs() + AMilliseconds;
  FTextOverlay.SetDelayMs(delay);
  ShowMessage("Subtitle delay: " + std::to_string(delay) + " ms");
}

}  // namespace zv
