#pragma once
// How fast media time runs against the wall clock (1 = the media's own pace).
// The player owns one and sets it under its lock; the sound path, the picture
// schedule and the clocks of the playback read it.
#include <atomic>
#include <string>

#include "filters/tempo_stage.h"

namespace zv {

class TPlaybackSpeed {
public:
  // Any thread.
  double Get() const { return FSpeed.load(std::memory_order_relaxed); }
  // Clamped to MinSpeed..MaxSpeed (NaN gives 1); the value taken.
  double Set(double speed) {
    speed = ClampSpeed(speed);
    FSpeed.store(speed, std::memory_order_relaxed);
    return speed;
  }

private:
  std::atomic<double> FSpeed{1.0};
};

// 1 where no speed is connected.
inline double SpeedOf(const TPlaybackSpeed* speed) { return speed ? speed->Get() : 1.0; }

// The on-screen text for a speed: "Speed: 1.50x".
std::string SpeedMessage(double speed);

}  // namespace zv
