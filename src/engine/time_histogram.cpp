#include "engine/time_histogram.h"

#include <cmath>

namespace zv {

void TTimeHistogram::Add(double seconds) {
  if (!std::isfinite(seconds) || FCounts.empty()) return;
  const double bin = std::fabs(seconds) / FBin;
  const size_t last = FCounts.size() - 1;
  ++FCounts[bin >= double(last) ? last : size_t(bin)];
  ++FTotal;
}

void TTimeHistogram::Clear() {
  FCounts.assign(FCounts.size(), 0);
  FTotal = 0;
}

double TTimeHistogram::Percentile(double share) const {
  if (FTotal == 0) return 0;
  const double want = share * double(FTotal);
  double seen = 0;
  for (size_t i = 0; i < FCounts.size(); ++i) {
    seen += FCounts[i];
    if (seen >= want) return double(i + 1) * FBin;
  }
  return double(FCounts.size()) * FBin;
}

}  // namespace zv
