// The generated test media hold what tools/fixture_list.h says they hold, read
// through the player's own run-time bound libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "../tools/fixture_list.h"
#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace fx = zv::fixtures;

namespace {

void RequireLibraries() {
  std::string err;
  ASSERT_TRUE(zv::test::LoadPlayerLibraries(&err)) << err;
}

std::string PathOf(std::string_view name) { return zv::test::MediaFile(std::string(name)); }

// An opened and probed file; closes it on destruction.
struct Probed {
  explicit Probed(std::string_view name) {
    open_result = ff::avformat_open_input(&fc, PathOf(name).c_str(), nullptr, nullptr);
    if (open_result >= 0) probe_result = ff::avformat_find_stream_info(fc, nullptr);
  }
  ~Probed() {
    if (fc) ff::avformat_close_input(&fc);
  }
  Probed(const Probed&) = delete;
  Probed& operator=(const Probed&) = delete;
  bool ok() const { return open_result >= 0 && probe_result >= 0; }

  AVFormatContext* fc = nullptr;
  int open_result = -1;
  int probe_result = -1;
};

std::string Dict(AVDictionary* d, const char* key, int flags = 0) {
  AVDictionaryEntry* e = ff::av_dict_get(d, key, nullptr, flags);
  return e ? e->value : "";
}

struct StreamExpect {
  AVMediaType type;
  AVCodecID codec;
};

struct MediaCase {
  const char* label;
  std::string_view name;
  std::vector<StreamExpect> streams;
  int sar_num = 0, sar_den = 0;  // 0: the picture's pixels are square (or unset)
  double start = -1;             // >= 0: the file's start time in seconds
  int programs = 0;
  int chapters = 0;
};

void PrintTo(const MediaCase& c, std::ostream* os) { *os << c.label; }

constexpr AVMediaType kV = AVMEDIA_TYPE_VIDEO, kA = AVMEDIA_TYPE_AUDIO, kS = AVMEDIA_TYPE_SUBTITLE;

const std::vector<MediaCase>& MediaCases() {
  static const std::vector<MediaCase> cases = {
      {"H264AacMp4", fx::kAvH264AacMp4, {{kV, AV_CODEC_ID_H264}, {kA, AV_CODEC_ID_AAC}}},
      {"H264AacMkv", fx::kAvH264AacMkv, {{kV, AV_CODEC_ID_H264}, {kA, AV_CODEC_ID_AAC}}},
      {"Mpeg4Mp3Avi", fx::kAvMpeg4Mp3Avi, {{kV, AV_CODEC_ID_MPEG4}, {kA, AV_CODEC_ID_MP3}}},
      {"Vp8VorbisWebm", fx::kAvVp8VorbisWebm, {{kV, AV_CODEC_ID_VP8}, {kA, AV_CODEC_ID_VORBIS}}},
      {"Mp3", fx::kAudioMp3, {{kA, AV_CODEC_ID_MP3}}},
      {"Flac", fx::kAudioFlac, {{kA, AV_CODEC_ID_FLAC}}},
      {"Wav", fx::kAudioWav, {{kA, AV_CODEC_ID_PCM_S16LE}}},
      {"OggVorbis", fx::kAudioOgg, {{kA, AV_CODEC_ID_VORBIS}}},
      {"Aac51", fx::kAudioAac51, {{kA, AV_CODEC_ID_AAC}}},
      {"VideoOnly", fx::kVideoOnlyMp4, {{kV, AV_CODEC_ID_H264}}},
      {"OddSize", fx::kOddSizeMkv, {{kV, AV_CODEC_ID_MPEG4}}},
      {"OnePixelHigh", fx::kOnePixelHighMkv, {{kV, AV_CODEC_ID_MPEG4}}},
      {"Sar16x15", fx::kSar16x15Mkv, {{kV, AV_CODEC_ID_H264}}, 16, 15},
      {"TsTwoPrograms", fx::kTsTwoPrograms, {{kA, AV_CODEC_ID_MP2}, {kV, AV_CODEC_ID_MPEG2VIDEO}}, 0, 0,
       fx::kTsStartSeconds, 2},
      {"ChaptersMkv", fx::kChaptersMkv, {{kV, AV_CODEC_ID_H264}, {kA, AV_CODEC_ID_AAC}}, 0, 0, -1, 0,
       fx::kChapterCount},
      {"Id3Mp3", fx::kId3Mp3, {{kA, AV_CODEC_ID_MP3}}, 0, 0, -1, 0, fx::kChapterCount},
      {"DvdSub", fx::kDvdSubMkv, {{kV, AV_CODEC_ID_H264}, {kS, AV_CODEC_ID_DVD_SUBTITLE}}},
      {"SubRip", fx::kSubripMkv, {{kV, AV_CODEC_ID_H264}, {kS, AV_CODEC_ID_SUBRIP}}},
      {"Ass", fx::kAssMkv, {{kV, AV_CODEC_ID_H264}, {kS, AV_CODEC_ID_ASS}}},
      {"DvbSub", fx::kDvbSubTs, {{kV, AV_CODEC_ID_H264}, {kS, AV_CODEC_ID_DVB_SUBTITLE}}, 0, 0,
       fx::kTsStartSeconds, 1},
      {"Sync60s", fx::kSync60s, {{kV, AV_CODEC_ID_H264}, {kA, AV_CODEC_ID_AAC}}},
      {"CyrillicName", fx::kCyrillicMkv, {{kV, AV_CODEC_ID_H264}, {kA, AV_CODEC_ID_AAC}}},
      {"CjkName", fx::kCjkMp3, {{kA, AV_CODEC_ID_MP3}}},
      {"TwoSoundTracks", fx::kTwoSoundTracksMkv, {{kV, AV_CODEC_ID_H264}, {kA, AV_CODEC_ID_AAC}, {kA, AV_CODEC_ID_AAC}}},
      {"EmojiName", fx::kEmojiOgg, {{kA, AV_CODEC_ID_VORBIS}}},
  };
  return cases;
}

const fx::FixtureFile* ListEntry(std::string_view name) {
  for (const fx::FixtureFile& f : fx::kFixtureFiles)
    if (f.name == name) return &f;
  return nullptr;
}

class MediaFixture : public ::testing::TestWithParam<MediaCase> {
protected:
  void SetUp() override { RequireLibraries(); }
};

TEST_P(MediaFixture, HoldsTheListedStreams) {
  const MediaCase& c = GetParam();
  const fx::FixtureFile* listed = ListEntry(c.name);
  ASSERT_NE(listed, nullptr);
  Probed p(c.name);
  ASSERT_GE(p.open_result, 0) << PathOf(c.name);
  ASSERT_GE(p.probe_result, 0);

  ASSERT_EQ(p.fc->nb_streams, c.streams.size());
  for (size_t i = 0; i < c.streams.size(); ++i) {
    const AVStream* st = p.fc->streams[i];
    const AVCodecParameters* par = st->codecpar;
    SCOPED_TRACE("stream " + std::to_string(i));
    EXPECT_EQ(par->codec_type, c.streams[i].type);
    EXPECT_EQ(par->codec_id, c.streams[i].codec);
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      EXPECT_EQ(par->width, listed->width);
      EXPECT_EQ(par->height, listed->height);
      const AVRational sars[2] = {par->sample_aspect_ratio, st->sample_aspect_ratio};
      for (const AVRational& sar : sars) {
        if (c.sar_num) {
          EXPECT_EQ(sar.num, c.sar_num);
          EXPECT_EQ(sar.den, c.sar_den);
        } else {
          EXPECT_TRUE(sar.num == 0 || sar.num == sar.den) << sar.num << ":" << sar.den;
        }
      }
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
      EXPECT_EQ(par->sample_rate, listed->sample_rate);
      EXPECT_EQ(par->ch_layout.nb_channels, listed->channels);
    }
  }
  bool has_subtitles = false;
  for (const StreamExpect& s : c.streams) has_subtitles |= s.type == kS;
  EXPECT_EQ(has_subtitles, listed->subtitles);

