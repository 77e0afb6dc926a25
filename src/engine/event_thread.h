#pragma once
// Delivers a player's queued notices in order, on its own thread; hands each
// to the main thread when the player's TriggerEventInMainThread is set. One
// thread serves all playbacks of a player, so notices of one playback never
// overtake those of the one before, and a handler may open the next file.
#include <atomic>
#include <thread>

#include "engine/manual_event.h"

namespace zv {

class TCustomPlayer;

class TEventThread {
public:
  explicit TEventThread(TCustomPlayer* player);  // starts at once
  // Terminates and waits, serving main-thread hand-offs meanwhile.
  ~TEventThread();
  TEventThread(const TEventThread&) = delete;
  TEventThread& operator=(const TEventThread&) = delete;

  void Terminate() { FTerminated.store(true, std::memory_order_relaxed); }
  bool Finished() { return FDone.IsSet(); }
  bool IsCurrentThread() const { return FThreadId.load() == std::this_thread::get_id(); }

private:
  void Execute();
  TCustomPlayer* FPlayer;
  std::atomic<bool> FTerminated{false};
  std::atomic<std::thread::id> FThreadId{};
  TManualEvent FDone{false};
  std::thread FThread;
};

}  // namespace zv
