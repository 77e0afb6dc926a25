#include "runtime/sdl_loader.h"

#include <strings.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "runtime/file_utils.h"
#include "runtime/format.h"
#include "runtime/library_binding.h"

namespace zv {

namespace {
std::vector<std::string>& LoadedPaths() {  // guarded by SDLLock()
  static std::vector<std::string> paths;
  return paths;
}
bool SameTextIgnoringCase(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }
}  // namespace

std::recursive_mutex& SDLLock() {
  static std::recursive_mutex lock;
  return lock;
}

TSDLLoader::~TSDLLoader() { Unload(); }

bool TSDLLoader::Load(const std::string& folder, const std::string& fileName) {
  const std::string full = folder.empty() ? fileName : IncludeTrailingPathDelimiter(folder) + fileName;
  if (Loaded() && FLoadedPath == full) return true;
  std::lock_guard<std::recursive_mutex> g(SDLLock());
  auto& paths = LoadedPaths();
  if (std::any_of(paths.begin(), paths.end(), [&](const std::string& p) { return SameTextIgnoringCase(p, full); })) {
    FLastErrMsg = Format("%s alreay loaded in another instance.", {full});
    return false;
  }
  Unload_Locked();
  std::string err;
  FHandle = LoadLibraryFromFolder(folder, fileName, err);
  if (!FHandle) {
    FLastErrMsg = Format("Load library %s error: %s", {full, err});
    return false;
  }
  try {
#define ZV_FN(n) FEntry.n = reinterpret_cast<decltype(FEntry.n)>(BindFunction(fileName, FHandle, #n, false));
#define ZV_OPT(n) FEntry.n = reinterpret_cast<decltype(FEntry.n)>(BindFunction(fileName, FHandle, #n, true));
#include "runtime/entry_points_sdl.inc"
#undef ZV_FN
#undef ZV_OPT
    FLoaded = true;
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    FLoaded = false;
  }
  if (FLoaded) {
    FLoadedPath = full;
    paths.push_back(full);
  } else {
    Unload_Locked();
  }
  return FLoaded;
}

void TSDLLoader::Unload() {
  std::lock_guard<std::recursive_mutex> g(SDLLock());
  Unload_Locked();
}

void TSDLLoader::Unload_Locked() {
  FEntry = TSDLEntryPoints{};
  if (FHandle) {
    FreeLibraryHandle(FHandle);
    FHandle = nullptr;
  }
  FLoaded = false;
  if (!FLoadedPath.empty()) {
    auto& paths = LoadedPaths();
    auto it = std::find(paths.begin(), paths.end(), FLoadedPath);
    if (it != paths.end()) paths.erase(it);
    FLoadedPath.clear();
  }
}

}  // namespace zv