  ASSERT_NE(p.fc->duration, AV_NOPTS_VALUE);
  EXPECT_NEAR(p.fc->duration / double(AV_TIME_BASE), listed->seconds, 0.1);
  if (c.start >= 0) {
    ASSERT_NE(p.fc->start_time, AV_NOPTS_VALUE);
    EXPECT_NEAR(p.fc->start_time / double(AV_TIME_BASE), c.start, 0.01);
  }
  EXPECT_EQ(static_cast<int>(p.fc->nb_programs), c.programs);
  EXPECT_EQ(static_cast<int>(p.fc->nb_chapters), c.chapters);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MediaFixture, ::testing::ValuesIn(MediaCases()),
                         [](const ::testing::TestParamInfo<MediaCase>& i) { return std::string(i.param.label); });

// Every complete file of the list has its row above, and every listed file exists.
TEST(MediaFixtures, ListAndTableAgree) {
  for (const fx::FixtureFile& f : fx::kFixtureFiles) {
    SCOPED_TRACE(std::string(f.name));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(PathOf(f.name))));
    if (f.kind != fx::FixtureKind::kMedia) continue;
    bool found = false;
    for (const MediaCase& c : MediaCases()) found |= c.name == f.name;
    EXPECT_TRUE(found);
  }
}

TEST(MediaFixtures, GarbageAndEmptyFilesAreInvalidData) {
  RequireLibraries();
  int checked = 0;
  for (const fx::FixtureFile& f : fx::kFixtureFiles) {
    if (f.kind != fx::FixtureKind::kGarbage && f.kind != fx::FixtureKind::kEmpty) continue;
    SCOPED_TRACE(std::string(f.name));
    Probed p(f.name);
    EXPECT_EQ(p.open_result, AVERROR_INVALIDDATA);
    EXPECT_EQ(p.fc, nullptr);
    ++checked;
  }
  EXPECT_EQ(checked, 3);
}

