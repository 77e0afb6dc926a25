#include "runtime/library_binding.h"

#include <dlfcn.h>

#include <stdexcept>
#include <vector>

#include "runtime/elf_needed.h"
#include "runtime/file_utils.h"
#include "runtime/format.h"

namespace zv {

namespace {

std::string DlErrorText() {
  const char* e = dlerror();
  return e ? e : "unknown error";
}

void* OpenFromFolder(const std::string& folder, const std::string& fileName, std::string& errorText, int depth) {
  const std::string full = IncludeTrailingPathDelimiter(folder) + fileName;
  // A set in the folder takes its own dependencies from the folder: load those
  // first, so the dynamic linker finds them by soname instead of searching the
  // system. Our extra references are dropped once the library holds its own.
  std::vector<void*> deps;
  if (depth < 8) {
    for (const auto& need : ElfNeeded(full)) {
      if (need == fileName || !FileExists(IncludeTrailingPathDelimiter(folder) + need)) continue;
      std::string depErr;
      if (void* h = OpenFromFolder(folder, need, depErr, depth + 1)) deps.push_back(h);
    }
  }
  dlerror();
  void* handle = dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) errorText = DlErrorText();
  for (void* h : deps) dlclose(h);
  return handle;
}

}  // namespace

void* LoadLibraryFromFolder(const std::string& folder, const std::string& fileName, std::string& errorText) {
  errorText.clear();
  if (!folder.empty() && FileExists(IncludeTrailingPathDelimiter(folder) + fileName))
    return OpenFromFolder(folder, fileName, errorText, 0);
  dlerror();
  void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) errorText = DlErrorText();
  return handle;
}

static void* Bind(const char* what, const std::string& libFileName, void* handle, const char* name, bool optional) {
  dlerror();
  void* p = handle ? dlsym(handle, name) : nullptr;
  if (!p && !optional)
    throw std::runtime_error(Format(what, {name, libFileName, handle ? DlErrorText() : std::string("no module")}));
  return p;
}

void* BindFunction(const std::string& libFileName, void* handle, const char* procName, bool optional) {
  return Bind("Load function %s@%s error: %s", libFileName, handle, procName, optional);
}

void* BindVariable(const std::string& libFileName, void* handle, const char* varName, bool optional) {
  return Bind("Load variable %s@%s error: %s", libFileName, handle, varName, optional);
}

void FreeLibraryHandle(void* handle) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // Sanitized builds keep modules mapped: a library's allocations can then be
  // attributed when the leak check runs at exit. The handle is still given up.
  (void)handle;
#else
  if (handle) dlclose(handle);
#endif
}

}  // namespace zv
