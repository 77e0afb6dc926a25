#pragma once
// The rate the sound device is opened at. A file's own rate is untrusted: a
// stream header that says 7 Hz would make one device period last minutes,
// and closing the device (Stop) waits for the period to end.

namespace zv {

inline constexpr int MinDeviceRate = 8000;
inline constexpr int MaxDeviceRate = 192000;
// What a rate outside the range is resampled to: every device takes it.
inline constexpr int FallbackDeviceRate = 48000;

// fileRate itself when it lies within [MinDeviceRate, MaxDeviceRate],
// otherwise FallbackDeviceRate (the decoder resamples to the device's rate).
int DeviceRateFor(int fileRate);

}  // namespace zv
