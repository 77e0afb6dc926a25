#pragma once
// Loads the media libraries at run time and binds their entry points.
#include <string>

#include "runtime/library_kinds.h"

namespace zv {

class TFFLoader {
public:
  // Folder for the libraries; empty means the standard search only.
  void SetLibraryPath(const std::string& path);
  const std::string& LibraryPath() const;
  const std::string& LastErrMsg() const;

  // "lib" + base name + ".so." + major version of the headers built against.
  static std::string LibFileName(TLibraryKind kind);
  static const char* BaseName(TLibraryKind kind);

  bool LoadLib(TLibraryKind kind);
  void UnloadLib(TLibraryKind kind);
  bool LibLoaded(TLibraryKind kind) const;
  // Empty sets are a programming error (assertion).
  bool LoadLibs(TLibraryKinds kinds);
  void UnloadLibs(TLibraryKinds kinds);
  bool LibsLoaded(TLibraryKinds kinds) const;
};

// The one loader over the process-wide state.
TFFLoader& FFLoader();

// For tests: how many times the after-bind step of kind has run.
int AfterBindCountForTesting(TLibraryKind kind);

}  // namespace zv
