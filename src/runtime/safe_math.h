#pragma once
// Arithmetic on values a file gives (timestamps, durations, sizes, counts):
// they are untrusted, so results saturate or fail instead of overflowing.
#include <cmath>
#include <cstdint>
#include <limits>

namespace zv {

inline int64_t SatAdd(int64_t a, int64_t b) {
  int64_t r;
  if (!__builtin_add_overflow(a, b, &r)) return r;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

inline int64_t SatSub(int64_t a, int64_t b) {
  int64_t r;
  if (!__builtin_sub_overflow(a, b, &r)) return r;
  return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

// a * b, false when it does not fit (out is then untouched).
template <typename T>
bool CheckedMul(T a, T b, T& out) {
  T r;
  if (__builtin_mul_overflow(a, b, &r)) return false;
  out = r;
  return true;
}

// Seconds as whole microseconds, rounded, clamped to the 64-bit range (NaN gives 0).
inline int64_t SecondsToMicros(double seconds) {
  const double us = seconds * 1000000.0;
  if (std::isnan(us)) return 0;
  // 2^63 is exactly representable; anything from there on does not fit.
  if (us >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (us <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return std::llround(us);
}

// Microseconds of a media time measured from the file's start time.
inline int64_t MicrosFromStart(double seconds, int64_t startTime) {
  return SatSub(SecondsToMicros(seconds), startTime);
}

}  // namespace zv
