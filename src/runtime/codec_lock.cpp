#include "runtime/codec_lock.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/entry_points.h"
#include "runtime/logger.h"

namespace zv {

namespace {

struct CodecMutexSlot {
  int handle = 0;  // guarded by the protocol itself: CREATE/DESTROY run on the loading thread
  std::mutex* mutex = nullptr;
};

CodecMutexSlot gSlot;
void* gLibraryLockPtr = nullptr;  // the library-side lock pointer; points at gSlot once created
std::atomic<int> gNextHandle{1};
std::atomic<bool> gFinalizing{false};

// OBTAIN's line is logged only after the matching RELEASE: logging can wait for
// the main thread, which may itself be waiting for the codec mutex.
thread_local std::vector<std::string> tPendingObtainLines;

void LogLine(TLogLevel level, const std::string& text) { DefaultLogger().Log(nullptr, level, text); }

CodecMutexSlot* SlotOf(void** mutex) {
  if (!mutex || !*mutex) return nullptr;
  auto* slot = static_cast<CodecMutexSlot*>(*mutex);
  return slot->handle != 0 ? slot : nullptr;
}

}  // namespace

extern "C" int LockManagerCallback(void** mutex, int op) {
  if (gFinalizing.load(std::memory_order_relaxed)) return 0;
  try {
    switch (op) {
      case AV_LOCK_CREATE: {
        if (auto* existing = SlotOf(mutex)) {
          LogLine(llError, Format("error, codec mutex [%d] already exist.", {existing->handle}));
          return -1;
        }
        if (gSlot.handle != 0) {
          LogLine(llWarning, Format("warning, local codec mutex [%d] not destroyed.", {gSlot.handle}));
          delete gSlot.mutex;
          gSlot = {};
        }
        gSlot.mutex = new std::mutex;
        gSlot.handle = gNextHandle.fetch_add(1);
        LogLine(llDebug, Format("create codec mutex [%d].", {gSlot.handle}));
        if (mutex) *mutex = &gSlot;
        return 0;
      }
      case AV_LOCK_OBTAIN:
      case AV_LOCK_RELEASE: {
        auto* slot = SlotOf(mutex);
        if (!slot) {
          LogLine(llError, "error, codec mutex not available.");
          return -1;
        }
        if (op == AV_LOCK_OBTAIN) {
          slot->mutex->lock();
          tPendingObtainLines.push_back(Format("obtain codec mutex [%d].", {slot->handle}));
          return 0;
        }
        const int handle = slot->handle;
        slot->mutex->unlock();
        std::vector<std::string> pending;
        pending.swap(tPendingObtainLines);
        for (auto& line : pending) LogLine(llDebug, line);
        LogLine(llDebug, Format("release codec mutex [%d].", {handle}));
        return 0;
      }
      case AV_LOCK_DESTROY: {
        if (auto* slot = SlotOf(mutex)) {
          LogLine(llDebug, Format("destory codec mutex [%d].", {slot->handle}));
          delete slot->mutex;
          slot->mutex = nullptr;
          slot->handle = 0;
          *mutex = nullptr;
        }
        return 0;
      }
      default:
        LogLine(llError, Format("error, invalid codec mutex operation %d.", {int(int8_t(op))}));
        return -1;
    }
  } catch (...) {
    // A log handler's exception must not travel into library code.
    return -1;
  }
}

int RegisterCodecLockManager(bool install) {
  if (gLibraryLockPtr && LockManagerCallback(&gLibraryLockPtr, AV_LOCK_DESTROY) != 0) return -1;
  if (install && LockManagerCallback(&gLibraryLockPtr, AV_LOCK_CREATE) != 0) return -1;
  return 0;
}

void** CodecLockPointer() { return &gLibraryLockPtr; }

int CodecMutexHandle() { return gSlot.handle; }

void SetCodecLockFinalizing(bool finalizing) { gFinalizing.store(finalizing); }

int OpenCodec(AVCodecContext* ctx, const AVCodec* codec, AVDictionary** options) {
  if (LockManagerCallback(&gLibraryLockPtr, AV_LOCK_OBTAIN) != 0) return -1;
  int ret = ff::avcodec_open2(ctx, codec, options);
  LockManagerCallback(&gLibraryLockPtr, AV_LOCK_RELEASE);
  return ret;
}

void FreeCodec(AVCodecContext** ctx) {
  if (!ctx || !*ctx) return;
  bool locked = LockManagerCallback(&gLibraryLockPtr, AV_LOCK_OBTAIN) == 0;
  ff::avcodec_free_context(ctx);
  if (locked) LockManagerCallback(&gLibraryLockPtr, AV_LOCK_RELEASE);
}

}  // namespace zv
