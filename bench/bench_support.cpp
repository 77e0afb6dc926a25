#include "bench_support.h"

#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <fstream>
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

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double PeakRssMb() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;
}

}  // namespace zv::bench
