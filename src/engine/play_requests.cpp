#include "engine/play_requests.h"

#include "engine/media_state.h"
#include "engine/player.h"

namespace zv {

bool WakePlayLoop(TMediaState* playback, uint32_t reasons) {
  if (!playback || !playback->Owner) return false;
  playback->Owner->Wakeup().Signal(reasons);
  return true;
}

}  // namespace zv
