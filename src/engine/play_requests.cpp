#include "engine/play_requests.h"

#include "engine/media_state.h"
#include "engine/player.h"

namespace zv {

bool WakePlayLoop(TMediaState* is, uint32_t reasons) {
  if (!is || !is->Owner) return false;
  is->Owner->Wakeup().Signal(reasons);
  return true;
}

}  // namespace zv
