#pragma once
// Reading part of a file again after a stream switch: the reader goes back to
// where the new stream is wanted from, and the packets of the other streams
// that are already queued are left out when they come by a second time.
#include <cstdint>
#include <vector>

#include "runtime/av_headers.h"

namespace zv {

// What a stream switch asks of the reader.
struct TStreamReread {
  bool Needed = false;
  int64_t SeekTo = 0;       // µs on the file's time line (AV_TIME_BASE, start time included)
  std::vector<int> Fresh;   // streams opened by the switch: nothing of them is queued
  int TrimStream = -1;      // of these, the one whose packets ending before TrimFrom are left out
  int64_t TrimFrom = AV_NOPTS_VALUE;  // in TrimStream's time base
};

class TRereadFilter {
public:
  // A packet went into a queue.
  void Note(const AVPacket* pkt);
  // A seek emptied the queues.
  void Reset();
  // The reader has gone back for the switch r.
  void Begin(const TStreamReread& r);
  // True when pkt is to be left out.
  bool Skip(const AVPacket* pkt);
  // The packets of stream read again are still ones already queued.
  bool CatchingUp(int stream) const;

private:
  struct TMark {
    int Stream = -1;
    int64_t Dts = AV_NOPTS_VALUE;
    int64_t Pos = -1;
  };
  static TMark* Find(std::vector<TMark>& marks, int stream);

  std::vector<TMark> FLast;    // the last packet queued of each stream
  std::vector<TMark> FSkipTo;  // during a re-read: left out up to and including these
  int FTrimStream = -1;
  int64_t FTrimFrom = AV_NOPTS_VALUE;
};

}  // namespace zv
