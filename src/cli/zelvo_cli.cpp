// Command-line front end: quick probes of the runtime without the window.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli_player.h"
#include "cli/info_command.h"

#include "runtime/file_utils.h"
#include "runtime/library_loader.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zelvo-cli --check-libs   load the media libraries and report them\n"
               "       zelvo-cli --info FILE    print the description of FILE\n");
  zv::cli::PrintPlayerUsage();
  return 2;
}

bool LoadLibraries() {
  zv::TFFLoader& loader = zv::FFLoader();
  loader.SetLibraryPath(zv::ApplicationPath() + "LibAV");
  if (!loader.LoadLibs(zv::PlayerLibraries)) {
    std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  zv::InitMainThread();
  zv::DefaultLogger().SetOnLog([](zv::TFFBaseComponent*, uint32_t tid, zv::TLogLevel level, const std::string& msg) {
    std::fprintf(stderr, "#%u.%d: %s\n", tid, int(level), msg.c_str());
  });
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "--check-libs") == 0) {
    if (!LoadLibraries()) return 1;
    for (int k = 0; k < zv::LibraryKindCount; ++k) {
      auto kind = zv::TLibraryKind(k);
      if (zv::PlayerLibraries.contains(kind))
        std::printf("%-22s %s\n", zv::TFFLoader::LibFileName(kind).c_str(),
                    zv::FFLoader().LibLoaded(kind) ? "loaded" : "not loaded");
    }
    return 0;
  }
  if (std::strcmp(argv[1], "--info") == 0) return argc == 3 ? RunInfoCommand(argv[2]) : Usage();
  if (std::strncmp(argv[1], "--", 2) != 0 || argc > 2) return zv::cli::RunPlayer(argc, argv);
  return Usage();
}
