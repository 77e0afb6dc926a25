#pragma once
// Loads SDL at run time; one loader per player. A given SDL file can be held by
// one loader of the process at a time.
#include <SDL2/SDL.h>

#include <mutex>
#include <string>

namespace zv {

// The SDL entry points a player calls; nil until bound.
struct TSDLEntryPoints {
#define ZV_FN(n) decltype(&::n) n = nullptr;
#define ZV_OPT(n) ZV_FN(n)
#include "runtime/entry_points_sdl.inc"
#undef ZV_FN
#undef ZV_OPT
};

// Held while SDL is loaded or unloaded, and while SDL's environment is set and
// SDL is initialised.
std::recursive_mutex& SDLLock();

constexpr const char* SDLLibFileName = "libSDL2-2.0.so.0";

class TSDLLoader {
public:
  TSDLLoader() = default;
  ~TSDLLoader();
  TSDLLoader(const TSDLLoader&) = delete;
  TSDLLoader& operator=(const TSDLLoader&) = delete;

  bool Load(const std::string& folder, const std::string& fileName);
  bool Loaded() const { return FHandle && FLoaded; }
  void Unload();
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  const std::string& LoadedPath() const { return FLoadedPath; }
  const TSDLEntryPoints& EntryPoints() const { return FEntry; }
  // The loaded module, for the few functions resolved outside the table.
  void* Handle() const { return FHandle; }

private:
  void Unload_Locked();
  std::string FLoadedPath;
  void* FHandle = nullptr;
  bool FLoaded = false;
  std::string FLastErrMsg;
  TSDLEntryPoints FEntry;
};

}  // namespace zv
