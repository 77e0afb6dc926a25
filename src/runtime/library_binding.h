#pragma once
// Loading one shared object and resolving its exports.
#include <string>

namespace zv {

// Loads fileName from folder when the file is there, else by the standard
// search. Returns the handle or nullptr with the loader's message in errorText.
void* LoadLibraryFromFolder(const std::string& folder, const std::string& fileName, std::string& errorText);
// Resolve procName; when missing and not optional, throws std::runtime_error
// with "Load function %s@%s error: %s" (the only exceptions of the runtime,
// caught by the loaders).
void* BindFunction(const std::string& libFileName, void* handle, const char* procName, bool optional);
void* BindVariable(const std::string& libFileName, void* handle, const char* varName, bool optional);
void FreeLibraryHandle(void* handle);

}  // namespace zv
