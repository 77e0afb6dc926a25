#pragma once
// File names handed to the format library. Names are UTF-8 inside the
// program; a name that the user's locale charset cannot carry is wrapped as a
// "unicode:utf8:" URL, which the engine opens through its own I/O context
// (unicode_io.h). Network URLs are never wrapped.
#include <string>

namespace zv {

inline constexpr char kUnicodeUrlPrefix[] = "unicode:utf8:";
inline constexpr size_t kUnicodeUrlPrefixLength = sizeof(kUnicodeUrlPrefix) - 1;  // 13

// Codeset of the user's locale (LC_ALL/LC_CTYPE/LANG), e.g. "UTF-8" or
// "ISO-8859-1"; "ANSI_X3.4-1968" for the C locale.
std::string LocaleCharset();

// True when fileName must be wrapped: it is not a URL of one of the listed
// protocols (nor already wrapped) and does not survive the round trip through
// the locale charset unchanged.
bool NeedsUnicodeProtocol(const std::string& fileName);
// The same decision against a given iconv charset name.
bool NeedsUnicodeProtocol(const std::string& fileName, const std::string& charset);

// The name to give the format library: the "unicode:utf8:" URL when needed,
// otherwise fileName itself (on this system the file's own bytes, which is
// what opening it needs).
std::string FileNameForLibrary(const std::string& fileName);
std::string FileNameForLibrary(const std::string& fileName, const std::string& charset);

// True for a "unicode:utf8:" URL with at least one byte of name after it.
bool IsUnicodeUrl(const std::string& name);
// A name as the library stores it back to the file name: the decoded name of
// a "unicode:utf8:" URL, otherwise the text unchanged.
std::string LibraryNameToFileName(const std::string& name);

}  // namespace zv
