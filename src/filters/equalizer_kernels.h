#pragma once
// The per-byte work of the two equalizer filters: coefficients derived once
// per setting, and plane loops that read one picture and write another (or
// the same one, in place). The loops are written so the compiler vectorises
// them; this file's source is built with the vectoriser on and an AVX2 clone.
#include <cstdint>

namespace zv {

// The brightness and contrast map in a form that fits 16-bit lanes:
// (p * factor) >> 16 == p * high + ((p * low) >> 16) for factor = high * 65536 + low.
struct TLumaMap {
  int16_t high = 1;
  uint16_t low = 0;
  int16_t offset = -1;
};
TLumaMap MakeLumaMap(int Brightness, int Contrast);

// The hue rotation scaled by the saturation, in 1/65536.
struct TChromaRotation {
  int32_t sine = 0;
  int32_t cosine = 65536;
};
TChromaRotation MakeChromaRotation(int Hue, int Saturation);

// Width x Rows bytes from Src to Dst through the map; Src == Dst (with equal
// strides) works in place, other overlaps do not.
void MapLuma(const uint8_t* Src, int SrcStride, uint8_t* Dst, int DstStride, int Width, int Rows, const TLumaMap& Map);

// Width x Rows chroma pairs from (SrcU, SrcV) to (DstU, DstV), each plane with
// its own stride; in place when each destination is its source.
void RotateChroma(const uint8_t* SrcU, int SrcUStride, const uint8_t* SrcV, int SrcVStride, uint8_t* DstU,
                  int DstUStride, uint8_t* DstV, int DstVStride, int Width, int Rows, const TChromaRotation& R);

// Width x Rows bytes; nothing when Src == Dst.
void CopyPlane(const uint8_t* Src, int SrcStride, uint8_t* Dst, int DstStride, int Width, int Rows);

}  // namespace zv
