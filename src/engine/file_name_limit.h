#pragma once
// The longest file name a playback takes, and the one text that refuses a
// longer one: opening and describing a file say the same.
#include <string>

namespace zv {

// Empty when NAME (UTF-8) is short enough; else what to tell the user.
std::string FileNameLengthError(const std::string& name);

}  // namespace zv
