#pragma once
// The codec lock: one process-wide mutex that serialises opening and closing
// codecs between threads. The library no longer drives a lock manager, so the
// program calls the protocol itself (CREATE after avcodec binds, DESTROY at its
// unload, OBTAIN/RELEASE around every codec open and close).
struct AVCodecContext;
struct AVCodec;
struct AVDictionary;

namespace zv {

enum TLockOp { AV_LOCK_CREATE = 0, AV_LOCK_OBTAIN = 1, AV_LOCK_RELEASE = 2, AV_LOCK_DESTROY = 3 };

// mutex points at the library-side lock pointer. 0 success, -1 failure.
extern "C" int LockManagerCallback(void** mutex, int op);

// Register the lock manager the way the library once did: a DESTROY of the
// current mutex, then CREATE when install. Returns 0 or -1.
int RegisterCodecLockManager(bool install);
// The library-side lock pointer (nullptr when no mutex exists).
void** CodecLockPointer();
// Handle of the current mutex (0 when none).
int CodecMutexHandle();
// After this, every request is a no-op that succeeds (process exit).
void SetCodecLockFinalizing(bool finalizing);
// Tests: CREATE fails with this system error code (0: normal creation).
void SetCodecMutexCreateFailureForTesting(int errorCode);

// avcodec_open2 / avcodec_free_context under the codec lock. OpenCodec returns
// the library's result, or -1 when the lock could not be obtained.
int OpenCodec(AVCodecContext* ctx, const AVCodec* codec, AVDictionary** options);
void FreeCodec(AVCodecContext** ctx);

}  // namespace zv
