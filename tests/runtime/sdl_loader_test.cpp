#include "runtime/sdl_loader.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zv {
namespace {

std::string TestLibsDir(const std::string& folder) {
  const char* d = std::getenv("ZELVO_TEST_LIBS_DIR");
  return std::string(d ? d : "tests/testlibs") + "/" + folder;
}

TEST(SDLLoader, LoadsTheSystemLibraryAndBindsEveryEntryPoint) {
  TSDLLoader loader;
  ASSERT_TRUE(loader.Load("", SDLLibFileName)) << loader.LastErrMsg();
  EXPECT_TRUE(loader.Loaded());
  EXPECT_NE(loader.EntryPoints().SDL_Init, nullptr);
  EXPECT_NE(loader.EntryPoints().SDL_UpdateYUVTexture, nullptr);
  EXPECT_TRUE(loader.Load("", SDLLibFileName)) << "the same path again is a no-op";
  loader.Unload();
  EXPECT_FALSE(loader.Loaded());
  EXPECT_EQ(loader.EntryPoints().SDL_Init, nullptr);
}

TEST(SDLLoader, OneFileIsHeldByOneLoaderAtATime) {
  TSDLLoader first, second;
  ASSERT_TRUE(first.Load("", SDLLibFileName)) << first.LastErrMsg();
  EXPECT_FALSE(second.Load("", SDLLibFileName));
  EXPECT_EQ(second.LastErrMsg(), std::string(SDLLibFileName) + " alreay loaded in another instance.");
  first.Unload();
  EXPECT_TRUE(second.Load("", SDLLibFileName)) << second.LastErrMsg();
}

TEST(SDLLoader, FailuresKeepTheLoaderEmpty) {
  struct Case { std::string folder, file, expectedPrefix; } cases[] = {
      {"/nonexistent-zelvo", "libnothing.so.9",
       "Load library /nonexistent-zelvo/libnothing.so.9 error: libnothing.so.9: cannot open shared object file"},
      {TestLibsDir("broken_sdl"), SDLLibFileName,
       std::string("Load function SDL_InitSubSystem@") + SDLLibFileName + " error: "},
  };
  for (const auto& c : cases) {
    TSDLLoader loader;
    EXPECT_FALSE(loader.Load(c.folder, c.file));
    EXPECT_EQ(loader.LastErrMsg().rfind(c.expectedPrefix, 0), 0u) << loader.LastErrMsg();
    EXPECT_FALSE(loader.Loaded());
    EXPECT_EQ(loader.EntryPoints().SDL_Init, nullptr);
    EXPECT_TRUE(loader.LoadedPath().empty());
  }
  // A failed load leaves the path free for others.
  TSDLLoader ok;
  EXPECT_TRUE(ok.Load("", SDLLibFileName)) << ok.LastErrMsg();
}

}  // namespace
}  // namespace zv
