#include "runtime/main_thread.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace zv {

namespace {

struct PendingCall {
  const std::function<void()>* fn = nullptr;  // the caller's; it outlives the call since the caller blocks
  std::function<void()> posted;               // a call nobody waits for, owned here
  bool done = false;                          // guarded by Queue::mutex
  std::exception_ptr error;                   // written before done is set, read after
};

struct Queue {
  std::mutex mutex;
  std::condition_variable finished;
  std::deque<std::shared_ptr<PendingCall>> pending;  // guarded by mutex
};

Queue& TheQueue() {
  static Queue q;
  return q;
}

struct Hooks {
  std::mutex mutex;
  std::function<void()> wake;  // guarded by mutex
  std::function<void()> pump;  // guarded by mutex
};

Hooks& TheHooks() {
  static Hooks h;
  return h;
}

std::atomic<bool> gMainSet{false};
std::atomic<std::thread::id> gMainId{};

}  // namespace

void InitMainThread() {
  // The first thread that initialises the runtime stays the main thread.
  static std::once_flag once;
  std::call_once(once, [] {
    gMainId.store(std::this_thread::get_id(), std::memory_order_release);
    gMainSet.store(true, std::memory_order_release);
  });
}

bool HasMainThread() { return gMainSet.load(std::memory_order_acquire); }

bool IsMainThread() {
  return gMainSet.load(std::memory_order_acquire) &&
         gMainId.load(std::memory_order_acquire) == std::this_thread::get_id();
}

namespace {

void Enqueue(std::shared_ptr<PendingCall> call) {
  Queue& q = TheQueue();
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    q.pending.push_back(std::move(call));
  }
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(TheHooks().mutex);
    wake = TheHooks().wake;
  }
  if (wake) wake();
}

}  // namespace

void PostToMainThread(std::function<void()> fn) {
  if (!HasMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<PendingCall>();
  call->posted = std::move(fn);
  Enqueue(std::move(call));
}

void CallInMainThread(const std::function<void()>& fn) {
  // Without a main thread nobody would ever serve the queue: run in place.
  if (!HasMainThread() || IsMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<PendingCall>();
  call->fn = &fn;
  Queue& q = TheQueue();
  Enqueue(call);
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lock(q.mutex);
    q.finished.wait(lock, [&] { return call->done; });
    // Taken out so the exception is owned by this thread alone from here on.
    error = std::move(call->error);
    call->error = nullptr;
  }
  if (error) std::rethrow_exception(error);
}

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  Queue& q = TheQueue();
  std::deque<std::shared_ptr<PendingCall>> batch;
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    batch.swap(q.pending);
  }
  if (batch.empty()) return false;
  for (auto& call : batch) {
    if (!call->fn) {
      try {
        call->posted();
      } catch (...) {
        // Nobody waits for a posted call to hand its failure to.
      }
      continue;
    }
    try {
      (*call->fn)();
    } catch (...) {
      call->error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(q.mutex);
      call->done = true;
    }
    q.finished.notify_all();
  }
  return true;
}

void SetMainThreadWakeHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(TheHooks().mutex);
  TheHooks().wake = std::move(hook);
}

void SetPumpMessagesHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(TheHooks().mutex);
  TheHooks().pump = std::move(hook);
}

void PumpMessages() {
  std::function<void()> pump;
  {
    std::lock_guard<std::mutex> lock(TheHooks().mutex);
    pump = TheHooks().pump;
  }
  if (pump) pump();
}

void ServeMainThread() {
  if (!IsMainThread()) return;
  CheckSynchronize();
  PumpMessages();
}

}  // namespace zv
