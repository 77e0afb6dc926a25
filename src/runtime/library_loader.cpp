#include "runtime/library_loader.h"

#include <exception>
#include <stdexcept>

#include "runtime/codec_lock.h"
#include "runtime/entry_points.h"
#include "runtime/file_utils.h"
#include "runtime/format.h"
#include "runtime/library_binding.h"
#include "runtime/logger.h"
#include "runtime/programming_check.h"

namespace zv {

namespace {

template <class T>
void BindOne(T& slot, const std::string& lib, void* h, const char* name, bool optional, bool variable) {
  void* p = variable ? BindVariable(lib, h, name, optional) : BindFunction(lib, h, name, optional);
  slot = reinterpret_cast<T>(p);
}

// One bind and one unbind routine per library, generated from its list.
#define ZV_FN(n) BindOne(ff::n, lib, h, #n, false, false);
#define ZV_OPT(n) BindOne(ff::n, lib, h, #n, true, false);
#define ZV_VAR(n) BindOne(ff::n, lib, h, #n, false, true);
void BindAvutil(const std::string& lib, void* h) {
#include "runtime/entry_points_avutil.inc"
}
void BindSwresample(const std::string& lib, void* h) {
#include "runtime/entry_points_swresample.inc"
}
void BindSwscale(const std::string& lib, void* h) {
#include "runtime/entry_points_swscale.inc"
}
void BindAvcodec(const std::string& lib, void* h) {
#include "runtime/entry_points_avcodec.inc"
}
void BindAvformat(const std::string& lib, void* h) {
#include "runtime/entry_points_avformat.inc"
}
void BindAvfilter(const std::string& lib, void* h) {
#include "runtime/entry_points_avfilter.inc"
}
void BindAvdevice(const std::string& lib, void* h) {
#include "runtime/entry_points_avdevice.inc"
}
#undef ZV_FN
#undef ZV_OPT
#undef ZV_VAR

#define ZV_FN(n) ff::n = nullptr;
#define ZV_OPT(n) ff::n = nullptr;
#define ZV_VAR(n) ff::n = nullptr;
void UnbindAvutil() {
#include "runtime/entry_points_avutil.inc"
}
void UnbindSwresample() {
#include "runtime/entry_points_swresample.inc"
}
void UnbindSwscale() {
#include "runtime/entry_points_swscale.inc"
}
void UnbindAvcodec() {
#include "runtime/entry_points_avcodec.inc"
}
void UnbindAvformat() {
#include "runtime/entry_points_avformat.inc"
}
void UnbindAvfilter() {
#include "runtime/entry_points_avfilter.inc"
}
void UnbindAvdevice() {
#include "runtime/entry_points_avdevice.inc"
}
#undef ZV_FN
#undef ZV_OPT
#undef ZV_VAR

void AfterBindAvcodec() { RegisterCodecLockManager(true); }
void AfterBindAvformat() { ff::avformat_network_init(); }
void AfterBindAvdevice() { ff::avdevice_register_all(); }
void AfterBindAvutil() { DefaultLogger().SetupLogCallback(); }

struct TLibraryItem {
  TLibraryKind Kind;
  const char* Name;
  int Version;
  void (*Bind)(const std::string&, void*);
  void (*Unbind)();
  void (*AfterBind)();
};

const TLibraryItem kItems[LibraryKindCount] = {
    {lkAvutil, "avutil", LIBAVUTIL_VERSION_MAJOR, BindAvutil, UnbindAvutil, AfterBindAvutil},
    {lkSwresample, "swresample", LIBSWRESAMPLE_VERSION_MAJOR, BindSwresample, UnbindSwresample, nullptr},
    {lkSwscale, "swscale", LIBSWSCALE_VERSION_MAJOR, BindSwscale, UnbindSwscale, nullptr},
    {lkAvcodec, "avcodec", LIBAVCODEC_VERSION_MAJOR, BindAvcodec, UnbindAvcodec, AfterBindAvcodec},
    {lkAvformat, "avformat", LIBAVFORMAT_VERSION_MAJOR, BindAvformat, UnbindAvformat, AfterBindAvformat},
    {lkAvfilter, "avfilter", LIBAVFILTER_VERSION_MAJOR, BindAvfilter, UnbindAvfilter, nullptr},
    {lkAvdevice, "avdevice", LIBAVDEVICE_VERSION_MAJOR, BindAvdevice, UnbindAvdevice, AfterBindAvdevice},
};

struct TLibraryStatus {
  void* Handle = nullptr;
  bool Bound = false;
};

// Loaded and unloaded from the main thread only; entry points are read freely once bound.
TLibraryStatus gStatus[LibraryKindCount];
std::string gLibraryPath;
std::string gLastErrMsg;
int gAfterBindCount[LibraryKindCount];

}  // namespace

void TFFLoader::SetLibraryPath(const std::string& path) { gLibraryPath = path; }
const std::string& TFFLoader::LibraryPath() const { return gLibraryPath; }
const std::string& TFFLoader::LastErrMsg() const { return gLastErrMsg; }

const char* TFFLoader::BaseName(TLibraryKind kind) { return kItems[kind].Name; }

std::string TFFLoader::LibFileName(TLibraryKind kind) {
  const auto& item = kItems[kind];
  std::string name = std::string("lib") + item.Name + ".so";
  if (item.Version >= 0) name += "." + std::to_string(item.Version);
  return name;
}

bool TFFLoader::LoadLib(TLibraryKind kind) {
  auto& st = gStatus[kind];
  const std::string fileName = LibFileName(kind);
  if (!st.Handle) {
    std::string folder = gLibraryPath.empty() ? std::string() : IncludeTrailingPathDelimiter(gLibraryPath);
    std::string err;
    st.Handle = LoadLibraryFromFolder(folder, fileName, err);
    if (!st.Handle) {
      gLastErrMsg = Format("Load library %s error: %s", {folder + fileName, err});
      return false;
    }
  }
  if (!st.Bound) {
    try {
      kItems[kind].Bind(fileName, st.Handle);
      st.Bound = true;
    } catch (const std::exception& e) {
      gLastErrMsg = e.what();
    }
  }
  if (!st.Bound) {
    UnloadLib(kind);
    return false;
  }
  if (kItems[kind].AfterBind) kItems[kind].AfterBind();
  ++gAfterBindCount[kind];
  return true;
}

void TFFLoader::UnloadLib(TLibraryKind kind) {
  auto& st = gStatus[kind];
  if (st.Bound) {
    if (kind == lkAvcodec) RegisterCodecLockManager(false);
    // The library keeps no pointer back into us once our callback is gone.
    if (kind == lkAvutil && ff::av_log_set_callback) ff::av_log_set_callback(ff::av_log_default_callback);
    kItems[kind].Unbind();
    st.Bound = false;
  } else {
    kItems[kind].Unbind();  // a half-finished bind leaves no stale pointers
  }
  if (st.Handle) {
    FreeLibraryHandle(st.Handle);
    st.Handle = nullptr;
  }
}

bool TFFLoader::LibLoaded(TLibraryKind kind) const { return gStatus[kind].Handle && gStatus[kind].Bound; }

bool TFFLoader::LoadLibs(TLibraryKinds kinds) {
  ZV_CHECK(!kinds.empty(), "Assertion failure: empty library set.");
  for (int k = 0; k < LibraryKindCount; ++k) {
    if (!kinds.contains(TLibraryKind(k))) continue;
    if (!LoadLib(TLibraryKind(k))) {
      UnloadLibs(kinds);
      return false;
    }
  }
  return true;
}

void TFFLoader::UnloadLibs(TLibraryKinds kinds) {
  ZV_CHECK(!kinds.empty(), "Assertion failure: empty library set.");
  // Dependents go first, so no library is freed while another still uses it.
  for (int k = LibraryKindCount - 1; k >= 0; --k)
    if (kinds.contains(TLibraryKind(k))) UnloadLib(TLibraryKind(k));
}

bool TFFLoader::LibsLoaded(TLibraryKinds kinds) const {
  ZV_CHECK(!kinds.empty(), "Assertion failure: empty library set.");
  for (int k = 0; k < LibraryKindCount; ++k)
    if (kinds.contains(TLibraryKind(k)) && !LibLoaded(TLibraryKind(k))) return false;
  return true;
}

TFFLoader& FFLoader() {
  static TFFLoader loader;
  return loader;
}

int AfterBindCountForTesting(TLibraryKind kind) { return gAfterBindCount[kind]; }

}  // namespace zv
