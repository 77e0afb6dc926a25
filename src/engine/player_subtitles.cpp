// The player's subtitle operations: each shows what it did on screen.
#include "engine/player.h"

namespace zv {

void TCustomPlayer::SetSubtitlesVisible(bool AVisible) {
  FTextOverlay.SetVisible(AVisible);
  ShowMessage(AVisible ? "Subtitles on" : "Subtitles off");
}

void TCustomPlayer::ToggleSubtitles() { SetSubtitlesVisible(!FTextOverlay.Visible()); }

void TCustomPlayer::CycleSubtitleTrack() {
  // Off, the embedded track (when there is one), then the files', then off.
  const int count = FTextOverlay.TrackCount();
  int next = FTextOverlay.Selected();
  for (int tries = 0; tries <= count; ++tries) {
    next = next + 1 >= count ? -1 : next + 1;
    if (next < 0 || !FTextOverlay.TrackName(next).empty()) break;
  }
  FTextOverlay.Select(next);
  if (next < 0) {
    ShowMessage("Subtitles: none");
    return;
  }
  if (!FTextOverlay.Visible()) FTextOverlay.SetVisible(true);
  ShowMessage("Subtitles: " + FTextOverlay.TrackName(next));
}

void TCustomPlayer::ShiftSubtitleDelay(int AMilliseconds) {
  const int64_t delay = FTextOverlay.DelayMs() + AMilliseconds;
  FTextOverlay.SetDelayMs(delay);
  ShowMessage("Subtitle delay: " + std::to_string(delay) + " ms");
}

bool TCustomPlayer::SelectSubtitleTrack(int ANumber) {
  const int count = FTextOverlay.TrackCount();
  for (int i = 0, n = 0; i < count; ++i) {
    if (FTextOverlay.TrackName(i).empty()) continue;
    if (++n == ANumber) {
      FTextOverlay.Select(i);
      return true;
    }
  }
  return false;
}

}  // namespace zv
