#pragma once
#include <string>

namespace zv::bench {

// Loads the player's media libraries from the system once per process; false
// (after printing the loader's text) when they cannot be loaded.
bool LoadPlayerLibraries();
// A generated test file, from ZELVO_MEDIA_DIR (default "media").
std::string MediaFile(const std::string& name);

}  // namespace zv::bench
