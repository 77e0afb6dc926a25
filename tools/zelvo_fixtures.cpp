// zelvo-fixtures OUTDIR: writes the project's test media (see fixture_list.h),
// the same bytes on every run.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "fixture_list.h"
#include "fixture_writer.h"

namespace fs = std::filesystem;
using namespace zv::fixtures;

namespace {

struct Job {
  OutputSpec spec;
  std::vector<AVMediaType> streams;  // what probing the file must find, in order
  double start_seconds = -1;         // >= 0: the format start time probing must report
};

VideoSpec H264(int w = 320, int h = 240) {
  VideoSpec v;
  v.encoder = "libx264";
  v.width = w;
  v.height = h;
  v.options = {{"preset", "veryfast"}, {"crf", "18"}};
  return v;
}

VideoSpec Mpeg4(int w = 320, int h = 240) {
  VideoSpec v;
  v.encoder = "mpeg4";
  v.width = w;
  v.height = h;
  v.qscale = 3;
  v.max_b_frames = 0;
  return v;
}

VideoSpec Mpeg2(int w = 320, int h = 240) {
  VideoSpec v;
  v.encoder = "mpeg2video";
  v.width = w;
  v.height = h;
  v.qscale = 3;
  v.gop = 12;
  v.max_b_frames = 0;
  v.low_delay = true;  // pts == dts keeps the stream start exactly at the muxer offset
  return v;
}

VideoSpec Vp8() {
  VideoSpec v;
  v.encoder = "libvpx";
  v.bit_rate = 1000000;
  v.options = {{"deadline", "good"}, {"cpu-used", "4"}, {"crf", "8"},
               {"auto-alt-ref", "0"}, {"lag-in-frames", "0"}};
  return v;
}

AudioSpec Audio(const char* encoder, int rate, int channels = 2, long bit_rate = 0) {
  AudioSpec a;
  a.encoder = encoder;
  a.sample_rate = rate;
  a.channels = channels;
  a.bit_rate = bit_rate;
  return a;
}

constexpr AVMediaType V = AVMEDIA_TYPE_VIDEO, A = AVMEDIA_TYPE_AUDIO, S = AVMEDIA_TYPE_SUBTITLE;

std::vector<Job> MediaJobs(const fs::path& dir) {
  auto path = [&](std::string_view name) { return (dir / fs::path(name)).string(); };
  std::vector<Job> jobs;
  auto add = [&](std::string_view name, const char* format, double seconds, std::vector<AVMediaType> streams) -> Job& {
    Job j;
    j.spec.path = path(name);
    j.spec.format = format;
    j.spec.seconds = seconds;
    j.streams = std::move(streams);
    jobs.push_back(std::move(j));
    return jobs.back();
  };

  {
    Job& j = add(kAvH264AacMp4, "mp4", 4, {V, A});
    j.spec.video = H264();
    j.spec.audio = Audio("aac", 48000, 2, 128000);
  }
  {
    Job& j = add(kAvH264AacMkv, "matroska", 4, {V, A});
    j.spec.video = H264();
    j.spec.audio = Audio("aac", 48000, 2, 128000);
  }
  {
    Job& j = add(kAvMpeg4Mp3Avi, "avi", 4, {V, A});
    j.spec.video = Mpeg4();
    j.spec.audio = Audio("libmp3lame", 44100, 2, 128000);
    // AVI numbers video chunks by frame: shifting every stream by the MP3
    // encoder delay would round video timestamps onto their neighbours.
    j.spec.muxer_options = {{"avoid_negative_ts", "disabled"}};
  }
  {
    Job& j = add(kAvVp8VorbisWebm, "webm", 4, {V, A});
    j.spec.video = Vp8();
    j.spec.audio = Audio("libvorbis", 48000, 2, 128000);
  }
  add(kAudioMp3, "mp3", 4, {A}).spec.audio = Audio("libmp3lame", 44100, 2, 128000);
  add(kAudioFlac, "flac", 4, {A}).spec.audio = Audio("flac", 44100);
  add(kAudioWav, "wav", 4, {A}).spec.audio = Audio("pcm_s16le", 44100);
  add(kAudioOgg, "ogg", 4, {A}).spec.audio = Audio("libvorbis", 44100, 2, 128000);
  add(kAudioAac51, "mp4", 4, {A}).spec.audio = Audio("aac", 48000, 6, 384000);
  add(kVideoOnlyMp4, "mp4", 4, {V}).spec.video = H264();
  add(kOddSizeMkv, "matroska", 2, {V}).spec.video = Mpeg4(641, 361);
  add(kOnePixelHighMkv, "matroska", 2, {V}).spec.video = Mpeg4(320, 1);
  {
    // Long enough for the playback benchmark's 20 s, keyframes every 2 s.
    Job& j = add(kHd1080pMkv, "matroska", kHd1080pSeconds, {V, A});
    j.spec.video = H264(1920, 1080);
    j.spec.video->texture = 24;
    j.spec.video->gop = 2 * kFps;
    j.spec.audio = Audio("aac", 48000, 2, 128000);
  }
  {
    Job& j = add(kSar16x15Mkv, "matroska", 2, {V});
    j.spec.video = H264(720, 576);
    j.spec.video->sar_num = 16;
    j.spec.video->sar_den = 15;
  }
  {
    // Program A (audio only) comes first in the tables, so the demuxer numbers
    // the audio stream 0 and program B lists the video (1) before it (0).
    Job& j = add(kTsTwoPrograms, "mpegts", 4, {A, V});
    j.spec.video = Mpeg2();
    j.spec.audio = Audio("mp2", 48000, 2, 192000);
    j.spec.max_delay_us = std::lround(kTsStartSeconds / 2 * 1000000);
    j.spec.programs = {{kProgramA, {1}, "Zelvo Radio"}, {kProgramB, {0, 1}, "Zelvo TV"}};
    j.start_seconds = kTsStartSeconds;
  }
  {
    Job& j = add(kChaptersMkv, "matroska", 4, {V, A});
    j.spec.video = H264();
    j.spec.video->language = std::string(kVideoLanguage);
    j.spec.audio = Audio("aac", 48000, 2, 128000);
    j.spec.audio->language = std::string(kAudioLanguage);
    j.spec.metadata = {{"title", std::string(kMetaTitle)},
                       {std::string(kMetaTitle2Key), std::string(kMetaTitle2)},
                       {"artist", std::string(kMetaArtist)},
                       {"comment", std::string(kMetaComment)}};
    for (const ChapterMark& c : kChapters) j.spec.chapters.push_back({c.start_seconds, c.end_seconds, std::string(c.title)});
  }
  {
    // "title" is written as the ID3v2 frame TIT2, "title2" as a TXXX frame.
    Job& j = add(kId3Mp3, "mp3", 4, {A});
    j.spec.audio = Audio("libmp3lame", 44100, 2, 128000);
    j.spec.metadata = {{"title", std::string(kMetaTitle)},
                       {std::string(kMetaTitle2Key), std::string(kMetaTitle2)},
                       {"artist", std::string(kMetaArtist)},
                       {"comment", std::string(kMetaComment)}};
    for (const ChapterMark& c : kChapters) j.spec.chapters.push_back({c.start_seconds, c.end_seconds, std::string(c.title)});
  }
  {
    Job& j = add(kDvdSubMkv, "matroska", 4, {V, S});
    j.spec.video = H264(kSubtitleVideoWidth, kSubtitleVideoHeight);
    j.spec.subtitles = SubtitleSpec{"dvdsub", false, "eng"};
  }
  for (auto [name, encoder] : {std::pair{kSubripMkv, "subrip"}, std::pair{kAssMkv, "ass"}}) {
    Job& j = add(name, "matroska", 4, {V, S});
    j.spec.video = H264(kSubtitleVideoWidth, kSubtitleVideoHeight);
    j.spec.video->gop = 5;  // seeks land within 0.2 s of their target
    j.spec.subtitles = SubtitleSpec{encoder, false, "eng"};
  }
  {
    Job& j = add(kDvbSubTs, "mpegts", 4, {V, S});
    j.spec.video = H264(kSubtitleVideoWidth, kSubtitleVideoHeight);
    j.spec.video->max_b_frames = 0;
    j.spec.subtitles = SubtitleSpec{"dvbsub", true, "eng"};
    j.spec.max_delay_us = std::lround(kTsStartSeconds / 2 * 1000000);
    j.start_seconds = kTsStartSeconds;
  }
  {
    Job& j = add(kSync60s, "matroska", 60, {V, A});
    j.spec.video = H264(160, 120);
    j.spec.audio = Audio("aac", 48000, 2, 128000);
  }
  {
    Job& j = add(kCyrillicMkv, "matroska", 2, {V, A});
    j.spec.video = H264();
    j.spec.audio = Audio("aac", 48000, 2, 128000);
  }
  for (const BarsFile& b : kBarsFiles) {
    Job& j = add(b.name, "matroska", kBarsSeconds, {V});
    j.spec.video = H264(b.width, b.height);
    j.spec.video->bars = static_cast<int>(b.matrix);
    j.spec.video->full_range = b.full_range;
    if (b.tagged)
      j.spec.video->colorspace = b.matrix == BarMatrix::kBt601   ? AVCOL_SPC_SMPTE170M
                                 : b.matrix == BarMatrix::kBt709 ? AVCOL_SPC_BT709
                                                                 : AVCOL_SPC_BT2020_NCL;
  }
  for (const RotatedFile& r : kRotatedFiles) {
    Job& j = add(r.name, "mp4", kRotatedSeconds, {V});
    j.spec.video = H264(kRotatedWidth, kRotatedHeight);
    j.spec.video->rotation = r.rotation;
    j.spec.video->hflip = r.hflip;
  }
  for (const bool interlaced : {false, true}) {
    Job& j = add(interlaced ? kInterlacedEdge : kProgressiveEdge, "matroska", kEdgeSeconds, {V});
    j.spec.video = Mpeg2();
    j.spec.video->qscale = 2;
    j.spec.video->edge = interlaced ? 2 : 1;
  }
  {
    Job& j = add(kTwoSoundTracksMkv, "matroska", kTwoSoundTracksSeconds, {V, A, A});
    j.spec.video = H264();
    j.spec.audio = Audio("aac", 48000, 2, 128000);
    j.spec.audio->language = "eng";
    AudioSpec second = Audio("aac", 48000, 2, 128000);
    second.language = "fre";
    second.title = std::string(kSecondTrackTitle);
    second.tone_offset = kSecondTrackToneOffset;
    j.spec.more_audio.push_back(second);
  }
  {
    Job& j = add(kHd1080pRotate90Mp4, "mp4", kHdVariantSeconds, {V, A});
    j.spec.video = H264(1920, 1080);
    j.spec.video->texture = 24;
    j.spec.video->gop = 2 * kFps;
    j.spec.video->rotation = 90;
    j.spec.audio = Audio("aac", 48000, 2, 128000);
  }
  {
    Job& j = add(kHd1080iMkv, "matroska", kHdVariantSeconds, {V, A});
    j.spec.video = Mpeg2(1920, 1080);
    j.spec.video->edge = 2;
    j.spec.audio = Audio("aac", 48000, 2, 128000);
  }
  add(kCjkMp3, "mp3", 2, {A}).spec.audio = Audio("libmp3lame", 44100, 2, 128000);
  add(kEmojiOgg, "ogg", 2, {A}).spec.audio = Audio("libvorbis", 44100, 2, 128000);
  return jobs;
}

// Opens the written file as a player would and checks what it holds.
bool Verify(const Job& job, std::string* err) {
  AVFormatContext* fc = nullptr;
  int r = avformat_open_input(&fc, job.spec.path.c_str(), nullptr, nullptr);
  if (r < 0) {
    *err = job.spec.path + ": the written file does not open again";
    return false;
  }
  bool ok = true;
  if ((r = avformat_find_stream_info(fc, nullptr)) < 0) {
    *err = job.spec.path + ": the written file cannot be probed";
    ok = false;
  } else if (fc->nb_streams != job.streams.size()) {
    *err = job.spec.path + ": probing finds " + std::to_string(fc->nb_streams) + " streams, expected " +
           std::to_string(job.streams.size());
    ok = false;
  } else {
    for (unsigned i = 0; i < fc->nb_streams && ok; ++i) {
      if (fc->streams[i]->codecpar->codec_type != job.streams[i]) {
        *err = job.spec.path + ": stream " + std::to_string(i) + " has an unexpected kind";
        ok = false;
      }
    }
  }
  if (ok && job.start_seconds >= 0) {
    double start = fc->start_time == AV_NOPTS_VALUE ? -1 : fc->start_time / double(AV_TIME_BASE);
    if (std::fabs(start - job.start_seconds) > 0.01) {
      *err = job.spec.path + ": start time " + std::to_string(start) + " s, expected " +
             std::to_string(job.start_seconds) + " s";
      ok = false;
    }
  }
  // An MPEG-TS always carries at least the one program the muxer makes up.
  int programs = static_cast<int>(job.spec.programs.size());
  if (programs == 0 && job.spec.format == "mpegts") programs = 1;
  if (ok && static_cast<int>(fc->nb_programs) != programs) {
    *err = job.spec.path + ": probing finds " + std::to_string(fc->nb_programs) + " programs";
    ok = false;
  }
  if (ok && fc->nb_chapters != job.spec.chapters.size()) {
    *err = job.spec.path + ": probing finds " + std::to_string(fc->nb_chapters) + " chapters";
    ok = false;
  }
  avformat_close_input(&fc);
  return ok;
}

bool WriteBytes(const fs::path& path, const std::vector<char>& bytes, std::string* err) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    *err = path.string() + ": cannot write the file";
    return false;
  }
  return true;
}

