// The decoder component on the generated media: counts, file values and the
// description's lines for real containers.
#include "runtime/decoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../tools/fixture_list.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/library_loader.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"
#include "runtime/media_errors.h"
#include "runtime/unicode_io.h"
#include "support/test_support.h"

namespace zv {
namespace {

namespace fx = fixtures;
using Lines = std::vector<std::string>;

std::string Media(std::string_view name) { return test::MediaFile(std::string(name)); }

Lines SplitCrLf(const std::string& text) {
  Lines lines;
  for (size_t pos = 0, end; pos < text.size(); pos = end + 2) {
    end = text.find("\r\n", pos);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(pos, end - pos));
  }
  return lines;
}

// The player's side: a context opened and probed outside the decoder.
AVFormatContext* OpenProbed(const std::string& path) {
  AVFormatContext* ic = nullptr;
  if (OpenInputWithNames(&ic, path, nullptr, nullptr) < 0) return nullptr;
  if (ff::avformat_find_stream_info(ic, nullptr) < 0) CloseInputWithNames(&ic);
  return ic;
}

class DecoderTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
  }
  void TearDown() override {
    DefaultLogger().SetOnLog(nullptr);
    SetDecimalSeparatorForTesting('\0');
  }
};

void ExpectEmpty(const TFFDecoder& d) {
  EXPECT_EQ(d.FormatContext(), nullptr);
  EXPECT_EQ(d.FileSize(), -1);
  for (int v : {d.StreamCount(), d.ProgramCount(), d.AudioStreamCount(), d.VideoStreamCount(), d.SubtitleStreamCount(),
                d.FirstAudioStream(), d.FirstVideoStream(), d.FirstSubtitleStream(), d.CurrentStream()})
    EXPECT_EQ(v, -1);
}

TEST_F(DecoderTest, WithoutAFileEverythingIsUnknown) {
  InitMainThread();
  std::vector<std::pair<TLogLevel, std::string>> logged;
  TFFDecoder decoder;
  DefaultLogger().SetOnLog([&](TFFBaseComponent* sender, uint32_t, TLogLevel level, const std::string& msg) {
    EXPECT_EQ(sender, &decoder);
    logged.emplace_back(level, msg);
  });
  ExpectEmpty(decoder);
  EXPECT_EQ(decoder.CurrentStartTime(), 0);
  EXPECT_EQ(decoder.WantedChannels(), 2);
  EXPECT_EQ(decoder.WantedSampleRate(), 44100);

  std::string text = "stale";
  EXPECT_FALSE(decoder.GetFileInfoText(text));
  EXPECT_EQ(text, "");
  TFileStreamInfo info;
  info.Title = "stale";
  EXPECT_FALSE(decoder.GetFileStreamInfo(info));
  EXPECT_EQ(decoder.LastError(), "file not loaded.");
  for (int64_t v : {info.StartTime, info.Duration, info.BitRate, info.TimeStamp, int64_t(info.Year), int64_t(info.Track)})
    EXPECT_EQ(v, -1);
  EXPECT_EQ(info.Title + info.Author + info.Copyright + info.Comment + info.Album + info.Genre, "");
  using Entry = std::pair<TLogLevel, std::string>;
  EXPECT_EQ(logged, (std::vector<Entry>{{llWarning, "file not loaded."}, {llWarning, "file not loaded."}}));
}

TEST_F(DecoderTest, CountsAndFirstStreams) {
  const struct {
    std::string_view file;
    int streams, programs, audio, video, subtitles, firstAudio, firstVideo, firstSubtitle, current;
  } cases[] = {
      {fx::kAvH264AacMp4, 2, 0, 1, 1, 0, 1, 0, -1, 0},
      {fx::kAudioMp3, 1, 0, 1, 0, 0, 0, -1, -1, 0},
      {fx::kTsTwoPrograms, 2, 2, 1, 1, 0, 0, 1, -1, 1},
      {fx::kDvdSubMkv, 2, 0, 0, 1, 1, -1, 0, 1, 0},
      {fx::kDvbSubTs, 2, 1, 0, 1, 1, -1, 0, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file));
    const std::string path = Media(c.file);
    AVFormatContext* ic = OpenProbed(path);
    ASSERT_NE(ic, nullptr);
    {
      TFFDecoder decoder;
      ASSERT_TRUE(decoder.SetFormatContext(ic));
      EXPECT_FALSE(decoder.OwnsContext());
      EXPECT_EQ(decoder.FileSize(), int64_t(std::filesystem::file_size(std::filesystem::u8path(path))));
      EXPECT_EQ(decoder.StreamCount(), c.streams);
      EXPECT_EQ(decoder.ProgramCount(), c.programs);
      EXPECT_EQ(decoder.AudioStreamCount(), c.audio);
      EXPECT_EQ(decoder.VideoStreamCount(), c.video);
      EXPECT_EQ(decoder.SubtitleStreamCount(), c.subtitles);
      EXPECT_EQ(decoder.FirstAudioStream(), c.firstAudio);
      EXPECT_EQ(decoder.FirstVideoStream(), c.firstVideo);
      EXPECT_EQ(decoder.FirstSubtitleStream(), c.firstSubtitle);
      EXPECT_EQ(decoder.CurrentStream(), c.current);
      int64_t start = ic->streams[c.current]->start_time;
      EXPECT_EQ(decoder.CurrentStartTime(), start == AV_NOPTS_VALUE ? 0 : start);
      ASSERT_TRUE(decoder.SetFormatContext(nullptr));
      ExpectEmpty(decoder);
      ASSERT_TRUE(decoder.SetFormatContext(ic));
      // Destroyed while attached: the player's context stays open.
    }
    EXPECT_EQ(ic->nb_streams, unsigned(c.streams));
    CloseInputWithNames(&ic);
  }
}

