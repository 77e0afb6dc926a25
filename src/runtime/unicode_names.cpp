#include "runtime/unicode_names.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <string_view>

namespace zv {

namespace {

// Protocols whose URLs go to the library as they are.
constexpr std::string_view kPassThroughProtocols = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";

// Converts all of text with cd; false when a character has no form in the target.
bool Convert(iconv_t cd, const std::string& text, std::string& out) {
  out.clear();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string in = text;
  char* src = in.data();
  size_t srcLeft = in.size();
  char buf[512];
  for (;;) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = srcLeft > 0 ? iconv(cd, &src, &srcLeft, &dst, &dstLeft) : iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    int err = errno;
    out.append(buf, size_t(dst - buf));
    if (r != size_t(-1)) {
      if (srcLeft == 0) {
        // Flush any shift state, then done.
        dst = buf;
        dstLeft = sizeof buf;
        if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == size_t(-1)) return false;
        out.append(buf, size_t(dst - buf));
        return true;
      }
      continue;
    }
    if (err != E2BIG) return false;  // EILSEQ / EINVAL: not representable
  }
}

bool SurvivesCharset(const std::string& text, const std::string& charset) {
  iconv_t to = iconv_open(charset.c_str(), "UTF-8");
  if (to == iconv_t(-1)) return false;
  iconv_t back = iconv_open("UTF-8", charset.c_str());
  if (back == iconv_t(-1)) {
    iconv_close(to);
    return false;
  }
  std::string local, again;
  bool ok = Convert(to, text, local) && Convert(back, local, again) && again == text;
  iconv_close(back);
  iconv_close(to);
  return ok;
}

}  // namespace

std::string LocaleCharset() {
  // The process's own LC_CTYPE may still be "C" (nobody called setlocale);
  // the user's choice is in the environment.
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return "ANSI_X3.4-1968";
  const char* cs = nl_langinfo_l(CODESET, loc);
  std::string result = cs && *cs ? cs : "ANSI_X3.4-1968";
  freelocale(loc);
  return result;
}

bool NeedsUnicodeProtocol(const std::string& fileName, const std::string& charset) {
  size_t colon = fileName.find(':');
  if (colon != std::string::npos) {
    std::string key = ":" + fileName.substr(0, colon) + ":";
    if (kPassThroughProtocols.find(key) != std::string_view::npos) return false;
  }
  return !SurvivesCharset(fileName, charset);
}

bool NeedsUnicodeProtocol(const std::string& fileName) { return NeedsUnicodeProtocol(fileName, LocaleCharset()); }

std::string FileNameForLibrary(const std::string& fileName, const std::string& charset) {
  if (NeedsUnicodeProtocol(fileName, charset)) return kUnicodeUrlPrefix + fileName;
  return fileName;
}

std::string FileNameForLibrary(const std::string& fileName) { return FileNameForLibrary(fileName, LocaleCharset()); }

bool IsUnicodeUrl(const std::string& name) {
  return name.size() > kUnicodeUrlPrefixLength && name.compare(0, kUnicodeUrlPrefixLength, kUnicodeUrlPrefix) == 0;
}

std::string LibraryNameToFileName(const std::string& name) {
  if (!IsUnicodeUrl(name)) return name;
  return name.substr(kUnicodeUrlPrefixLength);
}

}  // namespace zv
