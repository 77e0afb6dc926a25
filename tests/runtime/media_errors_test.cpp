#include "runtime/media_errors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace zv {
namespace {

// Tag errors the library has beyond the nine rows of the original table.
const int kLibraryTagErrors[] = {
    AVERROR_EOF,              AVERROR_INVALIDDATA,      AVERROR_EXIT,
    AVERROR_EXTERNAL,         AVERROR_BUG,              AVERROR_BUG2,
    AVERROR_BUFFER_TOO_SMALL, AVERROR_OPTION_NOT_FOUND, AVERROR_UNKNOWN,
    AVERROR_EXPERIMENTAL,     AVERROR_INPUT_CHANGED,    AVERROR_OUTPUT_CHANGED,
    AVERROR_HTTP_BAD_REQUEST,
    AVERROR_HTTP_UNAUTHORIZED, AVERROR_HTTP_FORBIDDEN,  AVERROR_HTTP_NOT_FOUND,
    AVERROR_HTTP_OTHER_4XX,   AVERROR_HTTP_SERVER_ERROR,
};

TEST(MediaErrorsTest, FormatMediaErrorRows) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {-2, "f.avi: No such file or directory"},
      {-10061, "f.avi: Connection refused"},
      {-111, "f.avi: Connection refused"},
      {-10035, "f.avi: WSAEWOULDBLOCK"},
      {-11004, "f.avi: WSANO_DATA"},
      {-41, "f.avi: Error number -41 occurred"},
      {-58, "f.avi: Error number -58 occurred"},
      {-132, "f.avi: Error number -132 occurred"},
      {0, "f.avi: Error number 0 occurred"},
      {-1, "f.avi: Operation not permitted"},
      {-4, "f.avi: Interrupted function call"},
      {-9, "f.avi: Bad file number"},
      {-22, "f.avi: Invalid argument / Invalid data found when processing input"},
      {-32, "f.avi: End of file"},
      {-116, "f.avi: Stale NFS file handle"},
      {-125, "f.avi: Operation Canceled"},
      {-131, "f.avi: State not recoverable"},
      {-10070, "f.avi: Stale NFS file handle"},
      {AVERROR_INVALIDDATA, "f.avi: Invalid data found when processing input"},
      {AVERROR_EOF, "f.avi: End of file"},
      {AVERROR_DECODER_NOT_FOUND, "f.avi: Decoder not found"},
      {AVERROR_PATCHWELCOME, "f.avi: Not yet implemented in FFmpeg"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMediaError("f.avi", c.code), c.text) << c.code;
  EXPECT_EQ(MediaErrorText(-41), "");
}

TEST(MediaErrorsTest, TableShape) {
  std::set<int> codes, extra(std::begin(kLibraryTagErrors), std::end(kLibraryTagErrors));
  std::set<std::string> texts;
  int original = 0;
  for (const MediaErrorRow& row : MediaErrorRows()) {
    EXPECT_TRUE(codes.insert(row.code).second) << "duplicate code " << row.code;
    EXPECT_LT(row.code, 0);
    if (!extra.count(row.code)) {
      ++original;
      texts.insert(row.text);
    }
  }
  // The original table: 200 codes, 159 distinct texts.
  EXPECT_EQ(original, 200);
  EXPECT_EQ(texts.size(), 159u);
  EXPECT_EQ(codes.size(), 200 + extra.size());
  // The tag rows are the library's own error codes.
  EXPECT_EQ(AVERROR_BSF_NOT_FOUND, -1179861752);
  EXPECT_EQ(AVERROR_STREAM_NOT_FOUND, -1381258232);
  EXPECT_EQ(AVERROR_PATCHWELCOME, -1163346256);
}

TEST(MediaErrorsTest, LibraryTagTextsMatchTheLibrary) {
  std::string err;
  ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  for (int code : kLibraryTagErrors) {
    char buf[AV_ERROR_MAX_STRING_SIZE * 2] = {};
    ASSERT_EQ(ff::av_strerror(code, buf, sizeof buf), 0) << code;
    EXPECT_EQ(MediaErrorText(code), buf) << code;
  }
}

TEST(MediaErrorsTest, OpeningAGarbageFileReadsInvalidData) {
  std::string err;
  ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  char tmpl[] = "/tmp/zelvo_me_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string path = std::string(tmpl) + "/garbage.zzz";
  {
    // Plain text: random bytes can pass for a weak mp3 match.
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 400; ++i) out << "this is not a media file\n";
  }
  AVFormatContext* ctx = nullptr;
  int ret = ff::avformat_open_input(&ctx, path.c_str(), nullptr, nullptr);
  if (ret >= 0) ff::avformat_close_input(&ctx);
  std::filesystem::remove_all(tmpl);
  EXPECT_EQ(FormatMediaError("garbage.zzz", ret), "garbage.zzz: Invalid data found when processing input");
}

TEST(MediaErrorsTest, FormatMediaTime) {
  struct Case {
    int64_t time;
    const char* text;
  } cases[] = {
      {3723004000, "01:02:03.004"},
      {0, "00:00:00.000"},
      {999, "00:00:00.000"},
      {360000000000, "100:00:00.000"},
      {-1500000, "00:00:-01.-500"},
      {-3723004000, "-01:-02:-03.-004"},
      {AV_NOPTS_VALUE, "N/A"},
      {INT64_MAX, "2562047788:00:54.775"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMediaTime(c.time), c.text) << c.time;
}

TEST(MediaErrorsTest, GetMetadataValueIgnoresCase) {
  std::string err;
  ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  AVDictionary* dict = nullptr;
  ASSERT_GE(ff::av_dict_set(&dict, "TITLE", "Night Walk", 0), 0);
  ASSERT_GE(ff::av_dict_set(&dict, "language", "eng", 0), 0);
  EXPECT_EQ(GetMetadataValue(dict, "title", "N/A"), "Night Walk");
  EXPECT_EQ(GetMetadataValue(dict, "Language", "N/A"), "eng");
  EXPECT_EQ(GetMetadataValue(dict, "album", "N/A"), "N/A");
  EXPECT_EQ(GetMetadataValue(dict, "titl", ""), "");  // whole keys only
  EXPECT_EQ(GetMetadataValue(nullptr, "title", "none"), "none");
  ff::av_dict_free(&dict);
}

}  // namespace
}  // namespace zv
