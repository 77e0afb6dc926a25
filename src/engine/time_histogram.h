#pragma once
// Percentiles of a stream of non-negative durations in bounded memory: counts
// in fixed bins (the resolution), everything beyond the last bin in it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv {

class TTimeHistogram {
public:
  TTimeHistogram(double binSeconds, size_t bins) : FBin(binSeconds), FCounts(bins, 0) {}
  void Add(double seconds);
  void Clear();
  int64_t Count() const { return FTotal; }
  // The upper edge of the bin where share (0..1] of the values is reached; 0 when empty.
  double Percentile(double share) const;

private:
  double FBin;
  std::vector<uint32_t> FCounts;
  int64_t FTotal = 0;
};

}  // namespace zv
