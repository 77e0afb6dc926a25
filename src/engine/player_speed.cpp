#include "engine/player.h"

namespace zv {

double TCustomPlayer::SetSpeed(double ASpeed) {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  const double taken = FSpeed.Set(ASpeed);
  // Pictures already due at the old speed are looked at again.
  FWakeup.Signal(wrRefresh);
  return taken;
}

double TCustomPlayer::Speed() const {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  return FSpeed.Get();
}

}  // namespace zv
