#pragma once
// "nativeeq": brightness and contrast on the luma plane, in place.
#include <cstdint>

#include "filters/equalizer_kernels.h"
#include "filters/equalizer_setting.h"
#include "filters/native_filter.h"

namespace zv {

struct EqContext {
  TEqualizerSetting brightness;
  TEqualizerSetting contrast;
  bool process;  // false: the instance can never change a picture
  // The map for the values below, rebuilt only when a picture brings others.
  bool mapValid;
  int32_t mapBrightness;
  int32_t mapContrast;
  TLumaMap map;
};

// The description (name "nativeeq").
const TNativeFilter& EqFilter();
// Registers the description once; needs avutil bound.
void RegisterEqFilter();

// The linear luma map, -100..100 each; Stride bytes between rows.
void ProcessLuma(uint8_t* Data, int Stride, int Width, int Rows, int Brightness, int Contrast);

}  // namespace zv
