#include "engine/play_wakeup.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace zv {

namespace {
// Only if the kernel refuses an eventfd: then the loop polls at this pace.
constexpr int FallbackSliceMs = 5;
}  // namespace

TPlayWakeup::TPlayWakeup() : FEventFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TPlayWakeup::~TPlayWakeup() {
  if (FEventFd >= 0) close(FEventFd);
}

void TPlayWakeup::Signal(uint32_t reasons) {
  FPending.fetch_or(reasons, std::memory_order_release);
  if (FEventFd >= 0) {
    const uint64_t one = 1;
    // A full counter still wakes the reader, so a failed write loses nothing.
    [[maybe_unused]] ssize_t n = write(FEventFd, &one, sizeof one);
  }
}

uint32_t TPlayWakeup::Take() {
  if (FEventFd >= 0) {
    uint64_t count;
    [[maybe_unused]] ssize_t n = read(FEventFd, &count, sizeof count);
  }
  return FPending.exchange(0, std::memory_order_acquire);
}

uint32_t TPlayWakeup::Wait(int timeoutMs, int extraFd) {
  if (uint32_t r = FPending.load(std::memory_order_acquire)) return Take() | r;
  pollfd fds[2];
  int n = 0;
  if (FEventFd >= 0) fds[n++] = pollfd{FEventFd, POLLIN, 0};
  if (extraFd >= 0) fds[n++] = pollfd{extraFd, POLLIN, 0};
  if (FEventFd < 0 && (timeoutMs < 0 || timeoutMs > FallbackSliceMs)) timeoutMs = FallbackSliceMs;
  int r;
  do {
    r = poll(fds, nfds_t(n), timeoutMs);
  } while (r < 0 && errno == EINTR && timeoutMs < 0);
  return Take();
}

}  // namespace zv
