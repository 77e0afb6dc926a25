#pragma once
// A seek asked of the reader: posted by an application thread, carried out
// by the reader. One at a time: while one is pending another is refused and
// its caller waits for the pending one; an exact seek instead waits its turn
// behind it (one deep: a newer exact seek replaces a waiting one), so that
// where a drag ends, a frame step or a loop's jump is never lost.
//
// A seek asked while paused also marks that its first picture must still be
// decoded and shown; the video thread clears the mark once that picture came,
// unless a newer seek was asked meanwhile.
#include <cmath>
#include <cstdint>
#include <mutex>

namespace zv {

class TSeekRequest {
 public:
  struct TTarget {
    int64_t Pos = 0;  // µs (or bytes), as given to the format library
    int64_t Rel = 0;  // direction hint: > 0 forward, < 0 backward, 0 none
    int Flags = 0;
    int64_t Generation = 0;
    // Exact seeks: the time (s, in the streams' time line) before which
    // decoded pictures and sound are dropped; NaN for a key-picture seek.
    double DropBefore = NAN;
    bool WithPictures = false;  // the playback has video: its sound waits for the target's picture
  };

  // The generation of the request now pending: target's own, or that of the
  // one already pending when this one is refused.
  int64_t Post(const TTarget& target, bool paused);
  // Pending or waiting its turn: nothing more is posted behind it.
  bool Waiting() const;
  // Reader: the pending request, if any.
  bool Take(TTarget& target) const;
  // Reader: the pending request was carried out (or failed).
  void Done();
  bool Pending() const;
  // The last request posted, pending or not.
  TTarget Last() const;

  // The request of this generation, while it is the last or the one before
  // (a decoder asks right after taking the seek's flush); false when older.
  bool Of(int64_t generation, TTarget& target) const;
  // Monotonic µs at which the request of this generation was carried out; 0
  // when not (yet) known.
  int64_t CarriedOutAt(int64_t generation) const;

  bool PictureAwaitedInPause() const;
  // Video thread: the first picture after the seek of this generation came.
  void PictureCame(int64_t generation);

 private:
  mutable std::mutex Lock_;
  TTarget Target_;            // guarded by Lock_
  TTarget Previous_;          // guarded by Lock_: the one posted before Target_
  int64_t CarriedGeneration_ = 0;  // guarded by Lock_
  int64_t CarriedAt_ = 0;          // guarded by Lock_
  bool Pending_ = false;      // guarded by Lock_
  bool AwaitedInPause_ = false;  // guarded by Lock_
  TTarget Next_;                 // guarded by Lock_: an exact seek waiting for the pending one
  bool HasNext_ = false;         // guarded by Lock_
  bool NextPaused_ = false;      // guarded by Lock_
};

}  // namespace zv
