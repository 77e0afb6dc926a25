#include "runtime/unicode_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace zv {
namespace {

constexpr char kAscii[] = "ANSI_X3.4-1968";

TEST(UnicodeNames, NeedsUnicodeProtocol) {
  const struct {
    std::string name;
    const char* charset;
    bool expected;
  } cases[] = {
      {"/home/u/video.mkv", kAscii, false},
      {"/home/u/тест_видео.mkv", kAscii, true},
      {"/home/u/тест_видео.mkv", "UTF-8", false},
      {"/home/u/тест_видео.mkv", "CP1251", false},
      {"/home/u/тест_видео.mkv", "ISO-8859-1", true},
      {"/home/u/café.mkv", "ISO-8859-1", false},
      {"/home/u/café.mkv", kAscii, true},
      {"/home/u/测试.mp3", "CP1251", true},
      {"/home/u/🎵 music.ogg", "ISO-8859-1", true},
      {"/home/u/bad\xff.mkv", kAscii, true},  // not UTF-8: cannot round-trip
      {"", kAscii, false},
      // Listed protocols (and wrapped names) are passed on as they are.
      {"http://host/тест", kAscii, false},
      {"udp://239.0.0.1:1234/тест", kAscii, false},
      {"pipe:тест", kAscii, false},
      {"unicode:utf8:/тест", kAscii, false},
      // Anything else takes the round trip; the list is case-sensitive.
      {"rtsp://host/a", kAscii, false},
      {"rtsp://host/тест", kAscii, true},
      {"mms://host/тест", kAscii, true},
      {"HTTP://host/тест", kAscii, true},
      {":тест", kAscii, true},
      {"/dir:тест/x", kAscii, true},
  };
  for (const auto& c : cases) EXPECT_EQ(NeedsUnicodeProtocol(c.name, c.charset), c.expected) << c.name << " / " << c.charset;
}

TEST(UnicodeNames, FileNameForLibraryWrapsOnlyWhenNeeded) {
  const struct {
    std::string name;
    const char* charset;
    std::string expected;
  } cases[] = {
      {"/a/тест.mkv", kAscii, "unicode:utf8:/a/тест.mkv"},
      {"/a/тест.mkv", "UTF-8", "/a/тест.mkv"},
      {"/a/plain.mkv", kAscii, "/a/plain.mkv"},
      {"http://h/тест", kAscii, "http://h/тест"},
  };
  for (const auto& c : cases) {
    std::string lib = FileNameForLibrary(c.name, c.charset);
    EXPECT_EQ(lib, c.expected) << c.name;
    EXPECT_EQ(LibraryNameToFileName(lib), c.name);
  }
}

TEST(UnicodeNames, LibraryNameToFileName) {
  const struct {
    std::string name;
    std::string expected;
    bool url;
  } cases[] = {
      {"unicode:utf8:", "unicode:utf8:", false},  // the bare prefix names nothing
      {"unicode:utf8", "unicode:utf8", false},
      {"unicode:utf8:/", "/", true},
      {"unicode:utf8:/m/тест_видео.mkv", "/m/тест_видео.mkv", true},
      {"unicode:utf8:/m/a:b.mkv", "/m/a:b.mkv", true},
      {"UNICODE:utf8:/m/x", "UNICODE:utf8:/m/x", false},
      {"/m/测试.mp3", "/m/测试.mp3", false},
      {"", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LibraryNameToFileName(c.name), c.expected) << c.name;
    EXPECT_EQ(IsUnicodeUrl(c.name), c.url) << c.name;
  }
}

// Restores one environment variable on scope exit.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }

private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(UnicodeNames, TheUserLocaleDecides) {
  {
    ScopedEnv env("LC_ALL", "C.UTF-8");
    EXPECT_EQ(LocaleCharset(), "UTF-8");
    EXPECT_FALSE(NeedsUnicodeProtocol("/m/тест_видео.mkv"));
    EXPECT_EQ(FileNameForLibrary("/m/тест_видео.mkv"), "/m/тест_видео.mkv");
  }
  {
    ScopedEnv env("LC_ALL", "C");
    EXPECT_EQ(LocaleCharset(), kAscii);
    EXPECT_TRUE(NeedsUnicodeProtocol("/m/тест_видео.mkv"));
    EXPECT_EQ(FileNameForLibrary("/m/тест_видео.mkv"), "unicode:utf8:/m/тест_видео.mkv");
  }
}

}  // namespace
}  // namespace zv
