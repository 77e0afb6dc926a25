#include "filters/equalizer_kernels.h"

#include <cmath>
#include <cstring>
#include <numbers>

// An AVX2 copy beside the baseline one, chosen once at load time; sanitizer
// builds keep the single baseline copy.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define ZV_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ZV_VECTOR_CLONES
#endif
#define ZV_INLINE inline __attribute__((always_inline))

namespace zv {

namespace {

// 16-bit lanes throughout: p * high <= 510, the high half <= 254 and the
// offset within -384..383, so the sum never leaves int16.
ZV_INLINE uint8_t MapByte(uint8_t p, int16_t high, uint16_t low, int16_t offset) {
  const uint16_t q = p;
  const int16_t v = int16_t(int16_t(q * high) + int16_t(uint16_t((uint32_t(q) * low) >> 16)) + offset);
  return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

ZV_INLINE void MapRow(const uint8_t* __restrict src, uint8_t* __restrict dst, int width, int16_t high, uint16_t low,
                      int16_t offset) {
  for (int x = 0; x < width; ++x) dst[x] = MapByte(src[x], high, low, offset);
}

ZV_INLINE void MapRowInPlace(uint8_t* p, int width, int16_t high, uint16_t low, int16_t offset) {
  for (int x = 0; x < width; ++x) p[x] = MapByte(p[x], high, low, offset);
}

// 0x808000 restores the 128 offset and rounds. The results lie in -235..491,
// where the historical bit 8/9 test ((x & 0x300) ? (x < 0 ? 0 : 255) : x) is
// exactly this clamp, which vectorises to half the instructions.
ZV_INLINE uint8_t Clamp8(int x) { return uint8_t(x < 0 ? 0 : x > 255 ? 255 : x); }

ZV_INLINE void RotateRow(const uint8_t* __restrict su, const uint8_t* __restrict sv, uint8_t* __restrict du,
                         uint8_t* __restrict dv, int width, int s, int c) {
  for (int i = 0; i < width; ++i) {
    const int u = su[i] - 128;
    const int v = sv[i] - 128;
    du[i] = Clamp8((c * u - s * v + 8421376) >> 16);
    dv[i] = Clamp8((s * u + c * v + 8421376) >> 16);
  }
}

ZV_INLINE void RotateRowInPlace(uint8_t* __restrict pu, uint8_t* __restrict pv, int width, int s, int c) {
  for (int i = 0; i < width; ++i) {
    const int u = pu[i] - 128;
    const int v = pv[i] - 128;
    pu[i] = Clamp8((c * u - s * v + 8421376) >> 16);
    pv[i] = Clamp8((s * u + c * v + 8421376) >> 16);
  }
}

}  // namespace

TLumaMap MakeLumaMap(int Brightness, int Contrast) {
  const int factor = ((Contrast + 100) * 65536) / 100;
  const int offset = ((Brightness + 100) * 511) / 200 - 128 - (factor >> 9);
  return TLumaMap{int16_t(factor >> 16), uint16_t(factor & 0xFFFF), int16_t(offset)};
}

TChromaRotation MakeChromaRotation(int Hue, int Saturation) {
  const long double angle = Hue * std::numbers::pi_v<long double> / 100;
  const long double k = (Saturation + 100) / 100.0L;
  return TChromaRotation{static_cast<int32_t>(std::floor(std::sin(angle) * 65536 * k + 0.5L)),
                         static_cast<int32_t>(std::floor(std::cos(angle) * 65536 * k + 0.5L))};
}

ZV_VECTOR_CLONES
void MapLuma(const uint8_t* Src, int SrcStride, uint8_t* Dst, int DstStride, int Width, int Rows, const TLumaMap& Map) {
  const int16_t high = Map.high, offset = Map.offset;
  const uint16_t low = Map.low;
  if (Src == Dst) {
    for (int y = 0; y < Rows; ++y, Dst += DstStride) MapRowInPlace(Dst, Width, high, low, offset);
    return;
  }
  for (int y = 0; y < Rows; ++y, Src += SrcStride, Dst += DstStride) MapRow(Src, Dst, Width, high, low, offset);
}

ZV_VECTOR_CLONES
void RotateChroma(const uint8_t* SrcU, int SrcUStride, const uint8_t* SrcV, int SrcVStride, uint8_t* DstU,
                  int DstUStride, uint8_t* DstV, int DstVStride, int Width, int Rows, const TChromaRotation& R) {
  const int s = R.sine, c = R.cosine;
  if (SrcU == DstU && SrcV == DstV) {
    for (int y = 0; y < Rows; ++y, DstU += DstUStride, DstV += DstVStride) RotateRowInPlace(DstU, DstV, Width, s, c);
    return;
  }
  for (int y = 0; y < Rows; ++y, SrcU += SrcUStride, SrcV += SrcVStride, DstU += DstUStride, DstV += DstVStride)
    RotateRow(SrcU, SrcV, DstU, DstV, Width, s, c);
}

void CopyPlane(const uint8_t* Src, int SrcStride, uint8_t* Dst, int DstStride, int Width, int Rows) {
  if (Src == Dst || Width <= 0) return;
  for (int y = 0; y < Rows; ++y, Src += SrcStride, Dst += DstStride) std::memcpy(Dst, Src, size_t(Width));
}

}  // namespace zv
