#pragma once
// Counts of what happened to the pictures of a playback, how far each shown
// picture was from the master clock when it appeared, and whether the
// playback kept pace with the stream's frame rate.
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/time_histogram.h"

namespace zv {

struct TVideoStats {
  int64_t Decoded = 0;             // pictures out of the decoder
  int64_t Shown = 0;               // pictures put on screen
  int64_t SkippedByDecoder = 0;    // decoded but not passed on (frame-skip ratio)
  int64_t DiscardedAfterSeek = 0;  // queued before a seek, dropped unseen
  int64_t SurfaceOpens = 0;        // output (re)openings that set its size
  int64_t DroppedLate = 0;         // too late to be worth showing: dropped to keep in step
  // Pictures the stream's frame rate puts into the time played (wall time
  // while playing, from the first picture shown to the last): what a player
  // keeping pace shows, dropped ones included.
  int64_t Due = 0;
  double PlayedSeconds = 0;
  double FrameRate = 0;  // pictures per second of the stream, 0 when unknown
  // Work per picture (µs, summed): copying into its slot with the video hook
  // (waits excluded), and uploading, drawing and keeping it when shown.
  double QueueMicros = 0;
  double DisplayMicros = 0;
  // pts minus the master clock at the moment each picture was shown (s).
  int64_t SyncCount = 0;
  double SyncMean = 0;
  double SyncMeanAbs = 0;
  double SyncMin = 0;
  double SyncMax = 0;
  // Percentiles of |pts - master| (s) over every shown picture, to the
  // histogram's resolution (SyncBinSeconds); the top bin holds all beyond.
  double SyncAbsP50 = 0;
  double SyncAbsP95 = 0;
  double SyncAbsP99 = 0;
  // How long after its due time each picture went on screen (s): the play
  // loop's wake-up and drawing.
  double LatenessP50 = 0;
  double LatenessP99 = 0;
  // The last RecentCapacity shown pictures, oldest first: their pts and
  // their difference from the master clock (s).
  std::vector<double> RecentPts;
  std::vector<double> RecentSync;
};

// Shared by the video, play and application threads.
class TVideoStatsCounter {
public:
  static constexpr size_t RecentCapacity = 4096;
  static constexpr double BinSeconds = 0.00025;
  static constexpr size_t Bins = 8000;  // 2 s

  // Per playback: the stream's pictures per second (0 when unknown).
  void SetFrameRate(double fps);

  void Reset();
  void AddDecoded();
  void AddSkippedByDecoder();
  void AddDiscardedAfterSeek();
  void AddSurfaceOpen();
  void AddQueueTime(double micros);
  void AddDisplayTime(double micros);
  void AddDroppedLate();
  // A picture went on screen lateness s after its due time.
  void AddShown(double pts, double ptsMinusMaster, double lateness);
  // The play loop's pass at monotonic time now (s): time since its previous
  // pass counts as played when both saw the player playing pictures.
  void NotePass(double now, bool playing);
  TVideoStats Snapshot() const;

private:
  mutable std::mutex FLock;
  TVideoStats FStats;         // guarded by FLock (Recent* unused here)
  double FSyncSum = 0;        // guarded by FLock
  double FSyncAbsSum = 0;     // guarded by FLock
  std::vector<double> FRing;     // guarded by FLock: differences
  std::vector<double> FPtsRing;  // guarded by FLock: pts, same positions
  size_t FRingNext = 0;       // guarded by FLock
  TTimeHistogram FSyncAbs{BinSeconds, Bins};   // guarded by FLock: |difference|
  TTimeHistogram FLateness{BinSeconds, Bins};  // guarded by FLock
  double FLastPass = -1;                 // guarded by FLock: time of the last playing pass, -1 none
};

}  // namespace zv
