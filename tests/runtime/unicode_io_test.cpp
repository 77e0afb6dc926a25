// Opening "unicode:utf8:" names through the engine's own I/O context.
#include "runtime/unicode_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tools/fixture_list.h"
#include "runtime/decoder.h"
#include "runtime/entry_points.h"
#include "runtime/unicode_names.h"
#include "support/test_support.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
  TempDir() {
    path_ = fs::temp_directory_path() / ("zelvo_uio_" + std::to_string(::getpid()) + "_" + std::to_string(++count_));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / fs::u8path(name)).string(); }
  std::string Path() const { return path_.string(); }

private:
  fs::path path_;
  static inline int count_ = 0;
};

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class UnicodeIOTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  }
};

TEST(UnicodeFile, OpenFailuresGiveMinusTwo) {
  TempDir dir;
  TUnicodeFile* f = reinterpret_cast<TUnicodeFile*>(1);
  EXPECT_EQ(UnicodeFileOpen(&f, "unicode:utf8:" + dir.File("missing.mkv"), URL_RDONLY), -2);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(UnicodeFileOpen(&f, "unicode:utf8:" + dir.Path(), URL_RDONLY), kNotRegularFile);  // a directory
  EXPECT_EQ(UnicodeFileOpen(&f, "unicode:utf8:" + dir.File("no/such/dir.bin"), URL_WRONLY), -2);
}

TEST(UnicodeFile, ReadSeekAndSize) {
  TempDir dir;
  const std::string path = dir.File("чтение.bin");
  WriteFile(path, "0123456789");
  TUnicodeFile* f = nullptr;
  ASSERT_EQ(UnicodeFileOpen(&f, "unicode:utf8:" + path, URL_RDONLY), 0);
  uint8_t buf[16] = {};
  EXPECT_EQ(UnicodeFileRead(f, buf, 4), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 4), "0123");
  EXPECT_EQ(UnicodeFileSeek(f, 0, AVSEEK_SIZE), 10);
  EXPECT_EQ(UnicodeFileSeek(f, 2, SEEK_CUR), 6);
  EXPECT_EQ(UnicodeFileSeek(f, -3, SEEK_END), 7);
  EXPECT_EQ(UnicodeFileSeek(f, 1, SEEK_SET | AVSEEK_FORCE), 1);
  EXPECT_EQ(UnicodeFileRead(f, buf, 16), 9);
  EXPECT_EQ(buf[0], '1');
  EXPECT_EQ(UnicodeFileRead(f, buf, 16), AVERROR_EOF);
  EXPECT_EQ(UnicodeFileSeek(f, -1, SEEK_SET), -1);
  EXPECT_EQ(UnicodeFileSeek(f, 0, 7), -1);
  EXPECT_EQ(UnicodeFileWrite(f, buf, 1), -1);  // opened for reading only
  UnicodeFileClose(&f);
  EXPECT_EQ(f, nullptr);
}

TEST(UnicodeFile, WriteModesCreateAndTruncate) {
  TempDir dir;
  const std::string path = dir.File("запись.bin");
  WriteFile(path, "old contents here");
  for (int flags : {URL_WRONLY, URL_RDWR}) {
    SCOPED_TRACE(flags);
    TUnicodeFile* f = nullptr;
    ASSERT_EQ(UnicodeFileOpen(&f, "unicode:utf8:" + path, flags), 0);
    uint8_t data[] = {'a', 'b', 'c'};
    EXPECT_EQ(UnicodeFileWrite(f, data, 3), 3);
    EXPECT_EQ(UnicodeFileSeek(f, 0, AVSEEK_SIZE), 3);
    uint8_t back[3] = {};
    EXPECT_EQ(UnicodeFileSeek(f, 0, SEEK_SET), 0);
    EXPECT_EQ(UnicodeFileRead(f, back, 3), flags == URL_RDWR ? 3 : -1);
    UnicodeFileClose(&f);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abc");
    fs::remove(path);
  }
}

TEST_F(UnicodeIOTest, SizesBeyondFourGigabytes) {
  TempDir dir;
  const std::string path = dir.File("большой.bin");
  const int64_t size = 5LL << 30;
  {
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    int r = ::ftruncate(fd, off_t(size));
    ::close(fd);
    if (r != 0) GTEST_SKIP() << "the temporary folder takes no sparse 5 GB file";
  }
  TUnicodeFile* f = nullptr;
  ASSERT_EQ(UnicodeFileOpen(&f, "unicode:utf8:" + path, URL_RDONLY), 0);
  EXPECT_EQ(UnicodeFileSeek(f, 0, AVSEEK_SIZE), size);
  EXPECT_EQ(UnicodeFileSeek(f, (9LL << 29), SEEK_SET), 9LL << 29);
  EXPECT_EQ(UnicodeFileSeek(f, -10, SEEK_END), size - 10);
  uint8_t buf[32];
  EXPECT_EQ(UnicodeFileRead(f, buf, 32), 10);
  UnicodeFileClose(&f);

  AVIOContext* pb = nullptr;
  ASSERT_EQ(OpenUnicodeIO(&pb, "unicode:utf8:" + path, URL_RDONLY), 0);
  EXPECT_TRUE(IsUnicodeIO(pb));
  EXPECT_EQ(ff::avio_size(pb), size);
  CloseUnicodeIO(&pb);
  EXPECT_EQ(pb, nullptr);
}

