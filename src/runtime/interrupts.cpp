#include "runtime/interrupts.h"

#include "runtime/av_headers.h"
#include "runtime/logger.h"

namespace zv {

namespace {
bool SameEntry(uint32_t id, void* opaque, TInterruptEvent cb, uint32_t id2, void* opaque2, TInterruptEvent cb2) {
  return id == id2 && opaque == opaque2 && cb.Code == cb2.Code;
}
}  // namespace

TInterruptCB::~TInterruptCB() { Clear(); }

void TInterruptCB::Register(uint32_t threadID, void* opaque, TInterruptEvent callback) {
  std::lock_guard<std::mutex> g(FLock);
  for (auto& it : FItems)
    if (SameEntry(it.ThreadID, it.Opaque, it.Callback, threadID, opaque, callback)) return;
  FItems.push_back({threadID, callback, opaque});
}

void TInterruptCB::Unregister(uint32_t threadID, void* opaque, TInterruptEvent callback) {
  std::lock_guard<std::mutex> g(FLock);
  for (auto it = FItems.begin(); it != FItems.end(); ++it)
    if (SameEntry(it->ThreadID, it->Opaque, it->Callback, threadID, opaque, callback)) {
      FItems.erase(it);
      return;
    }
}

bool TInterruptCB::Interrupted(uint32_t threadID) {
  // The callback runs under the lock, so an entry cannot be unregistered (and
  // its object freed) while it is being asked.
  std::lock_guard<std::mutex> g(FLock);
  for (auto& it : FItems)
    if (it.ThreadID == threadID) return it.Callback.Code && it.Callback.Code(it.Callback.Self, it.Opaque);
  return false;
}

void TInterruptCB::Clear() {
  std::lock_guard<std::mutex> g(FLock);
  FItems.clear();
}

size_t TInterruptCB::CountForTesting() {
  std::lock_guard<std::mutex> g(FLock);
  return FItems.size();
}

TInterruptCB& InterruptCallbacks() {
  static TInterruptCB* registry = new TInterruptCB;  // lives to process exit: library threads may still ask
  return *registry;
}

extern "C" int InterruptCallback(void*) {
  try {
    return InterruptCallbacks().Interrupted(CurrentThreadId()) ? 1 : 0;
  } catch (...) {
    // A failing decision must not unwind into the library; abandoning the
    // blocking call is the answer that can never hang the caller.
    return 1;
  }
}

void InstallInterruptCallback(AVIOInterruptCB& cb) {
  cb.callback = InterruptCallback;
  cb.opaque = nullptr;
}

}  // namespace zv
