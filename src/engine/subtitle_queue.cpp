#include "engine/subtitle_queue.h"

#include <chrono>

#include "runtime/entry_points.h"

namespace zv {

namespace {
constexpr auto PollPeriod = std::chrono::milliseconds(10);

void FreeSubPicture(TSubPicture& sp) {
  ff::avsubtitle_free(&sp.Sub);
  sp.Pts = 0;
}
}  // namespace

TSubtitleQueue::~TSubtitleQueue() {
  std::lock_guard<std::mutex> g(FLock);
  FreeAll();
}

bool TSubtitleQueue::WaitForRoom(const std::function<bool()>& aborted) {
  std::unique_lock<std::mutex> l(FLock);
  while (FSize >= Capacity && !aborted()) FFreed.wait_for(l, PollPeriod);
  return !aborted();
}

bool TSubtitleQueue::Put(double pts, AVSubtitle& sub) {
  std::lock_guard<std::mutex> g(FLock);
  if (FSize >= Capacity) {
    ff::avsubtitle_free(&sub);
    return false;
  }
  TSubPicture& sp = FEntries[FWrite];
  sp.Pts = pts;
  sp.Sub = sub;
  sub = AVSubtitle{};
  FWrite = (FWrite + 1) % Capacity;
  ++FSize;
  return true;
}

void TSubtitleQueue::FreeHead() {
  FreeSubPicture(FEntries[FRead]);
  FRead = (FRead + 1) % Capacity;
  --FSize;
}

void TSubtitleQueue::FreeAll() {
  while (FSize > 0) FreeHead();
}

bool TSubtitleQueue::Expire(double currentPts) {
  bool freed = false;
  {
    std::lock_guard<std::mutex> g(FLock);
    if (FStreamChanged) {
      FreeAll();
      FStreamChanged = false;
      freed = true;
    } else if (FSize > 0) {
      const TSubPicture& sp = FEntries[FRead];
      bool expired = currentPts > sp.Pts + sp.Sub.end_display_time / 1000.0;
      if (!expired && FSize > 1) {
        const TSubPicture& next = FEntries[(FRead + 1) % Capacity];
        expired = currentPts > next.Pts + next.Sub.start_display_time / 1000.0;
      }
      if (expired) {
        FreeHead();
        freed = true;
      }
    }
  }
  if (freed) FFreed.notify_all();
  return freed;
}

bool TSubtitleQueue::HeadDue(double picturePts) {
  std::lock_guard<std::mutex> g(FLock);
  if (FSize <= 0) return false;
  const TSubPicture& sp = FEntries[FRead];
  return picturePts >= sp.Pts + sp.Sub.start_display_time / 1000.0 && sp.Sub.num_rects > 0;
}

bool TSubtitleQueue::BlendHead(double picturePts, const std::function<void(const AVSubtitleRect*)>& blend) {
  // Held while blending: the close may free the entries from another thread.
  std::lock_guard<std::mutex> g(FLock);
  if (FSize <= 0) return false;
  const TSubPicture& sp = FEntries[FRead];
  if (!(picturePts >= sp.Pts + sp.Sub.start_display_time / 1000.0)) return false;
  for (unsigned i = 0; i < sp.Sub.num_rects; ++i) blend(sp.Sub.rects[i]);
  return sp.Sub.num_rects > 0;
}

void TSubtitleQueue::MarkStreamChanged() {
  {
    std::lock_guard<std::mutex> g(FLock);
    FStreamChanged = true;
  }
  FFreed.notify_all();
}

bool TSubtitleQueue::StreamChangePending() {
  std::lock_guard<std::mutex> g(FLock);
  return FStreamChanged;
}

void TSubtitleQueue::Clear() {
  {
    std::lock_guard<std::mutex> g(FLock);
    FreeAll();
    // Nothing is left to drop: a stream opened next keeps its first entries.
    FStreamChanged = false;
  }
  FFreed.notify_all();
}

void TSubtitleQueue::WakeProducer() {
  { std::lock_guard<std::mutex> g(FLock); }
  FFreed.notify_all();
}

void TSubtitleQueue::Visit(const std::function<void(const TSubPicture&)>& f) {
  std::lock_guard<std::mutex> g(FLock);
  for (int k = 0; k < FSize; ++k) f(FEntries[(FRead + k) % Capacity]);
}

TSubtitleQueue::TIndices TSubtitleQueue::Indices() {
  std::lock_guard<std::mutex> g(FLock);
  return TIndices{FSize, FRead, FWrite};
}

}  // namespace zv
