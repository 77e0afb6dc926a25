#include "engine/frame_scheduler.h"

#include <algorithm>
#include <cmath>

#include "engine/clocks.h"

namespace zv {

namespace {
constexpr double SyncThresholdMin = 0.01;
constexpr double NoSyncThreshold = 10.0;
constexpr double MaxFrameDelay = 10.0;
}  // namespace

void TFrameScheduler::SetClocks(std::function<double()> master, std::function<double()> video) {
  Master_ = std::move(master);
  Video_ = std::move(video);
}

void TFrameScheduler::Restart(double timer, double lastPts, double lastDelay) {
  {
    std::lock_guard<std::mutex> g(TimerLock_);
    Timer_ = timer;
  }
  LastPts_ = lastPts;
  LastDelay_ = lastDelay;
  Skip_ = 1.0f;
  SkipIndex_ = 0.0f;
  LateDropsPending_.store(0, std::memory_order_relaxed);
}

double TFrameScheduler::StampPts(double pts, double frameDuration, int repeatPict) {
  if (!std::isnan(pts))
    NextPts_ = pts;
  else
    pts = NextPts_;
  NextPts_ += frameDuration + repeatPict * (frameDuration * 0.5);
  return pts;
}

double TFrameScheduler::DueTime(double pts) {
  double delay = pts - LastPts_;
  if (delay <= 0 || delay >= MaxFrameDelay)
    delay = LastDelay_;  // timestamp jump, or the first picture after a flush
  else
    LastDelay_ = delay;
  LastPts_ = pts;

  // Media time above, wall time below.
  const double speed = Speed();
  const double mediaDelay = delay;
  delay = mediaDelay / speed;
  const double master = Master_ ? Master_() : NAN;
  if (!std::isnan(master)) {
    const double diff = (Video_ ? Video_() : master) - master;
    const double threshold = std::max(SyncThresholdMin, mediaDelay);
    if (std::fabs(diff) < NoSyncThreshold) {
      if (diff <= -threshold) {
        delay = 0;
      } else if (diff >= threshold) {
        delay = 2 * delay;
      } else if (std::fabs(pts - master) < NoSyncThreshold) {
        // Left alone inside the band, an offset of up to a picture would stay
        // for good: aim at the moment the master reaches this pts, within the
        // same bounds (at once .. twice the delay).
        const double aimed = ClockSeconds() + (pts - master) / speed - Timer();
        delay = std::clamp(aimed, 0.0, 2 * delay);
      }
    }
  }
  std::lock_guard<std::mutex> g(TimerLock_);
  Timer_ += delay;
  return Timer_;
}

bool TFrameScheduler::PassPicture() {
  for (int n = LateDropsPending_.exchange(0, std::memory_order_relaxed); n > 0; --n) PassFewer();
  SkipIndex_ += 1.0f;
  if (SkipIndex_ >= Skip_) {
    SkipIndex_ -= std::max(1.0f, Skip_);
    return true;
  }
  return false;
}

void TFrameScheduler::PassFewer() { Skip_ *= 1.05f; }

void TFrameScheduler::OnFullQueue() { Skip_ = std::max(Skip_ * 0.95f, 0.95f); }

void TFrameScheduler::ShiftBy(double seconds) {
  std::lock_guard<std::mutex> g(TimerLock_);
  Timer_ += seconds;
}

double TFrameScheduler::Timer() const {
  std::lock_guard<std::mutex> g(TimerLock_);
  return Timer_;
}

}  // namespace zv
