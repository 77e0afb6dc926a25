#include "engine/file_name_limit.h"

#include "engine/media_state.h"
#include "runtime/format.h"

namespace zv {

namespace {

// Code points of a UTF-8 text (continuation bytes do not count).
size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

std::string FileNameLengthError(const std::string& name) {
  const size_t length = Utf8Length(name);
  if (length <= size_t(MaxFileNameLength)) return {};
  return Format("File name too long: %d characters, at most %d are accepted.", {length, MaxFileNameLength});
}

}  // namespace zv
