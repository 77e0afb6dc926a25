#pragma once
// "nativehue": hue rotation and saturation on the chroma planes, in place.
#include <cstdint>

#include "filters/equalizer_kernels.h"
#include "filters/equalizer_setting.h"
#include "filters/native_filter.h"

namespace zv {

struct HueContext {
  TEqualizerSetting hue;
  TEqualizerSetting saturation;
  int32_t vsub;  // log2 of the vertical chroma subsampling
  int32_t hsub;  // log2 of the horizontal chroma subsampling
  // The rotation for the values below, rebuilt only when a picture brings others.
  bool rotationValid;
  int32_t rotationHue;
  int32_t rotationSaturation;
  TChromaRotation rotation;
};

// The description (name "nativehue").
const TNativeFilter& HueFilter();
// Registers the description once; needs avutil bound.
void RegisterHueFilter();

// Rotates and scales the chroma vectors, -100..100 each; both planes step by Stride.
void ProcessChroma(uint8_t* U, uint8_t* V, int Stride, int Width, int Rows, int Hue, int Saturation);

}  // namespace zv
