#include "bench_support.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/library_loader.h"
#include "runtime/main_thread.h"

namespace zv::bench {

bool LoadPlayerLibraries() {
  static const bool ok = [] {
    InitMainThread();
    FFLoader().SetLibraryPath("");
    if (!FFLoader().LoadLibs(PlayerLibraries)) {
      std::fprintf(stderr, "%s\n", FFLoader().LastErrMsg().c_str());
      return false;
    }
    return true;
  }();
  return ok;
}

std::string MediaFile(const std::string& name) {
  const char* dir = std::getenv("ZELVO_MEDIA_DIR");
  std::string d = dir && *dir ? dir : "media";
  if (d.back() != '/') d += '/';
  return d + name;
}

}  // namespace zv::bench
