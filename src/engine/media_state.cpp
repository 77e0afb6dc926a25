#include "engine/media_state.h"

#include <new>

#include "engine/play_requests.h"

namespace zv {

TMediaState* NewMediaState() {
  // Value-initialisation zero-fills the buffers before the members' own initialisers run.
  TMediaState* is = new (std::nothrow) TMediaState();
  if (is)
    is->Pictures.Connect([is] { WakePlayLoop(is, wrRefresh); }, [is] { return VideoQueueAborted(is); });
  return is;
}

void FreeMediaState(TMediaState* is) {
  if (!is) return;
  // The close joins every thread; one still here is told to finish and joined,
  // since it uses the record and a joinable std::thread would end the process.
  is->AbortRequest.store(1, std::memory_order_relaxed);
  for (std::thread* t : {&is->ReadThread, &is->VideoThread, &is->SubtitleThread})
    if (t->joinable() && t->get_id() != std::this_thread::get_id()) t->join();
  PacketQueueEnd(is->AudioQueue);
  PacketQueueEnd(is->VideoQueue);
  PacketQueueEnd(is->SubtitleQueue);
  delete is;
}

bool SeekPicturePending(TMediaState* is) {
  return is->VideoStreamIndex >= 0 && PacketQueueGeneration(is->VideoQueue) > is->SeekPictureGeneration.load();
}

}  // namespace zv
