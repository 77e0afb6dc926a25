#pragma once
#include <chrono>
#include <functional>
#include <string>

namespace zv::test {

// Folder of the generated test media (ZELVO_MEDIA_DIR), with trailing "/".
std::string MediaDir();
// Full path of one generated test file.
std::string MediaFile(const std::string& name);
// Loads the player's media libraries from the system once per process; false
// (with the loader's text in *err) when they cannot be loaded.
bool LoadPlayerLibraries(std::string* err = nullptr);
// Polls pred until it holds or the deadline passes, serving main-thread hand-offs.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace zv::test
