// Line formats of the file description, on format contexts built in memory so
// that every value is known exactly.
#include "runtime/file_info_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "runtime/decoder.h"
#include "runtime/entry_points.h"
#include "runtime/file_utils.h"
#include "runtime/format.h"
#include "runtime/metadata_key_names.h"
#include "support/test_support.h"

namespace zv {
namespace {

using Lines = std::vector<std::string>;
using Dict = std::vector<std::pair<std::string, std::string>>;

AVInputFormat MakeFormat(const char* name, const char* longName, int flags) {
  AVInputFormat f{};
  f.name = name;
  f.long_name = longName;
  f.flags = flags;
  return f;
}
const AVInputFormat kPlainFormat = MakeFormat("zvplain", nullptr, 0);
const AVInputFormat kLongFormat = MakeFormat("zvlong", "Zelvo Long Name", 0);
const AVInputFormat kIdsFormat = MakeFormat("zvids", "Zelvo With Ids", AVFMT_SHOW_IDS);

void SetDict(AVDictionary** d, const Dict& entries) {
  for (const auto& [k, v] : entries) ff::av_dict_set(d, k.c_str(), v.c_str(), 0);
}

// A format context that was never opened: only what a test puts in it.
class MemContext {
public:
  explicit MemContext(const AVInputFormat* fmt = &kPlainFormat, const std::string& url = "mem.bin") {
    ic_ = ff::avformat_alloc_context();
    ic_->iformat = fmt;
    ic_->url = ff::av_strdup(url.c_str());
    ic_->start_time = AV_NOPTS_VALUE;
    ic_->duration = AV_NOPTS_VALUE;
    ic_->bit_rate = 0;
  }
  ~MemContext() { ff::avformat_free_context(ic_); }
  MemContext(const MemContext&) = delete;
  MemContext& operator=(const MemContext&) = delete;
  AVFormatContext* get() const { return ic_; }
  AVFormatContext* operator->() const { return ic_; }

  AVStream* AddStream(AVMediaType type, AVRational timeBase) {
    AVStream* st = ff::avformat_new_stream(ic_, nullptr);
    st->codecpar->codec_type = type;
    st->codecpar->codec_id = type == AVMEDIA_TYPE_VIDEO ? AV_CODEC_ID_RAWVIDEO : AV_CODEC_ID_PCM_S16LE;
    st->time_base = timeBase;
    st->start_time = AV_NOPTS_VALUE;
    st->duration = AV_NOPTS_VALUE;
    return st;
  }
  void AddChapters(const std::vector<std::tuple<AVRational, int64_t, int64_t, std::string>>& chapters) {
    ic_->chapters = static_cast<AVChapter**>(ff::av_mallocz(chapters.size() * sizeof(AVChapter*)));
    for (const auto& [tb, start, end, title] : chapters) {
      auto* ch = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
      ch->id = int64_t(ic_->nb_chapters) + 100;
      ch->time_base = tb;
      ch->start = start;
      ch->end = end;
      ff::av_dict_set(&ch->metadata, "title", title.c_str(), 0);
      ic_->chapters[ic_->nb_chapters++] = ch;
    }
  }

private:
  AVFormatContext* ic_ = nullptr;
};

Lines SplitCrLf(const std::string& text) {
  Lines lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "text does not end with CR LF: " << text.substr(pos);
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    EXPECT_EQ(lines.back().find('\n'), std::string::npos) << lines.back();
    pos = end + 2;
  }
  return lines;
}

Lines DescribeThroughDecoder(AVFormatContext* ic) {
  TFFDecoder decoder;
  EXPECT_TRUE(decoder.SetFormatContext(ic)) << decoder.LastError();
  std::string text;
  EXPECT_TRUE(decoder.GetFileInfoText(text)) << decoder.LastError();
  EXPECT_TRUE(decoder.SetFormatContext(nullptr));
  return SplitCrLf(text);
}

class FileInfoTextTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  }
  void TearDown() override { SetDecimalSeparatorForTesting('\0'); }
};

