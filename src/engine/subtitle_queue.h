#pragma once
// The decoded subtitles waiting for display, between the subtitle thread
// (producer) and the play thread (consumer, which expires them and blends the
// head into the picture being shown).
#include <condition_variable>
#include <functional>
#include <mutex>

#include "runtime/av_headers.h"

namespace zv {

// A decoded subtitle waiting for display.
struct TSubPicture {
  double Pts = 0;  // seconds
  AVSubtitle Sub{};
};

class TSubtitleQueue {
public:
  static constexpr int Capacity = 4;

  TSubtitleQueue() = default;
  ~TSubtitleQueue();
  TSubtitleQueue(const TSubtitleQueue&) = delete;
  TSubtitleQueue& operator=(const TSubtitleQueue&) = delete;

  // Producer. Waits for a free entry until aborted() (polled as well: an abort
  // elsewhere does not wake the wait); false when aborted.
  bool WaitForRoom(const std::function<bool()>& aborted);
  // Queues sub (the entry owns its rectangles from here on); with no free
  // entry, sub is freed and false returned.
  bool Put(double pts, AVSubtitle& sub);

  // Consumer, at a refresh step: drops at most one expired entry (by its end
  // time, or by the start of the entry after it), or all of them once the
  // stream was closed or changed. True when something was freed.
  bool Expire(double currentPts);
  // True when the head is due for a picture of picturePts and has rectangles.
  bool HeadDue(double picturePts);
  // Runs blend over the head's rectangles when it is due for a picture of
  // picturePts (the close waits meanwhile); true when it has any.
  bool BlendHead(double picturePts, const std::function<void(const AVSubtitleRect*)>& blend);

  // The stream is closing or changing: the next Expire frees every entry, and
  // a producer waiting for room looks at its abort.
  void MarkStreamChanged();
  bool StreamChangePending();
  // Frees every entry and wakes a producer waiting for room.
  void Clear();
  // Wakes a producer waiting for room so that it looks at its abort.
  void WakeProducer();

  // Runs f over the queued entries, oldest first.
  void Visit(const std::function<void(const TSubPicture&)>& f);
  struct TIndices {
    int Size = 0, Read = 0, Write = 0;
  };
  TIndices Indices();

private:
  void FreeHead();  // FLock held
  void FreeAll();   // FLock held

  std::mutex FLock;
  std::condition_variable FFreed;  // an entry was freed, or the stream is closing
  TSubPicture FEntries[Capacity];  // guarded by FLock
  int FSize = 0, FRead = 0, FWrite = 0;  // guarded by FLock
  bool FStreamChanged = false;           // guarded by FLock
};

}  // namespace zv
