#include "engine/audio_rate.h"

namespace zv {

int DeviceRateFor(int fileRate) {
  return fileRate >= MinDeviceRate && fileRate <= MaxDeviceRate ? fileRate : FallbackDeviceRate;
}

}  // namespace zv
