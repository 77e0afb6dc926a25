#pragma once
// Where one stream of a playback stands towards its end. Each status has one
// writer thread; others read it.
//
//   Playing --end of the data--> Draining --all given out--> Ended
//      ^                            |                          |
//      +-------- seek (flush), or data again after the end ----+
#include <atomic>

namespace zv {

enum class TStreamPhase : int { Playing, Draining, Ended };

class TStreamStatus {
 public:
  TStreamPhase Phase() const { return TStreamPhase(Phase_.load(std::memory_order_acquire)); }
  // The one way the phase changes; gives the phase it left, so a caller acts
  // once on entering a phase.
  TStreamPhase MoveTo(TStreamPhase next) {
    return TStreamPhase(Phase_.exchange(int(next), std::memory_order_acq_rel));
  }
  bool Is(TStreamPhase p) const { return Phase() == p; }

 private:
  std::atomic<int> Phase_{int(TStreamPhase::Playing)};
};

}  // namespace zv
