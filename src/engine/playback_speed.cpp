#include "engine/playback_speed.h"

#include <cstdio>

namespace zv {

std::string SpeedMessage(double speed) {
  char text[32];
  std::snprintf(text, sizeof text, "Speed: %.2fx", speed);
  return text;
}

}  // namespace zv