// The MP4 index sits at the end of the file, so its first third cannot open.
TEST(MediaFixtures, TruncatedMp4DoesNotOpen) {
  RequireLibraries();
  Probed p(fx::kTruncatedMp4);
  EXPECT_LT(p.open_result, 0);
  EXPECT_FALSE(p.ok());
}

// The Matroska headers survive the cut: the file opens but its packets stop
// long before the advertised duration.
TEST(MediaFixtures, TruncatedMatroskaEndsEarly) {
  RequireLibraries();
  Probed full(fx::kAvH264AacMkv);
  Probed cut(fx::kTruncatedMkv);
  ASSERT_TRUE(full.ok());
  ASSERT_TRUE(cut.ok());
  auto last_video_seconds = [](AVFormatContext* fc) {
    AVPacket* pkt = ff::av_packet_alloc();
    double last = -1;
    while (ff::av_read_frame(fc, pkt) >= 0) {
      const AVStream* st = fc->streams[pkt->stream_index];
      if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && pkt->pts != AV_NOPTS_VALUE)
        last = std::max(last, pkt->pts * av_q2d(st->time_base));
      ff::av_packet_unref(pkt);
    }
    ff::av_packet_free(&pkt);
    return last;
  };
  double full_end = last_video_seconds(full.fc);
  double cut_end = last_video_seconds(cut.fc);
  EXPECT_GT(full_end, 3.8);
  EXPECT_GE(cut_end, 0.0);
  EXPECT_LT(cut_end, full_end * 0.6);
}

TEST(MediaFixtures, TransportStreamProgramsListStreamsOneThenZero) {
  RequireLibraries();
  Probed p(fx::kTsTwoPrograms);
  ASSERT_TRUE(p.ok());
  ASSERT_EQ(p.fc->nb_programs, 2u);
  const AVProgram* a = p.fc->programs[0];
  const AVProgram* b = p.fc->programs[1];
  EXPECT_EQ(a->id, fx::kProgramA);
  ASSERT_EQ(a->nb_stream_indexes, 1u);
  EXPECT_EQ(a->stream_index[0], 0u);
  EXPECT_EQ(b->id, fx::kProgramB);
  ASSERT_EQ(b->nb_stream_indexes, 2u);
  EXPECT_EQ(b->stream_index[0], 1u);
  EXPECT_EQ(b->stream_index[1], 0u);
}

