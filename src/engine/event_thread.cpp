#include "engine/event_thread.h"

#include "engine/player.h"
#include "runtime/main_thread.h"

namespace zv {

TEventThread::TEventThread(TCustomPlayer* player) : FPlayer(player), FThread([this] { Execute(); }) {}

TEventThread::~TEventThread() {
  Terminate();
  // The thread may be blocked handing a notice to this (main) thread.
  while (!FDone.WaitFor(std::chrono::milliseconds(10))) ServeMainThread();
  if (FThread.joinable()) FThread.join();
}

void TEventThread::Execute() {
  FThreadId.store(std::this_thread::get_id());
  TNoticeQueue& q = FPlayer->Notices();
  while (!FTerminated.load(std::memory_order_relaxed)) {
    TPlayerEvent n = q.Take();
    if (n.Kind == nkPosition) {
      FPlayer->DeliverPosition(n.Position);
    } else if (n.Kind == nkState) {
      FPlayer->DeliverState(TPlayState(n.State));
    }
    if (n.Kind != nkNone) q.Done();
    if (n.Kind != nkNone) continue;
    while (!q.WaitFor(std::chrono::milliseconds(100)) && !FTerminated.load(std::memory_order_relaxed)) {
    }
  }
  FTerminated.store(true, std::memory_order_relaxed);
  FDone.Set();
}

}  // namespace zv
