#pragma once
// Text from a file (metadata, names) shown in a line-oriented description or
// log: escaped so that it can never end its line or start a forged one.
#include <string>
#include <string_view>

namespace zv {

// Control characters become C-style escapes ("\n", "\r", "\t", "\x1b"), a
// backslash becomes "\\", and the Unicode line breaks NEL, LS and PS become
// "\u0085", "\u2028", "\u2029"; every other byte stays as it is.
std::string EscapeControlChars(std::string_view text);

}  // namespace zv
