// libFuzzer entry point: see fuzz_inputs.h.
#include <cstdlib>

#include "fuzz_inputs.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!zv::fuzz::Setup()) std::exit(1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zv::fuzz::RunSubtitles(data, size);
  return 0;
}