// Start times before zero (encoder delay) keep one sign in front.
TEST(MicrosecondsTextTest, SignedTimes) {
  struct Case {
    int64_t us;
    const char* text;
  } cases[] = {{0, "0.000000"},          {1400000, "1.400000"},    {-7000, "-0.007000"},
               {-1, "-0.000001"},        {-1500000, "-1.500000"},  {3600000001, "3600.000001"},
               {INT64_MIN, "-9223372036854.775808"}};
  for (const Case& c : cases) EXPECT_EQ(MicrosecondsText(c.us), c.text) << c.us;
}

TEST_F(FileInfoTextTest, FileLevelLines) {
  struct Case {
    const char* name;
    const AVInputFormat* fmt;
    int64_t start, duration, bitRate;
    Dict metadata;
    Lines expected;
  };
  const Case cases[] = {
      {"no long name, nothing known", &kPlainFormat, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0, {},
       {"File Name: mem.bin", "Format Name: zvplain", "File Size: N/A", "Duration: N/A", "Bit Rate: N/A"}},
      {"long name, times, 999 b/s", &kLongFormat, 1400000, 3723004000LL, 999, {},
       {"File Name: mem.bin", "Format Name: zvlong", "Format Long Name: Zelvo Long Name", "File Size: N/A",
        "Duration: 01:02:03.004", "StartTime: 1.400000", "Bit Rate: 0 kb/s"}},
      {"zero start, lone language", &kPlainFormat, 0, 360000000000LL, 128000, {{"language", "eng"}},
       {"File Name: mem.bin", "Format Name: zvplain", "File Size: N/A", "Duration: 100:00:00.000",
        "StartTime: 0.000000", "Bit Rate: 128 kb/s"}},
      {"language and title", &kPlainFormat, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 1000, {{"language", "eng"}, {"title", "T"}},
       {"File Name: mem.bin", "Format Name: zvplain", "File Size: N/A", "Duration: N/A", "Bit Rate: 1 kb/s",
        "Metadata:", "  title           : T"}},
      {"creation time gives the time stamp", &kPlainFormat, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0,
       {{"creation_time", "2024-03-05T10:20:30.000000Z"}},
       {"File Name: mem.bin", "Format Name: zvplain", "File Size: N/A", "Duration: N/A", "Bit Rate: N/A",
        "Time Stamp: " + FormatDateTime(UnixTimeToDateTime(1709634030)), "Metadata:",
        "  creation_time   : 2024-03-05T10:20:30.000000Z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemContext ic(c.fmt);
    ic->start_time = c.start;
    ic->duration = c.duration;
    ic->bit_rate = c.bitRate;
    SetDict(&ic->metadata, c.metadata);
    EXPECT_EQ(DescribeThroughDecoder(ic.get()), c.expected);
  }
}

TEST_F(FileInfoTextTest, FileSizeFromDiskWithTheLocaleSeparator) {
  auto dir = std::filesystem::temp_directory_path() / ("zelvo_info_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "size_1536.bin").string();
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(1536, 'x');
  }
  const struct {
    char sep;
    const char* expected;
  } cases[] = {{'.', "File Size: 1.50 KB"}, {',', "File Size: 1,50 KB"}};
  for (const auto& c : cases) {
    SetDecimalSeparatorForTesting(c.sep);
    MemContext ic(&kPlainFormat, path);
    Lines lines = DescribeThroughDecoder(ic.get());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "File Name: " + path);
    EXPECT_EQ(lines[2], c.expected);
  }
  std::filesystem::remove_all(dir);
}

TEST_F(FileInfoTextTest, MetadataBlocks) {
  struct Case {
    const char* name;
    Dict entries;
    std::string prefix;
    Lines expected;
  };
  const Case cases[] = {
      {"absent", {}, "", {}},
      {"only language", {{"language", "eng"}}, "", {}},
      {"only LANGUAGE (lookup ignores case)", {{"LANGUAGE", "eng"}}, "  ", {}},
      {"language and title", {{"language", "eng"}, {"title", "T"}}, "", {"Metadata:", "  title           : T"}},
      {"TIT2 shown as title, title2 unchanged", {{"TIT2", "A"}, {"title2", "B"}}, "  ",
       {"  Metadata:", "    title           : A", "    title2          : B"}},
      {"table keys, exact case, first hit",
       {{"Author", "x"}, {"strn", "y"}, {"tit2", "z"}, {"TDEN", "d"}, {"WM/MediaStationCallSign", "c"}},
       "",
       {"Metadata:", "  artist          : x", "  title           : y", "  tit2            : z",
        "  creation_time   : d", "  service_provider: c"}},
      {"long keys are not cut", {{"a_key_longer_than_sixteen", "v"}}, "", {"Metadata:", "  a_key_longer_than_sixteen: v"}},
      {"Language is not skipped, only language", {{"Language", "eng"}, {"genre", "g"}}, "",
       {"Metadata:", "  Language        : eng", "  genre           : g"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AVDictionary* d = nullptr;
    SetDict(&d, c.entries);
    Lines lines;
    AppendMetadataBlock(d, c.prefix, lines);
    EXPECT_EQ(lines, c.expected);
    ff::av_dict_free(&d);
  }
}

// Text inside a file (and the file's name) cannot end its line or make one of its own.
TEST_F(FileInfoTextTest, ValuesAndNamesCannotForgeLines) {
  MemContext ic(&kPlainFormat, "clip\r\nDuration: 99:99:99.999.mkv");
  SetDict(&ic->metadata, {{"title", "Song\nDuration: 00:00:01.000"},
                          {"comment", "tab\there, bell\a, esc\x1b[2J, back\\slash"},
                          {"key\nBit Rate", "v"},
                          {"artist", "next line\xc2\x85" "and\xe2\x80\xa8sep \xc3\xa9t\xc3\xa9"}});
  AVStream* st = ic.AddStream(AVMEDIA_TYPE_AUDIO, {1, 44100});
  ff::av_dict_set(&st->metadata, "language", "en\ng", 0);
  const Lines lines = DescribeThroughDecoder(ic.get());
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[0], "File Name: clip\\r\\nDuration: 99:99:99.999.mkv");
  const Lines metadata(lines.begin() + 5, lines.begin() + 10);
  EXPECT_EQ(metadata, (Lines{"Metadata:", "  title           : Song\\nDuration: 00:00:01.000",
                             "  comment         : tab\\there, bell\\x07, esc\\x1b[2J, back\\\\slash",
                             "  key\\nBit Rate   : v",
                             "  artist          : next line\\u0085and\\u2028sep \xc3\xa9t\xc3\xa9"}));
  EXPECT_EQ(lines.back().rfind("Stream #0(en\\ng), 1/44100: ", 0), 0u) << lines.back();
  int durationLines = 0;
  for (const std::string& l : lines) durationLines += l.rfind("Duration:", 0) == 0;
  EXPECT_EQ(durationLines, 1);
}

TEST(MetadataKeyNames, TableHoldsTheSeventyTwoPairsInOrder) {
  auto rows = MetadataKeyNames();
  ASSERT_EQ(rows.size(), 72u);
  EXPECT_EQ(rows.front().Tag, "LEAD_PERFORMER");
  EXPECT_EQ(rows[5].Tag, "Author");
  EXPECT_EQ(rows[17].Tag, "Author");
  EXPECT_EQ(rows.back().Tag, "TRK");
  EXPECT_EQ(rows.back().Shown, "track");
  EXPECT_EQ(ShownMetadataKey("TSOT"), "title-sort");
  EXPECT_EQ(ShownMetadataKey("tit2"), "tit2");
}

TEST(RateText, RoundsAndScales) {
  const struct {
    double d;
    const char* unit;
    const char* expected;
  } cases[] = {
      {30000.0 / 1001, "fps", ", 29.97 fps"}, {25, "tbr", ", 25 tbr"},         {90000, "tbn", ", 90k tbn"},
      {1000, "tbn", ", 1k tbn"},              {23.976, "fps", ", 23.98 fps"}, {48000, "tbc", ", 48k tbc"},
      {12.5, "fps", ", 12.50 fps"},           {1200, "tbn", ", 1200 tbn"},
  };
  for (const auto& c : cases) EXPECT_EQ(RateText(c.d, c.unit), c.expected) << c.d;
}

TEST_F(FileInfoTextTest, StreamLines) {
  struct Case {
    const char* name;
    const AVInputFormat* fmt;
    AVMediaType type;
    int id;
    std::string language;
    AVRational timeBase, avgRate, baseRate, streamSar, codecSar;
    int width, height;
    int64_t start, duration;
    std::string head, kind, tail;
  };
  const AVRational none{0, 1};
  const Case cases[] = {
      {"ids, language, all rates", &kIdsFormat, AVMEDIA_TYPE_VIDEO, 0x1e0, "eng", {1, 90000}, {30000, 1001}, {25, 1},
       none, none, 320, 240, 126000, 360000,
       "Stream #0[0x1e0](eng), 1/90000: ", "Video: ", ", 29.97 fps, 25 tbr, 90k tbn, StartTime: 1.400000, Duration: 00:00:04.000"},
      {"no ids without the flag, reduced time base", &kLongFormat, AVMEDIA_TYPE_VIDEO, 0x1e0, "", {2, 50}, none, none,
       none, none, 320, 240, AV_NOPTS_VALUE, AV_NOPTS_VALUE,
       "Stream #0, 1/25: ", "Video: ", ", 25 tbn, Duration: N/A"},
      {"stream SAR differs from the codec's", &kPlainFormat, AVMEDIA_TYPE_VIDEO, 0, "", {1, 1000}, {25, 1}, none,
       {16, 15}, none, 720, 576, 0, 2000,
       "Stream #0, 1/1000: ", "Video: ", ", PAR 16:15 DAR 4:3, 25 fps, 1k tbn, StartTime: 0.000000, Duration: 00:00:02.000"},
      {"same SAR as the codec's", &kPlainFormat, AVMEDIA_TYPE_VIDEO, 0, "", {1, 1000}, none, none, {16, 15}, {16, 15},
       720, 576, AV_NOPTS_VALUE, AV_NOPTS_VALUE,
       "Stream #0, 1/1000: ", "Video: ", ", 1k tbn, Duration: N/A"},
      {"audio has no rate texts; negative start", &kIdsFormat, AVMEDIA_TYPE_AUDIO, 0x101, "fre", {1, 90000}, {25, 1},
       {25, 1}, none, none, 0, 0, -45000, 90000,
       "Stream #0[0x101](fre), 1/90000: ", "Audio: ", ", StartTime: -0.500000, Duration: 00:00:01.000"},
      {"zero time base", &kPlainFormat, AVMEDIA_TYPE_AUDIO, 0, "", {0, 0}, none, none, none, none, 0, 0,
       AV_NOPTS_VALUE, AV_NOPTS_VALUE, "Stream #0, 0/0: ", "Audio: ", ", Duration: N/A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemContext ic(c.fmt);
    AVStream* st = ic.AddStream(c.type, c.timeBase);
    st->id = c.id;
    if (!c.language.empty()) ff::av_dict_set(&st->metadata, "language", c.language.c_str(), 0);
    st->avg_frame_rate = c.avgRate;
    st->r_frame_rate = c.baseRate;
    st->sample_aspect_ratio = c.streamSar;
    st->codecpar->sample_aspect_ratio = c.codecSar;
    st->codecpar->width = c.width;
    st->codecpar->height = c.height;
    st->start_time = c.start;
    st->duration = c.duration;
    Lines lines;
    AppendStreamLines(ic.get(), 0, lines);
    ASSERT_EQ(lines.size(), 1u);  // a lone language makes no block
    const std::string& line = lines[0];
    ASSERT_EQ(line.rfind(c.head + c.kind, 0), 0u) << line;
    ASSERT_GE(line.size(), c.head.size() + c.tail.size());
    EXPECT_EQ(line.substr(line.size() - c.tail.size()), c.tail) << line;
  }
}

TEST_F(FileInfoTextTest, StreamMetadataBlockFollowsItsLine) {
  MemContext ic;
  AVStream* st = ic.AddStream(AVMEDIA_TYPE_AUDIO, {1, 44100});
  SetDict(&st->metadata, {{"language", "ger"}, {"TPE1", "Someone"}});
  Lines lines;
  AppendStreamLines(ic.get(), 0, lines);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Stream #0(ger), 1/44100: Audio: ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "  Metadata:");
  EXPECT_EQ(lines[2], "    artist          : Someone");
}

// Lines that start a stream or program, with the description of each stream cut off.
Lines Outline(const Lines& lines) {
  Lines out;
  for (const std::string& l : lines) {
    if (l.rfind("Stream #", 0) == 0) out.push_back(l.substr(0, l.find(',')));
    else if (l.rfind("Program ", 0) == 0 || l.rfind("  ", 0) == 0) out.push_back(l);
  }
  return out;
}

TEST_F(FileInfoTextTest, ProgramsListTheirStreamsFirst) {
  struct Case {
    const char* name;
    int streams;
    std::vector<std::pair<int, std::vector<int>>> programs;  // id, stream indices
    std::vector<Dict> programMetadata;
    Lines expected;
  };
  const Case cases[] = {
      {"one program listing 1 and 0", 4, {{1, {1, 0}}}, {{}},
       {"Program 1 N/A@N/A", "Stream #1", "Stream #0", "Stream #2", "Stream #3"}},
      {"two programs, 1 and 0 then 3", 4, {{1, {1, 0}}, {2, {3}}},
       {{{"provider_name", "Prov"}, {"name", "Chan"}}, {{"service_provider", "SP"}, {"service_name", "SN"}}},
       {"Program 1 Prov@Chan", "  Metadata:", "    provider_name   : Prov", "    name            : Chan", "Stream #1",
        "Stream #0", "Program 2 SP@SN", "  Metadata:", "    service_provider: SP", "    service_name    : SN",
        "Stream #3", "Stream #2"}},
      {"a stream in two programs shows under each", 2, {{5, {0}}, {6, {1, 0}}}, {{}, {}},
       {"Program 5 N/A@N/A", "Stream #0", "Program 6 N/A@N/A", "Stream #1", "Stream #0"}},
      {"no programs", 2, {}, {}, {"Stream #0", "Stream #1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemContext ic;
    for (int i = 0; i < c.streams; ++i) ic.AddStream(i % 2 ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO, {1, 1000});
    for (size_t j = 0; j < c.programs.size(); ++j) {
      AVProgram* p = ff::av_new_program(ic.get(), c.programs[j].first);
      ASSERT_NE(p, nullptr);
      SetDict(&p->metadata, c.programMetadata[j]);
      for (int s : c.programs[j].second) ff::av_program_add_stream_index(ic.get(), c.programs[j].first, unsigned(s));
    }
    EXPECT_EQ(Outline(DescribeThroughDecoder(ic.get())), c.expected);
  }
}

TEST_F(FileInfoTextTest, ChaptersAreNumberedFromZeroEachFromItsEntry) {
  const struct {
    char sep;
    Lines expected;
  } cases[] = {
      {'.',
       {"Chapter #0: start 0.00, end 1.50", "  Metadata:", "    title           : One", "Chapter #1: start 1.50, end 3.00",
        "  Metadata:", "    title           : Two", "Chapter #2: start 3.00, end 4.25", "  Metadata:",
        "    title           : Three"}},
      {',',
       {"Chapter #0: start 0,00, end 1,50", "  Metadata:", "    title           : One", "Chapter #1: start 1,50, end 3,00",
        "  Metadata:", "    title           : Two", "Chapter #2: start 3,00, end 4,25", "  Metadata:",
        "    title           : Three"}},
  };
  for (const auto& c : cases) {
    SetDecimalSeparatorForTesting(c.sep);
    MemContext ic;
    ic.AddChapters({{{1, 1000}, 0, 1500, "One"}, {{1, 90000}, 135000, 270000, "Two"}, {{1, 4}, 12, 17, "Three"}});
    Lines lines = DescribeThroughDecoder(ic.get());
    Lines chapters;
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].rfind("Chapter #", 0) == 0 || (!chapters.empty() && lines[i].rfind("  ", 0) == 0))
        chapters.push_back(lines[i]);
    EXPECT_EQ(chapters, c.expected);
  }
}

}  // namespace
}  // namespace zv