TEST(MediaFixtures, MatroskaCarriesTitleLanguagesAndChapters) {
  RequireLibraries();
  Probed p(fx::kChaptersMkv);
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(Dict(p.fc->metadata, "title"), fx::kMetaTitle);
  EXPECT_EQ(Dict(p.fc->metadata, "title2"), fx::kMetaTitle2);
  EXPECT_EQ(Dict(p.fc->metadata, "artist"), fx::kMetaArtist);
  ASSERT_EQ(p.fc->nb_streams, 2u);
  EXPECT_EQ(Dict(p.fc->streams[0]->metadata, "language"), fx::kVideoLanguage);
  EXPECT_EQ(Dict(p.fc->streams[1]->metadata, "language"), fx::kAudioLanguage);
  ASSERT_EQ(p.fc->nb_chapters, static_cast<unsigned>(fx::kChapterCount));
  for (int i = 0; i < fx::kChapterCount; ++i) {
    const AVChapter* ch = p.fc->chapters[i];
    SCOPED_TRACE("chapter " + std::to_string(i));
    EXPECT_NEAR(ch->start * av_q2d(ch->time_base), fx::kChapters[i].start_seconds, 0.001);
    EXPECT_NEAR(ch->end * av_q2d(ch->time_base), fx::kChapters[i].end_seconds, 0.001);
    EXPECT_EQ(Dict(ch->metadata, "title"), fx::kChapters[i].title);
  }
}

// The title goes out as the ID3v2 frame TIT2 and comes back as "title"; the
// user-defined "title2" keeps its exact name.
TEST(MediaFixtures, Id3TagsAndChapters) {
  RequireLibraries();
  Probed p(fx::kId3Mp3);
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(Dict(p.fc->metadata, "title", AV_DICT_MATCH_CASE), fx::kMetaTitle);
  EXPECT_EQ(Dict(p.fc->metadata, std::string(fx::kMetaTitle2Key).c_str(), AV_DICT_MATCH_CASE), fx::kMetaTitle2);
  EXPECT_EQ(Dict(p.fc->metadata, "artist"), fx::kMetaArtist);
  ASSERT_EQ(p.fc->nb_chapters, static_cast<unsigned>(fx::kChapterCount));
  for (int i = 0; i < fx::kChapterCount; ++i) {
    EXPECT_NEAR(p.fc->chapters[i]->start * av_q2d(p.fc->chapters[i]->time_base), fx::kChapters[i].start_seconds,
                0.001);
    EXPECT_EQ(Dict(p.fc->chapters[i]->metadata, "title"), fx::kChapters[i].title);
  }
}

// A decoder for one stream of a probed file; frees it on destruction.
struct StreamDecoder {
  StreamDecoder(AVFormatContext* fc, int index) : stream(fc->streams[index]) {
    const AVCodec* codec = ff::avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec || !(ctx = ff::avcodec_alloc_context3(codec))) return;
    if (ff::avcodec_parameters_to_context(ctx, stream->codecpar) < 0) return;
    ctx->pkt_timebase = stream->time_base;
    ctx->thread_count = 1;
    opened = ff::avcodec_open2(ctx, codec, nullptr) >= 0;
  }
  ~StreamDecoder() { ff::avcodec_free_context(&ctx); }
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  AVStream* stream;
  AVCodecContext* ctx = nullptr;
  bool opened = false;
};

struct FrameCase {
  const char* label;
  std::string_view name;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.label; }

class FrameNumbers : public ::testing::TestWithParam<FrameCase> {
protected:
  void SetUp() override { RequireLibraries(); }
};

