#pragma once
// The demultiplexing loop of one playback: pause and seek requests, queue
// limits, reading and distributing packets, and the end of the file. It runs
// on the reader thread until the playback is aborted.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/media_state.h"
#include "engine/reread_filter.h"

namespace zv {

// What the reader tells the rest of the player.
struct TDemuxerSinks {
  // The picture of the current position is out, or none will come.
  std::function<void()> PictureReady;
  // A seek dropped the queued pictures' packets: the new position's picture is to come.
  std::function<void()> PictureToCome;
  // A seek was carried out (or failed) and its request is no longer pending.
  std::function<void(int64_t generation, bool failed)> SeekCarriedOut;
  std::function<void(const std::string&)> Error;  // for the user
  std::function<void(const std::string&)> Info;   // for the log
  // A sound or subtitle stream switch is asked for (unset: never).
  std::function<bool()> SwitchPending;
  // Carries it out (the components closed and opened on this thread) and
  // says what to read again for the streams it opened.
  std::function<TStreamReread()> SwitchStreams;
};

void RunDemuxer(TMediaState* playback, const TDemuxerSinks& sinks);

}  // namespace zv
