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

void TVideoStatsCounter::AddShown(double pts, double ptsMinusMaster) {
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
  if (!std::isfinite(ptsMinusMaster)) return;
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
  }
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
