#include "engine/seek_request.h"

#include "engine/clocks.h"

namespace zv {

int64_t TSeekRequest::Post(const TTarget& target, bool paused) {
  std::lock_guard<std::mutex> g(Lock_);
  if (Pending_ && std::isnan(target.DropBefore)) return HasNext_ ? Next_.Generation : Target_.Generation;
  if (Pending_) {
    Next_ = target;
    HasNext_ = true;
    NextPaused_ = paused;
    return target.Generation;
  }
  Previous_ = Target_;
  Target_ = target;
  Pending_ = true;
  AwaitedInPause_ = paused;
  return target.Generation;
}

bool TSeekRequest::Take(TTarget& target) const {
  std::lock_guard<std::mutex> g(Lock_);
  if (Pending_) target = Target_;
  return Pending_;
}

void TSeekRequest::Done() {
  std::lock_guard<std::mutex> g(Lock_);
  Pending_ = false;
  CarriedGeneration_ = Target_.Generation;
  CarriedAt_ = ClockMicros();
  if (HasNext_) {
    Previous_ = Target_;
    Target_ = Next_;
    Pending_ = true;
    AwaitedInPause_ = NextPaused_;
    HasNext_ = false;
  }
}

bool TSeekRequest::Of(int64_t generation, TTarget& target) const {
  std::lock_guard<std::mutex> g(Lock_);
  if (generation <= 0) return false;
  if (Target_.Generation == generation) {
    target = Target_;
    return true;
  }
  if (Previous_.Generation == generation) {
    target = Previous_;
    return true;
  }
  return false;
}

int64_t TSeekRequest::CarriedOutAt(int64_t generation) const {
  std::lock_guard<std::mutex> g(Lock_);
  return CarriedGeneration_ == generation ? CarriedAt_ : 0;
}

bool TSeekRequest::Pending() const {
  std::lock_guard<std::mutex> g(Lock_);
  return Pending_;
}

bool TSeekRequest::Waiting() const {
  std::lock_guard<std::mutex> g(Lock_);
  return Pending_ || HasNext_;
}

TSeekRequest::TTarget TSeekRequest::Last() const {
  std::lock_guard<std::mutex> g(Lock_);
  return Target_;
}

bool TSeekRequest::PictureAwaitedInPause() const {
  std::lock_guard<std::mutex> g(Lock_);
  return AwaitedInPause_;
}

void TSeekRequest::PictureCame(int64_t generation) {
  std::lock_guard<std::mutex> g(Lock_);
  if (Target_.Generation <= generation) AwaitedInPause_ = false;  // a newer one keeps it
}

}  // namespace zv
