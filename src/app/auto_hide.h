#pragma once
// When the control bar hides: user activity over the window, sampled once a
// second while something plays.
#include <cstdint>

namespace zvapp {

struct TScreenRect {
  int left, top, width, height;
};

class TActivityMonitor {
public:
  static constexpr int kMoveThreshold = 10;       // pixels
  static constexpr uint32_t kIdleLimit = 3000;    // ms

  explicit TActivityMonitor(uint32_t now) : LastActiveTick(now) {}

  // A click or double click on the picture.
  void Touch(uint32_t now) { LastActiveTick = now; }

  // One timer tick with the pointer at (x, y) and the window's outer rectangle;
  // returns whether the controls should be visible.
  bool Tick(int x, int y, const TScreenRect& window, uint32_t now);

  uint32_t LastActiveTick;
  int LastMouseX = 0;
  int LastMouseY = 0;
};

// Strictly inside: the rectangle's edges do not count.
bool StrictlyInside(int x, int y, const TScreenRect& r);

}  // namespace zvapp
