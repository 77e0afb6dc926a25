#include "support/test_support.h"

#include <cstdlib>
#include <thread>

#include "runtime/library_loader.h"
#include "runtime/main_thread.h"

namespace zv::test {

std::string MediaDir() {
  const char* d = std::getenv("ZELVO_MEDIA_DIR");
  std::string dir = d && *d ? d : "media";
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::string MediaFile(const std::string& name) { return MediaDir() + name; }

bool LoadPlayerLibraries(std::string* err) {
  InitMainThread();
  if (FFLoader().LibsLoaded(PlayerLibraries)) return true;
  FFLoader().SetLibraryPath("");
  bool ok = FFLoader().LoadLibs(PlayerLibraries);
  if (!ok && err) *err = FFLoader().LastErrMsg();
  return ok;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    ServeMainThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace zv::test
