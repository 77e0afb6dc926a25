// Subtitle files as text: encodings turned into the same UTF-8 line, bad
// files refused or trimmed without harm, and the files beside a video.
#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>
#include <fstream>

#include "engine/engine_test_util.h"
#include "engine/subtitle_files.h"
#include "engine/subtitle_text.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

std::string Encode(const std::string& utf8, const char* to) {
  iconv_t cd = iconv_open(to, "UTF-8");
  EXPECT_NE(cd, iconv_t(-1)) << to;
  std::string out(utf8.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(utf8.data());
  size_t left = utf8.size(), room = out.size();
  char* dst = out.data();
  EXPECT_NE(iconv(cd, &src, &left, &dst, &room), size_t(-1)) << to;
  iconv_close(cd);
  out.resize(out.size() - room);
  return out;
}

std::string Srt(const std::string& text) {
  return "1\n00:00:01,000 --> 00:00:02,500\n" + text + "\n\n2\n00:00:03,000 --> 00:00:04,000\n" + text + "\n";
}

// The text of the first event, after its eight leading fields.
std::string FirstText(const std::string& bytes, std::string& encoding) {
  std::string utf8, error;
  if (!SubtitleBytesToUtf8(bytes, utf8, encoding, error)) return "error: " + error;
  TParsedSubtitles parsed;
  if (!ParseSubtitleText(utf8, parsed, error)) return "error: " + error;
  if (parsed.Events.empty()) return "no events";
  std::string line = parsed.Events[0].Line;
  for (int i = 0; i < 8; ++i) line = line.substr(line.find(',') + 1);
  return line;
}

class SubtitleText : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  }
};

TEST_F(SubtitleText, EncodingsGiveTheSameLine) {
  const std::string latin = "Un café à Zürich, déjà vu: l'été où ça a commencé";
  const std::string cyrillic = "Привет, как дела? Это очень хороший день для прогулки по городу";
  struct {
    const char* label;
    std::string utf8;
    std::string bytes;
  } cases[] = {
      {"UTF-8", latin, Srt(latin)},
      {"UTF-8 BOM", latin, "\xEF\xBB\xBF" + Srt(latin)},
      {"UTF-16LE BOM", latin, "\xFF\xFE" + Encode(Srt(latin), "UTF-16LE")},
      {"UTF-16BE BOM", cyrillic, "\xFE\xFF" + Encode(Srt(cyrillic), "UTF-16BE")},
      {"CP1252", latin, Encode(Srt(latin), "WINDOWS-1252")},
      {"ISO-8859-1", latin, Encode(Srt(latin), "ISO-8859-1")},
      {"CP1251", cyrillic, Encode(Srt(cyrillic), "WINDOWS-1251")},
  };
  std::string encoding;
  for (const auto& c : cases) {
    const std::string want = FirstText(Srt(c.utf8), encoding);
    EXPECT_EQ(FirstText(c.bytes, encoding), want) << c.label << " read as " << encoding;
  }
}

TEST_F(SubtitleText, BadFilesAreRefusedOrTrimmed) {
  std::string garbage(200000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 2654435761u) >> 13);
  std::string longLine = "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(1 << 20, 'x') + "\n";
  std::string backwards = "1\n00:00:05,000 --> 00:00:01,000\nback\n\n2\n-00:00:01,000 --> 00:00:02,000\nneg\n";
  std::string absurd = "1\n99999:00:00,000 --> 99999:00:01,000\nfar\n";
  std::string brokenAss = "[Script Info]\nPlayResX: -5\n[V4+ Styles]\nFormat: Name\nStyle: ,,,,,\n[Events]\nDialogue: x\n";
  for (const std::string* bytes : {&garbage, &longLine, &backwards, &absurd, &brokenAss}) {
    std::string utf8, encoding, error;
    TParsedSubtitles parsed;
    if (SubtitleBytesToUtf8(*bytes, utf8, encoding, error)) ParseSubtitleText(utf8, parsed, error);
    for (const TSubtitleEvent& e : parsed.Events) EXPECT_GT(e.DurationMs, 0);
  }
  std::string utf8, encoding, error;
  TParsedSubtitles parsed;
  EXPECT_FALSE(ParseSubtitleText("", parsed, error));
  EXPECT_FALSE(LoadSubtitleFile("/nonexistent/x.srt", parsed, error));
}

TEST(SubtitleFiles, BesideTheVideoAndTheChoice) {
  const fs::path dir = fs::path(::testing::TempDir()) / "zv_subtitle_files";
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* name : {"movie.mkv", "movie.en.srt", "movie.DE.Srt", "movie.srt", "movie.vtt", "movie.x.y.srt",
                           "other.srt", "movie2.srt", "movie.txt"})
    std::ofstream(dir / name) << "x";
  const std::string video = (dir / "movie.mkv").string();
  const std::vector<std::string> files = SubtitleFilesBeside(video);
  std::vector<std::string> names;
  for (const std::string& f : files) names.push_back(fs::path(f).filename().string());
  EXPECT_EQ(names, (std::vector<std::string>{"movie.DE.Srt", "movie.en.srt", "movie.srt", "movie.vtt"}));
  auto chosen = [&](const char* locale, std::vector<std::string> list) {
    return fs::path(ChooseSubtitleFile(list, video, locale)).filename().string();
  };
  EXPECT_EQ(chosen("de_DE.UTF-8", files), "movie.DE.Srt");
  EXPECT_EQ(chosen("en_GB", files), "movie.en.srt");
  EXPECT_EQ(chosen("fr_FR.UTF-8", files), "movie.srt");
  EXPECT_EQ(chosen("C", files), "movie.srt");
  EXPECT_EQ(chosen("", {(dir / "movie.vtt").string(), (dir / "movie.en.srt").string()}), "movie.vtt");
  EXPECT_EQ(chosen("fr", {(dir / "movie.en.srt").string(), (dir / "movie.DE.Srt").string()}), "movie.en.srt");
  EXPECT_EQ(ChooseSubtitleFile({}, video, "de"), "");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zv
