#include "runtime/library_loader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/codec_lock.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/library_binding.h"
#include "runtime/main_thread.h"
#include "support/test_support.h"

namespace zv {
namespace {

std::string TestLibsDir(const std::string& folder) {
  const char* d = std::getenv("ZELVO_TEST_LIBS_DIR");
  return std::string(d ? d : "tests/testlibs") + "/" + folder;
}

#define ZV_FN(n) +(ff::n != nullptr ? 1 : 0)
#define ZV_OPT(n) ZV_FN(n)
#define ZV_VAR(n) ZV_FN(n)
int BoundAvcodecEntries() { return 0
#include "runtime/entry_points_avcodec.inc"
  ; }
int BoundAvformatEntries() { return 0
#include "runtime/entry_points_avformat.inc"
  ; }
int BoundAvutilEntries() { return 0
#include "runtime/entry_points_avutil.inc"
  ; }
#undef ZV_FN
#undef ZV_OPT
#undef ZV_VAR

class LibraryLoaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitMainThread();
    FFLoader().UnloadLibs(AllLibraries);
    FFLoader().SetLibraryPath("");
  }
  void TearDown() override {
    FFLoader().UnloadLibs(AllLibraries);
    FFLoader().SetLibraryPath("");
  }
};

TEST(LibraryKinds, FileNamesFollowTheHeadersMajors) {
  struct Case { TLibraryKind kind; std::string expected; } cases[] = {
      {lkAvutil, "libavutil.so." + std::to_string(LIBAVUTIL_VERSION_MAJOR)},
      {lkSwresample, "libswresample.so." + std::to_string(LIBSWRESAMPLE_VERSION_MAJOR)},
      {lkSwscale, "libswscale.so." + std::to_string(LIBSWSCALE_VERSION_MAJOR)},
      {lkAvcodec, "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR)},
      {lkAvformat, "libavformat.so." + std::to_string(LIBAVFORMAT_VERSION_MAJOR)},
      {lkAvfilter, "libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR)},
      {lkAvdevice, "libavdevice.so." + std::to_string(LIBAVDEVICE_VERSION_MAJOR)},
  };
  for (const auto& c : cases) EXPECT_EQ(TFFLoader::LibFileName(c.kind), c.expected);
}

TEST(LibraryKinds, PlayerLibrariesAreAllButAvdevice) {
  for (int k = 0; k < LibraryKindCount; ++k)
    EXPECT_EQ(PlayerLibraries.contains(TLibraryKind(k)), k != lkAvdevice) << k;
  EXPECT_EQ(AllLibraries.bits, 0x7F);
  EXPECT_TRUE(TLibraryKinds{}.empty());
}

TEST_F(LibraryLoaderTest, LoadsAndBindsTheSystemLibraries) {
  ASSERT_TRUE(FFLoader().LoadLibs(PlayerLibraries)) << FFLoader().LastErrMsg();
  EXPECT_TRUE(FFLoader().LibsLoaded(PlayerLibraries));
  EXPECT_FALSE(FFLoader().LibLoaded(lkAvdevice));
  EXPECT_NE(ff::avformat_open_input, nullptr);
  EXPECT_NE(CodecMutexHandle(), 0) << "avcodec's after-bind step creates the codec mutex";
  // The bound functions really are the library's.
  EXPECT_EQ(ff::avcodec_find_decoder(AV_CODEC_ID_PCM_S16LE)->id, AV_CODEC_ID_PCM_S16LE);
}

TEST_F(LibraryLoaderTest, SecondLoadRepeatsOnlyTheAfterBindSteps) {
  ASSERT_TRUE(FFLoader().LoadLibs(PlayerLibraries));
  auto openInput = ff::avformat_open_input;
  int before[LibraryKindCount];
  for (int k = 0; k < LibraryKindCount; ++k) before[k] = AfterBindCountForTesting(TLibraryKind(k));
  ASSERT_TRUE(FFLoader().LoadLibs(PlayerLibraries));
  EXPECT_EQ(ff::avformat_open_input, openInput);
  for (int k = 0; k < LibraryKindCount; ++k)
    EXPECT_EQ(AfterBindCountForTesting(TLibraryKind(k)), before[k] + (PlayerLibraries.contains(TLibraryKind(k)) ? 1 : 0))
        << TFFLoader::BaseName(TLibraryKind(k));
  EXPECT_NE(CodecMutexHandle(), 0) << "re-registration destroys and recreates the mutex";
}

TEST_F(LibraryLoaderTest, UnloadClearsEveryEntryPoint) {
  ASSERT_TRUE(FFLoader().LoadLibs(PlayerLibraries));
  EXPECT_GT(BoundAvcodecEntries(), 0);
  FFLoader().UnloadLib(lkAvcodec);
  EXPECT_EQ(BoundAvcodecEntries(), 0);
  EXPECT_EQ(CodecMutexHandle(), 0) << "unloading avcodec destroys the codec mutex first";
  EXPECT_FALSE(FFLoader().LibLoaded(lkAvcodec));
  EXPECT_GT(BoundAvformatEntries(), 0);
  FFLoader().UnloadLibs(PlayerLibraries);
  EXPECT_EQ(BoundAvformatEntries(), 0);
  EXPECT_EQ(BoundAvutilEntries(), 0);
}

TEST_F(LibraryLoaderTest, MissingRequiredFunctionUnloadsTheWholeSet) {
  const std::string folder = TestLibsDir("broken_avformat");
  FFLoader().SetLibraryPath(folder);
  EXPECT_FALSE(FFLoader().LoadLibs(PlayerLibraries));
  const std::string lib = TFFLoader::LibFileName(lkAvformat);
  // The stub exports avformat_network_init only: the first other name fails.
#define ZV_FN(n) #n,
  const char* names[] = {
#include "runtime/entry_points_avformat.inc"
  };
#undef ZV_FN
  std::string firstMissing = std::string(names[0]) == "avformat_network_init" ? names[1] : names[0];
  EXPECT_EQ(FFLoader().LastErrMsg().rfind("Load function " + firstMissing + "@" + lib + " error: ", 0), 0u)
      << FFLoader().LastErrMsg();
  EXPECT_NE(FFLoader().LastErrMsg().find("undefined symbol"), std::string::npos);
  for (int k = 0; k < LibraryKindCount; ++k) EXPECT_FALSE(FFLoader().LibLoaded(TLibraryKind(k))) << k;
  EXPECT_EQ(BoundAvcodecEntries(), 0);
  EXPECT_EQ(BoundAvutilEntries(), 0);
}

TEST_F(LibraryLoaderTest, FolderWithoutTheFileFallsBackToTheStandardSearch) {
  FFLoader().SetLibraryPath(TestLibsDir("chain"));
  EXPECT_TRUE(FFLoader().LoadLibs(PlayerLibraries)) << FFLoader().LastErrMsg();
}

TEST(LibraryBinding, MissingFileNamesTheFileAndTheSystemMessage) {
  std::string err;
  EXPECT_EQ(LoadLibraryFromFolder("/nonexistent-zelvo", "libnothing.so.9", err), nullptr);
  EXPECT_EQ(err, "libnothing.so.9: cannot open shared object file: No such file or directory");
}

TEST(LibraryBinding, FolderLibraryTakesItsDependenciesFromTheFolder) {
  std::string err;
  // libzvdep.so.1 exists only in the folder, so only a folder-aware load finds it.
  void* h = LoadLibraryFromFolder(TestLibsDir("chain"), "libzvtop.so.1", err);
  ASSERT_NE(h, nullptr) << err;
  auto fn = reinterpret_cast<int (*)()>(dlsym(h, "zv_top_value"));
  ASSERT_NE(fn, nullptr);
  EXPECT_EQ(fn(), 42);
  FreeLibraryHandle(h);
}

TEST(LibraryBinding, BindTextsNameSymbolLibraryAndReason) {
  std::string err;
  void* h = LoadLibraryFromFolder(TestLibsDir("chain"), "libzvdep.so.1", err);
  ASSERT_NE(h, nullptr) << err;
  EXPECT_NE(BindFunction("libzvdep.so.1", h, "zv_dep_value", false), nullptr);
  EXPECT_EQ(BindFunction("libzvdep.so.1", h, "zv_missing", true), nullptr);
  try {
    BindFunction("libzvdep.so.1", h, "zv_missing", false);
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Load function zv_missing@libzvdep.so.1 error: ", 0), 0u) << e.what();
  }
  try {
    BindVariable("libzvdep.so.1", h, "zv_missing_var", false);
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Load variable zv_missing_var@libzvdep.so.1 error: ", 0), 0u) << e.what();
  }
  FreeLibraryHandle(h);
}

using LibraryLoaderDeathTest = LibraryLoaderTest;
// The checks stay on in release builds: this runs in every build.
TEST_F(LibraryLoaderDeathTest, EmptySetIsAProgrammingError) {
  EXPECT_DEATH(FFLoader().LoadLibs(TLibraryKinds{}), "empty library set");
  EXPECT_DEATH(FFLoader().UnloadLibs(TLibraryKinds{}), "empty library set");
  EXPECT_DEATH((void)FFLoader().LibsLoaded(TLibraryKinds{}), "empty library set");
}

}  // namespace
}  // namespace zv
