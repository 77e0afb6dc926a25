#include "runtime/codec_lock.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "runtime/entry_points.h"
#include "runtime/logger.h"

namespace zv {

namespace {

std::atomic<int> gCreateFailure{0};  // tests: the error the next CREATEs fail with

// An error-checking mutex: a second OBTAIN by the holder and a RELEASE by a
// thread that does not hold it fail instead of being undefined behaviour.
struct CodecMutex {
  pthread_mutex_t m;
};

int CreateCodecMutex(CodecMutex*& out) {
  out = nullptr;
  auto* cm = new (std::nothrow) CodecMutex;
  if (!cm) return ENOMEM;
  pthread_mutexattr_t attr;
  int rc = pthread_mutexattr_init(&attr);
  if (rc == 0) {
    rc = pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
    if (rc == 0) rc = pthread_mutex_init(&cm->m, &attr);
    pthread_mutexattr_destroy(&attr);
  }
  if (rc != 0) {
    delete cm;
    return rc;
  }
  out = cm;
  return 0;
}

void DestroyCodecMutex(CodecMutex* cm) {
  if (!cm) return;
  pthread_mutex_destroy(&cm->m);
  delete cm;
}

std::string SystemMessage(int code) {
  char buf[256] = {0};
  // The GNU variant returns the text, which may not be buf.
  const char* text = strerror_r(code, buf, sizeof buf);
  return text ? text : "unknown error";
}

struct CodecMutexSlot {
  int handle = 0;  // guarded by the protocol itself: CREATE/DESTROY run on the loading thread
  CodecMutex* mutex = nullptr;
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
          DestroyCodecMutex(gSlot.mutex);
          gSlot = {};
        }
        CodecMutex* created = nullptr;
        if (const int rc = gCreateFailure.load() ? gCreateFailure.load() : CreateCodecMutex(created)) {
          LogLine(llError, Format("error, failed to create codec mutex: %s.", {SystemMessage(rc)}));
          return -1;
        }
        gSlot.mutex = created;
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
          if (const int rc = pthread_mutex_lock(&slot->mutex->m)) {
            LogLine(llError,
                    Format("error, could not wait on codec mutex [%d]: %s.", {slot->handle, SystemMessage(rc)}));
            return -1;
          }
          tPendingObtainLines.push_back(Format("obtain codec mutex [%d].", {slot->handle}));
          return 0;
        }
        const int handle = slot->handle;
        if (const int rc = pthread_mutex_unlock(&slot->mutex->m)) {
          LogLine(llError, Format("error, could not release codec mutex [%d]: %s.", {handle, SystemMessage(rc)}));
          return -1;
        }
        std::vector<std::string> pending;
        pending.swap(tPendingObtainLines);
        for (auto& line : pending) LogLine(llDebug, line);
        LogLine(llDebug, Format("release codec mutex [%d].", {handle}));
        return 0;
      }
      case AV_LOCK_DESTROY: {
        if (auto* slot = SlotOf(mutex)) {
          LogLine(llDebug, Format("destory codec mutex [%d].", {slot->handle}));
          DestroyCodecMutex(slot->mutex);
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

void SetCodecMutexCreateFailureForTesting(int errorCode) { gCreateFailure.store(errorCode); }

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