// Lines of want appear in lines in this order (others may come between).
void ExpectInOrder(const Lines& lines, const Lines& want) {
  size_t at = 0;
  for (const std::string& w : want) {
    size_t found = at;
    while (found < lines.size() && lines[found] != w) ++found;
    if (found == lines.size()) {
      std::string all;
      for (const auto& l : lines) all += l + "\n";
      ADD_FAILURE() << "missing (in order): " << w << "\n" << all;
      return;
    }
    at = found + 1;
  }
}

// Stream lines cut before their first comma (name, id, language).
Lines Outline(const Lines& lines) {
  Lines out;
  for (const std::string& l : lines)
    if (l.rfind("Stream #", 0) == 0) out.push_back(l.substr(0, l.find(',')));
    else if (l.rfind("Program ", 0) == 0 || l.rfind("Chapter #", 0) == 0) out.push_back(l);
  return out;
}

TEST_F(DecoderTest, DescriptionsOfFixtures) {
  const std::string title = "  title           : " + std::string(fx::kMetaTitle);
  const struct {
    std::string_view file;
    Lines inOrder;
    Lines outline;
  } cases[] = {
      {fx::kTsTwoPrograms,
       {"Format Name: mpegts", "Format Long Name: MPEG-TS (MPEG-2 Transport Stream)", "StartTime: 1.400000",
        "    service_name    : Zelvo Radio", "    service_name    : Zelvo TV"},
       {"Program 1 FFmpeg@Zelvo Radio", "Stream #0[0x101]", "Program 2 FFmpeg@Zelvo TV", "Stream #1[0x100]",
        "Stream #0[0x101]"}},
      {fx::kChaptersMkv,
       {"Format Long Name: Matroska / WebM", "Metadata:", title, "  TITLE2          : Second Title Stays",
        "Chapter #0: start 0.00, end 1.50", "  Metadata:", "    title           : Chapter One",
        "Chapter #1: start 1.50, end 3.00", "    title           : Chapter Two", "Chapter #2: start 3.00, end 4.00",
        "    title           : Chapter Three"},
       {"Chapter #0: start 0.00, end 1.50", "Chapter #1: start 1.50, end 3.00", "Chapter #2: start 3.00, end 4.00",
        "Stream #0(eng)", "Stream #1(fre)"}},
      {fx::kId3Mp3,
       {"Format Name: mp3", "Metadata:", title, "  title2          : Second Title Stays"},
       {"Chapter #0: start 0.00, end 1.50", "Chapter #1: start 1.50, end 3.00", "Chapter #2: start 3.00, end 4.00",
        "Stream #0"}},
      {fx::kAudioWav, {"Format Name: wav", "Format Long Name: WAV / WAVE (Waveform Audio)", "Bit Rate: 1411 kb/s"},
       {"Stream #0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file));
    const std::string path = Media(c.file);
    TFFDecoder decoder;
    ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
    EXPECT_TRUE(decoder.OwnsContext());
    std::string text;
    ASSERT_TRUE(decoder.GetFileInfoText(text));
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    Lines lines = SplitCrLf(text);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "File Name: " + path);
    ExpectInOrder(lines, c.inOrder);
    EXPECT_EQ(Outline(lines), c.outline);
  }
}

TEST_F(DecoderTest, VideoStreamLineOfTheTransportStream) {
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(Media(fx::kTsTwoPrograms)));
  std::string text;
  ASSERT_TRUE(decoder.GetFileInfoText(text));
  std::string video;
  for (const std::string& l : SplitCrLf(text))
    if (l.rfind("Stream #1[0x100], 1/90000: Video: mpeg2video", 0) == 0) video = l;
  ASSERT_FALSE(video.empty()) << text;
  EXPECT_NE(video.find(", 25 fps, 25 tbr, 90k tbn, StartTime: 1.4"), std::string::npos) << video;
  EXPECT_NE(video.find(", Duration: 00:00:04.000"), std::string::npos) << video;
}

