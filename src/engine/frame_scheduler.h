#pragma once
// When each decoded picture falls due on screen, and how many decoded
// pictures are passed on at all. The video thread schedules; the pause toggle
// moves the schedule by the time spent paused; the display reports the late
// pictures it dropped.
#include <atomic>
#include <functional>
#include <mutex>

#include "engine/playback_speed.h"

namespace zv {

class TFrameScheduler {
 public:
  // The clocks pictures are timed against, set before the video thread runs.
  // The master reads NaN while there is no sound to follow: pictures then
  // keep their own distances.
  void SetClocks(std::function<double()> master, std::function<double()> video);
  // The speed media time runs at, set before the playback's threads run;
  // without one, 1. Pictures fall due their pts distance divided by it.
  void FollowSpeed(const TPlaybackSpeed* speed) { Speed_ = speed; }
  double Speed() const { return SpeedOf(Speed_); }

  // Video thread. A fresh schedule: the last picture (lastPts) was due at timer.
  void Restart(double timer, double lastPts, double lastDelay);
  // The picture's pts, NaN for none: a picture without one continues the
  // clock of those before. Moves that clock on by the picture's duration.
  double StampPts(double pts, double frameDuration, int repeatPict);
  // Monotonic time (s) at which a picture with this pts is due; moves the schedule on.
  double DueTime(double pts);
  // Counts one decoded picture; true when it is to be shown.
  bool PassPicture();
  // The display let pictures pile up: pass more.
  void OnFullQueue();

  // Any thread. The display dropped a picture that came too late: pass fewer.
  void NoteLateDrop() { LateDropsPending_.fetch_add(1, std::memory_order_relaxed); }
  void ShiftBy(double seconds);
  double Timer() const;

  // Video thread: for reports and tests.
  double LastDelay() const { return LastDelay_; }
  double LastPts() const { return LastPts_; }
  float SkipRatio() const { return Skip_; }

 private:
  void PassFewer();

  mutable std::mutex TimerLock_;
  double Timer_ = 0;  // guarded by TimerLock_

  // Video thread only.
  double LastPts_ = 0, LastDelay_ = 0;
  double NextPts_ = 0;  // what a picture without pts is stamped with
  float Skip_ = 1, SkipIndex_ = 0;
  std::function<double()> Master_, Video_;  // set before the video thread starts
  const TPlaybackSpeed* Speed_ = nullptr;    // set before the playback's threads start

  std::atomic<int> LateDropsPending_{0};  // the display's late drops, taken by PassPicture
};

}  // namespace zv
