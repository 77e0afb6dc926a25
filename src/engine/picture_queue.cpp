#include "engine/picture_queue.h"

#include <chrono>

#include "engine/media_state.h"
#include "runtime/entry_points.h"

namespace zv {

namespace {
// Waits are woken by the consumer or an abort; the bound only limits the
// damage of a lost wake-up.
constexpr auto WaitSlice = std::chrono::milliseconds(20);
}  // namespace

TPictureQueue::~TPictureQueue() { Clear(); }

void TPictureQueue::Connect(std::function<void()> wake, std::function<bool()> aborted) {
  FWake = std::move(wake);
  FAborted = std::move(aborted);
}

bool TPictureQueue::Full() {
  std::lock_guard<std::mutex> g(FLock);
  return FSize >= Capacity;
}

int TPictureQueue::Put(AVFrame* frame, double pts, int64_t pos, int64_t generation,
                       const std::function<bool()>& superseded, const std::function<double(double)>& schedule) {
  std::unique_lock<std::mutex> l(FLock);
  auto aborted = [&] { return FAborted && FAborted(); };
  while (FSize >= Capacity && !aborted() && !(superseded && superseded())) FFreed.wait_for(l, WaitSlice);
  if (aborted() || FSize >= Capacity) {
    l.unlock();
    ff::av_frame_unref(frame);
    return aborted() ? -1 : 0;
  }
  TSlot& s = FSlots[FWrite];
  if (!s.Frame) s.Frame = ff::av_frame_alloc();
  if (!s.Frame) {
    l.unlock();
    ff::av_frame_unref(frame);
    return 0;
  }
  ff::av_frame_move_ref(s.Frame, frame);
  s.Pts = pts;
  s.Pos = pos;
  s.Generation = generation;
  s.TargetClock = schedule ? schedule(pts) : 0;
  FWrite = (FWrite + 1) % Capacity;
  ++FSize;
  l.unlock();
  if (FWake) FWake();
  return 1;
}

void TPictureQueue::Flush(int64_t generation) {
  bool wake;
  {
    std::lock_guard<std::mutex> g(FLock);
    if (generation > FGeneration) FGeneration = generation;
    wake = FSize > 0;
  }
  if (wake && FWake) FWake();
}

bool TPictureQueue::Peek(THead& head) {
  std::lock_guard<std::mutex> g(FLock);
  if (FSize <= 0) return false;
  const TSlot& s = FSlots[FRead];
  head.Frame = s.Frame;
  head.Pts = s.Pts;
  head.Pos = s.Pos;
  head.TargetClock = s.TargetClock;
  head.Stale = s.Generation < FGeneration;
  head.Generation = s.Generation;
  head.NextTarget = 0;
  if (FSize > 1) {
    const TSlot& next = FSlots[(FRead + 1) % Capacity];
    if (next.Generation >= FGeneration) head.NextTarget = next.TargetClock;
  }
  return true;
}

void TPictureQueue::Consume() {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (FSize <= 0) return;
    ff::av_frame_unref(FSlots[FRead].Frame);
    FRead = (FRead + 1) % Capacity;
    --FSize;
  }
  FFreed.notify_all();
}

bool TPictureQueue::Empty() { return Count() == 0; }

int TPictureQueue::Count() {
  std::lock_guard<std::mutex> g(FLock);
  return FSize;
}

void TPictureQueue::WakeProducer() {
  { std::lock_guard<std::mutex> g(FLock); }
  FFreed.notify_all();
}

void TPictureQueue::Clear() {
  std::lock_guard<std::mutex> g(FLock);
  for (TSlot& s : FSlots)
    if (s.Frame) ff::av_frame_free(&s.Frame);
  FSize = FRead = FWrite = 0;
}

bool VideoQueueAborted(TMediaState* playback) {
  if (playback->AbortRequest.load(std::memory_order_relaxed)) return true;
  std::lock_guard<std::mutex> g(playback->VideoQueue.Mutex);
  return playback->VideoQueue.AbortRequest != 0;
}

bool PicturesFinished(TMediaState* playback) {
  if (!playback->VideoStream) return true;
  if (!playback->Video.Is(TStreamPhase::Ended)) return false;
  return playback->Pictures.Empty();
}

}  // namespace zv