bool WriteTruncated(const fs::path& from, const fs::path& to, std::string* err) {
  std::ifstream in(from, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    *err = from.string() + ": cannot read the file";
    return false;
  }
  if (bytes.size() < 3) {
    *err = from.string() + ": too small to truncate";
    return false;
  }
  bytes.resize(bytes.size() / kTruncatedBytesDivisor);
  return WriteBytes(to, bytes, err);
}

// xorshift64*: a fixed generator, so garbage files are the same on every run.
std::vector<char> Garbage(uint64_t seed, size_t size) {
  std::vector<char> bytes(size);
  uint64_t x = seed;
  for (size_t i = 0; i < size; ++i) {
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    bytes[i] = static_cast<char>((x * 0x2545F4914F6CDD1DULL) >> 56);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelvo-fixtures OUTDIR\n");
    return 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  const fs::path dir(argv[1]);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "zelvo-fixtures: cannot create %s: %s\n", argv[1], ec.message().c_str());
    return 1;
  }

  std::string err;
  int written = 0;
  auto fail = [&](const fs::path& partial) {
    std::error_code ignored;
    if (!partial.empty()) fs::remove(partial, ignored);
    std::fprintf(stderr, "zelvo-fixtures: %s\n", err.c_str());
    return 1;
  };

  for (const Job& job : MediaJobs(dir)) {
    if (!WriteFixture(job.spec, &err)) return fail(job.spec.path);
    if (!Verify(job, &err)) return fail(job.spec.path);
    ++written;
  }

  auto p = [&](std::string_view name) { return dir / fs::path(name); };
  if (!WriteTruncated(p(kAvH264AacMp4), p(kTruncatedMp4), &err)) return fail(p(kTruncatedMp4));
  if (!WriteTruncated(p(kAvH264AacMkv), p(kTruncatedMkv), &err)) return fail(p(kTruncatedMkv));
  if (!WriteBytes(p(kGarbageMp4), Garbage(0x5A454C564F4D5034ULL, kGarbageBytes), &err)) return fail(p(kGarbageMp4));
  if (!WriteBytes(p(kGarbageAvi), Garbage(0x5A454C564F415649ULL, kGarbageBytes), &err)) return fail(p(kGarbageAvi));
  if (!WriteBytes(p(kEmptyFile), {}, &err)) return fail(p(kEmptyFile));
  written += 5;

  // The list in fixture_list.h is what tests iterate: it must name every file.
  for (const FixtureFile& f : kFixtureFiles) {
    if (!fs::exists(p(f.name), ec)) {
      err = p(f.name).string() + ": listed but not written";
      return fail({});
    }
  }
  const int extra = static_cast<int>(std::size(kBarsFiles) + std::size(kRotatedFiles)) + 2;
  if (written != static_cast<int>(std::size(kFixtureFiles) + std::size(kBenchFixtureFiles)) + extra) {
    err = "wrote " + std::to_string(written) + " files but fixture_list.h lists " +
          std::to_string(std::size(kFixtureFiles) + std::size(kBenchFixtureFiles));
    return fail({});
  }
  std::printf("zelvo-fixtures: wrote %d files to %s\n", written, argv[1]);
  return 0;
}