// The first pictures carry 0, 1, 2... and each is stamped n / fps after the
// stream's first picture.
TEST_P(FrameNumbers, DecodedPicturesCarryTheirNumber) {
  constexpr int kFrames = 30;
  Probed p(GetParam().name);
  ASSERT_TRUE(p.ok());
  int vindex = ff::av_find_best_stream(p.fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  ASSERT_GE(vindex, 0);
  StreamDecoder dec(p.fc, vindex);
  ASSERT_TRUE(dec.opened);

  AVPacket* pkt = ff::av_packet_alloc();
  AVFrame* frame = ff::av_frame_alloc();
  std::vector<int> numbers;
  std::vector<int64_t> stamps;
  auto drain = [&] {
    while (ff::avcodec_receive_frame(dec.ctx, frame) >= 0) {
      numbers.push_back(fx::ReadFrameNumber(frame->data[0], frame->linesize[0], frame->width, frame->height));
      stamps.push_back(frame->best_effort_timestamp);
      ff::av_frame_unref(frame);
    }
  };
  while (static_cast<int>(numbers.size()) < kFrames && ff::av_read_frame(p.fc, pkt) >= 0) {
    if (pkt->stream_index == vindex) {
      EXPECT_GE(ff::avcodec_send_packet(dec.ctx, pkt), 0);
      drain();
    }
    ff::av_packet_unref(pkt);
  }
  ff::avcodec_send_packet(dec.ctx, nullptr);
  drain();
  ff::av_frame_free(&frame);
  ff::av_packet_free(&pkt);

  ASSERT_GE(numbers.size(), static_cast<size_t>(kFrames));
  for (int n = 0; n < kFrames; ++n) {
    EXPECT_EQ(numbers[n], n);
    ASSERT_NE(stamps[n], AV_NOPTS_VALUE);
    double t = (stamps[n] - stamps[0]) * av_q2d(dec.stream->time_base);
    EXPECT_NEAR(t, double(n) / fx::kFps, 0.002) << "frame " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FrameNumbers,
                         ::testing::Values(FrameCase{"H264Mp4", fx::kAvH264AacMp4},
                                           FrameCase{"Mpeg4Avi", fx::kAvMpeg4Mp3Avi},
                                           FrameCase{"Vp8Webm", fx::kAvVp8VorbisWebm},
                                           FrameCase{"OddSizeMpeg4", fx::kOddSizeMkv},
                                           FrameCase{"Mpeg2Ts", fx::kTsTwoPrograms},
                                           FrameCase{"Sync60s", fx::kSync60s}),
                         [](const ::testing::TestParamInfo<FrameCase>& i) { return std::string(i.param.label); });

struct SubtitleCase {
  const char* label;
  std::string_view name;
  bool carries_end;  // the event says how long it lasts (DVD); DVB clears with an empty event
};

void PrintTo(const SubtitleCase& c, std::ostream* os) { *os << c.label; }

class BitmapSubtitles : public ::testing::TestWithParam<SubtitleCase> {
protected:
  void SetUp() override { RequireLibraries(); }
};

// Each documented rectangle comes back at its place, colour and times; an
// event without rectangles (DVB) clears the previous one at its end time.
TEST_P(BitmapSubtitles, DecodeToTheDocumentedRectangles) {
  Probed p(GetParam().name);
  ASSERT_TRUE(p.ok());
  int sindex = ff::av_find_best_stream(p.fc, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
  ASSERT_GE(sindex, 0);
  StreamDecoder dec(p.fc, sindex);
  ASSERT_TRUE(dec.opened);
  const double file_start = p.fc->start_time == AV_NOPTS_VALUE ? 0 : p.fc->start_time / double(AV_TIME_BASE);

  AVPacket* pkt = ff::av_packet_alloc();
  int shown = 0;
  double last_end = -1;
  while (ff::av_read_frame(p.fc, pkt) >= 0) {
    if (pkt->stream_index == sindex) {
      AVSubtitle sub{};
      int got = 0;
      EXPECT_GE(ff::avcodec_decode_subtitle2(dec.ctx, &sub, &got, pkt), 0);
      double t = pkt->pts * av_q2d(dec.stream->time_base) - file_start;
      if (got && sub.num_rects == 0) {
        EXPECT_NEAR(t, last_end, 0.01);  // the clearing event
      } else if (got) {
        ASSERT_LT(shown, fx::kSubtitleRectCount);
        const fx::SubtitleRect& want = fx::kSubtitleRects[shown];
        SCOPED_TRACE("rectangle " + std::to_string(shown));
        EXPECT_NEAR(t + sub.start_display_time / 1000.0, want.start_seconds, 0.01);
        if (GetParam().carries_end) {
          EXPECT_NEAR(t + sub.end_display_time / 1000.0, want.end_seconds, 0.02);
        }
        ASSERT_EQ(sub.num_rects, 1u);
        const AVSubtitleRect* r = sub.rects[0];
        EXPECT_EQ(r->type, SUBTITLE_BITMAP);
        EXPECT_EQ(r->x, want.x);
        EXPECT_EQ(r->y, want.y);
        EXPECT_EQ(r->w, want.width);
        EXPECT_EQ(r->h, want.height);
        const uint32_t* palette = reinterpret_cast<const uint32_t*>(r->data[1]);
        uint32_t centre = palette[r->data[0][(r->h / 2) * r->linesize[0] + r->w / 2]];
        for (int shift = 0; shift < 32; shift += 8)
          EXPECT_NEAR(int((centre >> shift) & 0xFF), int((want.argb >> shift) & 0xFF), 4) << "bits " << shift;
        last_end = want.end_seconds;
        ++shown;
      }
      if (got) ff::avsubtitle_free(&sub);
    }
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  EXPECT_EQ(shown, fx::kSubtitleRectCount);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BitmapSubtitles,
                         ::testing::Values(SubtitleCase{"Dvd", fx::kDvdSubMkv, true},
                                           SubtitleCase{"Dvb", fx::kDvbSubTs, false}),
                         [](const ::testing::TestParamInfo<SubtitleCase>& i) { return std::string(i.param.label); });

TEST(MediaFixtures, ReadFrameNumberRejectsPlainPictures) {
  const int w = 320, h = 240;
  std::vector<uint8_t> grey(w * h, 128);
  EXPECT_EQ(fx::ReadFrameNumber(grey.data(), w, w, h), -1);
  EXPECT_EQ(fx::ReadFrameNumber(grey.data(), 64, 64, 64), -1);  // too small to carry the code
  std::vector<uint8_t> coded(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) coded[y * w + x] = fx::FrameLuma(40961, x, y, w, h);
  EXPECT_EQ(fx::ReadFrameNumber(coded.data(), w, w, h), 40961);
}

// PCM keeps the tone exactly, so the shared formula can be checked sample by sample.
TEST(MediaFixtures, WavHoldsTheDocumentedTone) {
  RequireLibraries();
  Probed p(fx::kAudioWav);
  ASSERT_TRUE(p.ok());
  ASSERT_EQ(p.fc->nb_streams, 1u);
  const int rate = p.fc->streams[0]->codecpar->sample_rate;
  AVPacket* pkt = ff::av_packet_alloc();
  int64_t index = 0;
  int mismatches = 0;
  while (index < 2 * rate && ff::av_read_frame(p.fc, pkt) >= 0) {
    const int16_t* s = reinterpret_cast<const int16_t*>(pkt->data);
    for (int i = 0; i + 1 < pkt->size / 2; i += 2, ++index) {
      for (int c = 0; c < 2; ++c)
        if (std::abs(s[i + c] - fx::ToneSampleS16(c, index, rate)) > 1) ++mismatches;
    }
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  EXPECT_GE(index, 2 * rate);
  EXPECT_EQ(mismatches, 0);
  // The gap at the start of each second is silent; the tone elsewhere peaks at -12 dBFS.
  EXPECT_EQ(fx::ToneSampleS16(0, rate + 10, rate), 0);
  int peak = 0;
  for (int64_t i = 0; i < rate; ++i) peak = std::max(peak, std::abs(int(fx::ToneSampleS16(1, i, rate))));
  EXPECT_NEAR(peak / 32767.0, fx::kToneAmplitude, 0.001);
}

}  // namespace
