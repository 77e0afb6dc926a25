// The player's video side as the application sees it: frame copies and the
// video hook's handler.
#include "engine/player.h"

namespace zv {

TBitmap& TCustomPlayer::CurrentFrame(int64_t& APTS) { return FShownPicture.Copy(FFrameConverter, APTS); }

TBitmap& TCustomPlayer::CurrentFrame() {
  int64_t pts = 0;
  return CurrentFrame(pts);
}

void TCustomPlayer::SetOnVideoHook(TVideoHookEvent h) {
  std::lock_guard<std::mutex> g(FEventLock);
  FOnVideoHook = std::move(h);
}

TVideoHookEvent TCustomPlayer::OnVideoHook() const {
  std::lock_guard<std::mutex> g(FEventLock);
  return FOnVideoHook;
}

}  // namespace zv
