#pragma once
// The one thing the play loop sleeps on. Every producer (a picture queued, a
// quit, a reopen, a pause toggle, a flush) signals it; the loop also wakes when the window system's connection has input, or at the
// deadline of the next picture. SDL's own event wait is not used: for a
// foreign window its cross-thread wake-up goes to the window's owner, not to
// SDL, so it would sleep out its whole time-out.
#include <atomic>
#include <cstdint>

namespace zv {

enum TWakeReason : uint32_t {
  wrRefresh = 1u << 0,       // something may be due: look at the picture queue
  wrQuit = 1u << 2,          // close the playback
  wrReopenVideo = 1u << 3,   // the output's shape changed
};

class TPlayWakeup {
public:
  TPlayWakeup();
  ~TPlayWakeup();
  TPlayWakeup(const TPlayWakeup&) = delete;
  TPlayWakeup& operator=(const TPlayWakeup&) = delete;

  // Any thread; never blocks.
  void Signal(uint32_t reasons);
  // Play thread: sleeps until a signal, input on extraFd (-1 for none) or the
  // time-out (ms, < 0 for none); returns the reasons signalled since the last
  // call and clears them (0 after a time-out or input only).
  uint32_t Wait(int timeoutMs, int extraFd);
  // Reasons pending without waiting (clears them).
  uint32_t Take();

private:
  std::atomic<uint32_t> FPending{0};
  int FEventFd = -1;  // written by Signal, drained by Wait
};

}  // namespace zv
