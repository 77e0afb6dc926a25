#include "app/auto_hide.h"

#include <cstdlib>

namespace zvapp {

bool StrictlyInside(int x, int y, const TScreenRect& r) {
  return r.left < x && x < r.left + r.width && r.top < y && y < r.top + r.height;
}

bool TActivityMonitor::Tick(int x, int y, const TScreenRect& window, uint32_t now) {
  bool moved = std::abs(x - LastMouseX) > kMoveThreshold || std::abs(y - LastMouseY) > kMoveThreshold;
  if (moved && StrictlyInside(x, y, window)) {
    LastMouseX = x;
    LastMouseY = y;
    LastActiveTick = now;
  }
  // Unsigned difference, so a tick counter that wraps still works.
  return uint32_t(now - LastActiveTick) <= kIdleLimit;
}

}  // namespace zvapp