TEST_F(DecoderTest, LoadFileFailures) {
  const std::string missing = Media("no_such_file.mkv");
  const struct {
    std::string path;
    std::string error;
  } cases[] = {
      {missing, FormatMediaError(missing, -2)},
      {Media(fx::kGarbageMp4), ""},
      {Media(fx::kEmptyFile), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TFFDecoder decoder;
    EXPECT_FALSE(decoder.LoadFile(c.path));
    ExpectEmpty(decoder);
    if (!c.error.empty()) EXPECT_EQ(decoder.LastError(), c.error);
    else EXPECT_EQ(decoder.LastError().rfind(c.path + ": ", 0), 0u) << decoder.LastError();
  }
}

TEST_F(DecoderTest, FileValuesFromMetadata) {
  AVFormatContext* ic = ff::avformat_alloc_context();
  ic->start_time = 1500000;
  ic->duration = AV_NOPTS_VALUE;
  ic->bit_rate = 256000;
  const char* entries[][2] = {{"TITLE", "T"},   {"author", "A"},     {"copyright", "C"},
                              {"comment", "M"}, {"album", "L"},      {"genre", "G"},
                              {"date", "2019-07-01"}, {"year", "1999"}, {"track", "3/12"},
                              {"creation_time", "2019-07-01T12:00:00.000000Z"}};
  for (auto& e : entries) ff::av_dict_set(&ic->metadata, e[0], e[1], 0);
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.SetFormatContext(ic));
  TFileStreamInfo info;
  ASSERT_TRUE(decoder.GetFileStreamInfo(info));
  EXPECT_EQ(info.StartTime, 1500000);
  EXPECT_EQ(info.Duration, -1);
  EXPECT_EQ(info.BitRate, 256000);
  EXPECT_EQ(info.TimeStamp, 1561982400);
  EXPECT_EQ(info.Year, 2019);
  EXPECT_EQ(info.Track, 3);
  EXPECT_EQ(info.Title + info.Author + info.Copyright + info.Comment + info.Album + info.Genre, "TACMLG");
  ASSERT_TRUE(decoder.SetFormatContext(nullptr));

  ff::av_dict_free(&ic->metadata);
  ff::av_dict_set(&ic->metadata, "year", "1999", 0);
  ASSERT_TRUE(decoder.SetFormatContext(ic));
  ASSERT_TRUE(decoder.GetFileStreamInfo(info));
  EXPECT_EQ(info.Year, 1999);
  EXPECT_EQ(info.Track, 0);
  EXPECT_EQ(info.TimeStamp, 0);
  ASSERT_TRUE(decoder.SetFormatContext(nullptr));
  ff::avformat_free_context(ic);
}

TEST_F(DecoderTest, MissingLibraryLeavesTheDecoderAsItWas) {
  const struct {
    TLibraryKinds unload;
    const char* text;
  } cases[] = {
      {{lkAvcodec}, "LibAVCodec not loaded."},
      {{lkAvformat}, "LibAVFormat not loaded."},
      {{lkAvutil, lkSwscale}, "LibAVUtil not loaded."},
      {{lkSwscale}, "LibSwScale not loaded."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    AVFormatContext* first = OpenProbed(Media(fx::kAudioWav));
    AVFormatContext* second = OpenProbed(Media(fx::kAudioMp3));
    ASSERT_TRUE(first && second);
    {
      TFFDecoder decoder;
      ASSERT_TRUE(decoder.SetFormatContext(first));
      for (int k = 0; k < LibraryKindCount; ++k)
        if (c.unload.contains(TLibraryKind(k))) FFLoader().UnloadLib(TLibraryKind(k));
      EXPECT_FALSE(decoder.SetFormatContext(second));
      EXPECT_EQ(decoder.LastError(), c.text);
      EXPECT_EQ(decoder.FormatContext(), first);
      EXPECT_EQ(decoder.StreamCount(), 1);
      // Letting go of the player's context needs no library.
      EXPECT_TRUE(decoder.SetFormatContext(nullptr));
      EXPECT_EQ(decoder.FormatContext(), nullptr);
      ASSERT_TRUE(FFLoader().LoadLibs(PlayerLibraries)) << FFLoader().LastErrMsg();
    }
    CloseInputWithNames(&first);
    CloseInputWithNames(&second);
  }
}

}  // namespace
}  // namespace zv
