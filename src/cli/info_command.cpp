#include "info_command.h"

#include <cstdio>

#include "engine/file_name_limit.h"
#include "runtime/decoder.h"
#include "runtime/file_utils.h"
#include "runtime/library_loader.h"

int RunInfoCommand(const std::string& file) {
  if (std::string tooLong = zv::FileNameLengthError(file); !tooLong.empty()) {
    std::fprintf(stderr, "%s\n", tooLong.c_str());
    return 1;
  }
  zv::TFFLoader& loader = zv::FFLoader();
  loader.SetLibraryPath(zv::ApplicationPath() + "LibAV");
  if (!loader.LoadLibs(zv::PlayerLibraries)) {
    std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
    return 1;
  }
  std::string text;
  {
    zv::TFFDecoder decoder;
    if (!decoder.LoadFile(file) || !decoder.GetFileInfoText(text)) {
      std::fprintf(stderr, "%s\n", decoder.LastError().c_str());
      return 1;
    }
  }
  // A terminal wants plain line feeds; the description itself ends lines with CR LF.
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  return 0;
}
