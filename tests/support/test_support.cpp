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

namespace {

// Defaults for every test program; a value already in the environment wins.
struct TestEnvironmentDefaults {
  TestEnvironmentDefaults() {
#ifdef ZELVO_DEFAULT_MEDIA_DIR
    setenv("ZELVO_MEDIA_DIR", ZELVO_DEFAULT_MEDIA_DIR, 0);
#endif
#ifdef ZELVO_DEFAULT_TEST_LIBS_DIR
    setenv("ZELVO_TEST_LIBS_DIR", ZELVO_DEFAULT_TEST_LIBS_DIR, 0);
#endif
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_VIDEODRIVER", "dummy", 0);
  }
} gTestEnvironmentDefaults;

}  // namespace
