// Local names that are not plain files, and plain files with odd names.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "engine_test_util.h"
#include "runtime/unicode_names.h"

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::MediaFile;

class TempDir {
public:
  TempDir() {
    path_ = fs::temp_directory_path() / ("zelvo_names_" + std::to_string(::getpid()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
  fs::path path_;
};

// Each would block in open(2) or never end: refused at once, before the library sees it.
TEST(LocalNames, WhatIsNoRegularFileIsRefusedAtOnce) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.mp3");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string sock = dir.File("sock.mp3");
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const std::string folder = dir.File("folder.mkv");
  fs::create_directory(folder);
  const std::string names[] = {fifo, sock, folder, "/dev/zero", kUnicodeUrlPrefix + fifo, "file:" + fifo};

  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  p->SetIoTimeout(60000);  // the refusal must not come from the time-out
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(p->Open(name, 0, false));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(p->LastErrMsg(), LibraryNameToFileName(name) +
                                   " is not a regular file");
    EXPECT_EQ(p->CurStream(), nullptr);
  }
  ::close(fd);
}

// Names that are no URL of a protocol the library knows open as files,
// whatever characters they hold; "unicode:utf8:" names play as well.
TEST(LocalNames, ColonAndUnicodeNamesPlay) {
  TempDir dir;
  const std::string src = MediaFile("audio_flac.flac");
  fs::copy_file(src, dir.File("a:b.flac"));
  fs::copy_file(src, dir.File("\xd0\xbc\xd1\x83\xd0\xb7\xd1\x8b\xd0\xba\xd0\xb0.flac"));
  const fs::path saved = fs::current_path();
  fs::current_path(dir.File(""));
  const std::string names[] = {"a:b.flac", "./a:b.flac", dir.File("a:b.flac"),
                               std::string(kUnicodeUrlPrefix) + dir.File("\xd0\xbc\xd1\x83\xd0\xb7\xd1\x8b\xd0\xba\xd0\xb0.flac"),
                               "file:a:b.flac"};
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(p->Open(name, 0, true)) << p->LastErrMsg();
    ASSERT_NE(p->CurStream(), nullptr);
    EXPECT_GT(p->CurStream()->Duration, 0);
    p->Stop(true);
  }
  fs::current_path(saved);
}

}  // namespace
}  // namespace zv
