#include "engine/media_state.h"

#include <new>

#include "engine/play_requests.h"

namespace zv {

TMediaState* NewMediaState() {
  // Value-initialisation zero-fills the buffers before the members' own initialisers run.
  TMediaState* playback = new (std::nothrow) TMediaState();
  if (playback)
    playback->Pictures.Connect([playback] { WakePlayLoop(playback, wrRefresh); },
                               [playback] { return VideoQueueAborted(playback); });
  return playback;
}

void FreeMediaState(TMediaState* playback) {
  if (!playback) return;
  // The close joins every thread; one still here is told to finish and joined,
  // since it uses the record and a joinable std::thread would end the process.
  playback->AbortRequest.store(1, std::memory_order_relaxed);
  for (std::thread* t : {&playback->ReadThread, &playback->VideoThread, &playback->SubtitleThread})
    if (t->joinable() && t->get_id() != std::this_thread::get_id()) t->join();
  PacketQueueEnd(playback->AudioQueue);
  PacketQueueEnd(playback->VideoQueue);
  PacketQueueEnd(playback->SubtitleQueue);
  delete playback;
}

bool SeekPicturePending(TMediaState* playback) {
  return playback->VideoStreamIndex >= 0 &&
         PacketQueueGeneration(playback->VideoQueue) > playback->SeekPictureGeneration.load();
}

}  // namespace zv
