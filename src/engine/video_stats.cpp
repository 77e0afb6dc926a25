#include "engine/video_stats.h"

#include <algorithm>
#include <cmath>

namespace zv {

void TVideoStatsCounter::Reset() {
  std::lock_guard<std::mutex> g(FLock);
  FStats = TVideoStats{};
  FSyncSum = FSyncAbsSum = 0;
  FRing.clear();
  FPtsRing.clear();
  FRingNext = 0;
  FSyncAbs.Clear();
  FLateness.Clear();
  FLastPass = -1;
}

void TVideoStatsCounter::SetFrameRate(double fps) {
  std::lock_guard<std::mutex> g(FLock);
  FStats.FrameRate = std::isfinite(fps) && fps > 0 ? fps : 0;
}

void TVideoStatsCounter::AddDroppedLate() {
  std::lock_guard<std::mutex> g(FLock);
  ++FStats.DroppedLate;
}

void TVideoStatsCounter::NotePass(double now, bool playing) {
  std::lock_guard<std::mutex> g(FLock);
  // Time starts with the first picture on screen.
  if (!playing || FStats.Shown + FStats.DroppedLate == 0) {
    FLastPass = -1;
    return;
  }
  if (FLastPass >= 0 && now > FLastPass) FStats.PlayedSeconds += now - FLastPass;
  FLastPass = now;
}

void TVideoStatsCounter::AddDecoded() {
  std::lock_guard<std::mutex> g(FLock);
  ++FStats.Decoded;
}

void TVideoStatsCounter::AddSkippedByDecoder() {
  std::lock_guard<std::mutex> g(FLock);
  ++FStats.SkippedByDecoder;
}

void TVideoStatsCounter::AddDiscardedAfterSeek() {
  std::lock_guard<std::mutex> g(FLock);
  ++FStats.DiscardedAfterSeek;
}

void TVideoStatsCounter::AddSurfaceOpen() {
  std::lock_guard<std::mutex> g(FLock);
  ++FStats.SurfaceOpens;
}

void TVideoStatsCounter::AddQueueTime(double micros) {
  std::lock_guard<std::mutex> g(FLock);
  FStats.QueueMicros += micros;
}

void TVideoStatsCounter::AddDisplayTime(double micros) {
  std::lock_guard<std::mutex> g(FLock);
  FStats.DisplayMicros += micros;
}

void TVideoStatsCounter::AddShown(double pts, double ptsMinusMaster, double lateness) {
  std::lock_guard<std::mutex> g(FLock);
  ++FStats.Shown;
  if (FRing.size() < RecentCapacity) {
    FRing.push_back(ptsMinusMaster);
    FPtsRing.push_back(pts);
  } else {
    FRing[FRingNext] = ptsMinusMaster;
    FPtsRing[FRingNext] = pts;
    FRingNext = (FRingNext + 1) % RecentCapacity;
  }
  if (std::isfinite(lateness)) FLateness.Add(lateness > 0 ? lateness : 0);
  if (!std::isfinite(ptsMinusMaster)) return;
  FSyncAbs.Add(ptsMinusMaster);
  if (FStats.SyncCount == 0) {
    FStats.SyncMin = FStats.SyncMax = ptsMinusMaster;
  } else {
    FStats.SyncMin = std::min(FStats.SyncMin, ptsMinusMaster);
    FStats.SyncMax = std::max(FStats.SyncMax, ptsMinusMaster);
  }
  ++FStats.SyncCount;
  FSyncSum += ptsMinusMaster;
  FSyncAbsSum += std::fabs(ptsMinusMaster);
}

TVideoStats TVideoStatsCounter::Snapshot() const {
  std::lock_guard<std::mutex> g(FLock);
  TVideoStats s = FStats;
  if (s.SyncCount > 0) {
    s.SyncMean = FSyncSum / double(s.SyncCount);
    s.SyncMeanAbs = FSyncAbsSum / double(s.SyncCount);
    s.SyncAbsP50 = FSyncAbs.Percentile(0.50);
    s.SyncAbsP95 = FSyncAbs.Percentile(0.95);
    s.SyncAbsP99 = FSyncAbs.Percentile(0.99);
  }
  s.LatenessP50 = FLateness.Percentile(0.50);
  s.LatenessP99 = FLateness.Percentile(0.99);
  s.Due = int64_t(std::floor(s.PlayedSeconds * s.FrameRate + 1e-9));
  auto unroll = [this](const std::vector<double>& ring, std::vector<double>& out) {
    out.reserve(ring.size());
    out.insert(out.end(), ring.begin() + long(FRingNext), ring.end());
    out.insert(out.end(), ring.begin(), ring.begin() + long(FRingNext));
  };
  unroll(FRing, s.RecentSync);
  unroll(FPtsRing, s.RecentPts);
  return s;
}

}  // namespace zv
