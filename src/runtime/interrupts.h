#pragma once
// Per-thread interrupt decisions for blocking library I/O: the library asks
// InterruptCallback from whichever thread is blocked, and the registry answers
// with the callback registered for that thread.
#include <cstdint>
#include <mutex>
#include <vector>

struct AVIOInterruptCB;

namespace zv {

// A method pointer: Code decides, Self is the object (it takes no part in matching).
struct TInterruptEvent {
  bool (*Code)(void* Self, void* AOpaque) = nullptr;
  void* Self = nullptr;
};

class TInterruptCB {
public:
  ~TInterruptCB();
  void Register(uint32_t threadID, void* opaque, TInterruptEvent callback);
  void Unregister(uint32_t threadID, void* opaque, TInterruptEvent callback);
  // The first matching entry's answer (registration order); false without one.
  bool Interrupted(uint32_t threadID);
  void Clear();
  size_t CountForTesting();

private:
  struct TInterruptItem {
    uint32_t ThreadID;
    TInterruptEvent Callback;
    void* Opaque;
  };
  std::mutex FLock;
  std::vector<TInterruptItem> FItems;  // guarded by FLock
};

TInterruptCB& InterruptCallbacks();

// 1 to abandon the blocking operation, 0 to go on.
extern "C" int InterruptCallback(void* unused);

// What every format context the engine opens gets as its interrupt_callback.
void InstallInterruptCallback(AVIOInterruptCB& cb);

}  // namespace zv