// Reads every packet, seeks back to the start and reads one more.
void ReadAndSeek(AVFormatContext* ic) {
  AVPacket* pkt = ff::av_packet_alloc();
  int packets = 0;
  while (ff::av_read_frame(ic, pkt) >= 0) {
    ++packets;
    ff::av_packet_unref(pkt);
  }
  EXPECT_GT(packets, 10);
  EXPECT_GE(ff::av_seek_frame(ic, -1, 0, AVSEEK_FLAG_BACKWARD), 0);
  EXPECT_GE(ff::av_read_frame(ic, pkt), 0);
  ff::av_packet_free(&pkt);
}

TEST_F(UnicodeIOTest, NonAsciiNamesOpenPlainAndWrapped) {
  const std::string_view names[] = {fixtures::kCyrillicMkv, fixtures::kCjkMp3, fixtures::kEmojiOgg};
  for (std::string_view n : names) {
    const std::string path = test::MediaFile(std::string(n));
    for (bool wrapped : {false, true}) {
      SCOPED_TRACE(path + (wrapped ? " (wrapped)" : " (plain)"));
      const std::string name = wrapped ? kUnicodeUrlPrefix + path : path;
      AVFormatContext* ic = nullptr;
      ASSERT_EQ(OpenInputWithNames(&ic, name, nullptr, nullptr), 0);
      EXPECT_TRUE(IsUnicodeIO(ic->pb)) << "local names are read through the engine's own I/O context";
      EXPECT_EQ(std::string(ic->url), name);
      ASSERT_GE(ff::avformat_find_stream_info(ic, nullptr), 0);

      TFFDecoder decoder;
      ASSERT_TRUE(decoder.SetFormatContext(ic));
      EXPECT_EQ(decoder.FileSize(), int64_t(fs::file_size(fs::u8path(path))));
      std::string text;
      ASSERT_TRUE(decoder.GetFileInfoText(text));
      EXPECT_EQ(text.substr(0, text.find("\r\n")), "File Name: " + path);
      ASSERT_TRUE(decoder.SetFormatContext(nullptr));

      ReadAndSeek(ic);
      CloseInputWithNames(&ic);
      EXPECT_EQ(ic, nullptr);
    }
  }
}

TEST_F(UnicodeIOTest, FailedOpensFreeEverything) {
  TempDir dir;
  const struct {
    const char* name;
    std::string url;
    bool preallocated;
    int expected;  // 0: any negative code
  } cases[] = {
      {"missing file", "unicode:utf8:" + dir.File("нет.mkv"), false, -2},
      {"missing file, caller's context", "unicode:utf8:" + dir.File("нет.mkv"), true, -2},
      {"garbage", "unicode:utf8:" + test::MediaFile(std::string(fixtures::kGarbageMp4)), false, 0},
      {"empty, caller's context", "unicode:utf8:" + test::MediaFile(std::string(fixtures::kEmptyFile)), true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AVFormatContext* ic = c.preallocated ? ff::avformat_alloc_context() : nullptr;
    int r = OpenInputWithNames(&ic, c.url, nullptr, nullptr);
    if (c.expected) EXPECT_EQ(r, c.expected);
    else EXPECT_LT(r, 0);
    EXPECT_EQ(ic, nullptr);
  }
}

TEST_F(UnicodeIOTest, CallersContextKeepsItsSettings) {
  const std::string path = test::MediaFile(std::string(fixtures::kCyrillicMkv));
  AVFormatContext* ic = ff::avformat_alloc_context();
  ic->probesize = 123456;
  AVFormatContext* given = ic;
  ASSERT_EQ(OpenInputWithNames(&ic, kUnicodeUrlPrefix + path, nullptr, nullptr), 0);
  EXPECT_EQ(ic, given);
  EXPECT_EQ(ic->probesize, 123456);
  EXPECT_TRUE(ic->flags & AVFMT_FLAG_CUSTOM_IO);
  CloseInputWithNames(&ic);
  EXPECT_EQ(ic, nullptr);
}

// The description (zelvo-cli --info) refuses what would block or never end.
TEST_F(UnicodeIOTest, DescriptionRefusesWhatIsNoRegularFile) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.flac");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string unreadable = dir.File("secret.flac");
  WriteFile(unreadable, "data");
  ::chmod(unreadable.c_str(), 0);
  struct Case {
    std::string name;
    std::string expected;
  };
  std::vector<Case> cases = {{fifo, fifo + " is not a regular file"},
                             {"unicode:utf8:" + fifo, fifo + " is not a regular file"},
                             {dir.Path(), dir.Path() + " is not a regular file"},
                             {"/dev/null", "/dev/null is not a regular file"}};
  // Permissions do not stop the superuser.
  if (::geteuid() != 0) cases.push_back({unreadable, unreadable + ": Permission denied"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFFDecoder decoder;
    EXPECT_FALSE(decoder.LoadFile(c.name));
    EXPECT_EQ(decoder.LastError(), c.expected);
  }
}

extern "C" int AlwaysInterrupt(void*) { return 1; }

// Local reads ask the opening context's interrupt callback, so the open
// time-out and a cancel hold for slow storage too.
TEST_F(UnicodeIOTest, LocalReadsAskTheInterruptCallback) {
  AVFormatContext* ic = ff::avformat_alloc_context();
  ASSERT_NE(ic, nullptr);
  ic->interrupt_callback = {&AlwaysInterrupt, nullptr};
  EXPECT_EQ(OpenInputWithNames(&ic, test::MediaFile("audio_flac.flac"), nullptr, nullptr), AVERROR_EXIT);
  EXPECT_EQ(ic, nullptr);
  ASSERT_EQ(OpenInputWithNames(&ic, test::MediaFile("audio_flac.flac"), nullptr, nullptr), 0);
  EXPECT_TRUE(IsUnicodeIO(ic->pb)) << "plain local names read through the engine's own context";
  CloseInputWithNames(&ic);
}

}  // namespace
}  // namespace zv
