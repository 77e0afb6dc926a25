#include "runtime/file_utils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "runtime/format.h"

namespace zv {
namespace {

TEST(FileUtilsTest, FormatFileSizeBoundariesUseTheLocaleSeparator) {
  SetDecimalSeparatorForTesting(',');
  struct Case {
    int64_t size;
    const char* text;
  } cases[] = {
      {0, "0 Byte"},
      {-1, "-1 Byte"},
      {1024, "1024 Byte"},
      {1025, "1,00 KB"},
      {1048576, "1024,00 KB"},
      {1048577, "1,00 MB"},
      {1073741824, "1024,00 MB"},
      {1073741825, "1,00 GB"},
      {int64_t(5) << 40, "5120,00 GB"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFileSize(c.size), c.text) << c.size;
  SetDecimalSeparatorForTesting('\0');
}

TEST(FileUtilsTest, PathPieces) {
  struct Case {
    const char* name;
    const char* path;
    const char* file;
  } cases[] = {
      {"/home/u/film.mkv", "/home/u/", "film.mkv"},
      {"film.mkv", "", "film.mkv"},
      {"/", "/", ""},
      {"dir/", "dir/", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
  }
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/lib"), "/opt/lib/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/lib/"), "/opt/lib/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
}

TEST(FileUtilsTest, ApplicationPathIsTheFolderOfThisProgram) {
  std::string dir = ApplicationPath();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(dir + ExtractFileName(self), self);
  EXPECT_TRUE(FileExists(self));
}

class FileUtilsFiles : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zelvo_fu_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, size_t bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
    return path;
  }
  std::string dir_;
};

TEST_F(FileUtilsFiles, FileSizeOfAndFileExists) {
  std::string empty = Write("empty.bin", 0);
  std::string some = Write("some file.bin", 3000);
  EXPECT_EQ(FileSizeOf(empty), 0);
  EXPECT_EQ(FileSizeOf(some), 3000);
  EXPECT_EQ(FileSizeOf(dir_), -1);
  EXPECT_EQ(FileSizeOf(dir_ + "/missing.bin"), -1);
  EXPECT_EQ(FileSizeOf(""), -1);
  EXPECT_TRUE(FileExists(empty));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_FALSE(FileExists(dir_ + "/missing.bin"));
}

TEST(FileUtilsTest, SplitAt) {
  std::string src = "a:b:c", head;
  SplitAt(src, ":", true, head);
  EXPECT_EQ(head, "a");
  EXPECT_EQ(src, "b:c");

  src = "c";
  SplitAt(src, ":", true, head);
  EXPECT_EQ(head, "c");
  EXPECT_EQ(src, "");

  src = "a:b";
  SplitAt(src, ":", false, head);
  EXPECT_EQ(head, "a");
  EXPECT_EQ(src, "a:b");

  src = "line one\r\nline two";
  SplitAt(src, "\r\n", true, head);
  EXPECT_EQ(head, "line one");
  EXPECT_EQ(src, "line two");

  src = ":x";
  SplitAt(src, ":", true, head);
  EXPECT_EQ(head, "");
  EXPECT_EQ(src, "x");

  src = "keep";
  SplitAt(src, "", true, head);  // an empty delimiter is never found
  EXPECT_EQ(head, "keep");
  EXPECT_EQ(src, "");
}

// Runs the body under a POSIX TZ rule (needs no zone database) and restores TZ.
class FileUtilsTimeZone : public ::testing::Test {
protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz) saved_ = tz;
  }
  void TearDown() override {
    if (saved_) setenv("TZ", saved_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  void Zone(const char* rule) {
    setenv("TZ", rule, 1);
    tzset();
  }
  std::optional<std::string> saved_;
};

TEST_F(FileUtilsTimeZone, LocalTimeOffsetIsStandardTime) {
  struct Case {
    const char* rule;
    double hours;
  } cases[] = {
      {"UTC0", 0},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1},
      {"EST5EDT,M3.2.0,M11.1.0", -5},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", 10},  // daylight saving in January
      {"IST-5:30", 5.5},
  };
  for (const Case& c : cases) {
    Zone(c.rule);
    EXPECT_DOUBLE_EQ(LocalTimeOffset() * 24, c.hours) << c.rule;
  }
}

TEST_F(FileUtilsTimeZone, UnixTimeToDateTimeAndItsText) {
  Zone("UTC0");
  EXPECT_DOUBLE_EQ(UnixTimeToDateTime(0), 25569.0);
  EXPECT_EQ(FormatDateTime(UnixTimeToDateTime(0)), "1970-01-01 00:00:00");
  EXPECT_EQ(FormatDateTime(UnixTimeToDateTime(1700000000)), "2023-11-14 22:13:20");
  EXPECT_EQ(FormatDateTime(UnixTimeToDateTime(951868799)), "2000-02-29 23:59:59");
  EXPECT_EQ(FormatDateTime(0), "1899-12-30 00:00:00");
  // Summer time is not applied: a July stamp in Central Europe reads UTC+1.
  Zone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(FormatDateTime(UnixTimeToDateTime(1688212800)), "2023-07-01 13:00:00");
  EXPECT_EQ(FormatDateTime(UnixTimeToDateTime(1704067199)), "2024-01-01 00:59:59");
}

}  // namespace
}  // namespace zv
